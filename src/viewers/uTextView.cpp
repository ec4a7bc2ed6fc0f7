#include "viewers/uTextView.h"

#include "controls/WindowFit.h"
#include "platform/Messages.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

using viewers::TPagedText;

namespace
{

constexpr int ScrollSteps = 100000;     // the vertical scroll bar goes by share of bytes
constexpr qint64 MostCopied = 32 << 20; // bytes of selected lines one copy takes at most

// Control characters show as a middle dot: one character for one, so columns keep.
QString Displayable(QString text)
{
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QChar(0xB7);
    return text;
}

} // namespace

TTextPage::TTextPage(TPagedText& text, QWidget* parent) : QAbstractScrollArea(parent), m_text(text)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    verticalScrollBar()->setRange(0, 0);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] {
        // The bar's new value is set after this signal: read it on the next turn.
        QTimer::singleShot(0, this, [this] { ScrollBarMoved(verticalScrollBar()->value()); });
    });
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this, &TTextPage::ScrollBarMoved);
}

int TTextPage::RowsShown() const
{
    return std::max(1, viewport()->height() / fontMetrics().lineSpacing());
}

int TTextPage::Columns() const
{
    return std::max(1, viewport()->width() / std::max(1, fontMetrics().horizontalAdvance(u'M')));
}

QString TTextPage::HexText(qint64 offset, const QByteArray& bytes) const
{
    QString row = QStringLiteral("%1 ").arg(offset, 12, 16, QLatin1Char('0')).toUpper();
    QString chars;
    for (int i = 0; i < HexRow; ++i) {
        row += i == 8 ? QStringLiteral("  ") : QStringLiteral(" ");
        if (i < bytes.size()) {
            const auto b = quint8(bytes[i]);
            row += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
            chars += b >= 0x20 && b < 0x7F ? QChar(b) : QChar(u'.');
        } else {
            row += QStringLiteral("  ");
        }
    }
    return row + QStringLiteral("  ") + chars;
}

std::vector<TTextPage::TRow> TTextPage::Layout()
{
    std::vector<TRow> rows;
    const int wanted = RowsShown() + 1;
    qint64 line = m_top;
    const qint64 size = m_text.Size();
    if (m_hex) {
        for (; int(rows.size()) < wanted && line < size; line += HexRow) {
            const QByteArray bytes = m_text.Bytes(line, HexRow);
            rows.push_back({line, line + bytes.size(), 0, HexText(line, bytes)});
        }
        return rows;
    }
    const int columns = Columns();
    while (int(rows.size()) < wanted && line < size) {
        const qint64 end = m_text.NextLine(line);
        const QString text = Displayable(m_text.LineText(line, end));
        if (!m_wrap || text.size() <= columns) {
            rows.push_back({line, end, 0, text});
        } else {
            for (int from = 0; from < text.size() && int(rows.size()) < wanted; from += columns)
                rows.push_back({line, end, from, text.mid(from, columns)});
        }
        if (end <= line)
            break;
        line = end;
    }
    return rows;
}

QStringList TTextPage::VisibleRows()
{
    QStringList out;
    const std::vector<TRow> rows = Layout();
    for (int i = 0; i < int(rows.size()) && i < RowsShown(); ++i)
        out << rows[i].Text;
    return out;
}

qint64 TTextPage::VisibleEnd()
{
    const std::vector<TRow> rows = Layout();
    const int shown = std::min<int>(rows.size(), RowsShown());
    return shown > 0 ? rows[shown - 1].End : m_top;
}

