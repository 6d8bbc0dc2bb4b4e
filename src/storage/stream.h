#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace quill {

// An in-memory byte stream with a position, as blob fields copy their values through.
class MemoryStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const { return bytes_; }
    std::string takeBytes() { position_ = 0; return std::move(bytes_); }
    std::size_t size() const { return bytes_.size(); }
    std::size_t position() const { return position_; }
    void seek(std::size_t position) { position_ = std::min(position, bytes_.size()); }

    // Writes at the current position, overwriting and extending as needed.
    void write(std::string_view data)
    {
        if (position_ == bytes_.size())
            bytes_.append(data);
        else
            bytes_.replace(position_, std::min(data.size(), bytes_.size() - position_), data);
        position_ += data.size();
    }
    std::string_view read(std::size_t count)
    {
        const std::string_view result = std::string_view(bytes_).substr(position_, count);
        position_ += result.size();
        return result;
    }
    void clear()
    {
        bytes_.clear();
        position_ = 0;
    }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

} // namespace quill
