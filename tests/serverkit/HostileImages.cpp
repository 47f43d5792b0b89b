#include "HostileImages.h"

#include <QtEndian>
#include <zlib.h>

namespace lumeno::testkit {

namespace {

void appendChunk(QByteArray &png, const char *type, const QByteArray &data)
{
    QByteArray length(4, '\0');
    qToBigEndian(static_cast<quint32>(data.size()), length.data());
    const QByteArray typed = QByteArray(type, 4) + data;
    QByteArray crc(4, '\0');
    qToBigEndian(static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef *>(typed.constData()),
                                            static_cast<uInt>(typed.size()))),
                 crc.data());
    png += length + typed + crc;
}

QByteArray header(int width, int height, int colourType)
{
    QByteArray ihdr(13, '\0');
    qToBigEndian(static_cast<quint32>(width), ihdr.data());
    qToBigEndian(static_cast<quint32>(height), ihdr.data() + 4);
    ihdr[8] = 8; // bits per sample
    ihdr[9] = static_cast<char>(colourType);
    return ihdr;
}

bool inked(DotPattern pattern, int x, int y)
{
    const bool dot = x % 6 < 3 && y % 6 < 3;
    switch (pattern) {
    case DotPattern::Dots:
        return dot;
    case DotPattern::Bars:
        return x % 6 < 3;
    case DotPattern::BarsAndDots:
        return x % 12 < 3 || (x % 12 >= 6 && x % 12 < 9 && y % 6 < 3);
    }
    return false;
}

} // namespace

QByteArray dottedPng(int side, DotPattern pattern)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header(side, side, 6));
    z_stream stream{};
    deflateInit(&stream, 9);
    QByteArray compressed;
    QByteArray row(1 + 4 * side, '\0');
    char buffer[1 << 16];
    // The pattern repeats every 12 rows, but every row goes through the compressor.
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const char level = inked(pattern, x, y) ? '\0' : '\xff';
            char *pixel = row.data() + 1 + 4 * x;
            pixel[0] = pixel[1] = pixel[2] = level;
            pixel[3] = '\xff';
        }
        stream.next_in = reinterpret_cast<Bytef *>(row.data());
        stream.avail_in = static_cast<uInt>(row.size());
        const int flush = y + 1 == side ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            compressed.append(buffer, static_cast<qsizetype>(sizeof buffer - stream.avail_out));
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

QByteArray damagedPng()
{
    const int side = 100;
    QByteArray raw;
    for (int y = 0; y < side; ++y)
        raw += '\0' + QByteArray(side, '\xff');
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    QByteArray compressed(static_cast<qsizetype>(size), '\0');
    compress(reinterpret_cast<Bytef *>(compressed.data()), &size,
             reinterpret_cast<const Bytef *>(raw.constData()), static_cast<uLong>(raw.size()));
    compressed.truncate(static_cast<qsizetype>(size / 2));
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header(side, side, 0));
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

QByteArray damagedJpeg()
{
    // Start of image, a JFIF header, one all-zero quantisation table, a 16x16 grey frame and a
    // scan header with no Huffman tables and a few bytes of data.
    return QByteArray("\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00"
                      "\xff\xdb\x00\x43\x00",
                      25) +
           QByteArray(64, '\0') +
           QByteArray("\xff\xc0\x00\x0b\x08\x00\x10\x00\x10\x01\x01\x11\x00"
                      "\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00",
                      23) +
           QByteArray(50, '\0');
}

} // namespace lumeno::testkit