void TTextPage::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QFontMetrics fm = fontMetrics();
    const int height = fm.lineSpacing();
    const qint64 selLo = m_anchor < 0 ? -1 : std::min(m_anchor, m_cursor);
    const qint64 selHi = m_anchor < 0 ? -1 : std::max(m_anchor, m_cursor);
    const std::vector<TRow> rows = Layout();
    const int left = m_hex || m_wrap ? 0 : m_left;
    int widest = 0;
    for (int i = 0; i < int(rows.size()); ++i) {
        const TRow& row = rows[i];
        const int y = i * height;
        widest = std::max<int>(widest, row.Text.size());
        if (!m_hex && row.Line >= selLo && row.Line <= selHi)
            painter.fillRect(0, y, viewport()->width(), height,
                             palette().highlight().color().lighter(160));
        if (m_matchOffset >= 0 && m_matchOffset < row.End &&
            m_matchOffset + m_matchLength > row.Line) {
            int from = 0;
            int count = 0;
            if (m_hex) { // the bytes' two digits each
                const int first = int(std::max(m_matchOffset, row.Line) - row.Line);
                const int last = int(std::min(m_matchOffset + m_matchLength, row.End) - row.Line);
                from = 13 + first * 3 + (first >= 8 ? 1 : 0) + 1;
                count = (last - first) * 3 - 1 + (first < 8 && last > 8 ? 1 : 0);
            } else if (m_matchOffset >= row.Line) {
                const int bom = row.Line == 0 ? m_text.BomSize() : 0;
                from = int(viewers::DecodeAs(
                               m_text.Bytes(row.Line + bom, m_matchOffset - row.Line - bom),
                               m_text.Encoding())
                               .size()) -
                       row.From;
                count = int(
                    viewers::DecodeAs(m_text.Bytes(m_matchOffset, m_matchLength), m_text.Encoding())
                        .size());
            }
            // Measured on the row's own text: a glyph's advance is not a whole pixel.
            from = std::clamp<int>(from, 0, row.Text.size());
            const int x = fm.horizontalAdvance(row.Text.left(from)) -
                          fm.horizontalAdvance(row.Text.left(left));
            painter.fillRect(x, y, fm.horizontalAdvance(row.Text.mid(from, count)), height,
                             QColor(255, 200, 0));
        }
        painter.drawText(-fm.horizontalAdvance(row.Text.left(left)), y + fm.ascent(), row.Text);
    }
    if (widest > m_widest) {
        m_widest = widest;
        QTimer::singleShot(0, this, [this] { SyncScrollBars(); });
    }
}

void TTextPage::SyncScrollBars()
{
    m_syncing = true;
    const qint64 size = m_text.Size();
    verticalScrollBar()->setRange(0, size > 0 ? ScrollSteps : 0);
    verticalScrollBar()->setPageStep(ScrollSteps / 20);
    verticalScrollBar()->setValue(size > 0 ? int(double(m_top) * ScrollSteps / size) : 0);
    const int extra = m_hex || m_wrap ? 0 : std::max(0, m_widest - Columns() + 1);
    horizontalScrollBar()->setRange(0, extra);
    horizontalScrollBar()->setPageStep(Columns());
    horizontalScrollBar()->setValue(m_left);
    m_syncing = false;
}

void TTextPage::ScrollBarMoved(int value)
{
    if (m_syncing)
        return;
    if (value >= verticalScrollBar()->maximum()) {
        ToEnd();
        return;
    }
    SetTop(qint64(double(value) / ScrollSteps * m_text.Size()));
}

void TTextPage::scrollContentsBy(int, int)
{
    if (m_syncing)
        return;
    m_left = horizontalScrollBar()->value();
    viewport()->update();
}

void TTextPage::Changed()
{
    SyncScrollBars();
    viewport()->update();
    emit Moved();
}

void TTextPage::SetTop(qint64 offset)
{
    offset = std::clamp<qint64>(offset, 0, m_text.Size());
    m_top = m_hex ? offset / HexRow * HexRow : m_text.LineStart(offset);
    if (m_hex && m_top >= m_text.Size() && m_top > 0)
        m_top -= HexRow;
    if (!m_hex && m_top >= m_text.Size() && m_top > 0)
        m_top = m_text.PreviousLine(m_top);
    Changed();
}

void TTextPage::ShowOffset(qint64 offset)
{
    if (offset >= m_top && offset < VisibleEnd())
        return;
    SetTop(offset);
    ScrollLines(-std::min(2, RowsShown() / 3)); // a little of what comes before
}

void TTextPage::SetMatch(qint64 offset, qint64 length)
{
    m_matchOffset = offset;
    m_matchLength = length;
    if (offset >= 0)
        ShowOffset(offset);
    viewport()->update();
}

void TTextPage::SetHex(bool hex)
{
    m_hex = hex;
    m_anchor = -1;
    SetTop(m_top);
}

void TTextPage::SetWrap(bool wrap)
{
    m_wrap = wrap;
    m_left = 0;
    Changed();
}

