#include "model/SVDataPointBuffer.h"

#include <algorithm>
#include <atomic>

namespace {

// Rings made one after another take phases in turn.
constexpr unsigned kPhases = 64;
std::atomic<unsigned> nextPhase{0};

} // namespace

SVDataPointBuffer::SVDataPointBuffer(std::size_t limit, std::size_t initialCapacity)
    : m_limit(std::max<std::size_t>(limit, 1)),
      m_initialCapacity(std::clamp<std::size_t>(initialCapacity, 1, m_limit)),
      m_phase(nextPhase.fetch_add(1, std::memory_order_relaxed) % kPhases)
{
}

void SVDataPointBuffer::grow()
{
    const std::size_t size = m_storage.size();
    // Small steps: a sixteenth at a time keeps the spare room under one
    // byte a sample. The copies this costs add up to sixteen to thirty-two
    // per sample over a record's life, nothing beside the scans themselves.
    // Rings of one size that grew in step would all be copied on the same
    // scan (hundreds of megabytes at 20,000 records): each starts a little
    // apart and steps between a thirty-second and a sixteenth of its size.
    const std::size_t sixteenth = size / 16;
    const std::size_t newCapacity = m_storage.empty()
        ? std::min(m_limit, m_initialCapacity + m_phase % 16)
        : std::min(m_limit, size + std::max<std::size_t>(sixteenth - sixteenth * m_phase / (2 * kPhases), 16));
    resizeStorage(newCapacity);
}

void SVDataPointBuffer::reserve(std::size_t n)
{
    n = std::min(n, m_limit);
    if (n > m_storage.size())
        resizeStorage(n);
}

void SVDataPointBuffer::resizeStorage(std::size_t newCapacity)
{
    std::vector<SVDataPoint> storage;
    storage.reserve(newCapacity);
    const auto [older, newer] = segments();
    storage.insert(storage.end(), older.begin(), older.end());
    storage.insert(storage.end(), newer.begin(), newer.end());
    storage.resize(newCapacity);
    m_storage = std::move(storage);
    m_head = 0;
}

void SVDataPointBuffer::push(const SVDataPoint& point)
{
    if (m_count == m_limit) {
        m_storage[m_head] = point;
        m_head = slot(1);
        return;
    }
    if (m_count == m_storage.size())
        grow();
    m_storage[slot(m_count)] = point;
    ++m_count;
}

void SVDataPointBuffer::clear()
{
    m_storage.clear();
    m_storage.shrink_to_fit();
    m_head = 0;
    m_count = 0;
}

std::pair<std::span<const SVDataPoint>, std::span<const SVDataPoint>> SVDataPointBuffer::segments() const
{
    if (m_count == 0)
        return {};
    const std::size_t firstLength = std::min(m_count, m_storage.size() - m_head);
    return {std::span<const SVDataPoint>(m_storage.data() + m_head, firstLength),
            std::span<const SVDataPoint>(m_storage.data(), m_count - firstLength)};
}

std::vector<SVDataPoint> SVDataPointBuffer::toVector() const
{
    std::vector<SVDataPoint> out;
    out.reserve(m_count);
    const auto [a, b] = segments();
    out.insert(out.end(), a.begin(), a.end());
    out.insert(out.end(), b.begin(), b.end());
    return out;
}
