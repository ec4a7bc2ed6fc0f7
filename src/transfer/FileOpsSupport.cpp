#include "transfer/FileOpsSupport.h"
#include "platform/FileNames.h"

#include "platform/FileOpsProgress.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "platform/base/NoReplaceRename.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform
{

TFileOpsReport::TFileOpsReport(const TShellFailureHandler& handler, QString pattern, QString suffix)
    : m_handler(handler), m_pattern(std::move(pattern)), m_suffix(std::move(suffix))
{
}

void TFileOpsReport::Failed(const QString& path, int error)
{
    Failed(path, ErrorText(error));
}

void TFileOpsReport::Failed(const QString& path, const QString& reason)
{
    ++m_count;
    const QString text = m_pattern.arg(path, reason) + m_suffix;
    if (m_handler)
        m_handler(text);
    else
        ShowMessage(text);
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to)
{
    return trvxbase::RenameNoReplace(fromDir, from, toDir, to);
}

QString ChildPath(const QString& parent, const QByteArray& name)
{
    return parent + QLatin1Char('/') + platform::DecodeFileName(name);
}

QString CancelledText(const QString& verb, const TFileOpsProgress& progress, int done)
{
    if (!progress.Cancelled())
        return {};
    const int total = progress.TotalItems();
    return verb + QLatin1Char(' ') + FormatNumber(done >= 0 ? done : progress.Items()) +
           (total >= 0 ? QStringLiteral(" of ") + FormatNumber(total) : QString()) +
           QStringLiteral(" items; cancelled");
}

} // namespace platform