void TTextPage::Reload()
{
    m_widest = 0;
    m_anchor = -1;
    m_cursor = std::min(m_cursor, m_text.Size());
    SetTop(m_top); // a line start again: the encoding may have other line ends
}

void TTextPage::ScrollLines(int lines)
{
    const qint64 size = m_text.Size();
    for (; lines > 0; --lines) {
        const qint64 next = m_hex ? m_top + HexRow : m_text.NextLine(m_top);
        if (next >= size || VisibleEnd() >= size)
            break;
        m_top = next;
    }
    for (; lines < 0 && m_top > 0; ++lines)
        m_top = m_hex ? m_top - HexRow : m_text.PreviousLine(m_top);
    Changed();
}

void TTextPage::ToEnd()
{
    const qint64 size = m_text.Size();
    if (m_hex) {
        m_top = std::max<qint64>(0, ((size + HexRow - 1) / HexRow - RowsShown()) * HexRow);
    } else {
        m_top = size;
        for (int i = 0; i < RowsShown() && m_top > 0; ++i)
            m_top = m_text.PreviousLine(m_top);
    }
    Changed();
}

void TTextPage::MoveCursor(int lines, bool select)
{
    if (!select) {
        m_anchor = -1;
        ScrollLines(lines);
        m_cursor = m_top;
        return;
    }
    if (m_anchor < 0)
        m_anchor = m_cursor;
    for (; lines > 0; --lines) {
        const qint64 next = m_text.NextLine(m_cursor);
        if (next >= m_text.Size())
            break;
        m_cursor = next;
    }
    for (; lines < 0; ++lines)
        m_cursor = m_text.PreviousLine(m_cursor);
    if (m_cursor < m_top)
        SetTop(m_cursor);
    while (m_cursor >= VisibleEnd() && VisibleEnd() < m_text.Size())
        ScrollLines(1);
    Changed();
}

QString TTextPage::SelectedText()
{
    if (m_anchor < 0)
        return {};
    const qint64 last = std::max(m_anchor, m_cursor);
    QStringList lines;
    qint64 copied = 0;
    for (qint64 line = std::min(m_anchor, m_cursor); line <= last && copied < MostCopied;) {
        const qint64 end = m_text.NextLine(line);
        lines << m_text.LineText(line, end);
        copied += end - line;
        if (end <= line || end >= m_text.Size())
            break;
        line = end;
    }
    return lines.join(u'\n');
}

qint64 TTextPage::LineAt(QPoint at)
{
    const std::vector<TRow> rows = Layout();
    if (rows.empty())
        return 0;
    const int index = std::clamp(at.y() / fontMetrics().lineSpacing(), 0, int(rows.size()) - 1);
    return rows[index].Line;
}

void TTextPage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_hex)
        return;
    m_cursor = LineAt(event->position().toPoint());
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchor < 0)
        m_anchor = m_cursor;
    viewport()->update();
}

void TTextPage::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_hex || m_anchor < 0)
        return;
    m_cursor = LineAt(event->position().toPoint());
    viewport()->update();
}

void TTextPage::wheelEvent(QWheelEvent* event)
{
    ScrollLines(-event->angleDelta().y() / 40);
}

void TTextPage::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    SyncScrollBars();
}

void TTextPage::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Down:
        MoveCursor(1, shift);
        return;
    case Qt::Key_Up:
        MoveCursor(-1, shift);
        return;
    case Qt::Key_PageDown:
        MoveCursor(std::max(1, RowsShown() - 1), shift);
        return;
    case Qt::Key_PageUp:
        MoveCursor(-std::max(1, RowsShown() - 1), shift);
        return;
    case Qt::Key_Home:
        if (ctrl || m_wrap || m_hex)
            SetTop(0);
        m_left = 0;
        Changed();
        return;
    case Qt::Key_End:
        if (ctrl || m_wrap || m_hex)
            ToEnd();
        else
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        return;
    case Qt::Key_Left:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - 1);
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + 1);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

