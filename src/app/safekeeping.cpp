#include "app/safekeeping.h"

#include "platform/datadir.h"
#include "platform/dialogs.h"
#include "storage/fileio.h"
#include "storage/memtable.h"
#include "storage/recovery.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

namespace quill {

QString BackupsFolder()
{
    return DataDirectory() + QStringLiteral("Backups");
}

void KeepDailyBackupsOf(MemTable& table)
{
    table.SetBeforeReplace([](const std::string& oldFile) {
        const DailyBackups backups(BackupsFolder().toStdString());
        const std::string failure = backups.Keep(oldFile, QDate::currentDate().toString(Qt::ISODate).toStdString());
        // A backup that cannot be made must not keep the journal from being saved.
        if (!failure.empty())
            qWarning("%s", failure.c_str());
    });
}

namespace {

QString Native(const std::string& path)
{
    return QDir::toNativeSeparators(QString::fromStdString(path));
}

// Why `file` cannot be read, in words, when its kind says more than the table's failure.
QString UnreadableKind(const std::string& file)
{
    const QFileInfo info(QString::fromStdString(file));
    if (info.isSymLink() && !info.exists())
        return QStringLiteral("it is a link to %1, which is not there")
            .arg(QDir::toNativeSeparators(info.symLinkTarget()));
    if (info.isDir())
        return QStringLiteral("it is a folder");
    if (info.isFile() && info.size() == 0)
        return QStringLiteral("it is empty");
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a file");
    if (info.isFile() && !info.isReadable())
        return QStringLiteral("permission denied");
    return {};
}

} // namespace

bool OpenOrRestoreBackup(MemTable& table, const std::function<void()>& open, QWidget* parent)
{
    const DailyBackups backups(BackupsFolder().toStdString());
    std::vector<std::string> untried;
    int tried = 0;
    for (;;) {
        try {
            open();
            return true;
        } catch (const std::exception& e) {
            table.Close();
            const std::string file = table.FileName();
            if (tried == 0)
                untried = backups.List(file); // oldest first: the newest is taken from the back
            QString reason = UnreadableKind(file);
            if (reason.isEmpty())
                reason = QString::fromUtf8(e.what());
            QString text = QStringLiteral("%1 cannot be read: %2").arg(Native(file), reason);
            if (!text.endsWith(u'.'))
                text += u'.';
            text += QStringLiteral("\n\nThe file is left as it is.");
            if (untried.empty()) {
                text += (tried == 0 ? QStringLiteral(" There is no backup of it in %1") : QStringLiteral(" There is no older backup of it in %1"))
                            .arg(Native(backups.Folder()));
                text += QStringLiteral(", so Quillmere closes without changing anything. Restore the file, or "
                                       "move it away to start anew.");
                AskAboutError(parent, text, {QStringLiteral("Quit")});
                return false;
            }
            const std::string newest = backups.Folder() + "/" + untried.back();
            untried.pop_back();
            text += QStringLiteral(" Quillmere can open %1 backup instead, %2; the file that cannot be read is "
                                   "then kept beside it under another name.")
                        .arg(tried == 0 ? QStringLiteral("its newest") : QStringLiteral("the next older"), Native(newest));
            if (AskAboutError(parent, text, {QStringLiteral("Open Backup"), QStringLiteral("Quit")}) != 0)
                return false;
            ++tried;
            try {
                const std::string aside = RestoreBackup(newest, file);
                ShowInformation(parent, QStringLiteral("%1 now holds the backup %2. The file that could not be "
                                                       "read is kept as %3.")
                                            .arg(Native(file), Native(newest), Native(aside)));
            } catch (const std::exception& restoreFailure) {
                AskAboutError(parent, QString::fromUtf8(restoreFailure.what()), {QStringLiteral("Quit")});
                return false;
            }
        }
    }
}

QString DataFolderWritabilityNotice()
{
    const QString folder = QDir::toNativeSeparators(QDir::cleanPath(DataDirectory()));
    const std::string reason = FolderWritable(DataDirectory().toStdString());
    if (reason.empty())
        return {};
    return QStringLiteral("Quillmere cannot save to %1: entries written now would be lost when it closes.")
               .arg(folder) +
           QStringLiteral("\n\n%1.").arg(QString::fromLocal8Bit(reason.c_str()));
}

} // namespace quill
