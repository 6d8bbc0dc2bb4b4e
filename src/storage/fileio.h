#pragma once

#include "storage/bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

bool FileExists(const std::string& path);
// The size of a file in bytes; 0 when it cannot be looked at.
std::uint64_t FileSize(const std::string& path);

// Reads a whole file. Fails with "Cannot open file %s" when it exists but cannot be read.
// Large files land in memory backed by huge pages where the system offers them, which
// makes reading a journal of many years about as fast as copying it.
Bytes ReadWholeFile(const std::string& path);

// Replaces a file with the concatenation of `pieces`: they go to a new file in the same
// folder, which is flushed to disk and then renamed over the old one, so a failure at any
// point leaves the old file as it was. Fails with "Cannot create file %s".
void ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces);

namespace testing {
// Makes every later file write fail once more than `limit` bytes have been written to it,
// as a full disk would; nullopt lifts the limit.
void SetWriteLimit(std::optional<std::size_t> limit);
// Makes every later file replacement fail at creating its new file, as a folder the
// user may not write to does (also when the tests run with rights that ignore that).
void SetReadOnlyFolders(bool readOnly);
} // namespace testing

} // namespace quill
