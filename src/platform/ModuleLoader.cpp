#include "platform/ModuleLoader.h"

#include "platform/FileNames.h"

#include <QFileInfo>
#include <dlfcn.h>

namespace platform
{

namespace
{

// The loader says "NAME: cannot open shared object file: ..." for a library it cannot find,
// NAME being the path asked for or the name a library needs.
QString MissingLibrary(const QString& reason)
{
    const qsizetype at = reason.indexOf(QLatin1String(": cannot open shared object file"));
    if (at <= 0)
        return {};
    return QFileInfo(reason.left(at)).fileName();
}

} // namespace

TModuleLoad LoadModuleEntry(const QString& path, const char* entry)
{
    TModuleLoad load;
    if (!QFileInfo::exists(path)) {
        load.Missing = QFileInfo(path).fileName();
        return load;
    }
    const QByteArray file = EncodeFileName(path);
    void* library = ::dlopen(file.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const QString reason = QString::fromLocal8Bit(::dlerror());
        load.Missing = MissingLibrary(reason);
        load.Error = reason;
        return load;
    }
    ::dlerror();
    load.Entry = ::dlsym(library, entry);
    if (!load.Entry) {
        const char* reason = ::dlerror();
        load.Error = reason ? QString::fromLocal8Bit(reason)
                            : QStringLiteral("%1 has no %2")
                                  .arg(QFileInfo(path).fileName(), QLatin1String(entry));
        ::dlclose(library);
    }
    return load;
}

} // namespace platform
