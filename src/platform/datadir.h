#pragma once

#include <QString>

namespace quill {

// The folder of the running executable, with a trailing separator: the program's three data
// files live there and nowhere else.
QString DataDirectory();

namespace testing {
// Points the data directory somewhere else (a test's temporary folder); empty restores it.
void SetDataDirectory(const QString& directory);
}

} // namespace quill
