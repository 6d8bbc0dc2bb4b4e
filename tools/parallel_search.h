#pragma once

#include "platform/richedit/plain_text.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quill::tool {

// Searches entry bodies on worker threads while the caller goes on reading the journal:
// the bodies are copied into batches that the workers take in turn, and the batches are
// reused, so that memory stays small and is touched once. With one processor the search
// runs in the caller's thread.
class ParallelBodySearch {
public:
    explicit ParallelBodySearch(const BodySearch& search, unsigned threads = std::thread::hardware_concurrency());
    ~ParallelBodySearch(); // stops the workers, also when the reading failed
    ParallelBodySearch(const ParallelBodySearch&) = delete;
    ParallelBodySearch& operator=(const ParallelBodySearch&) = delete;

    // Adds a body to be searched; the bytes are copied.
    void Add(double date, std::string_view body);
    // Waits for every body to be searched: the dates of the bodies that matched, in order.
    std::vector<double> Finish();

private:
    struct Item {
        double date;
        std::size_t offset;
        std::size_t size;
    };
    struct Batch {
        std::string bytes;
        std::vector<Item> items;
    };

    void Work();
    void Search(const Batch& batch, std::vector<double>& found) const;
    Batch* TakeFreeBatch();
    void Submit();
    void Stop();

    const BodySearch& search_;
    std::vector<std::unique_ptr<Batch>> batches_;
    Batch* current_ = nullptr;
    std::vector<double> found_;

    std::mutex mutex_;
    std::condition_variable submitted_; // a batch waits, or the search is closing
    std::condition_variable freed_;     // a batch is free again, or a worker failed
    std::deque<Batch*> queue_;
    std::vector<Batch*> free_;
    bool closing_ = false;
    std::exception_ptr failure_;
    std::vector<std::thread> workers_;
};

} // namespace quill::tool
