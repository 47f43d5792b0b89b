#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace lumeno {

// The image as a three-channel PNG (any alpha is dropped: screen captures have no transparency
// worth sending). Written with zlib level 1 and the "up" filter on every row: the server only
// decodes the file, and this is several times faster than Qt's writer, whose adaptive filter
// choice costs more than the compression, for a file of the same size (see bench/README.md).
// Nothing for a null image or when libpng fails. Safe to call from any thread.
std::optional<QByteArray> encodePng(const QImage &image);

// encodePng in standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks): the image text
// of the recognition requests.
std::optional<QByteArray> encodePngBase64(const QImage &image);

} // namespace lumeno
