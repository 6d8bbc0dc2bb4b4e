// Fuzzes the recovery log's reader: any file reads without failing or reading past its end,
// and every record it returns is, byte for byte, a record of the file, in file order.
#include "storage/recovery.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string& TempPath()
{
    static const std::string path = [] {
        char name[] = "/tmp/fuzz-recovery-XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (std::FILE* f = std::fopen(TempPath().c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    } else {
        return 0;
    }
    const quill::RecoveryLog::Contents contents = quill::RecoveryLog(TempPath()).Read();
    std::size_t at = 0;
    for (const quill::RecoveryLog::Record& record : contents.records) {
        const std::string encoded = quill::RecoveryLog::EncodeRecord(record.date, record.body);
        const std::size_t found = bytes.find(encoded, at);
        if (found == std::string::npos)
            std::abort();
        at = found + encoded.size();
    }
    return 0;
}
