#include "ImageDecoder.h"

#include "DecoderMessages.h"

namespace lumeno {

namespace {

bool looksLikePngOrJpeg(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")) ||
           bytes.startsWith(QByteArrayLiteral("\xff\xd8\xff"));
}

const l_uint8 *data(const QByteArray &bytes)
{
    return reinterpret_cast<const l_uint8 *>(bytes.constData());
}

} // namespace

OrRefusal<ImageHeader> ImageDecoder::header(const QByteArray &bytes) const
{
    const Refusal notAnImage{QStringLiteral("The image is not a PNG or JPEG. Send the capture as "
                                            "PNG or JPEG.")};
    if (!looksLikePngOrJpeg(bytes))
        return notAnImage;
    l_int32 format = 0, width = 0, height = 0, bitsPerSample = 0, samples = 0, colormap = 0;
    if (pixReadHeaderMem(data(bytes), static_cast<size_t>(bytes.size()), &format, &width, &height,
                         &bitsPerSample, &samples, &colormap) != 0) {
        DecoderMessages::countDamagedImage();
        return Refusal{QStringLiteral("The image could not be read: its PNG or JPEG header is "
                                      "damaged. Capture the area again.")};
    }
    if (format != IFF_PNG && format != IFF_JFIF_JPEG)
        return notAnImage;
    const ImageHeader header{width, height};
    if (width <= 0 || height <= 0 || width > m_limits.maxSide || height > m_limits.maxSide ||
        header.pixels() > m_limits.maxPixels)
        return Refusal{QStringLiteral("The image is too large (%1 x %2 pixels): the limit is %3 "
                                      "pixels a side and %4 megapixels. Capture a smaller area.")
                           .arg(width)
                           .arg(height)
                           .arg(m_limits.maxSide)
                           .arg(m_limits.maxPixels / 1'000'000)};
    return header;
}

OrRefusal<PixPtr> ImageDecoder::decode(const QByteArray &bytes) const
{
    if (auto checked = header(bytes); auto *refusal = std::get_if<Refusal>(&checked))
        return std::move(*refusal);
    PixPtr pix(pixReadMem(data(bytes), static_cast<size_t>(bytes.size())));
    if (!pix) {
        DecoderMessages::countDamagedImage();
        return Refusal{QStringLiteral("The image could not be decoded: the PNG or JPEG data is "
                                      "damaged or cut short. Capture the area again.")};
    }
    return pix;
}

} // namespace lumeno
