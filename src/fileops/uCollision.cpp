#include "fileops/uCollision.h"

#include "platform/FileNames.h"
#include "platform/Locale.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <chrono>
#include <future>

namespace
{

// Days from 30 December 1899 to 1 January 1970, as FormatDateTime counts.
constexpr double kUnixEpochDays = 25569.0;
constexpr double kMsPerDay = 86400000.0;
// How often a waiting worker looks whether its command was cancelled.
constexpr std::chrono::milliseconds kCancelPoll{50};

QString Describe(const platform::TCollisionSide& side)
{
    const QString size = side.Folder ? QStringLiteral("folder")
                                     : platform::FormatNumber(side.Size) + QStringLiteral(" bytes");
    const QString date = platform::FormatDateTime(
        kUnixEpochDays + double(side.Modified.toMSecsSinceEpoch()) / kMsPerDay);
    return QStringLiteral("%1\n%2, %3").arg(platform::DisplayName(side.Path), size, date);
}

QString BareName(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

TfCollision::TfCollision(const platform::TCollision& collision, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Name taken"));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    const QString folder =
        collision.Existing.Path.left(collision.Existing.Path.lastIndexOf('/') + 1);
    layout->addWidget(new QLabel(QStringLiteral("\"%1\" exists already in %2")
                                     .arg(platform::DisplayName(BareName(collision.Existing.Path)),
                                          platform::DisplayName(folder)),
                                 this));
    auto* form = new QFormLayout;
    LabelExisting = new QLabel(Describe(collision.Existing), this);
    LabelIncoming = new QLabel(Describe(collision.Incoming), this);
    form->addRow(QStringLiteral("Existing:"), LabelExisting);
    form->addRow(QStringLiteral("Incoming:"), LabelIncoming);
    EditName = new QLineEdit(collision.Suggested, this);
    auto* nameLabel = new QLabel(QStringLiteral("New &name:"), this);
    nameLabel->setBuddy(EditName);
    form->addRow(nameLabel, EditName);
    layout->addLayout(form);
    CheckAll = new QCheckBox(QStringLiteral("&Apply to all"), this);
    layout->addWidget(CheckAll);

    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const QString& text, int result) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        buttons->addWidget(b);
        return b;
    };
    ButtonReplace = button(QStringLiteral("&Replace"), mrReplace);
    ButtonNewer = button(QStringLiteral("Replace if ne&wer"), mrReplaceNewer);
    ButtonSkip = button(QStringLiteral("&Skip"), mrSkip);
    ButtonRename = button(QStringLiteral("R&ename"), mrRename);
    ButtonCancel = button(QStringLiteral("Cancel"), mrCancel);
    layout->addLayout(buttons);
    ButtonReplace->setEnabled(collision.CanReplace);
    ButtonNewer->setEnabled(collision.CanReplace);
    // Enter in the name field renames; elsewhere it skips, which changes nothing.
    ButtonSkip->setDefault(true);
    connect(EditName, &QLineEdit::returnPressed, this, [this] { done(mrRename); });
    ButtonSkip->setFocus();
}

void TfCollision::reject()
{
    done(mrCancel);
}

TCollisionReply AskCollision(const platform::TCollision& collision)
{
    TfCollision dialog(collision, QApplication::activeWindow());
    const int result = dialog.exec();
    TCollisionReply reply{result, dialog.EditName->text(), dialog.CheckAll->isChecked()};
    if (result < TfCollision::mrReplace || result > TfCollision::mrCancel)
        reply.Result = TfCollision::mrCancel;
    return reply;
}

std::optional<platform::TCollisionAnswer>
TCollisionAsker::Apply(const TCollisionReply& reply, const platform::TCollision& collision,
                       bool remembered)
{
    using platform::TCollisionChoice;
    const bool newer = collision.Incoming.Modified > collision.Existing.Modified;
    switch (reply.Result) {
    case TfCollision::mrReplace:
        if (!collision.CanReplace)
            break; // never over itself or a folder: asked again
        return platform::TCollisionAnswer{TCollisionChoice::Replace};
    case TfCollision::mrReplaceNewer:
        if (!collision.CanReplace)
            break;
        return platform::TCollisionAnswer{newer ? TCollisionChoice::Replace
                                                : TCollisionChoice::Skip};
    case TfCollision::mrSkip:
        return platform::TCollisionAnswer{TCollisionChoice::Skip};
    case TfCollision::mrRename:
        // For all: each one takes the first free numbered name.
        return platform::TCollisionAnswer{TCollisionChoice::Rename,
                                          remembered ? collision.Suggested : reply.Name};
    default:
        return platform::TCollisionAnswer{TCollisionChoice::Cancel};
    }
    return std::nullopt;
}

platform::TCollisionAsk TCollisionAsker::Handler(platform::TFileOpsProgress& progress)
{
    return [this, &progress](const platform::TCollision& collision) {
        return Ask(collision, progress);
    };
}

platform::TCollisionAnswer TCollisionAsker::Ask(const platform::TCollision& collision,
                                                platform::TFileOpsProgress& progress)
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_all)
            if (const auto answer = Apply(*m_all, collision, true))
                return *answer;
    }
    // Shown from the user-interface thread's event loop; the worker waits, looking at the
    // cancel flag, so that a command cancelled or a program quitting never waits for it.
    struct TShared {
        std::promise<TCollisionReply> Reply;
        std::atomic<bool> Abandoned{false};
    };
    auto shared = std::make_shared<TShared>();
    std::future<TCollisionReply> reply = shared->Reply.get_future();
    QMetaObject::invokeMethod(
        qApp,
        [shared, collision] {
            shared->Reply.set_value(shared->Abandoned.load() ? TCollisionReply{}
                                                             : AskCollision(collision));
        },
        Qt::QueuedConnection);
    while (reply.wait_for(kCancelPoll) != std::future_status::ready) {
        if (progress.Cancelled()) {
            shared->Abandoned.store(true);
            return {platform::TCollisionChoice::Cancel};
        }
    }
    const TCollisionReply got = reply.get();
    if (got.All && got.Result != TfCollision::mrCancel) {
        const std::lock_guard lock(m_mutex);
        m_all = got;
    }
    return Apply(got, collision, false)
        .value_or(platform::TCollisionAnswer{platform::TCollisionChoice::Skip});
}
