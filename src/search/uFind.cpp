#include "search/uFind.h"

#include "listing/FileListing.h"
#include "modules/SupportModules.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "search/FindResultsModel.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>

namespace
{

constexpr int kTickMs = 100;
// A stopped search whose worker has not returned by then is left to end on its own: a
// worker stuck in the file system must not keep the window searching.
constexpr int kStopWaitMs = 500;
constexpr qint64 kMiB = 1024 * 1024;

QString LimitText(qint64 bytes)
{
    if (bytes % kMiB == 0)
        return QStringLiteral("%1 MiB").arg(platform::FormatNumber(bytes / kMiB));
    return QStringLiteral("%1 bytes").arg(platform::FormatNumber(bytes));
}

} // namespace

TfFind::TfFind(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Find files"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(CreateFields());
    m_model = new TFindResultsModel(this);
    Results = new QTreeView(this);
    Results->setObjectName(QStringLiteral("Results"));
    Results->setModel(m_model);
    Results->setRootIsDecorated(false);
    Results->setUniformRowHeights(true);
    Results->setSelectionMode(QAbstractItemView::SingleSelection);
    Results->setAllColumnsShowFocus(true);
    Results->header()->setStretchLastSection(false);
    Results->header()->setSectionResizeMode(TFindResultsModel::fcFolder, QHeaderView::Stretch);
    layout->addWidget(Results, 1);
    Status = new QLabel(this);
    Status->setWordWrap(true); // a long summary wraps instead of widening the window
    layout->addWidget(Status);
    Unreadable = new QPlainTextEdit(this);
    Unreadable->setReadOnly(true);
    Unreadable->setMaximumHeight(80);
    Unreadable->hide();
    layout->addWidget(Unreadable);
    layout->addLayout(CreateButtons());
    connect(Results, &QAbstractItemView::doubleClicked, this, [this] { GoToCurrent(); });
    auto* view = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(view, &QShortcut::activated, this, [this] { ViewCurrent(); });
    connect(&m_tick, &QTimer::timeout, this, [this] { Tick(); });
    resize(720, 520);
}

TfFind::~TfFind() = default; // the search's destructor cancels and abandons its worker

QLabel* TfFind::BuddyLabel(const QString& text, QWidget* field)
{
    // A row of several widgets gets no buddy from the form: without one the label would
    // show its "&" instead of underlining the key that moves to the field.
    auto* label = new QLabel(text, this);
    label->setBuddy(field);
    return label;
}

QLayout* TfFind::CreateFields()
{
    auto* form = new QFormLayout;
    EditMask = new QLineEdit(QStringLiteral("*"), this);
    EditMask->setToolTip(
        QStringLiteral("One or more masks separated by \";\", such as *.log;*.txt"));
    form->addRow(QStringLiteral("&Search for:"), EditMask);
    auto* in = new QHBoxLayout;
    EditFolder = new QLineEdit(this);
    ButtonBrowse = new QToolButton(this);
    ButtonBrowse->setText(QStringLiteral("…"));
    ButtonBrowse->setToolTip(QStringLiteral("Choose the folder"));
    connect(ButtonBrowse, &QToolButton::clicked, this, [this] { BrowseFolder(); });
    in->addWidget(EditFolder, 1);
    in->addWidget(ButtonBrowse);
    form->addRow(BuddyLabel(QStringLiteral("&In:"), EditFolder), in);
    auto* options = new QHBoxLayout;
    CheckSubfolders = new QCheckBox(QStringLiteral("Sub&folders"), this);
    CheckSubfolders->setChecked(true);
    CheckFollowLinks = new QCheckBox(QStringLiteral("Follow &links"), this);
    CheckInsideArchives = new QCheckBox(QStringLiteral("Inside &archives"), this);
    options->addWidget(CheckSubfolders);
    options->addWidget(CheckFollowLinks);
    options->addWidget(CheckInsideArchives);
    options->addStretch(1);
    form->addRow(QString(), options);
    auto* text = new QHBoxLayout;
    EditText = new QLineEdit(this);
    CheckMatchCase = new QCheckBox(QStringLiteral("&Match case"), this);
    text->addWidget(EditText, 1);
    text->addWidget(CheckMatchCase);
    form->addRow(BuddyLabel(QStringLiteral("&Containing text:"), EditText), text);
    auto* limits = new QHBoxLayout;
    SpinSizeLimit = new QSpinBox(this);
    SpinSizeLimit->setRange(0, 1024 * 1024);
    SpinSizeLimit->setValue(100);
    SpinSizeLimit->setSuffix(QStringLiteral(" MB"));
    SpinSizeLimit->setSpecialValueText(QStringLiteral("no limit"));
    CheckSkipBinary = new QCheckBox(QStringLiteral("Skip &binary files"), this);
    limits->addWidget(new QLabel(QStringLiteral("Skip files over"), this));
    limits->addWidget(SpinSizeLimit);
    limits->addSpacing(12);
    limits->addWidget(CheckSkipBinary);
    limits->addStretch(1);
    form->addRow(QString(), limits);
    // Return in any field starts the search.
    for (QLineEdit* edit : {EditMask, EditFolder, EditText})
        connect(edit, &QLineEdit::returnPressed, this, [this] { StartSearch(); });
    return form;
}

