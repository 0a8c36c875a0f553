#include "views/SVImageRepresentations.h"

#include <QBuffer>
#include <QtEndian>

namespace sv {

QByteArray pngRepresentation(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG"))
        return {};
    return out;
}

QByteArray tiffRepresentation(const QImage& source)
{
    if (source.isNull())
        return {};
    const QImage image = source.convertToFormat(QImage::Format_RGBA8888);
    const quint32 w = quint32(image.width()), h = quint32(image.height());
    const quint32 stripBytes = w * h * 4;

    // Little-endian baseline TIFF: header, one IFD, bits-per-sample values, pixels.
    struct Entry {
        quint16 tag, type;
        quint32 count, value;
    };
    constexpr quint16 kShort = 3, kLong = 4;
    const quint32 entries = 11;
    const quint32 ifdOffset = 8;
    const quint32 ifdSize = 2 + entries * 12 + 4;
    const quint32 bitsOffset = ifdOffset + ifdSize;
    const quint32 pixelsOffset = bitsOffset + 8;
    const Entry ifd[entries] = {
        {256, kLong, 1, w},                // width
        {257, kLong, 1, h},                // height
        {258, kShort, 4, bitsOffset},      // 8 bits per sample
        {259, kShort, 1, 1},               // no compression
        {262, kShort, 1, 2},               // RGB
        {273, kLong, 1, pixelsOffset},     // strip offset
        {277, kShort, 1, 4},               // samples per pixel
        {278, kLong, 1, h},                // rows per strip
        {279, kLong, 1, stripBytes},       // strip byte count
        {284, kShort, 1, 1},               // chunky
        {338, kShort, 1, 2},               // unassociated alpha
    };
    QByteArray out;
    out.reserve(int(pixelsOffset + stripBytes));
    auto put16 = [&](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&le), 2);
    };
    auto put32 = [&](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        out.append(reinterpret_cast<const char*>(&le), 4);
    };
    out.append("II", 2);
    put16(42);
    put32(ifdOffset);
    put16(quint16(entries));
    for (const Entry& e : ifd) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == kShort && e.count == 1) {
            put16(quint16(e.value));
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0); // no further IFD
    for (int i = 0; i < 4; ++i)
        put16(8);
    for (quint32 y = 0; y < h; ++y)
        out.append(reinterpret_cast<const char*>(image.constScanLine(int(y))), int(w * 4));
    return out;
}

} // namespace sv
