#include "storage/fileio.h"

#include "storage/errors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace quill {

namespace {

std::optional<std::size_t> g_writeLimit;
bool g_readOnlyFolders = false;

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

} // namespace

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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

void ReplaceFile(const std::string& path, const std::vector<std::string_view>& pieces)
{
    const std::string failure = "Cannot create file " + path;
    struct stat old;
    const bool exists = ::stat(path.c_str(), &old) == 0;
    // A file the user made read-only stays as it is, as it would if it were rewritten in place.
    if (exists && ::access(path.c_str(), W_OK) != 0)
        throw TableError(failure);

    const std::string dir = DirectoryOf(path);
    static std::atomic<unsigned> counter{0};
    const std::string temp = dir + "/." + NameOf(path) + ".new-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++);
    Fd fd(g_readOnlyFolders ? -1 : ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        throw TableError(failure);

    std::size_t total = 0;
    for (std::string_view piece : pieces)
        total += piece.size();
    const bool fits = !g_writeLimit || total <= *g_writeLimit;
    bool ok = WriteAll(fd.get(), pieces) && fits;
    if (ok && exists)
        ok = ::fchmod(fd.get(), old.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd.get()) == 0;
    ok = fd.close() && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw TableError(failure);
    }
    // Make the rename itself durable.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() >= 0)
        ::fsync(dirFd.get());
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
} // namespace testing

} // namespace quill
