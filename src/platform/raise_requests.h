#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace quill {

// How a second start on a journal asks the program already running on it to come to the
// front: it connects to a local socket named after the journal (and the user), on which the
// running program listens.
class RaiseRequests : public QObject {
    Q_OBJECT

public:
    // Listens for requests about `journalPath`; Listening() says whether that worked.
    explicit RaiseRequests(const QString& journalPath, QObject* parent = nullptr);
    ~RaiseRequests() override;

    bool Listening() const { return fd_ >= 0; }

    // Asks the program listening for `journalPath` to come to the front; false when none
    // listens. Never waits on it.
    static bool Ask(const QString& journalPath);

Q_SIGNALS:
    void raiseRequested();

private:
    void accept();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace quill
