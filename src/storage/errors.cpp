#include "storage/errors.h"

#include <cstdio>

namespace quill {

namespace {

const char* StatusMessage(PacketStatus status)
{
    switch (status) {
    case PacketStatus::EndOfData: return "Unexpected end of data";
    case PacketStatus::OutOfMemory: return "Not enough memory";
    case PacketStatus::InvalidArgument: return "Invalid argument";
    case PacketStatus::UnsupportedType: return "Column type not supported";
    case PacketStatus::OutOfOrder: return "Data packet structure out of order";
    case PacketStatus::NoColumnDescriptors: return "Data packet has no column descriptors";
    case PacketStatus::InvalidPacket: return "Invalid data packet";
    }
    return "Data packet error";
}

std::string CodeSuffix(PacketStatus status)
{
    char code[16];
    std::snprintf(code, sizeof code, " (0x%04X)", static_cast<unsigned>(status));
    return code;
}

} // namespace

std::string PacketStatusText(PacketStatus status)
{
    return StatusMessage(status) + CodeSuffix(status);
}

PacketError::PacketError(PacketStatus status)
    : TableError(PacketStatusText(status)), status_(status)
{
}

PacketError::PacketError(PacketStatus status, const std::string& detail)
    : TableError(StatusMessage(status) + (": " + detail) + CodeSuffix(status)), status_(status)
{
}

TableError TableFailure(const std::string& tableName, const std::string& text)
{
    return TableError(tableName + ": " + text);
}

} // namespace quill
