#pragma once

// Tests many entry bodies on worker threads while the caller goes on handing them over, and
// gives the answers back in the order the bodies came. Standard C++ only, so that the
// command-line tool and the search window share it.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quill {

// The bodies are copied into batches that the workers take in turn; the batches are reused,
// so that memory stays small and is touched once. Rows are counted in the order they were
// added, also the ones passed without a test, and the answers come back as a prefix of that
// order: a row is "searched" once it and every row before it are.
class BodySearchWorkers {
public:
    // Says whether a body holds what is searched for; may throw, which ends the search when
    // the row's turn comes. Called on the worker threads, never on two bodies at once in one
    // thread; it must not touch anything else shared.
    using BodyTest = std::function<bool(std::string_view body)>;

    // With no threads the bodies are tested in the caller's thread as they are added, and a
    // failed test is thrown by Add.
    // `batchDone` runs on a worker thread each time a batch has been searched.
    BodySearchWorkers(BodyTest test, unsigned threads, std::function<void()> batchDone = {});
    ~BodySearchWorkers(); // cancels what is left and stops the workers
    BodySearchWorkers(const BodySearchWorkers&) = delete;
    BodySearchWorkers& operator=(const BodySearchWorkers&) = delete;

    // Whether a row can be added now without waiting for a worker to hand a batch back.
    bool CanAdd();
    // Adds a row whose body is tested; the bytes are copied. Waits for a free batch when
    // there is none.
    void Add(double date, std::string_view body);
    // Adds a row that counts in the order but is not tested.
    void Pass(double date);
    // Hands the batch being filled to the workers without waiting for it to fill.
    void Flush();

    // The rows searched since the last call, in order: how many, and appended to `found`
    // the dates of those that matched. A failed test is thrown when its row is reached; the
    // rows before it are counted and their matches appended first.
    std::size_t Take(std::vector<double>& found);
    // Waits until Take has at least one more row to give, or no row is waiting.
    void WaitForSearched();
    // Rows added and not yet given by Take.
    std::size_t Pending();
    // The date of the first of them.
    std::optional<double> FirstPendingDate();

    // Waits for every row: the dates that matched, in the order added. Stops the workers.
    std::vector<double> Finish();

private:
    struct Item {
        double date;
        std::size_t offset;
        std::size_t size;
        bool tested;
    };
    struct Batch {
        std::string bytes;
        std::vector<Item> items;
        std::vector<double> found;
        std::exception_ptr failure; // the test of item `failedAt` threw
        std::size_t failedAt = 0;
        bool done = false;
    };

    void Append(double date, std::string_view body, bool tested);
    void TestInline(double date, std::string_view body, bool tested);
    Batch* TakeFreeBatch();
    void Submit();
    // Moves the searched batches at the front of the order to the collected results.
    // Requires the lock.
    void CollectLocked();
    void Work();
    void Search(Batch& batch) const;
    void Stop(bool cancel);

    const BodyTest test_;
    const std::function<void()> batchDone_;
    std::vector<std::unique_ptr<Batch>> batches_;
    Batch* current_ = nullptr;       // being filled by the caller

    // Collected and not yet taken.
    std::vector<double> found_;
    std::size_t searchedRows_ = 0;
    double firstSearchedDate_ = 0;   // of the first of them
    std::size_t pendingRows_ = 0;    // added and not yet taken
    std::exception_ptr failure_;     // reached in order; thrown by Take

    std::mutex mutex_;
    std::condition_variable submitted_; // a batch waits, or the search is closing
    std::condition_variable searched_;  // a worker finished a batch
    std::deque<Batch*> queue_;          // submitted, waiting for a worker
    std::deque<Batch*> order_;          // submitted and not yet collected, in order
    std::vector<Batch*> free_;
    bool closing_ = false;
    std::atomic<bool> cancelled_{false};
    std::vector<std::thread> workers_;
};

} // namespace quill
