#pragma once

#include <QString>

namespace quill {

class MemTable;

// The folder beside the data files that holds their daily backups.
QString BackupsFolder();

// Makes each close of `table` keep the file it replaces as the day's backup in the
// backups folder (the first close of a day only), keeping the newest fourteen.
void KeepDailyBackupsOf(MemTable& table);

// What to tell the user at start when the data folder cannot be written: entries written
// in this run could not be saved. Empty when it can be.
QString DataFolderWritabilityNotice();

} // namespace quill