QLayout* TfFind::CreateButtons()
{
    auto* row = new QHBoxLayout;
    ButtonStart = new QPushButton(QStringLiteral("S&tart"), this);
    ButtonStop = new QPushButton(QStringLiteral("St&op"), this);
    ButtonStop->setEnabled(false);
    ButtonGoTo = new QPushButton(QStringLiteral("&Go to file"), this);
    ButtonView = new QPushButton(QStringLiteral("&View (F3)"), this);
    ButtonFeed = new QPushButton(QStringLiteral("Feed to &panel"), this);
    for (QPushButton* button : {ButtonStart, ButtonStop, ButtonGoTo, ButtonView, ButtonFeed}) {
        button->setAutoDefault(false); // Return belongs to the fields and the list
        row->addWidget(button);
    }
    row->insertStretch(2, 1);
    connect(ButtonStart, &QPushButton::clicked, this, [this] { StartSearch(); });
    connect(ButtonStop, &QPushButton::clicked, this, [this] { StopSearch(); });
    connect(ButtonGoTo, &QPushButton::clicked, this, [this] { GoToCurrent(); });
    connect(ButtonView, &QPushButton::clicked, this, [this] { ViewCurrent(); });
    connect(ButtonFeed, &QPushButton::clicked, this, [this] {
        if (OnFeed && !m_model->Hits().empty())
            OnFeed(m_searched, m_model->Hits());
    });
    return row;
}

void TfFind::Prepare(const QString& folder)
{
    if (!Searching() && (folder.startsWith('/') || IsRemoteSearchFolder(folder)))
        EditFolder->setText(folder);
    EditMask->setFocus();
    EditMask->selectAll();
}

TSearchOptions TfFind::Options() const
{
    TSearchOptions o;
    o.Folder = EditFolder->text().trimmed();
    o.Masks = EditMask->text();
    o.Subfolders = CheckSubfolders->isChecked();
    o.FollowLinks = CheckFollowLinks->isChecked();
    o.Text = EditText->text();
    o.MatchCase = CheckMatchCase->isChecked();
    o.InsideArchives = CheckInsideArchives->isChecked();
    o.SizeLimit = qint64(SpinSizeLimit->value()) * kMiB;
    o.SkipBinary = CheckSkipBinary->isChecked();
    return o;
}

void TfFind::StartSearch()
{
    TSearchOptions options = Options();
    if (options.Folder.startsWith(QLatin1String("~/")) || options.Folder == QLatin1String("~"))
        options.Folder = QDir::homePath() + options.Folder.mid(1);
    const bool remote = IsRemoteSearchFolder(options.Folder);
    if (remote) {
        // A remote folder is not looked at here: the window never waits for the network,
        // and one that cannot be read is said at the end.
        QString failure;
        options.Remote = RemotePlacesOf(failure);
        if (!options.Remote) {
            Status->setText(failure);
            return;
        }
    } else if (!options.Folder.startsWith('/') || !platform::DirectoryExists(options.Folder)) {
        Status->setText(QStringLiteral("No such folder: ") + options.Folder);
        return;
    }
    m_search.reset(); // one under way is cut short here and left to end on its own
    m_model->Clear();
    Unreadable->clear();
    Unreadable->hide();
    m_searched = remote ? (options.Folder.endsWith('/') ? options.Folder : options.Folder + '/')
                        : AddSeparator(QDir::cleanPath(options.Folder));
    m_search = std::make_unique<TFileSearch>(std::move(options));
    m_stopped.invalidate();
    ButtonStop->setEnabled(true);
    ShowStatus();
    m_tick.start(kTickMs);
}

