#include "MemoryMapping.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

void MemoryMapping::populate(const uchar *data, std::size_t bytes)
{
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const std::uintptr_t first = std::uintptr_t(data) / page * page;
    const std::uintptr_t end = std::uintptr_t(data) + bytes;
    if (bytes == 0 || page == 0)
        return;
    // More threads than this gained nothing measurable on a 4K screenful.
    const auto threads = std::uintptr_t(std::clamp(QThread::idealThreadCount(), 1, 4));
    const std::uintptr_t pages = (end - first + page - 1) / page;
    const std::uintptr_t step = (pages + threads - 1) / threads * page;
    std::vector<std::pair<std::uintptr_t, std::uintptr_t>> bands;
    for (std::uintptr_t from = first; from < end; from += step)
        bands.emplace_back(from, std::min(step, end - from));
    QtConcurrent::blockingMap(bands, [](const std::pair<std::uintptr_t, std::uintptr_t> &band) {
        // Faults the pages in writable without changing them; only advice where unsupported.
        madvise(reinterpret_cast<void *>(band.first), band.second, MADV_POPULATE_WRITE);
    });
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
