#include "DrawPathView.h"
#include "FakeDesktop.h"
#include "ScreenShotManager.h"
#include "ScreenShotView.h"

#include <QPainterPath>
#include <gtest/gtest.h>

using namespace lumeno;

namespace {

class CaptureViewTest : public ::testing::Test
{
protected:
    // What the view draws over a transparent panel.
    QImage render(ScreenShotView &view)
    {
        QImage out(view.size(), QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::transparent);
        view.render(&out, {}, {}, QWidget::DrawChildren);
        return out;
    }
    QImage grab(QColor color, double dpr = 1)
    {
        QImage image(int(200 * dpr), int(100 * dpr), QImage::Format_RGB32);
        image.fill(color);
        image.setDevicePixelRatio(dpr);
        return image;
    }

    FakeDesktop m_desktop;
    ScreenShotManager m_manager{m_desktop};
    ScreenShotView m_view{m_manager, Rect{0, 0, 200, 100}};
};

const QRgb kBorder = qRgb(17, 145, 254);

} // namespace

TEST_F(CaptureViewTest, WithoutAnImageNothingIsDrawn)
{
    m_view.setSelection(std::nullopt, Rect{10, 10, 50, 50});
    const QImage out = render(m_view);
    EXPECT_EQ(out, [&] {
        QImage empty(out.size(), out.format());
        empty.fill(Qt::transparent);
        return empty;
    }());
}

// A selection at panel (20, 30, 100, 40), y up: widget rows 30 to 70.
TEST_F(CaptureViewTest, DrawsTheImageInsideTheBorderAndHandlesOnlyInAdjust)
{
    m_view.setSelection(grab(Qt::green), Rect{20, 30, 100, 40});
    m_manager.setCaptureState(CaptureState::highlight);
    QImage out = render(m_view);
    EXPECT_EQ(out.pixel(70, 50), qRgb(0, 255, 0));
    EXPECT_EQ(out.pixel(70, 30) & 0xffffff, kBorder & 0xffffff);
    EXPECT_EQ(qAlpha(out.pixel(150, 50)), 0);    // outside stays veiled
    EXPECT_EQ(qAlpha(out.pixel(20 - 4, 30)), 0); // no handle at the top-left corner
    m_manager.setCaptureState(CaptureState::adjust);
    out = render(m_view);
    EXPECT_EQ(out.pixel(20 - 4, 30), qRgb(255, 255, 255));
    EXPECT_EQ(out.pixel(120 + 3, 50), qRgb(255, 255, 255));    // right-middle
    EXPECT_EQ(out.pixel(70 + 2, 70 + 2), qRgb(255, 255, 255)); // bottom-middle
}

TEST_F(CaptureViewTest, SelectionPastTheViewIsClippedAndOneThatMissesIsZero)
{
    m_view.setSelection(grab(Qt::green), Rect{150, 50, 200, 200});
    EXPECT_EQ(m_view.clippedDrawingRect(), (Rect{150, 50, 50, 50}));
    const QImage out = render(m_view);
    EXPECT_EQ(out.pixel(175, 25), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(out.pixel(175, 75)), 0);
    m_view.setSelection(grab(Qt::green), Rect{500, 500, 10, 10});
    EXPECT_EQ(m_view.clippedDrawingRect(), Rect{});
}

TEST_F(CaptureViewTest, HighRatioGrabIsDrawnFromTheMatchingPixels)
{
    QImage image = grab(Qt::black, 2);
    image.setPixelColor(2 * 60, 2 * 50, Qt::red); // point (60, 50) from the top
    image.setPixelColor(2 * 60 + 1, 2 * 50, Qt::red);
    image.setPixelColor(2 * 60, 2 * 50 + 1, Qt::red);
    image.setPixelColor(2 * 60 + 1, 2 * 50 + 1, Qt::red);
    m_view.setSelection(image, Rect{40, 20, 60, 60});
    EXPECT_EQ(render(m_view).pixel(60, 50), qRgb(255, 0, 0));
}

struct ShapeCase
{
    const char *name;
    DrawType type;
    Point start;
    Point end;
    QRectF bounds; // empty: nothing drawn
};

class CaptureAnnotationShape : public ::testing::TestWithParam<ShapeCase>
{
};

// The view covers the whole 800 x 600 screen at (0, 0): panel points are global points.
TEST_P(CaptureAnnotationShape, OutlineFollowsTheDrag)
{
    const ShapeCase &c = GetParam();
    const QPainterPath path =
        DrawPathView::shapePath(DrawPathInfo(c.start, c.end, c.type), Rect{0, 0, 800, 600}, {});
    if (c.bounds.isNull()) {
        EXPECT_TRUE(path.isEmpty());
        return;
    }
    const QRectF b = path.boundingRect();
    EXPECT_NEAR(b.left(), c.bounds.left(), 1e-9);
    EXPECT_NEAR(b.top(), c.bounds.top(), 1e-9);
    EXPECT_NEAR(b.width(), c.bounds.width(), 1e-9);
    EXPECT_NEAR(b.height(), c.bounds.height(), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CaptureAnnotationShape,
    ::testing::Values(
        ShapeCase{"rect", DrawType::rect, {10, 20}, {110, 70}, {10, 20, 100, 50}},
        ShapeCase{"rect_dragged_up_left", DrawType::rect, {110, 70}, {10, 20}, {10, 20, 100, 50}},
        ShapeCase{"thin_tall_rect_is_nothing", DrawType::rect, {10, 20}, {10.05, 400}, {}},
        ShapeCase{"ellipse", DrawType::ellipse, {110, 20}, {10, 70}, {10, 20, 100, 50}},
        ShapeCase{"short_arrow_is_nothing", DrawType::arrow, {10, 10}, {14, 6}, {}},
        ShapeCase{"arrow_along_x", DrawType::arrow, {10, 10}, {110, 10}, {10, 5, 100, 10}},
        ShapeCase{"arrow_down_only", DrawType::arrow, {10, 100}, {10, 94}, {5, 94, 10, 8}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(CaptureAnnotation, ArrowHeadSitsAtTheEndWithItsBarbsAndNotch)
{
    const QPainterPath path = DrawPathView::shapePath(
        DrawPathInfo({0, 0}, {0, 50}, DrawType::arrow), Rect{0, 0, 800, 600}, {});
    ASSERT_EQ(path.elementCount(), 7);
    const QPointF expected[] = {{0, 0}, {0, 50}, {-5, 42}, {0, 48}, {5, 42}, {0, 50}, {0, 0}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(path.elementAt(i).x, expected[i].x(), 1e-9) << i;
        EXPECT_NEAR(path.elementAt(i).y, expected[i].y(), 1e-9) << i;
    }
}
