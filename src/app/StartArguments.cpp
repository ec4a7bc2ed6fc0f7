#include "app/StartArguments.h"

namespace
{

QString VersionText()
{
    return QStringLiteral("travodex %1\n").arg(QStringLiteral(TRVX_VERSION));
}

TStartArguments Failure(const QString& text)
{
    return {TStartArguments::Error, {},
            QStringLiteral("travodex: %1\nTry 'travodex --help' for more information.\n").arg(text)};
}

} // namespace

QString UsageText()
{
    return QStringLiteral(
        "Usage: travodex [OPTION] [LEFT [RIGHT]]\n"
        "A two-panel file manager.\n"
        "\n"
        "LEFT and RIGHT are where the left and right panels start: a folder, a file (its\n"
        "folder is shown with the cursor on it), an archive (shown opened) or a file:// URI.\n"
        "Relative paths are taken from the current folder. A panel without an argument\n"
        "starts where it was when the program last closed.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n");
}

TStartArguments ParseStartArguments(const QStringList& arguments)
{
    TStartArguments result;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && (argument == QLatin1String("-h") || argument == QLatin1String("--help"))) {
            return {TStartArguments::Help, {}, UsageText()};
        } else if (options &&
                   (argument == QLatin1String("-v") || argument == QLatin1String("--version"))) {
            return {TStartArguments::Version, {}, VersionText()};
        } else if (options && argument.startsWith('-') && argument.size() > 1) {
            return Failure(QStringLiteral("unknown option '%1'").arg(argument));
        } else if (result.Paths.size() == 2) {
            return Failure(QStringLiteral("more than two places given ('%1')").arg(argument));
        } else {
            result.Paths << argument;
        }
    }
    return result;
}
