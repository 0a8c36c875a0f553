#pragma once

#include <QByteArray>
#include <QImage>

namespace sv {

// The image as PNG bytes; empty for a null image.
QByteArray pngRepresentation(const QImage& image);
// The image as an uncompressed RGBA baseline TIFF; empty for a null image.
QByteArray tiffRepresentation(const QImage& image);

} // namespace sv
