#include "storage/recovery.h"

#include "storage/errors.h"
#include "storage/fileio.h"

#include <algorithm>
#include <array>
#include <set>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

constexpr std::string_view kMagic = "QRL1";
constexpr std::size_t kHeader = 4 + 8 + 4; // magic, date, length
constexpr std::uint32_t kMaxBody = 0x7FFFFFFF;

const std::array<std::uint32_t, 256>& CrcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

void PutLE(std::string& out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t GetLE(std::string_view in, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "Journal" and ".cds" of ".../Journal.cds".
std::pair<std::string, std::string> StemAndExtension(const std::string& path)
{
    const std::string name = NameOf(path);
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0)
        return {name, ""};
    return {name.substr(0, dot), name.substr(dot)};
}

bool IsDay(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

} // namespace

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc)
{
    const auto& table = CrcTable();
    crc = ~crc;
    for (const char ch : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::string RecoveryLog::EncodeRecord(double date, std::string_view body)
{
    if (body.size() > kMaxBody)
        throw TableError("Entry is too large for the recovery log");
    std::string record(kMagic);
    std::uint64_t bits;
    std::memcpy(&bits, &date, sizeof bits);
    PutLE(record, bits, 8);
    PutLE(record, body.size(), 4);
    record.append(body);
    PutLE(record, Crc32(std::string_view(record).substr(kMagic.size())), 4);
    return record;
}

void RecoveryLog::Append(double date, std::string_view body) const
{
    const std::string record = EncodeRecord(date, body);
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    bool ok = fd >= 0 && WriteAll(fd, record) && ::fdatasync(fd) == 0;
    if (fd >= 0)
        ok = ::close(fd) == 0 && ok;
    if (!ok)
        throw TableError("Cannot create file " + path_);
}

bool RecoveryLog::Exists() const
{
    return ::access(path_.c_str(), F_OK) == 0;
}

RecoveryLog::Contents RecoveryLog::Read() const
{
    Contents contents;
    std::FILE* file = std::fopen(path_.c_str(), "rb");
    if (!file) {
        contents.unreadable = Exists();
        return contents;
    }
    std::string bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        contents.unreadable = true;
        return contents;
    }
    const std::string_view in(bytes);
    std::size_t at = 0;
    while (at + kHeader + 4 <= in.size()) {
        if (in.substr(at, kMagic.size()) != kMagic)
            break; // not a record: what follows cannot be trusted
        const std::uint64_t length = GetLE(in, at + 12, 4);
        if (length > kMaxBody || at + kHeader + length + 4 > in.size())
            break; // the last record, cut short
        const std::string_view covered = in.substr(at + kMagic.size(), 12 + length);
        if (Crc32(covered) == GetLE(in, at + kHeader + length, 4)) {
            const std::uint64_t bits = GetLE(in, at + 4, 8);
            Record record;
            std::memcpy(&record.date, &bits, sizeof bits);
            record.body.assign(in.substr(at + kHeader, length));
            contents.records.push_back(std::move(record));
        } else {
            ++contents.skipped;
        }
        at += kHeader + length + 4;
    }
    // A log whose very first bytes are no record was never one; a torn first record was.
    contents.unreadable = in.size() >= kMagic.size() && in.substr(0, kMagic.size()) != kMagic;
    return contents;
}

std::uint64_t RecoveryLog::Size() const
{
    return FileSize(path_);
}

std::uint64_t RecoveryLog::Compact() const
{
    const Contents contents = Read();
    if (contents.unreadable)
        return Size();
    // The last record of each day, kept where its last appending put it.
    std::vector<const Record*> kept;
    std::set<double> days;
    for (auto it = contents.records.rbegin(); it != contents.records.rend(); ++it)
        if (days.insert(it->date).second)
            kept.push_back(&*it);
    std::vector<std::string> records;
    for (auto it = kept.rbegin(); it != kept.rend(); ++it)
        records.push_back(EncodeRecord((*it)->date, (*it)->body));
    std::vector<std::string_view> pieces(records.begin(), records.end());
    ReplaceFile(path_, pieces);
    return Size();
}

void RecoveryLog::Remove() const
{
    ::unlink(path_.c_str());
}

std::string RecoveryLog::SetAside(const std::string& day) const
{
    std::string aside = path_ + "-" + day;
    for (int n = 2; ::access(aside.c_str(), F_OK) == 0; ++n)
        aside = path_ + "-" + day + "-" + std::to_string(n);
    if (::rename(path_.c_str(), aside.c_str()) != 0)
        throw TableError("Cannot create file " + aside);
    return aside;
}

JournalLock::JournalLock(const std::string& journalPath)
{
    const std::string path = LockPathOf(journalPath);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return; // a folder that cannot be written has no lock; nobody else can take one either
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        heldByAnother_ = errno == EWOULDBLOCK;
        ::close(fd);
        return;
    }
    fd_ = fd;
}

