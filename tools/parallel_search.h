#pragma once

#include "platform/richedit/body_search_workers.h"
#include "platform/richedit/plain_text.h"

#include <string_view>
#include <thread>
#include <vector>

namespace quill::tool {

// Searches entry bodies on worker threads while the caller goes on reading the journal.
// With one processor the search runs in the caller's thread.
class ParallelBodySearch {
public:
    explicit ParallelBodySearch(const BodySearch& search, unsigned threads = std::thread::hardware_concurrency());

    // Adds a body to be searched; the bytes are copied.
    void Add(double date, std::string_view body) { workers_.Add(date, body); }
    // Waits for every body to be searched: the dates of the bodies that matched, in order.
    std::vector<double> Finish();

private:
    BodySearchWorkers workers_; // stops the workers when it goes, also when the reading failed
};

} // namespace quill::tool
