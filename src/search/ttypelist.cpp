#include "search/ttypelist.h"

namespace quill {

TTypeList::~TTypeList()
{
    // Node by node: a chain of thousands would otherwise be freed by as deep a recursion.
    while (first_)
        first_ = std::move(first_->next);
    last_ = nullptr;
    count_ = 0;
}

void TTypeList::Add(double date)
{
    auto node = std::make_unique<Node>(Node{date, nullptr});
    Node* added = node.get();
    if (last_)
        last_->next = std::move(node);
    else
        first_ = std::move(node);
    last_ = added;
    ++count_;
}

double TTypeList::GetItem(std::int32_t index) const
{
    const Node* node = first_.get();
    for (std::int32_t i = 0; i < index; ++i)
        node = node->next.get();
    return node->date;
}

} // namespace quill
