#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace quill {

class MemTable;

// Opens a data file's table with `open`. When the file cannot be read, says so, naming the
// file, and offers its backups, newest first: a chosen backup takes the file's place, the
// file itself being kept beside it under another name, never overwritten. Returns false
// when the user chose to quit instead (the table is then closed).
bool OpenOrRestoreBackup(MemTable& table, const std::function<void()>& open, QWidget* parent);

// The folder beside the data files that holds their daily backups.
QString BackupsFolder();

// Makes each close of `table` keep the file it replaces as the day's backup in the
// backups folder (the first close of a day only), keeping the newest fourteen.
void KeepDailyBackupsOf(MemTable& table);

// What to tell the user at start when the data folder cannot be written: entries written
// in this run could not be saved. Empty when it can be.
QString DataFolderWritabilityNotice();

} // namespace quill
