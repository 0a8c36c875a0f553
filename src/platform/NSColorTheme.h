#pragma once

#include <QColor>
#include <QList>

#include <cstdint>
#include <random>

namespace sv {

// A sequence of distinct drawing colours: the nine named colours first
// (blue, brown, cyan, green, magenta, orange, purple, red, yellow), then
// random variations of them in turn.
class RandomColorSequence {
public:
    explicit RandomColorSequence(std::uint32_t seed);
    QColor next();

    static const QList<QColor>& palette();

private:
    double random01();

    std::mt19937 m_random;
    std::uint64_t m_counter = 0;
};

// The next colour of the process-wide sequence, seeded from the clock once.
// Safe from any thread.
QColor randomColor();

// The two alternating row colours of every table: white, then grey 0.961.
QList<QColor> controlAlternatingRowBackgroundColors();

} // namespace sv