JournalLock::~JournalLock()
{
    if (fd_ >= 0)
        ::close(fd_); // drops the lock; the file stays, as an unlocked file means nothing
}

bool JournalLock::HeldElsewhere(const std::string& journalPath)
{
    const int fd = ::open(LockPathOf(journalPath).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!held)
        ::flock(fd, LOCK_UN);
    ::close(fd);
    return held;
}

std::string DailyBackups::BackupName(const std::string& file, const std::string& day)
{
    const auto [stem, extension] = StemAndExtension(file);
    return stem + "-" + day + extension;
}

std::vector<std::string> DailyBackups::List(const std::string& file) const
{
    const auto [stem, extension] = StemAndExtension(file);
    std::vector<std::string> names;
    DIR* folder = ::opendir(folder_.c_str());
    if (!folder)
        return names;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() == stem.size() + 11 + extension.size() && name.starts_with(stem + "-") &&
            name.ends_with(extension) && IsDay(name.substr(stem.size() + 1, 10)))
            names.emplace_back(name);
    }
    ::closedir(folder);
    std::sort(names.begin(), names.end()); // the day in the name sorts them by age
    return names;
}

std::string DailyBackups::Keep(const std::string& file, const std::string& day) const
{
    if (::mkdir(folder_.c_str(), 0777) != 0 && errno != EEXIST)
        return "Cannot create folder " + folder_ + ": " + std::strerror(errno);
    const std::string backup = folder_ + "/" + BackupName(file, day);
    if (::access(backup.c_str(), F_OK) == 0)
        return {}; // the day has its backup: the journal as it was before the day's first close
    if (::link(file.c_str(), backup.c_str()) != 0) {
        // Another file system: a copy, through a new file that is renamed into place whole.
        try {
            ReplaceFile(backup, {ReadWholeFile(file).view()});
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    std::vector<std::string> backups = List(file);
    const std::size_t kept = static_cast<std::size_t>(std::max(kept_, 1));
    for (std::size_t i = 0; i + kept < backups.size(); ++i)
        ::unlink((folder_ + "/" + backups[i]).c_str());
    return {};
}

namespace {

// Gives `file` a second name no file has yet, beside it: a hard link, so that the file keeps
// its place until the backup replaces it whole. What cannot be linked (a folder) is renamed.
std::string KeepAside(const std::string& file)
{
    for (int n = 1;; ++n) {
        const std::string aside = file + ".damaged" + (n == 1 ? std::string() : "-" + std::to_string(n));
        if (::link(file.c_str(), aside.c_str()) == 0)
            return aside;
        if (errno == EEXIST)
            continue;
        if (errno == EPERM && ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return aside;
        if (errno == EEXIST)
            continue;
        throw TableError("Cannot keep " + file + " as " + aside + ": " + std::strerror(errno));
    }
}

} // namespace

std::string RestoreBackup(const std::string& backup, const std::string& file)
{
    const Bytes contents = ReadWholeFile(backup);
    // A journal that is a link to a synced folder: its target is the damaged file.
    const std::string damaged = ReplacementTarget(file);
    const std::string aside = KeepAside(damaged);
    try {
        ReplaceFile(file, {contents.view()});
    } catch (...) {
        struct stat kept = {};
        if (::lstat(damaged.c_str(), &kept) == 0)
            ::unlink(aside.c_str()); // the file is still there under its own name
        else
            ::rename(aside.c_str(), damaged.c_str());
        throw;
    }
    return aside;
}

} // namespace quill
