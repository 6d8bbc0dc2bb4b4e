#pragma once

#include "storage/bytes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

bool FileExists(const std::string& path);
// Whether nothing at all is at `path`: no file, folder or link (a link to nothing is
// something: a journal in a synced folder that is not there today).
bool NothingAt(const std::string& path);
// The size of a file in bytes; 0 when it cannot be looked at.
std::uint64_t FileSize(const std::string& path);

// Reads a whole file. Fails with "Cannot open file %s" when it exists but cannot be read.
// Large files land in memory backed by huge pages where the system offers them, which
// makes reading a journal of many years about as fast as copying it.
Bytes ReadWholeFile(const std::string& path);

// What a replacement does besides writing: checking the new file before it takes the old
// one's place, and a step just before that (keeping a backup of the old file, say).
struct ReplaceSteps {
    // Reads the new file back; returns why it is not what was written, or "" when it is.
    std::function<std::string(const std::string& newFile)> verify;
    // Runs while the old file is still in place, with its path; only when there is one.
    std::function<void(const std::string& oldFile)> beforeReplace;
};

// Replaces a file with the concatenation of `pieces` (the file a symbolic link names, when
// `path` is one, so that the link stays): they go to a new file in the same folder, which is flushed to disk, checked, and then renamed over the old one, so a
// failure at any point leaves the old file as it was. A disk without room for the new file
// (and a margin) is found before anything is written. Fails with "Cannot create file %s"
// and, after a blank line, the reason: the system's, a failed check's or the disk's room.
void ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces,
                 const ReplaceSteps& steps = {});

// The file a replacement of `path` writes: `path`, or the file it names when it is a
// symbolic link.
std::string ReplacementTarget(const std::string& path);

// Whether a file can be created in `folder` now: creates and removes one. Returns "" or the
// system's reason.
std::string FolderWritable(const std::string& folder);

// Removes the new files that replacements of `path` left behind when their processes were
// killed while writing them. For the start of a program that holds the file's lock.
void RemoveUnfinishedReplacements(const std::string& path);

namespace testing {
// Makes every later file write fail once more than `limit` bytes have been written to it,
// as a full disk would; nullopt lifts the limit.
void SetWriteLimit(std::optional<std::size_t> limit);
// Makes every later file replacement fail at creating its new file, as a folder the
// user may not write to does (also when the tests run with rights that ignore that).
void SetReadOnlyFolders(bool readOnly);
// Makes every later file replacement store one byte in the middle of its new file wrong,
// as a failing disk or a faulty driver would; the check before the rename must catch it.
void SetCorruptWrites(bool corrupt);
// Makes the free space of every file system read as `bytes`; nullopt reads the real one.
void SetFreeSpace(std::optional<std::uint64_t> bytes);
} // namespace testing

} // namespace quill
