#include "app/safekeeping.h"

#include "platform/datadir.h"
#include "storage/fileio.h"
#include "storage/memtable.h"
#include "storage/recovery.h"

#include <QDate>
#include <QDir>
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
