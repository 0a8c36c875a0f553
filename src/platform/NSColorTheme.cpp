#include "platform/NSColorTheme.h"

#include <chrono>
#include <cmath>
#include <mutex>

namespace sv {

RandomColorSequence::RandomColorSequence(std::uint32_t seed) : m_random(seed) {}

const QList<QColor>& RandomColorSequence::palette()
{
    static const QList<QColor> colors = {
        QColor::fromRgbF(0.0f, 0.0f, 1.0f),   // blue
        QColor::fromRgbF(0.6f, 0.4f, 0.2f),   // brown
        QColor::fromRgbF(0.0f, 1.0f, 1.0f),   // cyan
        QColor::fromRgbF(0.0f, 1.0f, 0.0f),   // green
        QColor::fromRgbF(1.0f, 0.0f, 1.0f),   // magenta
        QColor::fromRgbF(1.0f, 0.5f, 0.0f),   // orange
        QColor::fromRgbF(0.5f, 0.0f, 0.5f),   // purple
        QColor::fromRgbF(1.0f, 0.0f, 0.0f),   // red
        QColor::fromRgbF(1.0f, 1.0f, 0.0f),   // yellow
    };
    return colors;
}

double RandomColorSequence::random01()
{
    return std::uniform_real_distribution<double>(0.0, 1.0)(m_random);
}

QColor RandomColorSequence::next()
{
    const auto& colors = palette();
    const std::uint64_t index = m_counter++;
    const QColor base = colors.at(static_cast<qsizetype>(index % colors.size()));
    if (index < static_cast<std::uint64_t>(colors.size()))
        return base;
    const double hue = base.hsvHueF() < 0 ? 0.0 : base.hsvHueF();
    const double shifted = std::fmod(std::trunc((hue + random01()) * 1000.0), 1000.0) / 1000.0;
    // Saturation and brightness may come out above 1; the colour space clamps them.
    const double saturation = std::min(1.0, random01() + 0.3);
    const double brightness = std::min(1.0, random01() + 0.6);
    return QColor::fromHsvF(static_cast<float>(shifted), static_cast<float>(saturation),
                            static_cast<float>(brightness), 1.0f);
}

QColor randomColor()
{
    static std::mutex mutex;
    static RandomColorSequence sequence(static_cast<std::uint32_t>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    std::lock_guard lock(mutex);
    return sequence.next();
}

QList<QColor> controlAlternatingRowBackgroundColors()
{
    return {QColor::fromRgbF(1.0f, 1.0f, 1.0f), QColor::fromRgbF(0.961f, 0.961f, 0.961f)};
}

} // namespace sv
