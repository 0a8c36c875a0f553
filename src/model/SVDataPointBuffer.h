#pragma once

#include "model/SVDataPoint.h"

#include <cstddef>
#include <span>
#include <vector>

// The samples of one record, oldest first, in one contiguous ring. It grows
// by a sixteenth of its size at a time or less up to its limit, so its spare
// room never costs more than a sixteenth of a sample per sample held; once
// full, each new sample replaces the oldest in constant time. Rings started
// together (a survey's records, heard in one scan) grow on different scans.
class SVDataPointBuffer {
public:
    explicit SVDataPointBuffer(std::size_t limit, std::size_t initialCapacity = 100);

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    std::size_t limit() const { return m_limit; }
    std::size_t capacity() const { return m_storage.size(); }

    // i = 0 is the oldest sample. i must be below size().
    const SVDataPoint& at(std::size_t i) const { return m_storage[slot(i)]; }
    const SVDataPoint& front() const { return at(0); }
    const SVDataPoint& back() const { return at(m_count - 1); }

    // Appends, dropping the oldest sample when the limit is reached.
    void push(const SVDataPoint& point);
    void clear();
    // Makes room for n samples in all (at most the limit) at once, as when
    // the number to come is known.
    void reserve(std::size_t n);

    // The samples as (older part, newer part), each contiguous.
    std::pair<std::span<const SVDataPoint>, std::span<const SVDataPoint>> segments() const;
    std::vector<SVDataPoint> toVector() const;

private:
    // Where sample i sits: head and i are both below the capacity, so one
    // subtraction wraps it (no division on every read of a sample).
    std::size_t slot(std::size_t i) const
    {
        const std::size_t at = m_head + i;
        return at >= m_storage.size() ? at - m_storage.size() : at;
    }
    void grow();
    void resizeStorage(std::size_t newCapacity);

    std::vector<SVDataPoint> m_storage;
    std::size_t m_head = 0;
    std::size_t m_count = 0;
    std::size_t m_limit;
    std::size_t m_initialCapacity;
    // Sets this ring's steps apart from its neighbours'.
    unsigned m_phase;
};
