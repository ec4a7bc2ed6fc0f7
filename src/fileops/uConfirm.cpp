#include "fileops/uConfirm.h"

#include "controls/FontScale.h"
#include "platform/FileNames.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextLayout>
#include <algorithm>

TfConfirm* fConfirm = nullptr;

namespace
{

// The text options of a band: centred, wrapped at word boundaries or, in a long name,
// anywhere.
QTextOption BandOption()
{
    QTextOption option(Qt::AlignCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// A band's label: its whole text, centred, on as many lines as the band's width needs.
class TBandLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        painter.drawText(QRectF(contentsRect()), text(), BandOption());
    }
};

// The height `text` takes in `font` wrapped to `width` as the bands wrap it.
int WrappedHeight(const QString& text, const QFont& font, int width)
{
    QString lines = text;
    lines.replace('\n', QChar::LineSeparator);
    QTextLayout layout(lines, font);
    layout.setTextOption(BandOption());
    const QFontMetrics metrics(font);
    int count = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++count;
    }
    layout.endLayout();
    return std::max(1, count) * metrics.lineSpacing();
}

// The width of the widest line of `text` in `font`, unwrapped.
int NaturalWidth(const QString& text, const QFont& font)
{
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// A red band with a lowered bevel holding one bold white centred label.
QLabel* MakeBand(QWidget* parent, const QRect& geometry, const QString& text, QWidget*& band)
{
    auto* frame = new QFrame(parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(1);
    frame->setGeometry(fontscale::Scaled(geometry));
    frame->setAutoFillBackground(true);
    QPalette bandPalette = frame->palette();
    bandPalette.setColor(QPalette::Window, Qt::red);
    frame->setPalette(bandPalette);

    auto* label = new TBandLabel(text, frame);
    label->setGeometry(frame->contentsRect());
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(labelPalette);
    band = frame;
    return label;
}

void CentreOnScreen(QWidget* w)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

} // namespace

TfConfirm::TfConfirm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Confirmation"));
    setWindowIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    using fontscale::Scaled;
    setFixedSize(Scaled(QSize(360, 95)));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);

    LabelNotice = MakeBand(this, QRect(0, 0, 360, 31), QStringLiteral("LabelNotice"), PanelNotice);
    LabelConfirm =
        MakeBand(this, QRect(0, 35, 360, 21), QStringLiteral("LabelConfirm"), PanelConfirm);

    ButtonAccept = new QPushButton(QStringLiteral("Yes"), this);
    ButtonAccept->setGeometry(Scaled(QRect(195, 65, 75, 25)));
    ButtonAccept->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("No"), this);
    ButtonCancel->setGeometry(Scaled(QRect(280, 65, 75, 25)));
    setTabOrder(ButtonAccept, ButtonCancel);

    connect(ButtonAccept, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(ButtonCancel, &QPushButton::clicked, this, [this] { done(mrNo); });
    CentreOnScreen(this);
}

void TfConfirm::reject()
{
    done(mrNo);
}

void TfConfirm::setVisible(bool visible)
{
    if (visible)
        FitToText();
    QDialog::setVisible(visible);
}

void TfConfirm::FitToText()
{
    using fontscale::Scaled;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->availableGeometry().width() : 1 << 16;
    const int sides = Scaled(12); // bevel and room on both sides of a band's text
    int width = Scaled(360);
    for (const QLabel* label : {LabelNotice, LabelConfirm})
        width = std::max(width, NaturalWidth(label->text(), label->font()) + sides);
    width = std::min(width, std::max(Scaled(360), screenWidth - Scaled(20)));
    const auto bandHeight = [&](const QLabel* label, int design) {
        return std::max(Scaled(design),
                        WrappedHeight(label->text(), label->font(), width - sides) + Scaled(4));
    };
    const int notice = bandHeight(LabelNotice, 31), confirm = bandHeight(LabelConfirm, 21);
    PanelNotice->setGeometry(0, 0, width, notice);
    PanelConfirm->setGeometry(0, notice + Scaled(4), width, confirm);
    for (QWidget* band : {PanelNotice, PanelConfirm})
        band->findChild<QLabel*>()->setGeometry(
            static_cast<QFrame*>(band)->contentsRect().adjusted(Scaled(4), 0, -Scaled(4), 0));
    const int buttons = notice + Scaled(4) + confirm + Scaled(9);
    ButtonAccept->move(width - Scaled(165), buttons);
    ButtonCancel->move(width - Scaled(80), buttons);
    setFixedSize(width, buttons + Scaled(30));
    CentreOnScreen(this);
}

void TfConfirm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    QPushButton* first = ButtonAccept->isVisibleTo(this) ? ButtonAccept : ButtonCancel;
    first->setFocus(Qt::ActiveWindowFocusReason);
}

namespace
{

TfConfirm& Confirm()
{
    if (!fConfirm)
        fConfirm = new TfConfirm();
    return *fConfirm;
}

} // namespace

bool AskConfirmation(const QString& notice, const QString& confirm)
{
    TfConfirm& dialog = Confirm();
    dialog.LabelNotice->setText(platform::DisplayName(notice));
    dialog.LabelConfirm->setText(platform::DisplayName(confirm));
    return dialog.exec() == TfConfirm::mrYes;
}

void ShowNotice(const QString& notice, const QString& confirm)
{
    TfConfirm& dialog = Confirm();
    dialog.ButtonAccept->hide();
    dialog.ButtonCancel->setText(QStringLiteral("Close"));
    dialog.LabelNotice->setText(platform::DisplayName(notice));
    dialog.LabelConfirm->setText(platform::DisplayName(confirm));
    dialog.exec();
    dialog.ButtonCancel->setText(QStringLiteral("No"));
    dialog.ButtonAccept->show();
}