TfTextView::TfTextView(QWidget* owner) : QMainWindow(owner, Qt::Window)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Page = new TTextPage(m_text, central);
    layout->addWidget(Page);
    BuildFindBar();
    layout->addWidget(FindBar);
    setCentralWidget(central);
    Status = new QLabel(this);
    statusBar()->addWidget(Status, 1);
    m_progress = new QTimer(this);
    m_progress->setInterval(100);
    connect(m_progress, &QTimer::timeout, this, &TfTextView::SearchProgress);
    connect(&m_search, &QFutureWatcher<viewers::TSearchResult>::finished, this,
            &TfTextView::SearchDone);
    connect(Page, &TTextPage::Moved, this, &TfTextView::UpdateStatus);
    BuildMenu();
    resize(900, 600);
}

TfTextView::~TfTextView()
{
    m_cancel = true;
    m_search.waitForFinished();
}

void TfTextView::BuildFindBar()
{
    FindBar = new QWidget(this);
    auto* row = new QHBoxLayout(FindBar);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(new QLabel(QStringLiteral("Find:"), FindBar));
    FindEdit = new QLineEdit(FindBar);
    row->addWidget(FindEdit, 1);
    MatchCase = new QCheckBox(QStringLiteral("Match &case"), FindBar);
    row->addWidget(MatchCase);
    FindStatus = new QLabel(FindBar);
    row->addWidget(FindStatus, 1);
    FindBar->hide();
    connect(FindEdit, &QLineEdit::returnPressed, this, [this] { Find(false); });
}