void TfFind::StopSearch()
{
    if (!m_search || m_search->Progress().Cancelled())
        return;
    m_search->Progress().Cancel(); // the worker stops at its next name; Tick finishes
    m_stopped.start();
}

void TfFind::Tick()
{
    if (!m_search)
        return;
    TSearchProgress& progress = m_search->Progress();
    const bool finished = progress.Finished(); // read first: no hit comes after it
    const bool first = m_model->Hits().empty();
    m_model->Append(progress.TakeHits());
    if (first && !m_model->Hits().empty())
        Results->setCurrentIndex(m_model->index(0, 0));
    if (finished || (m_stopped.isValid() && m_stopped.elapsed() >= kStopWaitMs))
        Finish();
    else
        ShowStatus();
}

void TfFind::Finish()
{
    m_tick.stop();
    const bool cancelled = m_search->Progress().Cancelled();
    const QStringList unreadable = m_search->Progress().Unreadable();
    const QStringList notes = m_search->Progress().Notes();
    const int skipped = m_search->Progress().SkippedMembers();
    const qint64 memberLimit = m_search->Options().MemberReadLimit();
    const int entries = m_search->Progress().Entries();
    m_search.reset(); // a worker that has not returned yet is abandoned
    m_stopped.invalidate();
    ButtonStop->setEnabled(false);
    QString text = QStringLiteral("%1 found in %2 entries")
                       .arg(platform::FormatNumber(qint64(m_model->Hits().size())),
                            platform::FormatNumber(entries));
    if (cancelled)
        text += QStringLiteral("; stopped");
    if (skipped > 0)
        text += QStringLiteral("; %1 archive member(s) over %2 not searched for the text")
                    .arg(platform::FormatNumber(skipped), LimitText(memberLimit));
    if (!unreadable.isEmpty())
        text += QStringLiteral("; %1 folder(s) could not be read").arg(unreadable.size());
    if (!notes.isEmpty())
        text += QStringLiteral("; %1 file(s), archive(s) or member(s) could not be searched")
                    .arg(notes.size());
    if (!unreadable.isEmpty() || !notes.isEmpty()) {
        text += ':';
        Unreadable->setPlainText((unreadable + notes).join('\n'));
        Unreadable->show();
    }
    Status->setText(text);
}

void TfFind::ShowStatus()
{
    if (!m_search)
        return;
    const TSearchProgress& progress = m_search->Progress();
    Status->setText(
        QStringLiteral("%1 found · reading %2")
            .arg(platform::FormatNumber(qint64(m_model->Hits().size())), progress.CurrentFolder()));
}

const std::vector<TSearchHit>& TfFind::Hits() const
{
    return m_model->Hits();
}

int TfFind::CurrentRow() const
{
    const QModelIndex index = Results->currentIndex();
    return index.isValid() ? index.row() : -1;
}

void TfFind::GoToCurrent()
{
    const int row = CurrentRow();
    if (row >= 0 && OnGoTo)
        OnGoTo(m_model->Hits()[size_t(row)]);
}

void TfFind::ViewCurrent()
{
    const int row = CurrentRow();
    if (row >= 0 && OnView)
        OnView(m_model->Hits()[size_t(row)]);
}

void TfFind::BrowseFolder()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("In"), EditFolder->text());
    if (!folder.isEmpty())
        EditFolder->setText(AddSeparator(folder));
}

void TfFind::keyPressEvent(QKeyEvent* event)
{
    // Escape ends a search under way and keeps the window; without one it closes it.
    if (event->key() == Qt::Key_Escape && Searching()) {
        StopSearch();
        return;
    }
    // Return in the results list goes to the file; in the fields it starts the search.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && Results->hasFocus()) {
        GoToCurrent();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfFind::closeEvent(QCloseEvent* event)
{
    StopSearch();
    QDialog::closeEvent(event);
}
