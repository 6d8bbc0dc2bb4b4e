#include "parallel_search.h"

#include <algorithm>

namespace quill::tool {

namespace {
// Large enough that handing a batch over costs nothing next to searching it, small enough
// that the batches in flight stay in the processors' caches.
constexpr std::size_t kBatchBytes = 512u << 10;
} // namespace

ParallelBodySearch::ParallelBodySearch(const BodySearch& search, unsigned threads) : search_(search)
{
    if (threads <= 1)
        return; // searched as they are added
    // Two batches a worker (one searched, one waiting) and the one being filled.
    for (unsigned i = 0; i < 2 * threads + 1; ++i) {
        batches_.push_back(std::make_unique<Batch>());
        free_.push_back(batches_.back().get());
    }
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this] { Work(); });
    } catch (...) {
        Stop(); // the workers already started end before the failure goes on
        throw;
    }
}

ParallelBodySearch::~ParallelBodySearch()
{
    Stop();
}

void ParallelBodySearch::Add(double date, std::string_view body)
{
    if (workers_.empty()) {
        if (search_.Matches(body))
            found_.push_back(date);
        return;
    }
    if (!current_)
        current_ = TakeFreeBatch();
    current_->items.push_back({date, current_->bytes.size(), body.size()});
    current_->bytes.append(body);
    if (current_->bytes.size() >= kBatchBytes)
        Submit();
}

std::vector<double> ParallelBodySearch::Finish()
{
    if (current_ && !current_->items.empty())
        Submit();
    Stop();
    if (failure_)
        std::rethrow_exception(failure_);
    std::sort(found_.begin(), found_.end());
    return std::move(found_);
}

ParallelBodySearch::Batch* ParallelBodySearch::TakeFreeBatch()
{
    std::unique_lock lock(mutex_);
    freed_.wait(lock, [this] { return !free_.empty() || failure_; });
    if (failure_)
        std::rethrow_exception(failure_);
    Batch* batch = free_.back();
    free_.pop_back();
    batch->bytes.clear(); // keeps its capacity
    batch->items.clear();
    return batch;
}

void ParallelBodySearch::Submit()
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(current_);
    }
    current_ = nullptr;
    submitted_.notify_one();
}

void ParallelBodySearch::Stop()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    submitted_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void ParallelBodySearch::Work()
{
    std::vector<double> found;
    for (;;) {
        Batch* batch = nullptr;
        {
            std::unique_lock lock(mutex_);
            submitted_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty() || failure_)
                break; // closing, with nothing left; or another worker failed
            batch = queue_.front();
            queue_.pop_front();
        }
        try {
            Search(*batch, found);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            freed_.notify_all();
            break;
        }
        {
            const std::lock_guard lock(mutex_);
            free_.push_back(batch);
        }
        freed_.notify_one();
    }
    const std::lock_guard lock(mutex_);
    found_.insert(found_.end(), found.begin(), found.end());
}

void ParallelBodySearch::Search(const Batch& batch, std::vector<double>& found) const
{
    const std::string_view bytes = batch.bytes;
    for (const Item& item : batch.items)
        if (search_.Matches(bytes.substr(item.offset, item.size)))
            found.push_back(item.date);
}

} // namespace quill::tool
