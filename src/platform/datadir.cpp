#include "platform/datadir.h"

#include <QCoreApplication>
#include <QDir>

namespace quill {

namespace {
QString g_override;
}

QString DataDirectory()
{
    const QString dir = g_override.isEmpty() ? QCoreApplication::applicationDirPath() : g_override;
    return QDir::toNativeSeparators(QDir::cleanPath(dir)) + QDir::separator();
}

namespace testing {
void SetDataDirectory(const QString& directory)
{
    g_override = directory;
}
} // namespace testing

} // namespace quill
