// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

// A ring of records for exactly one producer thread and one consumer thread.
// Its memory is allocated once; writing and reading take no lock and
// allocate nothing, so a realtime audio thread may use either end. A record
// is a small header and its bytes, written and read whole.
class SpscRing {
public:
    struct Header {
        std::uint32_t size = 0;       // bytes after the header
        std::uint32_t generation = 0; // lets the consumer drop records of a closed session
        std::uint32_t flags = 0;
    };

    // capacity is rounded up to a power of two.
    explicit SpscRing(std::size_t capacity) : mask_(roundUp(capacity) - 1), data_(new std::uint8_t[mask_ + 1]) {}
    SpscRing(const SpscRing &) = delete;
    SpscRing &operator=(const SpscRing &) = delete;

    std::size_t capacity() const { return mask_ + 1; }
    static constexpr std::size_t headerSize() { return sizeof(Header); }

    // ---- Producer

    std::size_t writeSpace() const
    {
        return capacity() - std::size_t(tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire));
    }
    // The whole record or nothing; false when it does not fit now.
    bool write(const Header &header, const std::uint8_t *data)
    {
        const std::size_t need = sizeof(Header) + header.size;
        if (need > writeSpace())
            return false;
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        copyIn(tail, reinterpret_cast<const std::uint8_t *>(&header), sizeof(Header));
        copyIn(tail + sizeof(Header), data, header.size);
        tail_.store(tail + need, std::memory_order_release);
        return true;
    }

    // ---- Consumer

    bool empty() const { return head_.load(std::memory_order_relaxed) == tail_.load(std::memory_order_acquire); }
    // The next record's header; false when there is none.
    bool peek(Header &header) const
    {
        if (empty())
            return false;
        copyOut(head_.load(std::memory_order_relaxed), reinterpret_cast<std::uint8_t *>(&header), sizeof(Header));
        return true;
    }
    // Copies the next record's bytes (after peek()).
    void readBytes(std::uint8_t *to, std::size_t size) const
    {
        copyOut(head_.load(std::memory_order_relaxed) + sizeof(Header), to, size);
    }
    // Done with the next record: its room goes back to the producer.
    void pop(const Header &header)
    {
        head_.store(head_.load(std::memory_order_relaxed) + sizeof(Header) + header.size, std::memory_order_release);
    }

private:
    static std::size_t roundUp(std::size_t n)
    {
        std::size_t p = 64;
        while (p < n)
            p <<= 1;
        return p;
    }
    void copyIn(std::uint64_t at, const std::uint8_t *from, std::size_t size)
    {
        if (size == 0)
            return;
        const std::size_t start = std::size_t(at) & mask_;
        const std::size_t first = std::min(size, capacity() - start);
        std::memcpy(data_.get() + start, from, first);
        std::memcpy(data_.get(), from + first, size - first);
    }
    void copyOut(std::uint64_t at, std::uint8_t *to, std::size_t size) const
    {
        if (size == 0)
            return;
        const std::size_t start = std::size_t(at) & mask_;
        const std::size_t first = std::min(size, capacity() - start);
        std::memcpy(to, data_.get() + start, first);
        std::memcpy(to + first, data_.get(), size - first);
    }

    const std::size_t mask_;
    std::unique_ptr<std::uint8_t[]> data_;
    // Running byte counts; the producer owns tail_, the consumer head_.
    alignas(64) std::atomic<std::uint64_t> head_{0};
    alignas(64) std::atomic<std::uint64_t> tail_{0};
};
