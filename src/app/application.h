#pragma once

#include <QApplication>

#include <functional>
#include <thread>

class QSocketNotifier;

namespace quill {

// The application object. Whatever failure no handler caught reaches the general error
// report (a box titled with the application's title) and the program goes on.
class QuillmereApplication : public QApplication {
    Q_OBJECT

public:
    QuillmereApplication(int& argc, char** argv);
    ~QuillmereApplication() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs `close` when the desktop session ends or the process is asked to stop (SIGTERM,
    // SIGINT, SIGHUP), so that the day's text is stored and the files written before the
    // program ends.
    void OnTermination(std::function<void()> close);
    // What the end of the session and the stop signals run: the close, then the end of the loop.
    void Terminate();
    // The stop signal that ended the run, or 0.
    int StopSignal() const;

    // How long the window may take to begin its close after a stop signal. A window busy for
    // longer (or a second signal during the close) ends the run at once; what was stored is
    // in the recovery log by then.
    static constexpr int kStopAnswerMs = 3000;

private:
    std::function<void()> close_;
    QSocketNotifier* signalNotifier_ = nullptr;
    std::thread stopWatch_;
};

} // namespace quill
