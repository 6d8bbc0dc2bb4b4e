#include "body_search_workers.h"

namespace quill {

namespace {
// Large enough that handing a batch over costs nothing next to searching it, small enough
// that the batches in flight stay in the processors' caches.
constexpr std::size_t kBatchBytes = 512u << 10;
// Small bodies are many to a batch; the cap keeps the answers coming in steps a person
// does not wait for (a Stop takes effect at a batch's end).
constexpr std::size_t kBatchRows = 64;
} // namespace

BodySearchWorkers::BodySearchWorkers(BodyTest test, unsigned threads, std::function<void()> batchDone)
    : test_(std::move(test)), batchDone_(std::move(batchDone))
{
    if (threads == 0)
        return; // tested as they are added
    // Two batches a worker (one searched, one waiting) and the one being filled.
    for (unsigned i = 0; i < 2 * threads + 1; ++i) {
        batches_.push_back(std::make_unique<Batch>());
        free_.push_back(batches_.back().get());
    }
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this] { Work(); });
    } catch (...) {
        Stop(true); // the workers already started end before the failure goes on
        throw;
    }
}

BodySearchWorkers::~BodySearchWorkers()
{
    Stop(true);
}

bool BodySearchWorkers::CanAdd()
{
    if (workers_.empty() || current_)
        return true;
    const std::lock_guard lock(mutex_);
    return !free_.empty();
}

void BodySearchWorkers::Add(double date, std::string_view body)
{
    Append(date, body, true);
}

void BodySearchWorkers::Pass(double date)
{
    Append(date, {}, false);
}

void BodySearchWorkers::Append(double date, std::string_view body, bool tested)
{
    if (workers_.empty()) {
        TestInline(date, body, tested);
        return;
    }
    if (!current_)
        current_ = TakeFreeBatch();
    current_->items.push_back({date, current_->bytes.size(), body.size(), tested});
    current_->bytes.append(body);
    ++pendingRows_;
    if (current_->bytes.size() >= kBatchBytes || current_->items.size() >= kBatchRows)
        Submit();
}

void BodySearchWorkers::TestInline(double date, std::string_view body, bool tested)
{
    if (tested && test_(body))
        found_.push_back(date);
    if (searchedRows_ == 0)
        firstSearchedDate_ = date;
    ++searchedRows_;
    ++pendingRows_;
}

void BodySearchWorkers::Flush()
{
    if (current_ && !current_->items.empty())
        Submit();
}

BodySearchWorkers::Batch* BodySearchWorkers::TakeFreeBatch()
{
    std::unique_lock lock(mutex_);
    // A caller that never takes the answers still gets batches back: the searched ones at
    // the front of the order are collected here.
    for (;;) {
        CollectLocked();
        if (failure_)
            std::rethrow_exception(failure_);
        if (!free_.empty())
            break;
        searched_.wait(lock);
    }
    Batch* batch = free_.back();
    free_.pop_back();
    batch->bytes.clear(); // keeps its capacity
    batch->items.clear();
    batch->found.clear();
    batch->failure = nullptr;
    batch->done = false;
    return batch;
}

void BodySearchWorkers::Submit()
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(current_);
        order_.push_back(current_);
    }
    current_ = nullptr;
    submitted_.notify_one();
}

void BodySearchWorkers::CollectLocked()
{
    while (!failure_ && !order_.empty() && order_.front()->done) {
        Batch* batch = order_.front();
        order_.pop_front();
        found_.insert(found_.end(), batch->found.begin(), batch->found.end());
        if (searchedRows_ == 0)
            firstSearchedDate_ = batch->items.front().date;
        searchedRows_ += batch->failure ? batch->failedAt : batch->items.size();
        if (batch->failure)
            failure_ = batch->failure; // the batch stays out of use: the search is over
        else
            free_.push_back(batch);
    }
}

std::size_t BodySearchWorkers::Take(std::vector<double>& found)
{
    std::exception_ptr failure;
    std::size_t rows = 0;
    {
        const std::lock_guard lock(mutex_);
        CollectLocked();
        found.insert(found.end(), found_.begin(), found_.end());
        found_.clear();
        rows = searchedRows_;
        searchedRows_ = 0;
        pendingRows_ -= rows;
        failure = failure_;
    }
    if (failure)
        std::rethrow_exception(failure);
    return rows;
}

void BodySearchWorkers::WaitForSearched()
{
    std::unique_lock lock(mutex_);
    searched_.wait(lock, [this] {
        return searchedRows_ > 0 || failure_ || order_.empty() || order_.front()->done;
    });
}

std::size_t BodySearchWorkers::Pending()
{
    const std::lock_guard lock(mutex_);
    return pendingRows_;
}

std::optional<double> BodySearchWorkers::FirstPendingDate()
{
    const std::lock_guard lock(mutex_);
    if (searchedRows_ > 0)
        return firstSearchedDate_;
    if (!order_.empty())
        return order_.front()->items.front().date;
    if (current_ && !current_->items.empty())
        return current_->items.front().date;
    return std::nullopt;
}

std::vector<double> BodySearchWorkers::Finish()
{
    Flush();
    std::vector<double> found;
    for (;;) {
        Take(found);
        if (Pending() == 0)
            break;
        WaitForSearched();
    }
    Stop(false);
    return found;
}

void BodySearchWorkers::Stop(bool cancel)
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        if (cancel)
            cancelled_ = true;
    }
    submitted_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void BodySearchWorkers::Work()
{
    for (;;) {
        Batch* batch = nullptr;
        {
            std::unique_lock lock(mutex_);
            submitted_.wait(lock, [this] { return !queue_.empty() || closing_; });
            if (queue_.empty() || cancelled_)
                return;
            batch = queue_.front();
            queue_.pop_front();
        }
        Search(*batch);
        {
            const std::lock_guard lock(mutex_);
            batch->done = true;
        }
        searched_.notify_all();
        if (batchDone_)
            batchDone_();
    }
}

void BodySearchWorkers::Search(Batch& batch) const
{
    const std::string_view bytes = batch.bytes;
    for (std::size_t i = 0; i < batch.items.size(); ++i) {
        if (cancelled_.load(std::memory_order_relaxed))
            return; // nobody waits for the answer
        const Item& item = batch.items[i];
        if (!item.tested)
            continue;
        try {
            if (test_(bytes.substr(item.offset, item.size)))
                batch.found.push_back(item.date);
        } catch (...) {
            batch.failure = std::current_exception();
            batch.failedAt = i;
            return;
        }
    }
}

} // namespace quill
