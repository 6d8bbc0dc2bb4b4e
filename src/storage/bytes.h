#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace quill {

// Immutable bytes that either own their storage or view a shared buffer (such as a
// whole table file read at open) that they keep alive. Copies are cheap.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string owned);
    Bytes(std::shared_ptr<const void> owner, const char* data, std::size_t size)
        : owner_(std::move(owner)), data_(data), size_(size)
    {
    }

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::string_view view() const { return {data_, size_}; }
    std::string str() const { return std::string(view()); }

    // A view of part of these bytes that shares their owner.
    Bytes sub(std::size_t offset, std::size_t size) const { return Bytes(owner_, data_ + offset, size); }

    friend bool operator==(const Bytes& a, const Bytes& b) { return a.view() == b.view(); }

private:
    std::shared_ptr<const void> owner_;
    const char* data_ = nullptr;
    std::size_t size_ = 0;
};

inline Bytes::Bytes(std::string owned)
{
    if (owned.empty())
        return;
    auto holder = std::make_shared<const std::string>(std::move(owned));
    data_ = holder->data();
    size_ = holder->size();
    owner_ = std::move(holder);
}

} // namespace quill
