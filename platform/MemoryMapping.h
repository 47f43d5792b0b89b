#pragma once

#include <QImage>
#include <cstddef>
#include <optional>

namespace lumeno {

// Memory mapped for one large image and handed back to the system the moment it is unmapped. A
// freed heap block of a screenful may stay with the process for good; a mapping never does.
class MemoryMapping
{
public:
    // Private memory. Not in huge pages: asking for them made a screenful's first touch stall
    // for tens of milliseconds while the kernel compacted memory. Nothing when the system refuses.
    static std::optional<MemoryMapping> anonymous(std::size_t bytes);
    // Memory that another process can map as well, through the descriptor written to fd, which
    // the caller then owns. Nothing when the system refuses.
    static std::optional<MemoryMapping> shared(std::size_t bytes, int &fd);
    // A new image in a mapping of its own, its pixels undefined; nothing when the system refuses.
    static std::optional<QImage> image(QSize size, QImage::Format format);
    // Faults in every page of the writable memory [data, data + bytes) from several threads at
    // once, without writing to it. A screenful of fresh memory that one thread touches first costs
    // it thousands of page faults in a row, as long as the copy into it. Does nothing where the
    // kernel cannot.
    static void populate(const uchar *data, std::size_t bytes);
    // An image over the mapping, which it takes over: unmapped when the image's last copy goes.
    // The mapping must hold bytesPerLine * size.height() bytes.
    static QImage toImage(MemoryMapping mapping, QSize size, qsizetype bytesPerLine,
                          QImage::Format format);

    MemoryMapping(MemoryMapping &&other) noexcept;
    MemoryMapping &operator=(MemoryMapping &&other) noexcept;
    MemoryMapping(const MemoryMapping &) = delete;
    MemoryMapping &operator=(const MemoryMapping &) = delete;
    ~MemoryMapping();

    uchar *data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    MemoryMapping(uchar *data, std::size_t size) : m_data(data), m_size(size) {}

    uchar *m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace lumeno
