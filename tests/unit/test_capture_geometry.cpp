#include "Geometry.h"
#include "QtScreens.h"
#include "SnipUtil.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

using namespace lumeno;

TEST(CaptureRect, ContainsIsHalfOpenOnBothAxes)
{
    const Rect r{10, 20, 30, 40};
    EXPECT_TRUE(r.contains(Point{10, 20}));
    EXPECT_FALSE(r.contains(Point{40, 30}));
    EXPECT_FALSE(r.contains(Point{20, 60}));
    EXPECT_TRUE(r.contains(Point{39.999, 59.999}));
    // A negative size describes the same area.
    EXPECT_TRUE((Rect{40, 60, -30, -40}).contains(Point{10, 20}));
}

TEST(CaptureRect, IntersectionIsZeroWhenDisjointOrOnlyTouching)
{
    EXPECT_EQ((Rect{0, 0, 10, 10}).intersected(Rect{5, 5, 10, 10}), (Rect{5, 5, 5, 5}));
    EXPECT_EQ((Rect{0, 0, 10, 10}).intersected(Rect{10, 0, 5, 5}), Rect{});
    EXPECT_EQ((Rect{0, 0, 10, 10}).intersected(Rect{50, 50, 5, 5}), Rect{});
    EXPECT_EQ((Rect{10, 10, -10, -10}).intersected(Rect{0, 0, 5, 5}), (Rect{0, 0, 5, 5}));
}

TEST(CaptureRect, StandardizeInsetAndContainment)
{
    EXPECT_EQ((Rect{100, 50, -40, -10}).standardized(), (Rect{60, 40, 40, 10}));
    EXPECT_EQ((Rect{0, 0, 100, 50}).insetBy(8), (Rect{8, 8, 84, 34}));
    EXPECT_EQ((Rect{0, 0, 100, 50}).insetBy(-8), (Rect{-8, -8, 116, 66}));
    EXPECT_TRUE((Rect{0, 0, 100, 50}).contains(Rect{0, 0, 100, 50}));
    EXPECT_FALSE((Rect{0, 0, 100, 50}).contains(Rect{1, 0, 100, 50}));
}

// A global selection on a screen with the given frame and ratio, and where it lands.
struct PanelCase
{
    const char *name;
    Rect screenFrame;
    double devicePixelRatio;
    Rect global;
    QRectF widget;
    QRect pixels;
};

class CapturePanelMapping : public ::testing::TestWithParam<PanelCase>
{
};

