#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace quill {

namespace {
QStringList* g_recorder = nullptr;
}

bool ShellOpen(const QString& target)
{
    if (g_recorder) {
        g_recorder->append(target);
        return true;
    }
    // A plain path opens as a local file; anything with a scheme (or "www.") as an address.
    const QUrl url = QFileInfo(target).isAbsolute() ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    return url.isValid() && QDesktopServices::openUrl(url);
}

namespace testing {
void SetShellOpenRecorder(QStringList* opened)
{
    g_recorder = opened;
}
} // namespace testing

} // namespace quill
