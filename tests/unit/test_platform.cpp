#include "MemoryMapping.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace lumeno;

namespace {

// Whether the page holding the address is mapped in this process.
bool mapped(const void *address)
{
    const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    unsigned char resident = 0;
    return mincore(reinterpret_cast<void *>(std::uintptr_t(address) / page * page), 1, &resident) ==
           0;
}

struct ImageCase
{
    const char *name;
    QSize size;
    QImage::Format format;
};

class MappedImage : public ::testing::TestWithParam<ImageCase>
{
};

} // namespace

TEST_P(MappedImage, IsLaidOutAsQtLaysItOutAndDetachesOnWrite)
{
    const ImageCase &c = GetParam();
    std::optional<QImage> image = MemoryMapping::image(c.size, c.format);
    ASSERT_TRUE(image.has_value());
    QImage qts(c.size, c.format);
    EXPECT_EQ(image->size(), qts.size());
    EXPECT_EQ(image->format(), qts.format());
    EXPECT_EQ(image->bytesPerLine(), qts.bytesPerLine());
    // The same drawing gives the same pixels, up to the last one of the last line.
    for (QImage *target : {&*image, &qts}) {
        target->fill(Qt::red);
        target->setPixelColor(c.size.width() - 1, c.size.height() - 1, Qt::blue);
    }
    EXPECT_EQ(*image, qts);
    const uchar *bits = image->constBits();
    QImage copy = *image;
    copy.setPixelColor(0, 0, Qt::white);
    EXPECT_EQ(*image, qts) << "a copy that is written to has its own pixels";
    EXPECT_NE(copy, qts);
    EXPECT_EQ(image->constBits(), bits);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, MappedImage,
    ::testing::Values(ImageCase{"rgb32", {64, 48}, QImage::Format_RGB32},
                      ImageCase{"rgb888_odd_width", {37, 5}, QImage::Format_RGB888},
                      ImageCase{"grayscale_odd_width", {13, 3}, QImage::Format_Grayscale8},
                      ImageCase{"one_pixel", {1, 1}, QImage::Format_ARGB32}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(MemoryMapping, AnImageGivesItsMemoryBackWhenItsLastCopyGoes)
{
    const uchar *bits = nullptr;
    {
        std::optional<QImage> image = MemoryMapping::image({512, 512}, QImage::Format_RGB32);
        ASSERT_TRUE(image.has_value());
        image->fill(Qt::white);
        bits = image->constBits();
        const QImage copy = *image;
        image.reset();
        EXPECT_TRUE(mapped(bits)) << "a copy still holds it";
        EXPECT_EQ(copy.constBits(), bits);
    }
    EXPECT_FALSE(mapped(bits));
}

TEST(MemoryMapping, SharedMemoryIsTheSameMemoryThroughItsDescriptor)
{
    int fd = -1;
    std::optional<MemoryMapping> memory = MemoryMapping::shared(8192, fd);
    ASSERT_TRUE(memory.has_value());
    ASSERT_GE(fd, 0);
    void *other = mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    ASSERT_NE(other, MAP_FAILED);
    static_cast<uchar *>(other)[8000] = 42;
    EXPECT_EQ(memory->data()[8000], 42);
    munmap(other, 8192);
}

TEST(MemoryMapping, PopulateFaultsEveryPageInAndKeepsWhatTheyHold)
{
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t bytes = 64 * page;
    std::optional<MemoryMapping> memory = MemoryMapping::anonymous(bytes);
    ASSERT_TRUE(memory.has_value());
    uchar *data = memory->data();
    data[0] = 7;
    data[10 * page + 1] = 3;
    std::vector<unsigned char> resident(64);
    // From inside the first page: the page it starts in is taken whole. (Where the kernel backs
    // the mapping with huge pages, the two writes above have faulted everything in already.)
    MemoryMapping::populate(data + 5, bytes - 5);
    ASSERT_EQ(mincore(data, bytes, resident.data()), 0);
    EXPECT_EQ(std::count(resident.begin(), resident.end(), 0), 0);
    EXPECT_EQ(data[0], 7);
    EXPECT_EQ(data[10 * page + 1], 3);
    EXPECT_EQ(data[bytes - 1], 0);
}

TEST(MemoryMapping, NothingForNothing)
{
    int fd = -1;
    EXPECT_FALSE(MemoryMapping::anonymous(0).has_value());
    EXPECT_FALSE(MemoryMapping::shared(0, fd).has_value());
    EXPECT_FALSE(MemoryMapping::image({0, 10}, QImage::Format_RGB32).has_value());
    EXPECT_FALSE(MemoryMapping::image({10, 10}, QImage::Format_Invalid).has_value());
}
