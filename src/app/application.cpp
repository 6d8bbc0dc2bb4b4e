#include "app/application.h"

#include "platform/dialogs.h"

#include <QSessionManager>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <semaphore.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quill {

namespace {

// The signal handler may only write to a descriptor, which the event loop reads, and post a
// semaphore, which the stop watch waits on: the watch ends the run when the loop does not
// answer in time.
int g_signalPipe[2] = {-1, -1};
sem_t g_signalArrived;
volatile std::sig_atomic_t g_stopSignal = 0;
std::atomic<int> g_signalsReceived{0};
std::atomic<int> g_signalsAnswered{0};
std::atomic<bool> g_terminating{false};
std::atomic<bool> g_watchEnds{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int sig)
{
    g_stopSignal = sig;
    g_signalsReceived.fetch_add(1);
    const char byte = 1;
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
    ::sem_post(&g_signalArrived);
}

[[noreturn]] void EndNow(const char* why)
{
    const ssize_t written = ::write(STDERR_FILENO, why, std::strlen(why));
    (void)written;
    ::_exit(128 + g_stopSignal);
}

void WatchStopSignals()
{
    for (;;) {
        while (::sem_wait(&g_signalArrived) != 0 && errno == EINTR) {
        }
        if (g_watchEnds)
            return;
        const int received = g_signalsReceived.load();
        if (g_terminating && received > g_signalsAnswered)
            EndNow("Quillmere: stopped again while closing; ending now.\n");
        for (int waited = 0; g_signalsAnswered < received; waited += 20) {
            if (g_watchEnds)
                return;
            if (waited >= QuillmereApplication::kStopAnswerMs)
                EndNow("Quillmere: the window did not answer the stop signal; ending now. "
                       "Stored entries are in the recovery log.\n");
            ::usleep(20'000);
        }
    }
}

} // namespace

QuillmereApplication::QuillmereApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quillmere"));
    setApplicationDisplayName(QStringLiteral("Quillmere"));
    // The desktop entry installed with the program: docks and Wayland match windows by it.
    setDesktopFileName(QStringLiteral("org.quillmere.Quillmere"));
}

QuillmereApplication::~QuillmereApplication()
{
    if (signalNotifier_) {
        for (int sig : {SIGTERM, SIGINT, SIGHUP})
            std::signal(sig, SIG_DFL);
        g_watchEnds = true;
        ::sem_post(&g_signalArrived);
        stopWatch_.join();
        ::sem_destroy(&g_signalArrived);
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
    ::sem_init(&g_signalArrived, 0, 0);
    stopWatch_ = std::thread(WatchStopSignals);
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
    g_signalsAnswered = g_signalsReceived.load();
    g_terminating = true;
    // Nobody may be there to answer a box, to the end of the run: messages go to standard
    // error.
    SetUnattended(true);
    if (close_)
        close_();
    g_terminating = false;
    quit();
}

int QuillmereApplication::StopSignal() const
{
    return g_stopSignal;
}

} // namespace quill
