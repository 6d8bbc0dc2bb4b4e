#pragma once

#include <cstdint>
#include <memory>

namespace quill {

// The dates a search found, in the order they were added, as a chain of nodes.
class TTypeList {
    struct Node {
        double date;
        std::unique_ptr<Node> next;
    };

public:
    TTypeList() = default;
    ~TTypeList();
    TTypeList(const TTypeList&) = delete;
    TTypeList& operator=(const TTypeList&) = delete;

    std::int32_t Count() const { return count_; }
    bool IsEmpty() const { return !first_; }

    // Appends a date after the last one.
    void Add(double date);
    // The date at a 0-based position, reached by following the links from the first node;
    // callers pass only 0 <= index < Count().
    double GetItem(std::int32_t index) const;

    // Visits the dates in order, one pass along the chain.
    template <typename Visit>
    void ForEach(Visit visit) const
    {
        for (const Node* node = first_.get(); node; node = node->next.get())
            visit(node->date);
    }

private:
    std::unique_ptr<Node> first_;
    Node* last_ = nullptr; // so that a long run of appends does not walk the chain each time
    std::int32_t count_ = 0;
};

} // namespace quill
