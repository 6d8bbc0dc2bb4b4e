#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quill {

// A failure of the table engine or the file layer; what() is the exact text shown to the user.
class TableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Status codes of the table packet reader and writer.
enum class PacketStatus : std::uint16_t {
    EndOfData = 0x2202,
    OutOfMemory = 0x2501,
    InvalidArgument = 0x2702,
    UnsupportedType = 0x2710,
    OutOfOrder = 0x2A04,
    NoColumnDescriptors = 0x4003,
    InvalidPacket = 0x4005,
};

// A failure of the packet reader or writer: carries its status code, and its text shows
// the code as 0x and four hex digits.
class PacketError : public TableError {
public:
    explicit PacketError(PacketStatus status);
    PacketError(PacketStatus status, const std::string& detail);
    PacketStatus status() const { return status_; }

private:
    PacketStatus status_;
};

std::string PacketStatusText(PacketStatus status);

// "%s: %s": the table's name in front of a failure that concerns the table.
TableError TableFailure(const std::string& tableName, const std::string& text);

} // namespace quill
