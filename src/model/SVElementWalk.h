#pragma once

#include <QByteArray>

#include <cstdint>

namespace sv {

// Calls visit(id, body, length) for each whole element of raw element data
// (ID byte, length byte, body). A trailing piece whose header or body runs
// past the data ends the walk; nothing outside the data is read.
template <typename Visit>
void forEachElement(const QByteArray& data, Visit&& visit)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.constData());
    const qsizetype size = data.size();
    qsizetype pos = 0;
    while (size - pos >= 2) {
        const unsigned id = bytes[pos];
        const qsizetype length = bytes[pos + 1];
        if (size - pos - 2 < length)
            break;
        visit(id, bytes + pos + 2, static_cast<int>(length));
        pos += 2 + length;
    }
}

} // namespace sv
