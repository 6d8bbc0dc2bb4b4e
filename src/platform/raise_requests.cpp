#include "platform/raise_requests.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quill {

namespace {

// An address in the abstract namespace: nothing on disk to clean up after a crash, and no
// limit from the length of the journal's path.
sockaddr_un AddressFor(const QString& journalPath, socklen_t& length)
{
    const QString canonical = QFileInfo(journalPath).absoluteFilePath();
    const QByteArray key = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    const QByteArray name = "quillmere-" + QByteArray::number(::getuid()) + "-" + key;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path + 1, name.constData(), static_cast<std::size_t>(name.size()));
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    return address;
}

} // namespace

RaiseRequests::RaiseRequests(const QString& journalPath, QObject* parent) : QObject(parent)
{
    socklen_t length = 0;
    const sockaddr_un address = AddressFor(journalPath, length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 || ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &RaiseRequests::accept);
}

RaiseRequests::~RaiseRequests()
{
    notifier_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

void RaiseRequests::accept()
{
    // A connection is the whole request: nothing is read from it, so a client cannot make
    // the program wait.
    bool asked = false;
    for (int client; (client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
        asked = true;
        ::close(client);
    }
    if (asked)
        Q_EMIT raiseRequested();
}

bool RaiseRequests::Ask(const QString& journalPath)
{
    socklen_t length = 0;
    const sockaddr_un address = AddressFor(journalPath, length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A listening socket takes the connection into its queue at once, so this never waits.
    const bool asked = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return asked;
}

} // namespace quill
