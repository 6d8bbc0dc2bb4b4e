#pragma once

#include "platform/richedit/body_search_workers.h"
#include "search/journal_walk.h"
#include "search/ttypelist.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

namespace quill {

// One run of the full-text search: walks every row of the journal in date order and
// collects, in that order, the dates of the rows in the date range whose body holds the
// text. It runs between the window's events: the bodies are tested on worker threads,
// and the user-interface thread walks the table and collects the answers in short steps,
// so that input, painting and a Stop are handled at once.
class SearchRun : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Running, Completed, Stopped, Failed };
    // Both ends count. Read at each step, so a changed field counts for the rows after it.
    struct DateRange {
        double from;
        double to;
    };

    SearchRun(const JournalAccess& journal, BodySearchWorkers::BodyTest test, std::function<DateRange()> range,
              QObject* parent = nullptr);
    ~SearchRun() override;

    // Starts at the first row and returns; Ended is signalled when the run is over.
    void Start();
    // Ends the run now. As a run that looks for a Stop after every row, at least the first
    // row is examined; the answers of the rows examined are kept.
    void Stop();

    Outcome Result() const { return outcome_; }
    bool Running() const { return outcome_ == Outcome::Running; }
    // The dates found: all of them, or, after a Stop, those of the rows examined.
    std::unique_ptr<TTypeList> TakeResults() { return std::move(results_); }
    // After a Stop: the date of the first row not examined, or of the last row when every
    // row was.
    double StopDate() const { return stopDate_; }
    // After a failure: its text.
    const QString& Failure() const { return failure_; }
    // The date of the first row not yet examined while the run goes on.
    double Examining();

Q_SIGNALS:
    void Progress(double examining);
    void Ended();

private:
    void Step();
    void Wake();
    void Collect();
    void Walk();
    void AddRow(const DateRange& range);
    void End(Outcome outcome);
    void Fail(const std::exception& e);

    JournalWalk walk_;
    std::function<DateRange()> range_;
    std::unique_ptr<TTypeList> results_ = std::make_unique<TTypeList>();
    Outcome outcome_ = Outcome::Running;
    double stopDate_ = 0;
    QString failure_;
    std::size_t examined_ = 0;  // rows whose answers are collected
    bool walked_ = false;       // every row is handed to the workers
    bool stepPosted_ = false;
    std::atomic<bool> wakePosted_{false};
    // Last, so that the workers stop before anything they call back into goes.
    std::unique_ptr<BodySearchWorkers> workers_;
};

} // namespace quill
