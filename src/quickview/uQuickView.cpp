#include "quickview/uQuickView.h"

#include "platform/FileType.h"
#include "viewers/uTextView.h"

#include <QApplication>
#include <QLabel>
#include <QMetaObject>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

TfQuickView::TfQuickView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(QStringLiteral("Quick view"), this);
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);
    layout->addWidget(m_caption);
    m_stack = new QStackedWidget(this);
    m_page = new TTextPage(m_text, m_stack);
    m_picture = new QLabel(m_stack);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(1, 1);
    // Neither a picture nor a status text changes the layout: no relayout per file.
    m_picture->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_picture->setFocusPolicy(Qt::StrongFocus);
    m_lines = new QPlainTextEdit(m_stack);
    m_lines->setReadOnly(true);
    m_lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_stack->addWidget(m_lines);
    m_stack->addWidget(m_page);
    m_stack->addWidget(m_picture);
    layout->addWidget(m_stack, 1);
    m_status = new QLabel(this);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setMinimumWidth(1);
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    layout->addWidget(m_status);
    connect(&m_loader, &quickview::TQuickLoader::Loaded, this, &TfQuickView::Loaded);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr,
                                 Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (OnClose)
            OnClose();
    });
}

QSize TfQuickView::PictureArea() const
{
    const QSize area = m_stack->size();
    return area.isEmpty() ? QSize(640, 480) : area;
}

void TfQuickView::ShowFile(const QString& path, const quickview::TDescriber& describe)
{
    Request(path, describe, {});
}

void TfQuickView::ShowMember(const quickview::TMemberSource& member,
                             const quickview::TDescriber& describe)
{
    Request(member.Archive + QLatin1Char('/') + member.Name, describe, member);
}

void TfQuickView::Request(const QString& path, const quickview::TDescriber& describe,
                          const quickview::TMemberSource& member)
{
    if (path == m_path)
        return;
    m_path = path;
    m_describe = describe;
    m_member = member;
    m_loading = true;
    // A member's copy goes as soon as the pane moves on; what it shows of it stays until
    // the next result (the text view reads the file it holds open).
    m_shown.Copy.reset();
    m_status->setText(path.section(QLatin1Char('/'), -1) + QStringLiteral(" — loading…"));
    m_loader.Request({path, PictureArea(), describe, member});
}

void TfQuickView::ShowText(const QString& text)
{
    m_loader.Cancel();
    LeavePage();
    m_path.clear();
    m_loading = false;
    m_shown = {};
    ShowLines({text});
    m_status->setText(text);
}

void TfQuickView::Clear()
{
    ShowText({});
    // A module that could not be loaded is asked again when the pane is next put up.
    if (!m_html)
        m_htmlAsked = false;
}

void TfQuickView::ShowLines(const QStringList& lines)
{
    m_picture->clear();
    m_lines->setPlainText(lines.join(QLatin1Char('\n')));
    m_stack->setCurrentWidget(m_lines);
}

void TfQuickView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!m_path.isEmpty() && (m_loading || m_shown.Kind == quickview::TKind::Picture)) {
        m_loading = true;
        m_loader.Request({m_path, PictureArea(), m_describe, m_member});
    }
}

QString TfQuickView::StatusText() const
{
    return m_status->text();
}

QString TfQuickView::LinesText() const
{
    return m_stack->currentWidget() == m_lines ? m_lines->toPlainText() : QString();
}

bool TfQuickView::ShowsHtmlPage() const
{
    return m_html && m_stack->currentWidget() == m_html;
}

bool TfQuickView::ShowPage(const QString& path)
{
    const bool first = !m_htmlAsked;
    if (first) {
        m_htmlAsked = true;
        m_htmlWhy.clear();
        m_htmlModule = HtmlModule ? HtmlModule(&m_htmlWhy) : nullptr;
        if (m_htmlModule)
            m_html = m_htmlModule->MakePane(TModuleWindow::Html, m_stack);
        if (m_html)
            m_stack->addWidget(m_html);
        else if (m_htmlWhy.isEmpty())
            m_htmlWhy = QStringLiteral("the HTML module has no page for the pane");
    }
    if (!m_html)
        return false;
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const bool active = window()->isActiveWindow();
    m_htmlModule->ShowInPane(m_html, path);
    m_picture->clear();
    m_stack->setCurrentWidget(m_html);
    if (first && active)
        KeepActive(focus);
    return true;
}

void TfQuickView::KeepActive(const QPointer<QWidget>& focus)
{
    // The engine's page renders through the graphics stack: the window it first shows in
    // is made again by the window system for it, and loses its activation and the panel
    // its keyboard focus (and with them the window's shortcuts). Both are given back,
    // once now and once the window system has made the window again.
    const auto restore = [this, focus] {
        if (!window()->isActiveWindow())
            window()->activateWindow();
        if (focus && !focus->hasFocus())
            focus->setFocus();
    };
    restore();
    QMetaObject::invokeMethod(this, restore, Qt::QueuedConnection);
}

void TfQuickView::LeavePage()
{
    // The page stops loading and drops its document: nothing of it runs unseen.
    if (ShowsHtmlPage())
        m_htmlModule->ShowInPane(m_html, {});
}

void TfQuickView::ShowSource(const quickview::TQuickResult& result)
{
    using quickview::TKind;
    QString why;
    if (!m_text.Open(result.File, &why)) {
        m_shown.Kind = TKind::Failed;
        m_shown.Why = QStringLiteral("unreadable: ") + why;
    } else {
        const viewers::TEncoding* encoding = viewers::FindEncoding(result.Encoding);
        m_text.SetEncoding(encoding ? *encoding : viewers::Encodings()[0], result.BomSize);
        m_page->SetHex(result.Kind == TKind::Binary);
        m_page->SetTop(0);
        m_page->Reload();
        m_picture->clear();
        m_stack->setCurrentWidget(m_page);
    }
}

void TfQuickView::Loaded(const quickview::TQuickResult& result)
{
    if (result.Path != m_path)
        return;
    m_loading = false;
    m_shown = result;
    using quickview::TKind;
    const bool read =
        result.Kind == TKind::Html || result.Kind == TKind::Text || result.Kind == TKind::Binary;
    // The load saw a regular file; one put in its place since is not opened here.
    if (read && platform::FileTypeOf(result.File).Type != platform::TFileType::Regular) {
        m_shown.Kind = TKind::Failed;
        m_shown.Why = QStringLiteral("gone or replaced since it was read");
    }
    if (m_shown.Kind != TKind::Html)
        LeavePage();
    if (m_shown.Kind == TKind::Html && !ShowPage(result.File)) {
        m_shown.Detail += QStringLiteral(", shown as source: ") + m_htmlWhy;
        ShowSource(result);
    } else if (m_shown.Kind == TKind::Text || m_shown.Kind == TKind::Binary) {
        ShowSource(result);
    } else if (m_shown.Kind == TKind::Picture) {
        m_picture->setPixmap(QPixmap::fromImage(result.Picture));
        m_stack->setCurrentWidget(m_picture);
    } else if (m_shown.Kind == TKind::Lines) {
        ShowLines(result.Lines);
    }
    if (m_shown.Kind == TKind::Failed)
        ShowLines({result.Name, QStringLiteral("Not shown: ") + m_shown.Why});
    m_status->setText(quickview::StatusText(m_shown));
}