TEST_P(CapturePanelMapping, GlobalSelectionLandsInPanelWidgetAndImage)
{
    const PanelCase &c = GetParam();
    const Rect panel = geometry::globalToPanel(c.global, c.screenFrame);
    EXPECT_EQ(geometry::panelToWidget(panel, c.screenFrame.height), c.widget);
    EXPECT_EQ(geometry::panelToImage(panel, c.screenFrame.height, c.devicePixelRatio), c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Screens, CapturePanelMapping,
                         ::testing::Values(PanelCase{"primary_1x",
                                                     {0, 0, 800, 600},
                                                     1,
                                                     {100, 100, 201, 151},
                                                     {100, 349, 201, 151},
                                                     {100, 349, 201, 151}},
                                           PanelCase{"primary_2x",
                                                     {0, 0, 800, 600},
                                                     2,
                                                     {100, 100, 201, 151},
                                                     {100, 349, 201, 151},
                                                     {200, 698, 402, 302}},
                                           PanelCase{"left_and_lower_1_25x",
                                                     {-640, 20, 640, 480},
                                                     1.25,
                                                     {-600, 300, 80, 40},
                                                     {40, 160, 80, 40},
                                                     {50, 200, 100, 50}},
                                           PanelCase{"fraction_grows_outward_1_25x",
                                                     {0, 0, 800, 600},
                                                     1.25,
                                                     {1, 1, 1, 1},
                                                     {1, 598, 1, 1},
                                                     {1, 747, 2, 2}},
                                           PanelCase{"above_negative_origin_1_5x",
                                                     {-300, 600, 400, 300},
                                                     1.5,
                                                     {-300, 600, 400, 300},
                                                     {0, 0, 400, 300},
                                                     {0, 0, 600, 450}},
                                           PanelCase{"right_of_primary_2x",
                                                     {1920, -200, 1280, 720},
                                                     2,
                                                     {2000, -100, 100, 100},
                                                     {80, 520, 100, 100},
                                                     {160, 1040, 200, 200}}),
                         [](const auto &info) { return std::string(info.param.name); });

// Screens as Qt reports them on X11 at a scale factor: each keeps its native origin and divides
// only its size. A window's native frame lands in window-server points through its own screen.
struct NativeCase
{
    const char *name;
    QList<DesktopScreen> screens;
    Rect native;
    Rect windowServer;
};

class CaptureNativeMapping : public ::testing::TestWithParam<NativeCase>
{
};

TEST_P(CaptureNativeMapping, AFrameGoesThroughTheScreenThatHoldsIt)
{
    EXPECT_EQ(geometry::nativeToWindowServer(GetParam().native, GetParam().screens),
              GetParam().windowServer);
}

// Two 1280 x 800 monitors side by side at ratio 2 (each 640 x 400 points), the primary left.
const QList<DesktopScreen> kPairAt2{{nullptr, QRectF(0, 0, 640, 400), 2, {0, 0}},
                                    {nullptr, QRectF(1280, 0, 640, 400), 2, {1280, 0}}};

INSTANTIATE_TEST_SUITE_P(
    Screens, CaptureNativeMapping,
    ::testing::Values(
        NativeCase{"one_screen_1x",
                   {{nullptr, QRectF(0, 0, 1280, 800), 1, {0, 0}}},
                   {100, 50, 300, 200},
                   {100, 50, 300, 200}},
        NativeCase{"primary_left_2x", kPairAt2, {199, 130, 402, 325}, {99.5, 65, 201, 162.5}},
        NativeCase{"secondary_right_2x", kPairAt2, {1479, 130, 402, 325}, {1379.5, 65, 201, 162.5}},
        NativeCase{"primary_right_2x_secondary_at_a_negative_origin",
                   {{nullptr, QRectF(0, 0, 640, 400), 2, {1280, 0}},
                    {nullptr, QRectF(-1280, 0, 640, 400), 2, {0, 0}}},
                   {200, 150, 400, 300},
                   {-1180, 75, 200, 150}},
        NativeCase{"primary_right_2x_its_own_window",
                   {{nullptr, QRectF(0, 0, 640, 400), 2, {1280, 0}},
                    {nullptr, QRectF(-1280, 0, 640, 400), 2, {0, 0}}},
                   {1480, 150, 400, 300},
                   {100, 75, 200, 150}},
        NativeCase{"both_1_5x",
                   {{nullptr, QRectF(0, 0, 853, 533), 1.5, {0, 0}},
                    {nullptr, QRectF(1280, 0, 853, 533), 1.5, {1280, 0}}},
                   {1580, 300, 300, 150},
                   {1480, 200, 200, 100}},
        NativeCase{"both_1_25x_primary_below",
                   {{nullptr, QRectF(0, 0, 1024, 640), 1.25, {0, 600}},
                    {nullptr, QRectF(0, 760, 1024, 480), 1.25, {0, 0}}},
                   {100, 100, 250, 125},
                   {80, -520, 200, 100}},
        NativeCase{"mixed_ratios_secondary_2x_above_the_primary_bottom",
                   {{nullptr, QRectF(0, 0, 1280, 800), 1, {0, 0}},
                    {nullptr, QRectF(1280, 400, 640, 400), 2, {1280, 0}}},
                   {1480, 200, 400, 200},
                   {1380, 100, 200, 100}},
        NativeCase{"mixed_ratios_primary_window_unchanged",
                   {{nullptr, QRectF(0, 0, 1280, 800), 1, {0, 0}},
                    {nullptr, QRectF(1280, 400, 640, 400), 2, {1280, 0}}},
                   {100, 100, 50, 50},
                   {100, 100, 50, 50}},
        NativeCase{"across_the_boundary_the_centre_decides",
                   kPairAt2,
                   {1180, 100, 400, 100},
                   {1230, 50, 200, 50}},
        NativeCase{"off_every_screen_through_the_nearest",
                   kPairAt2,
                   {3000, 100, 100, 100},
                   {2140, 50, 50, 50}},
        NativeCase{"no_screens_unchanged", {}, {1, 2, 3, 4}, {1, 2, 3, 4}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CaptureSnipUtil, FlipUsesTheScreenAtTheOriginEvenWhenItIsNotFirst)
{
    QList<DesktopScreen> screens{{nullptr, QRectF(-1280, 0, 1280, 1024), 1, {0, 0}},
                                 {nullptr, QRectF(0, 0, 1920, 1080), 1, {1280, 0}}};
    EXPECT_EQ(SnipUtil::flipToScreenCoordinates(Rect{10, 20, 300, 200}, screens),
              (Rect{10, 860, 300, 200}));
    // Without a screen at the origin the first screen's height is used.
    screens[1].frame = QRectF(0.5 + 1920, 0, 1920, 1080);
    EXPECT_EQ(SnipUtil::flipToScreenCoordinates(Rect{10, 20, 300, 200}, screens),
              (Rect{10, 804, 300, 200}));
}

TEST(CaptureSnipUtil, CropKeepsRatioAndFailsOutsideTheImage)
{
    QImage grab(200, 100, QImage::Format_RGB32);
    grab.fill(Qt::black);
    grab.setDevicePixelRatio(2);
    const auto crop = SnipUtil::cropToJpeg(grab, QRect(10, 10, 40, 20));
    ASSERT_TRUE(crop.has_value());
    EXPECT_EQ(crop->size(), QSize(40, 20));
    EXPECT_EQ(crop->devicePixelRatio(), 2);
    EXPECT_FALSE(SnipUtil::cropToJpeg(grab, QRect(300, 10, 40, 20)).has_value());
}

namespace {

// Something a JPEG has work with: flat panels, hard edges, a gradient, text and grain.
QImage screenLike(QSize size, QImage::Format format, double ratio)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xf6, 0xf5, 0xf4));
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, size.width(), 12, QColor(0x30, 0x30, 0x38));
        QLinearGradient gradient(0, 0, size.width(), size.height());
        gradient.setColorAt(0, QColor(0x20, 0x60, 0xa0));
        gradient.setColorAt(1, QColor(0xe0, 0x90, 0x30));
        painter.fillRect(QRect(size.width() / 2, 20, size.width() / 3, size.height() / 2),
                         gradient);
        painter.setPen(Qt::black);
        painter.drawText(QPoint(8, size.height() - 10), QStringLiteral("Recognised text 0123"));
    }
    for (int y = size.height() / 2; y < size.height(); ++y)
        for (int x = 0; x < size.width() / 3; ++x)
            image.setPixel(x, y, qRgb((x * 7919 + y * 104729) % 251, (x + y) % 199, y % 97));
    image = image.convertToFormat(format);
    image.setDevicePixelRatio(ratio);
    return image;
}

