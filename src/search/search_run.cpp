#include "search/search_run.h"

#include <QTimer>

#include <chrono>
#include <thread>

namespace quill {

namespace {

using Clock = std::chrono::steady_clock;

// A step of the user-interface thread walks and collects for at most this long, well
// inside the 20 ms after which a person notices a window that does not answer.
constexpr auto kStepBudget = std::chrono::milliseconds(8);

unsigned WorkerCount()
{
    // The user-interface thread mostly waits; a worker for each processor.
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

SearchRun::SearchRun(const JournalAccess& journal, BodySearchWorkers::BodyTest test, std::function<DateRange()> range,
                     QObject* parent)
    : QObject(parent), walk_(journal), range_(std::move(range))
{
    workers_ = std::make_unique<BodySearchWorkers>(std::move(test), WorkerCount(), [this] {
        // On a worker thread: one wake-up waiting at a time is enough.
        if (!wakePosted_.exchange(true))
            QMetaObject::invokeMethod(this, &SearchRun::Wake, Qt::QueuedConnection);
    });
}

SearchRun::~SearchRun() = default;

void SearchRun::Start()
{
    try {
        walk_.Start();
    } catch (const std::exception& e) {
        Fail(e);
        return;
    }
    Step();
}

void SearchRun::Wake()
{
    wakePosted_ = false;
    Step();
}

void SearchRun::Step()
{
    stepPosted_ = false;
    if (!Running())
        return;
    try {
        Collect();
        Walk();
        Collect();
        if (walked_ && workers_->Pending() == 0) {
            End(Outcome::Completed);
            return;
        }
    } catch (const std::exception& e) {
        Fail(e);
        return;
    }
    Q_EMIT Progress(Examining());
}

void SearchRun::Collect()
{
    std::vector<double> found;
    examined_ += workers_->Take(found);
    for (const double date : found)
        results_->Add(date);
}

void SearchRun::Walk()
{
    if (walked_)
        return;
    const auto deadline = Clock::now() + kStepBudget;
    walk_.Resume();
    const DateRange range = range_();
    while (!walk_.AtEnd() && workers_->CanAdd()) {
        AddRow(range);
        if (Clock::now() >= deadline) {
            // Time is up with rows left to hand over: the next step follows the pending
            // events. Otherwise the workers' answers wake the next step.
            if (!walk_.AtEnd() && !stepPosted_) {
                stepPosted_ = true;
                QTimer::singleShot(0, this, &SearchRun::Step);
            }
            break;
        }
    }
    if (walk_.AtEnd()) {
        workers_->Flush();
        walked_ = true;
    }
}

void SearchRun::AddRow(const DateRange& range)
{
    const double date = walk_.Date();
    if (range.from <= date && range.to >= date)
        workers_->Add(date, walk_.Body());
    else
        workers_->Pass(date);
    walk_.Advance();
}

void SearchRun::Stop()
{
    if (!Running())
        return;
    try {
        Collect();
        if (examined_ == 0) {
            if (workers_->Pending() == 0 && !walk_.AtEnd()) {
                walk_.Resume();
                AddRow(range_());
            }
            workers_->Flush();
            while (examined_ == 0 && workers_->Pending() > 0) {
                workers_->WaitForSearched();
                Collect();
            }
        }
    } catch (const std::exception& e) {
        Fail(e);
        return;
    }
    stopDate_ = Examining();
    End(Outcome::Stopped);
}

double SearchRun::Examining()
{
    if (const auto pending = workers_ ? workers_->FirstPendingDate() : std::nullopt)
        return *pending;
    return walk_.Date(); // the next row to hand over, or the last row once all are
}

void SearchRun::Fail(const std::exception& e)
{
    failure_ = QString::fromUtf8(e.what());
    End(Outcome::Failed);
}

void SearchRun::End(Outcome outcome)
{
    outcome_ = outcome;
    workers_.reset(); // what is still being searched is not waited for
    Q_EMIT Ended();
}

} // namespace quill
