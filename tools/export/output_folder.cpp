#include "output_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quill::tool {

namespace {

[[noreturn]] void FailWriting(const std::string& path, int error)
{
    throw std::runtime_error("Cannot write " + path + ": " + std::strerror(error));
}

// Writes all of `bytes` to a new or emptied file; the close is checked too, since a file
// system may only report a full disk there.
void WriteWholeFile(const std::string& path, std::string_view bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        FailWriting(path, errno);
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : ENOSPC;
            ::close(fd);
            FailWriting(path, error);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::close(fd) != 0)
        FailWriting(path, errno);
}

} // namespace

OutputFolder::OutputFolder(std::string path, bool force) : path_(std::move(path))
{
    while (path_.size() > 1 && path_.back() == '/')
        path_.pop_back(); // the files' paths in messages have one separator
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path_, error);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            throw std::runtime_error("Cannot export into " + path_ + ": it is not a folder");
        if (!force && fs::directory_iterator(path_, error) != fs::directory_iterator())
            throw std::runtime_error("Cannot export into " + path_ +
                                     ": the folder is not empty (--force writes into it, replacing the files of an earlier export)");
        if (error)
            throw std::runtime_error("Cannot read the folder " + path_ + ": " + error.message());
        return;
    }
    fs::create_directories(path_, error);
    if (error)
        throw std::runtime_error("Cannot create the folder " + path_ + ": " + error.message());
}

void OutputFolder::MakeFolders(const std::string& relative)
{
    for (std::size_t slash = relative.find('/'); slash != std::string::npos; slash = relative.find('/', slash + 1)) {
        const std::string folder = relative.substr(0, slash);
        if (made_.count(folder))
            continue;
        const std::string path = path_ + '/' + folder;
        if (::mkdir(path.c_str(), 0777) != 0) {
            const int error = errno;
            if (error != EEXIST || !std::filesystem::is_directory(path))
                throw std::runtime_error("Cannot create the folder " + path + ": " +
                                         std::strerror(error == EEXIST ? ENOTDIR : error));
        }
        made_.insert(folder);
    }
}

void OutputFolder::WriteFile(const std::string& relative, std::string_view bytes)
{
    MakeFolders(relative);
    WriteWholeFile(path_ + '/' + relative, bytes);
}

} // namespace quill::tool
