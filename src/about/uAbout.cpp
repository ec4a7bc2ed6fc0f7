#include "about/uAbout.h"

#include "about/AboutMask.h"
#include "about/firewnd.h"
#include "controls/FontScale.h"
#include "controls/WindowFit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace
{

// Sizes for the design font; the box scales them with the desktop's (FontScale.h).
constexpr int BoxWidth = 340;
constexpr int BoxHeight = 175;
constexpr int FireHeight = 47;
constexpr int FireMaxBurn = 80;

using fontscale::Scaled;

} // namespace

TfAbout::TfAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("Information"));
    setFixedSize(Scaled(QSize(BoxWidth, BoxHeight)));

    Fire = new TFire(this);
    Fire->setObjectName(QStringLiteral("Fire"));
    Fire->SetBurning(false);
    Fire->SetBounds(0, 0, Scaled(BoxWidth), Scaled(FireHeight));
    Fire->SetDecay(5);
    Fire->SetFlammability(390);
    Fire->SetMaxHeat(230);
    Fire->SetSpreadRate(20);
    Fire->SetSmoothness(1);
    Fire->SetDistribution(1);
    Fire->SetChaos(200);
    Fire->SetInterval(2);
    Fire->SetEdgeRatio(0.99f);
    Fire->SetTransparentColor(qRgb(255, 255, 255));
    Fire->SetMask(MakeAboutMask(Scaled(BoxWidth), Scaled(FireHeight)));
    Fire->SetMaxBurn(FireMaxBurn); // also builds the fire cold with the values above

    LabelVersion = AddLabel(QStringLiteral("Version 2.01"), FireHeight, 29);
    QFont big = LabelVersion->font();
    big.setPixelSize(Scaled(19));
    LabelVersion->setFont(big);
    LabelCredits =
        AddLabel(QStringLiteral("\u00a9 1998\u20132024 Travodex developers"), FireHeight + 29, 35);
    LabelEMail = AddLabel(QStringLiteral("Questions and ideas: travodex@example.org"),
                          FireHeight + 29 + 35, 25);

    ButtonClose = new QPushButton(QStringLiteral("Close"), this);
    ButtonClose->setObjectName(QStringLiteral("ButtonClose"));
    ButtonClose->setGeometry(Scaled(QRect(260, 145, 75, 25)));
    ButtonClose->setDefault(true);
    connect(ButtonClose, &QPushButton::clicked, this, &QDialog::accept);
}

TfAbout::~TfAbout() = default;

QLabel* TfAbout::AddLabel(const QString& text, int top, int height)
{
    auto* label = new QLabel(text, this);
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(Scaled(QRect(0, top, BoxWidth, height)));
    return label;
}

void TfAbout::showEvent(QShowEvent* event)
{
    if (!m_shownBefore && !event->spontaneous()) {
        // Centred on the screen the first time; later showings keep the position.
        m_shownBefore = true;
        windowfit::Centre(this);
    }
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfAbout::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        FormClose();
}

void TfAbout::keyPressEvent(QKeyEvent* event)
{
    // Esc presses the Close button, like Enter does as the default button.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ButtonClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfAbout::FormShow()
{
    Fire->SetBurning(true);
}

void TfAbout::FormClose()
{
    Fire->SetBurning(false);
    Fire->SetMaxBurn(FireMaxBurn); // rebuilds the fire cold for the next showing
}
