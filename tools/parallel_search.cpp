#include "parallel_search.h"

#include <algorithm>

namespace quill::tool {

ParallelBodySearch::ParallelBodySearch(const BodySearch& search, unsigned threads)
    : workers_([&search](std::string_view body) { return search.Matches(body); }, threads <= 1 ? 0 : threads)
{
}

std::vector<double> ParallelBodySearch::Finish()
{
    // The file holds the rows in the order they were written, not in date order.
    std::vector<double> found = workers_.Finish();
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace quill::tool
