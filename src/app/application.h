#pragma once

#include <QApplication>

#include <functional>

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

private:
    std::function<void()> close_;
    QSocketNotifier* signalNotifier_ = nullptr;
};

} // namespace quill
