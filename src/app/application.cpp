#include "app/application.h"

#include "platform/dialogs.h"

#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quill {

namespace {

// The signal handler may only write to a descriptor; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int)
{
    const char byte = 1;
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
}

} // namespace

QuillmereApplication::QuillmereApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quillmere"));
    setApplicationDisplayName(QStringLiteral("Quillmere"));
}

QuillmereApplication::~QuillmereApplication()
{
    if (signalNotifier_) {
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, SIG_DFL);
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
}

bool QuillmereApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowApplicationError(QString::fromUtf8(e.what()));
    }
    return false;
}

void QuillmereApplication::OnTermination(std::function<void()> close)
{
    close_ = std::move(close);
    connect(this, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) { Terminate(); });
    if (signalNotifier_ || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    signalNotifier_ = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(signalNotifier_, &QSocketNotifier::activated, this, [this] {
        char byte;
        const ssize_t got = ::read(g_signalPipe[0], &byte, 1);
        (void)got;
        Terminate();
    });
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

void QuillmereApplication::Terminate()
{
    if (close_)
        close_();
    quit();
}

} // namespace quill
