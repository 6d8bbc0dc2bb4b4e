#pragma once

// Runs tasks on worker threads and hands their results to one consumer in the order the
// tasks were added, so that the files of an export are written in date order while the
// entries are converted side by side.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace quill::tool {

template <typename Result>
class OrderedTasks {
public:
    using Task = std::function<Result()>;
    using Consumer = std::function<void(Result&&)>;

    // With fewer than two threads every task runs in the caller's thread as it is added.
    // At most `window` results wait for the consumer, which bounds the memory they hold.
    OrderedTasks(unsigned threads, std::size_t window, Consumer consume) : window_(window), consume_(std::move(consume))
    {
        if (threads < 2)
            return;
        try {
            for (unsigned i = 0; i < threads; ++i)
                workers_.emplace_back([this] { Work(); });
        } catch (...) {
            Stop();
            throw;
        }
    }
    // Tasks not run yet are dropped.
    ~OrderedTasks() { Stop(); }
    OrderedTasks(const OrderedTasks&) = delete;
    OrderedTasks& operator=(const OrderedTasks&) = delete;

    // Queues a task; first hands the oldest result to the consumer while the window is full.
    // A task's failure is thrown here or by Finish when its result's turn comes.
    void Add(Task task)
    {
        if (workers_.empty()) {
            consume_(task());
            return;
        }
        std::packaged_task<Result()> job(std::move(task));
        results_.push_back(job.get_future());
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(job));
        }
        added_.notify_one();
        while (results_.size() > window_)
            ConsumeOldest();
    }

    // Hands every remaining result to the consumer, in order.
    void Finish()
    {
        while (!results_.empty())
            ConsumeOldest();
    }

private:
    void ConsumeOldest()
    {
        std::future<Result> oldest = std::move(results_.front());
        results_.pop_front();
        consume_(oldest.get());
    }

    void Work()
    {
        for (;;) {
            std::packaged_task<Result()> job;
            {
                std::unique_lock lock(mutex_);
                added_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
                if (stopping_)
                    return;
                job = std::move(queue_.front());
                queue_.pop_front();
            }
            job();
        }
    }

    void Stop()
    {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
            queue_.clear();
        }
        added_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
        workers_.clear();
    }

    const std::size_t window_;
    const Consumer consume_;
    std::deque<std::future<Result>> results_; // the consumer's thread only

    std::mutex mutex_;
    std::condition_variable added_;
    std::deque<std::packaged_task<Result()>> queue_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

} // namespace quill::tool
