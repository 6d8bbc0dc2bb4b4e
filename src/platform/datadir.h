#pragma once

#include <QString>

namespace quill {

// The folder of the three data files, with a trailing separator. A portable copy keeps them
// beside its executable, as the program always did: when that folder holds a journal, or
// can be written. An installed program (its folder read-only and without a journal, as
// /usr/bin, or a folder programs are installed in) keeps them in $XDG_DATA_HOME/quillmere,
// made on first use for the user alone. Decided once a run.
QString DataDirectory();

// Whether the data folder is the user's private one: files made there are for the user
// alone (the program then creates its files with mode 0600).
bool PrivateDataDirectory();

// The rule itself, for the folder `executableDir`, with the environment's XDG_DATA_HOME and
// HOME: the folder to use, and whether it is the private one. Creates nothing.
struct DataFolderChoice {
    QString folder; // without a trailing separator
    bool isPrivate = false;
};
DataFolderChoice ChooseDataFolder(const QString& executableDir, const QString& xdgDataHome, const QString& home);

// Creates the private folder (and its parents) when it is missing, the folder itself with
// mode 0700. Returns "" or the system's reason.
QString MakePrivateFolder(const QString& folder);

namespace testing {
// Points the data directory somewhere else (a test's temporary folder); empty restores it.
void SetDataDirectory(const QString& directory);
// Makes the rule look at `directory` instead of the executable's folder; before the first
// DataDirectory() of a run only.
void SetExecutableDirectory(const QString& directory);
}

} // namespace quill
