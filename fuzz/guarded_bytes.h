#pragma once

// The fuzzer's input copied to the end of read-only pages with an inaccessible page behind
// them, for readers that hand it to libraries built without the sanitizers: a library that
// writes to its input or reads past its end faults at once.

#include <QByteArrayView>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

class GuardedBytes {
public:
    GuardedBytes(const std::uint8_t* data, std::size_t size)
    {
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t dataPages = (size + page - 1) / page;
        length_ = (dataPages + 1) * page;
        void* mapped = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            std::abort();
        base_ = static_cast<char*>(mapped);
        start_ = base_ + dataPages * page - size;
        if (size != 0)
            std::memcpy(start_, data, size);
        size_ = size;
        if (mprotect(base_, dataPages * page, PROT_READ) != 0 || mprotect(base_ + dataPages * page, page, PROT_NONE) != 0)
            std::abort();
    }
    ~GuardedBytes() { munmap(base_, length_); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    QByteArrayView View() const { return QByteArrayView(start_, static_cast<qsizetype>(size_)); }

private:
    char* base_ = nullptr;
    char* start_ = nullptr;
    std::size_t size_ = 0;
    std::size_t length_ = 0;
};