// What the confirmation asked of Qt before: the crop through its JPEG writer at quality 100
// and back through its reader.
QImage qtRoundTrip(const QImage &image, const QRect &pixels)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    EXPECT_TRUE(writer.write(image.copy(pixels.intersected(image.rect()))));
    return QImage::fromData(bytes, "jpeg");
}

struct JpegCase
{
    const char *name;
    QSize size;
    QImage::Format format;
    double ratio;
    QRect crop;
};

class CaptureJpeg : public ::testing::TestWithParam<JpegCase>
{
};

} // namespace

TEST_P(CaptureJpeg, CropIsQtsOwnJpegRoundTripPixelForPixel)
{
    const JpegCase &c = GetParam();
    const QImage grab = screenLike(c.size, c.format, c.ratio);
    const std::optional<QImage> mine = SnipUtil::cropToJpeg(grab, c.crop);
    ASSERT_TRUE(mine.has_value());
    const QImage qts = qtRoundTrip(grab, c.crop);
    ASSERT_EQ(mine->size(), qts.size());
    EXPECT_EQ(mine->format(), QImage::Format_RGB32);
    EXPECT_EQ(mine->devicePixelRatio(), c.ratio);
    EXPECT_TRUE(*mine == qts);
    // Not the grab itself: JPEG at quality 100 still changes some pixels of this content.
    EXPECT_FALSE(*mine == grab.copy(c.crop).convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(
    Crops, CaptureJpeg,
    ::testing::Values(
        JpegCase{"whole_image", {301, 203}, QImage::Format_RGB32, 1, {0, 0, 301, 203}},
        JpegCase{"odd_offset_and_size", {301, 203}, QImage::Format_RGB32, 1, {7, 5, 123, 77}},
        JpegCase{"at_ratio_2", {400, 300}, QImage::Format_RGB32, 2, {33, 41, 250, 199}},
        JpegCase{"premultiplied_grab",
                 {160, 120},
                 QImage::Format_ARGB32_Premultiplied,
                 1,
                 {10, 10, 100, 90}},
        JpegCase{"three_byte_grab", {160, 120}, QImage::Format_RGB888, 1.5, {3, 0, 157, 120}},
        JpegCase{
            "reaching_past_the_grab", {160, 120}, QImage::Format_RGB32, 1, {100, 60, 100, 100}}),
    [](const auto &info) { return std::string(info.param.name); });

namespace {

// A grab over memory the test owns, which tells when the grab's last reference has let it go.
class TrackedGrab
{
public:
    explicit TrackedGrab(const QImage &content)
        : m_memory(content.constBits(), content.constBits() + content.sizeInBytes()),
          m_image(
              m_memory.data(), content.width(), content.height(), content.bytesPerLine(),
              content.format(), [](void *released) { *static_cast<bool *>(released) = true; },
              &m_released)
    {
    }

    QImage &image() { return m_image; }
    bool released() const { return m_released; }
    bool holds(const uchar *bits) const
    {
        const auto at = std::uintptr_t(bits), from = std::uintptr_t(m_memory.data());
        return at >= from && at < from + m_memory.size();
    }

private:
    std::vector<uchar> m_memory;
    bool m_released = false;
    QImage m_image;
};

struct HandOverCase
{
    const char *name;
    QSize grab;
    QRect crop;
    bool keepsTheGrab;
};

class CaptureHandOver : public ::testing::TestWithParam<HandOverCase>
{
};

} // namespace

TEST_P(CaptureHandOver, AGrabStillHeldIsNeitherWrittenNorKept)
{
    const HandOverCase &c = GetParam();
    const QImage content = screenLike(c.grab, QImage::Format_RGB32, 1);
    TrackedGrab grab(content);
    std::optional<QImage> image = SnipUtil::cropToJpeg(grab.image(), c.crop);
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(*image == qtRoundTrip(content, c.crop));
    EXPECT_TRUE(grab.image() == content);
    EXPECT_FALSE(grab.holds(image->constBits()));
    image.reset();
    EXPECT_FALSE(grab.released());
}

TEST_P(CaptureHandOver, AGrabHandedOverAloneHoldsTheImageOnlyWhenItFillsMostOfIt)
{
    const HandOverCase &c = GetParam();
    const QImage content = screenLike(c.grab, QImage::Format_RGB32, 1);
    TrackedGrab grab(content);
    std::optional<QImage> image = SnipUtil::cropToJpeg(std::move(grab.image()), c.crop);
    ASSERT_TRUE(image.has_value());
    EXPECT_TRUE(*image == qtRoundTrip(content, c.crop));
    EXPECT_EQ(image->bytesPerLine(), c.crop.width() * 4);
    EXPECT_EQ(grab.holds(image->constBits()), c.keepsTheGrab);
    EXPECT_EQ(grab.released(), !c.keepsTheGrab) << "while the image lives";
    image.reset();
    EXPECT_TRUE(grab.released()) << "once the image is gone";
}

INSTANTIATE_TEST_SUITE_P(
    Crops, CaptureHandOver,
    ::testing::Values(HandOverCase{"whole_screen", {301, 203}, {0, 0, 301, 203}, true},
                      HandOverCase{"most_of_the_screen", {301, 203}, {7, 5, 280, 190}, true},
                      HandOverCase{"a_window", {301, 203}, {7, 5, 123, 77}, false},
                      HandOverCase{
                          "a_word_on_a_full_hd_screen", {1920, 1080}, {900, 500, 100, 100}, false}),
    [](const auto &info) { return std::string(info.param.name); });

// A 100-row window from row 100 (y down) on a 1080-row primary screen flips to y 880 to 980.
TEST(CaptureCursor, CursorPixelLandsInsideTheWindowItIsOver)
{
    const QRectF primary(0, 0, 1920, 1080);
    const Rect window{50, 880, 100, 100};
    struct Case
    {
        QPoint cursor;
        bool inside;
    };
    for (const Case c : {Case{{50, 100}, true}, Case{{149, 199}, true}, Case{{50, 99}, false},
                         Case{{50, 200}, false}, Case{{150, 150}, false}}) {
        const QPointF p = QtScreens::cursorToGlobal(c.cursor, primary);
        EXPECT_EQ(window.contains(Point{p.x(), p.y()}), c.inside)
            << c.cursor.x() << "," << c.cursor.y();
    }
    // A primary screen that is not at Qt's origin (X11 puts the leftmost screen there).
    const QPointF p = QtScreens::cursorToGlobal({1930, 0}, QRectF(1920, 0, 1280, 1024));
    EXPECT_EQ(p, QPointF(10, 1023));
}
