#pragma once

#include <QWidget>

#include "storage/recovery.h"

#include <memory>
#include <vector>

namespace quill {

class RaiseRequests;

// The windows of a run: created in their fixed order at start (the journal opens with the
// main window, the settings table with the login window), destroyed in the reverse order at
// the end, each table writing its file as it closes.
class Program {
public:
    // With the journal already open in another program, says so and creates no window.
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Shows the main window as the event loop starts and runs the loop until the main
    // window has closed.
    int Run();

    // Ends the run after the event loop returned `loopResult`: destroys the windows and
    // gives the program's exit status. A run ended by a stop signal says so in its status
    // (128 + the signal, as a process the signal ended would); one that could not write
    // every file ends with 1.
    int Finish(int loopResult);

    // Destroys the windows now (the destructor does it otherwise). A table that cannot be
    // written is reported; returns whether every file was written.
    bool DestroyWindows();

    // Another program holds this journal: this run must end without touching a file.
    bool AlreadyOpen() const { return !windows_.size() && lock_->HeldByAnother(); }

private:
    std::unique_ptr<JournalLock> lock_;
    std::unique_ptr<RaiseRequests> raiseRequests_; // a second start asks this run to come up
    std::vector<std::unique_ptr<QWidget>> windows_;
    bool unreadable_ = false; // a data file could not be read: the run ended at start
};

} // namespace quill