void TfTextView::BuildMenu()
{
    auto add = [this](QMenu* menu, const QString& text, const QList<QKeySequence>& keys,
                      auto slot) {
        QAction* action = menu->addAction(text);
        action->setShortcuts(keys);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    MenuReload = add(file, QStringLiteral("&Read again"), {QKeySequence(Qt::Key_F5)}, [this] {
        m_text.Refresh();
        Page->Reload();
    });
    add(file, QStringLiteral("&Close"), {QKeySequence(Qt::Key_Escape)}, &TfTextView::Escape);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    add(edit, QStringLiteral("&Copy"), {QKeySequence::Copy}, [this] {
        const QString text = Page->SelectedText();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
    add(edit, QStringLiteral("&Find..."), {QKeySequence(QStringLiteral("Ctrl+F"))},
        &TfTextView::ShowFind);
    add(edit, QStringLiteral("Find &next"), {QKeySequence(Qt::Key_F3)}, [this] { Find(false); });
    add(edit, QStringLiteral("Find &previous"), {QKeySequence(QStringLiteral("Shift+F3"))},
        [this] { Find(true); });

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    MenuHex = add(view, QStringLiteral("&Hex"), {QKeySequence(Qt::Key_H)},
                  [this] { Page->SetHex(MenuHex->isChecked()); });
    MenuHex->setCheckable(true);
    MenuWrap = add(view, QStringLiteral("&Wrap lines"), {QKeySequence(Qt::Key_W)},
                   [this] { Page->SetWrap(MenuWrap->isChecked()); });
    MenuWrap->setCheckable(true);

    QMenu* encodings = menuBar()->addMenu(QStringLiteral("E&ncoding"));
    EncodingGroup = new QActionGroup(this);
    for (const viewers::TEncoding& e : viewers::Encodings()) {
        QAction* action = encodings->addAction(QString::fromLatin1(e.Name));
        action->setCheckable(true);
        action->setData(QString::fromLatin1(e.Name));
        EncodingGroup->addAction(action);
    }
    connect(EncodingGroup, &QActionGroup::triggered, this, &TfTextView::ChooseEncoding);
}

TfTextView* TfTextView::Open(QWidget* owner, const QString& fileName)
{
    auto* view = new TfTextView(owner);
    QString why;
    if (!view->Load(fileName, &why)) {
        delete view;
        platform::ShowMessage(QStringLiteral("Cannot read the file %1: %2").arg(fileName, why));
        return nullptr;
    }
    windowfit::Centre(view);
    view->show();
    view->Page->setFocus();
    return view;
}

bool TfTextView::Load(const QString& fileName, QString* why)
{
    if (!m_text.Open(fileName, why))
        return false;
    const QByteArray head = m_text.Bytes(0, TPagedText::BlockSize);
    if (!m_text.Error().isEmpty()) {
        *why = m_text.Error();
        return false;
    }
    const viewers::TEncodingGuess guess =
        viewers::GuessEncoding(head, m_text.Size() <= TPagedText::BlockSize);
    m_text.SetEncoding(*guess.Encoding, guess.BomSize);
    for (QAction* action : EncodingGroup->actions())
        action->setChecked(action->data().toString() == QLatin1String(guess.Encoding->Name));
    const bool utf16 = QByteArrayView(guess.Encoding->Codec).startsWith("UTF-16");
    const bool binary = head.contains('\0') && !utf16;
    setWindowTitle(QFileInfo(fileName).fileName());
    MenuHex->setChecked(binary);
    Page->SetHex(binary);
    return true;
}

void TfTextView::ChooseEncoding(QAction* action)
{
    const viewers::TEncoding* e = viewers::FindEncoding(action->data().toString());
    const QByteArray head = m_text.Bytes(0, 4);
    const viewers::TEncodingGuess bom = viewers::GuessEncoding(head, true);
    // A byte-order mark is skipped only when it is the chosen encoding's own.
    m_text.SetEncoding(*e, bom.Encoding == e ? bom.BomSize : 0);
    Page->SetMatch(-1, 0);
    Page->Reload();
}

void TfTextView::UpdateStatus()
{
    const qint64 size = m_text.Size();
    const qint64 top = Page->Top();
    const qint64 end = Page->VisibleEnd();
    const int percent = size > 0 ? int(end * 100 / size) : 100;
    Status->setText(QStringLiteral("%1 — %2 bytes — %3 — offset %4 (%5%)%6")
                        .arg(QFileInfo(m_text.Path()).fileName(), QLocale().toString(size),
                             QString::fromLatin1(m_text.Encoding().Name), QLocale().toString(top))
                        .arg(percent)
                        .arg(Page->Hex() ? QStringLiteral(" — hex") : QString()));
}

QString TfTextView::StatusText() const
{
    return Status->text();
}

void TfTextView::ShowFind()
{
    FindBar->show();
    FindEdit->setFocus();
    FindEdit->selectAll();
}

bool TfTextView::Searching() const
{
    return m_search.isRunning();
}

void TfTextView::Find(bool backward)
{
    if (Searching())
        return;
    if (FindEdit->text().isEmpty()) {
        ShowFind();
        return;
    }
    viewers::TSearchRequest request;
    request.Path = m_text.Path();
    request.Encoding = &m_text.Encoding();
    request.BomSize = m_text.BomSize();
    request.Needle = FindEdit->text();
    request.MatchCase = MatchCase->isChecked();
    request.Backward = backward;
    const qint64 match = Page->MatchOffset();
    request.From = match >= 0 ? match + (backward ? 0 : 1) : Page->Top();
    m_cancel = false;
    m_scanned = 0;
    m_searchTotal = std::max<qint64>(1, m_text.Size());
    FindStatus->setText(QStringLiteral("Searching..."));
    m_search.setFuture(QtConcurrent::run(
        [this, request] { return viewers::SearchText(request, m_cancel, m_scanned); }));
    m_progress->start();
}

void TfTextView::SearchProgress()
{
    const int percent = int(std::min<qint64>(100, m_scanned * 100 / m_searchTotal));
    FindStatus->setText(QStringLiteral("Searching... %1% (Escape stops)").arg(percent));
}

void TfTextView::SearchDone()
{
    m_progress->stop();
    const viewers::TSearchResult r = m_search.result();
    const QString needle = FindEdit->text();
    if (!r.Error.isEmpty())
        FindStatus->setText(QStringLiteral("Cannot search: %1").arg(r.Error));
    else if (r.Cancelled)
        FindStatus->setText(QStringLiteral("Search stopped"));
    else if (r.Offset < 0)
        FindStatus->setText(QStringLiteral("Not found: %1").arg(needle));
    else
        FindStatus->setText(
            QStringLiteral("Found at offset %1%2")
                .arg(QLocale().toString(r.Offset),
                     r.Wrapped ? QStringLiteral(" (went round the end)") : QString()));
    if (r.Offset >= 0)
        Page->SetMatch(r.Offset, r.Length);
}

void TfTextView::Escape()
{
    if (Searching()) {
        m_cancel = true;
        return;
    }
    if (FindBar->isVisible() && FindBar->isAncestorOf(QApplication::focusWidget())) {
        FindBar->hide();
        Page->setFocus();
        return;
    }
    close();
}
