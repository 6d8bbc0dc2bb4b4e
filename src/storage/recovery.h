#pragma once

// Keeping every stored entry safe between closes: a log beside the journal to which each
// entry is appended as it is stored (and replayed after a run that did not close), a lock
// that keeps a second program away from the same journal, and daily backups of the files
// a close replaces.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quill {

// CRC-32 (the polynomial of zip and PNG) of `bytes`, continuing from `crc`.
std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);

// The recovery log: a file of records, each "QRL1", the date (64-bit float, little-endian),
// the body's length (32 bits), the body, and the CRC-32 of date, length and body. Each
// append is synced to disk before it returns.
class RecoveryLog {
public:
    struct Record {
        double date = 0;
        std::string body;
        friend bool operator==(const Record&, const Record&) = default;
    };
    struct Contents {
        std::vector<Record> records; // the whole, intact records in log order
        int skipped = 0;             // records whose CRC failed
        bool unreadable = false;     // the file is there but holds no log
    };

    explicit RecoveryLog(std::string path) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // Fails with "Cannot create file %s" when the record cannot be written and synced.
    void Append(double date, std::string_view body) const;
    // The bytes one record takes in the file.
    static std::string EncodeRecord(double date, std::string_view body);

    bool Exists() const;
    // The log's size in bytes; 0 when there is none.
    std::uint64_t Size() const;
    // Reads what the log holds; a last record cut short by a crash is left out.
    Contents Read() const;
    // Rewrites the log with only the last record of each day, in the order of their last
    // appending: what a replay gives stays the same. The log is replaced whole, so a crash
    // leaves the old one or the new one. Returns the new size.
    std::uint64_t Compact() const;
    void Remove() const;
    // Moves an unreadable log aside under a name with the day, and returns that name.
    std::string SetAside(const std::string& day) const;

private:
    std::string path_;
};

// An exclusive lock on a journal, held through a lock file beside it for as long as the
// object lives. The system drops it when the process ends, however it ends, so a lock is
// never left behind by a crash.
class JournalLock {
public:
    explicit JournalLock(const std::string& journalPath);
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // Whether this object holds the lock, and whether another process does.
    bool Held() const { return fd_ >= 0; }
    bool HeldByAnother() const { return heldByAnother_; }
    static std::string LockPathOf(const std::string& journalPath) { return journalPath + ".lock"; }
    // Whether another process holds the lock of that journal now.
    static bool HeldElsewhere(const std::string& journalPath);

private:
    int fd_ = -1;
    bool heldByAnother_ = false;
};

// Backups of a file that is about to be replaced, kept in a folder beside it, at most one a
// day: "Journal.cds" is kept as "Backups/Journal-2026-12-11.cds". The backup is a second
// name of the old file (no copy) where the file system allows, a copy elsewhere.
class DailyBackups {
public:
    static constexpr int kKept = 14;

    explicit DailyBackups(std::string folder, int kept = kKept) : folder_(std::move(folder)), kept_(kept) {}
    const std::string& Folder() const { return folder_; }

    // The name the backup of `file` made on `day` ("YYYY-MM-DD") has in the folder.
    static std::string BackupName(const std::string& file, const std::string& day);
    // Keeps `file` as the backup of `day` unless that day has one, then deletes all but the
    // newest kept backups of it. Returns "" or what went wrong; never fails otherwise, as a
    // backup must not stand in the way of saving.
    std::string Keep(const std::string& file, const std::string& day) const;
    // The backups of `file` in the folder, oldest first.
    std::vector<std::string> List(const std::string& file) const;

private:
    std::string folder_;
    int kept_;
};

// Puts the backup at `backup` in the place of `file`, which cannot be read. `file` stays as
// it is under the returned name beside it ("Journal.cds.damaged", "Journal.cds.damaged-2",
// ...), and the backup is copied, so that it stays as it is too. Fails with the reason,
// leaving `file` where it was.
std::string RestoreBackup(const std::string& backup, const std::string& file);

} // namespace quill
