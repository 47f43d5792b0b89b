#include "MemoryMapping.h"

#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace lumeno {

namespace {

void unmapImage(void *mapping)
{
    delete static_cast<MemoryMapping *>(mapping);
}

} // namespace

std::optional<MemoryMapping> MemoryMapping::anonymous(std::size_t bytes)
{
    if (bytes == 0)
        return std::nullopt;
    void *data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED)
        return std::nullopt;
    return MemoryMapping(static_cast<uchar *>(data), bytes);
}

std::optional<MemoryMapping> MemoryMapping::shared(std::size_t bytes, int &fd)
{
    if (bytes == 0)
        return std::nullopt;
    const int file = memfd_create("lumeno-image", MFD_CLOEXEC);
    if (file < 0)
        return std::nullopt;
    void *data = MAP_FAILED;
    if (ftruncate(file, off_t(bytes)) == 0)
        data = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (data == MAP_FAILED) {
        close(file);
        return std::nullopt;
    }
    fd = file;
    return MemoryMapping(static_cast<uchar *>(data), bytes);
}

std::optional<QImage> MemoryMapping::image(QSize size, QImage::Format format)
{
    const int bitsPerPixel = QImage::toPixelFormat(format).bitsPerPixel();
    if (size.isEmpty() || format == QImage::Format_Invalid || bitsPerPixel == 0)
        return std::nullopt;
    // Whole 32-bit words per line, as QImage keeps its own lines.
    const qsizetype bytesPerLine = (qsizetype(size.width()) * bitsPerPixel + 31) / 32 * 4;
    std::optional<MemoryMapping> mapping = anonymous(std::size_t(bytesPerLine) * size.height());
    if (!mapping)
        return std::nullopt;
    QImage image = toImage(std::move(*mapping), size, bytesPerLine, format);
    if (image.isNull())
        return std::nullopt;
    return image;
}

QImage MemoryMapping::toImage(MemoryMapping mapping, QSize size, qsizetype bytesPerLine,
                              QImage::Format format)
{
    auto *owner = new MemoryMapping(std::move(mapping));
    QImage image(owner->data(), size.width(), size.height(), bytesPerLine, format, unmapImage,
                 owner);
    // A null image never calls its cleanup.
    if (image.isNull())
        delete owner;
    return image;
}

MemoryMapping::MemoryMapping(MemoryMapping &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

MemoryMapping &MemoryMapping::operator=(MemoryMapping &&other) noexcept
{
    if (this != &other) {
        if (m_data)
            munmap(m_data, m_size);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

MemoryMapping::~MemoryMapping()
{
    if (m_data)
        munmap(m_data, m_size);
}

} // namespace lumeno
