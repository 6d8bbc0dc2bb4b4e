// Fuzzes the INI reader and key-by-key writer: any file reads without failing, and writing
// a key leaves a file that reads that key back.
#include "platform/inifile.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

const QString& TempPath()
{
    static const QString path = [] {
        char name[] = "/tmp/fuzz-ini-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return QString::fromLocal8Bit(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        QFile f(TempPath());
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    quill::IniFile ini(TempPath());
    (void)ini.ReadString("Font", "Name", "Arial");
    (void)ini.ReadInteger("Font", "Charset", 1);
    (void)ini.ReadInteger("Settings", "Skip", 0);
    ini.WriteString("Font", "Name", "Georgia");
    ini.WriteInteger("Settings", "Skip", 1);
    const quill::IniFile again(TempPath());
    if (again.ReadString("Font", "Name", "") != "Georgia" || again.ReadInteger("Settings", "Skip", 0) != 1)
        std::abort();
    return 0;
}
