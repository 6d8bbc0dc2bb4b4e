#include "storage/fileio.h"

#include "storage/errors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

namespace quill {

namespace {

std::optional<std::size_t> g_writeLimit;
bool g_readOnlyFolders = false;
bool g_corruptWrites = false;
std::optional<std::uint64_t> g_freeSpace;

// A read buffer in anonymous memory, advised to use huge pages: faulting in a large
// buffer page by page costs more than reading the file into it.
class FileBuffer {
public:
    explicit FileBuffer(std::size_t size) : size_(size)
    {
        constexpr std::size_t kHugePage = 2u << 20;
        capacity_ = (size + kHugePage - 1) / kHugePage * kHugePage;
        void* p = mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw PacketError(PacketStatus::OutOfMemory);
        if (size >= kHugePage)
            madvise(p, capacity_, MADV_HUGEPAGE);
        data_ = static_cast<char*>(p);
    }
    ~FileBuffer() { munmap(data_, capacity_); }
    FileBuffer(const FileBuffer&) = delete;
    FileBuffer& operator=(const FileBuffer&) = delete;

    char* data() { return data_; }
    std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string DirectoryOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The prefix of the new files a replacement of a file called `name` writes; the process's
// number and a count follow it.
std::string UnfinishedPrefix(const std::string& name)
{
    return "." + name + ".new-";
}

// The file a replacement of `path` writes: `path` itself, or what it names when it is a
// symbolic link (people point the journal at a synced folder), so that the link stays.
std::string ReplacedFile(const std::string& path)
{
    std::string target = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return target;
        std::string link(static_cast<std::size_t>(PATH_MAX), '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0)
            return target;
        link.resize(static_cast<std::size_t>(n));
        target = link.front() == '/' ? link : DirectoryOf(target) + "/" + link;
    }
    return target; // a loop of links: the rename fails on it and says so
}

// Creates the new file of a replacement under a name no other file has: a name left by an
// earlier run of the same process number only makes it count on.
int CreateUnfinished(const std::string& dir, const std::string& name, std::string& temp)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        temp = dir + "/" + UnfinishedPrefix(name) + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes every piece; under a test write limit only what the limit lets through.
bool WriteAll(int fd, std::vector<std::string_view> pieces)
{
    if (g_writeLimit) {
        std::size_t allowed = *g_writeLimit;
        for (std::string_view& piece : pieces) {
            piece = piece.substr(0, std::min(piece.size(), allowed));
            allowed -= piece.size();
        }
    }
    std::size_t index = 0;
    std::size_t offset = 0; // into pieces[index]
    while (index < pieces.size()) {
        iovec vec[IOV_MAX];
        int count = 0;
        for (std::size_t i = index; i < pieces.size() && count < IOV_MAX; ++i) {
            std::string_view piece = i == index ? pieces[i].substr(offset) : pieces[i];
            if (piece.empty())
                continue;
            vec[count].iov_base = const_cast<char*>(piece.data());
            vec[count].iov_len = piece.size();
            ++count;
        }
        if (count == 0)
            break;
        const ssize_t n = ::writev(fd, vec, count);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        // Advance over what was written.
        std::size_t left = static_cast<std::size_t>(n);
        while (index < pieces.size() && left >= pieces[index].size() - offset) {
            left -= pieces[index].size() - offset;
            ++index;
            offset = 0;
        }
        offset += left;
    }
    return true;
}

// The bytes the file system holding `path` has free for the user; nullopt when unknown.
std::optional<std::uint64_t> FreeSpaceAt(const std::string& path)
{
    if (g_freeSpace)
        return g_freeSpace;
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

// The room a new file of `size` bytes asks for before it is written.
std::uint64_t SpaceNeededFor(std::uint64_t size)
{
    // Room for the file system's own blocks and for what else writes meanwhile; small
    // enough that a small file still fits on a disk that is nearly full.
    constexpr std::uint64_t kMargin = 256u << 10;
    return size + std::max(kMargin, size / 10);
}

// "12.3 MB", "512 kB", "80 bytes": a size as the messages show it.
std::string SizeText(std::uint64_t bytes)
{
    char text[32];
    if (bytes >= 1000000)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    else if (bytes >= 1000)
        std::snprintf(text, sizeof text, "%llu kB", static_cast<unsigned long long>(bytes / 1000));
    else
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    return text;
}

} // namespace

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool NothingAt(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

std::uint64_t FileSize(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

Bytes ReadWholeFile(const std::string& path)
{
    const std::string failure = "Cannot open file " + path;
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        throw TableError(failure);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw TableError(failure);
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size == 0)
        return {};
    auto buffer = std::make_shared<FileBuffer>(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd.get(), buffer->data() + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the file shrank while we read it: keep what is there
        got += static_cast<std::size_t>(n);
    }
    const char* data = buffer->data();
    return Bytes(std::move(buffer), data, got);
}

std::string ReplacementTarget(const std::string& path)
{
    return ReplacedFile(path);
}

void ReplaceFile(const std::string& linkOrFile, const std::vector<std::string_view>& pieces, const ReplaceSteps& steps)
{
    const std::string failure = "Cannot create file " + linkOrFile;
    auto fail = [&](const std::string& reason) -> TableError {
        return TableError(reason.empty() ? failure : failure + "\n\n" + reason);
    };
    // The system's reason, as the user can act on it ("No space left on device.").
    auto failBecause = [&](int error) -> TableError { return fail(std::string(std::strerror(error)) + "."); };
    const std::string path = ReplacedFile(linkOrFile);
    struct stat old;
    const bool exists = ::stat(path.c_str(), &old) == 0;
    // A file the user made read-only stays as it is, as it would if it were rewritten in place.
    if (exists && ::access(path.c_str(), W_OK) != 0)
        throw failBecause(errno);

    const std::string dir = DirectoryOf(path);
    std::size_t total = 0;
    for (std::string_view piece : pieces)
        total += piece.size();
    // A disk that fills up halfway through is found out late; ask for the room first.
    if (const auto free = FreeSpaceAt(dir); free && *free < SpaceNeededFor(total))
        throw fail("The disk has " + SizeText(*free) + " free and the new file needs " + SizeText(total) +
                   ". The old file is kept as it was.");

    std::string temp;
    Fd fd(g_readOnlyFolders ? -1 : CreateUnfinished(dir, NameOf(path), temp));
    if (fd.get() < 0)
        throw failBecause(g_readOnlyFolders ? EACCES : errno);
    struct RemoveUnlessRenamed {
        const std::string& temp;
        bool renamed = false;
        ~RemoveUnlessRenamed()
        {
            if (!renamed)
                ::unlink(temp.c_str());
        }
    } removeTemp{temp};

    int error = 0; // the first failure's
    auto step = [&](bool done) {
        if (!done && error == 0)
            error = errno != 0 ? errno : EIO;
    };
    errno = 0;
    step(WriteAll(fd.get(), pieces));
    if (error == 0 && g_writeLimit && total > *g_writeLimit)
        error = ENOSPC;
    if (error == 0 && g_corruptWrites && total > 0) {
        char byte = 0;
        const off_t middle = static_cast<off_t>(total / 2);
        step(::pread(fd.get(), &byte, 1, middle) == 1);
        byte = static_cast<char>(byte ^ 0x5A);
        step(::pwrite(fd.get(), &byte, 1, middle) == 1);
    }
    if (error == 0 && exists)
        step(::fchmod(fd.get(), old.st_mode & 07777) == 0);
    if (error == 0)
        step(::fsync(fd.get()) == 0);
    step(fd.close());
    if (error != 0)
        throw failBecause(error);
    if (steps.verify) {
        if (const std::string reason = steps.verify(temp); !reason.empty())
            throw fail(reason + " The old file is kept as it was.");
    }
    if (exists && steps.beforeReplace)
        steps.beforeReplace(path);
    if (::rename(temp.c_str(), path.c_str()) != 0)
        throw failBecause(errno);
    removeTemp.renamed = true;
    // Make the rename itself durable.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
}

std::string FolderWritable(const std::string& folder)
{
    if (g_readOnlyFolders)
        return std::strerror(EACCES);
    const std::string probe = folder + "/.quillmere-write-test-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::strerror(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

void RemoveUnfinishedReplacements(const std::string& linkOrFile)
{
    const std::string path = ReplacedFile(linkOrFile);
    const std::string dir = DirectoryOf(path);
    const std::string prefix = UnfinishedPrefix(NameOf(path));
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    std::vector<std::string> left;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix))
            continue;
        // Only those of a process that is gone: one still running may be writing its file.
        const std::string_view rest = name.substr(prefix.size());
        pid_t pid = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        // This process's own number is from an earlier run that had it: at start this run
        // has written nothing yet.
        if (error == std::errc() && end != rest.data() && *end == '-' && pid > 0 &&
            (pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH)))
            left.emplace_back(dir + "/" + std::string(name));
    }
    ::closedir(folder);
    for (const std::string& file : left)
        ::unlink(file.c_str());
}

namespace testing {
void SetWriteLimit(std::optional<std::size_t> limit)
{
    g_writeLimit = limit;
}

void SetReadOnlyFolders(bool readOnly)
{
    g_readOnlyFolders = readOnly;
}

void SetCorruptWrites(bool corrupt)
{
    g_corruptWrites = corrupt;
}

void SetFreeSpace(std::optional<std::uint64_t> bytes)
{
    g_freeSpace = bytes;
}
} // namespace testing

} // namespace quill
