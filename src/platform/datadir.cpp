#include "platform/datadir.h"

#include "storage/fileio.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace quill {

namespace {

QString g_override;
QString g_executableDir;

QString WithSeparator(const QString& dir)
{
    return QDir::toNativeSeparators(QDir::cleanPath(dir)) + QDir::separator();
}

const DataFolderChoice& ChosenFolder()
{
    static const DataFolderChoice chosen = [] {
        const QString executableDir =
            g_executableDir.isEmpty() ? QCoreApplication::applicationDirPath() : g_executableDir;
        DataFolderChoice choice = ChooseDataFolder(executableDir,
                                                   qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
        if (choice.isPrivate) {
            const QString failure = MakePrivateFolder(choice.folder);
            if (!failure.isEmpty())
                qWarning("Cannot create folder %s: %s", qPrintable(choice.folder), qPrintable(failure));
        }
        return choice;
    }();
    return chosen;
}

// The folders programs are installed in: the data never goes there, even for a user who
// may write them (root).
bool IsProgramFolder(const QString& folder)
{
    static const QStringList folders{QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin"), QStringLiteral("/bin"),
                                     QStringLiteral(QUILLMERE_INSTALL_BINDIR)};
    return folders.contains(folder);
}

} // namespace

DataFolderChoice ChooseDataFolder(const QString& executableDir, const QString& xdgDataHome, const QString& home)
{
    const QString portable = QDir::cleanPath(executableDir);
    if (QFileInfo::exists(portable + QStringLiteral("/Journal.cds")) ||
        (!IsProgramFolder(portable) && FolderWritable(portable.toStdString()).empty()))
        return {portable, false};
    // XDG: a relative XDG_DATA_HOME is to be ignored.
    const QString dataHome = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return {QDir::cleanPath(dataHome + QStringLiteral("/quillmere")), true};
}

QString MakePrivateFolder(const QString& folder)
{
    if (QFileInfo(folder).isDir())
        return {};
    const QFileInfo info(folder);
    if (!QDir().mkpath(info.absolutePath()))
        return QStringLiteral("Cannot create %1").arg(info.absolutePath());
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return QString::fromLocal8Bit(std::strerror(errno));
    return {};
}

QString DataDirectory()
{
    return WithSeparator(g_override.isEmpty() ? ChosenFolder().folder : g_override);
}

bool PrivateDataDirectory()
{
    return g_override.isEmpty() && ChosenFolder().isPrivate;
}

namespace testing {
void SetDataDirectory(const QString& directory)
{
    g_override = directory;
}

void SetExecutableDirectory(const QString& directory)
{
    g_executableDir = directory;
}
} // namespace testing

} // namespace quill
