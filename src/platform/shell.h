#pragma once

#include <QString>
#include <QStringList>

namespace quill {

// Hands a web address, "file:" link or path to the desktop's "open" action (the default
// browser, or the program that opens such files). Returns false when nothing could open it.
bool ShellOpen(const QString& target);

namespace testing {
// Records what would be opened instead of opening it; pass nullptr to open for real again.
void SetShellOpenRecorder(QStringList* opened);
}

} // namespace quill
