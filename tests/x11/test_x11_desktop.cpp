// The X11 desktop against a real X server with openbox: window list order, bounds and layers,
// and screen grabs. Run by with-x11-session.
#include "Geometry.h"
#include "QtScreens.h"
#include "TwoScreenSession.h"
#include "x11/X11Desktop.h"
#include "x11/X11ScreenGrab.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

using namespace lumeno;

namespace {

// Qt's own wait gives up after 5 s, too soon for a loaded machine.
constexpr int kExposeMs = 20000;

// A window that paints itself in one colour.
class Swatch : public QWidget
{
public:
    explicit Swatch(QColor color) : m_color(color) {}
    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), m_color); }

private:
    QColor m_color;
};

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto *reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

xcb_connection_t *connection()
{
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// Waits up to 20 s (a loaded machine is slow to map) until the condition holds.
bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 20000)
            return false;
        QTest::qWait(20);
    }
    return true;
}

class X11DesktopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_desktop = X11Desktop::create();
        ASSERT_TRUE(m_desktop) << "no X connection";
    }

    std::unique_ptr<X11Desktop> m_desktop;
};

// Where openbox put a top-level's frame, in root coordinates.
QRectF frameOf(const QWidget &w)
{
    return QRectF(w.frameGeometry());
}

} // namespace

TEST_F(X11DesktopTest, ListsWindowsFrontToBackWithFramesAndLayerZero)
{
    Swatch back(Qt::red), front(Qt::blue);
    back.setGeometry(100, 100, 300, 200);
    front.setGeometry(250, 180, 300, 200);
    back.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&back, kExposeMs));
    front.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&front, kExposeMs));
    // Framed by the window manager and stacked: the front window was mapped last.
    ASSERT_TRUE(waitFor([&] {
        const auto list = m_desktop->windowList();
        return list.size() == 2 && list[0].bounds == frameOf(front) &&
               list[1].bounds == frameOf(back) && frameOf(front) != QRectF(front.geometry());
    })) << "window list never settled";
    const auto list = m_desktop->windowList();
    EXPECT_EQ(list[0].layer, 0);
    EXPECT_EQ(list[1].layer, 0);
    // The frame includes the title bar above the client area.
    EXPECT_LT(list[0].bounds->top(), front.geometry().top());

    back.raise();
    back.activateWindow();
    EXPECT_TRUE(waitFor([&] {
        const auto l = m_desktop->windowList();
        return l.size() == 2 && l[0].bounds == frameOf(back);
    })) << "raising the back window did not bring it first";
}

TEST_F(X11DesktopTest, DockWindowHasAPositiveLayer)
{
    Swatch dock(Qt::darkGray), normal(Qt::green);
    dock.setGeometry(0, 0, 400, 30);
    dock.winId();
    xcb_connection_t *c = connection();
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dockType = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, xcb_window_t(dock.winId()), type, XCB_ATOM_ATOM,
                        32, 1, &dockType);
    xcb_flush(c);
    normal.setGeometry(300, 300, 200, 100);
    normal.show();
    dock.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dock, kExposeMs));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&normal, kExposeMs));
    ASSERT_TRUE(waitFor([&] { return m_desktop->windowList().size() == 2; }));
    bool sawDock = false, sawNormal = false;
    for (const DesktopWindow &w : m_desktop->windowList()) {
        if (w.bounds == frameOf(dock)) {
            sawDock = true;
            EXPECT_GT(w.layer, 0);
        } else {
            sawNormal = true;
            EXPECT_EQ(w.layer, 0);
        }
    }
    EXPECT_TRUE(sawDock);
    EXPECT_TRUE(sawNormal);
}

TEST_F(X11DesktopTest, GrabShowsWhatAWindowPainted)
{
    Swatch swatch(QColor(200, 30, 60));
    swatch.setGeometry(500, 400, 120, 80);
    swatch.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&swatch, kExposeMs));
    const auto screens = m_desktop->screens();
    ASSERT_FALSE(screens.isEmpty());
    const QRect client = swatch.geometry();
    ASSERT_TRUE(waitFor([&] {
        const auto grab = m_desktop->grabScreen(screens.first());
        return grab && grab->pixelColor(client.center()) == QColor(200, 30, 60);
    }));
    const auto grab = m_desktop->grabScreen(screens.first());
    EXPECT_EQ(grab->size(), screens.first().screen->geometry().size());
    EXPECT_EQ(grab->pixelColor(client.topLeft()), QColor(200, 30, 60));
    EXPECT_EQ(grab->pixelColor(client.bottomRight()), QColor(200, 30, 60));
    EXPECT_NE(grab->pixelColor(client.bottomRight() + QPoint(1, 1)), QColor(200, 30, 60));
}

TEST_F(X11DesktopTest, ScreensAndMouseAreInTheGlobalSpace)
{
    const auto screens = m_desktop->screens();
    ASSERT_FALSE(screens.isEmpty());
    const QRect g = screens.first().screen->geometry();
    EXPECT_EQ(screens.first().frame, QRectF(0, 0, g.width(), g.height()));
    QCursor::setPos(10, 20);
    ASSERT_TRUE(waitFor([] { return QCursor::pos() == QPoint(10, 20); }));
    EXPECT_EQ(m_desktop->mouseLocation(), QPointF(10, g.height() - 21));
}

// Run at Qt scale factors (QT_SCALE_FACTOR) on two monitors: the window list stays in the X
// server's pixels, and each frame becomes, through the screen holding it, the rectangle where
// Qt itself shows that window.
TEST_F(X11DesktopTest, OnTwoScreensEachFrameLandsWhereQtShowsItsWindow)
{
    LUMENO_REQUIRE_TWO_SCREENS();
    const QList<QScreen *> screens = QGuiApplication::screens();
    std::vector<std::unique_ptr<Swatch>> swatches;
    for (QScreen *screen : screens) {
        auto swatch = std::make_unique<Swatch>(Qt::blue);
        swatch->setGeometry(QRect(screen->geometry().topLeft() + QPoint(100, 80), QSize(300, 200)));
        swatch->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(swatch.get(), kExposeMs));
        swatches.push_back(std::move(swatch));
    }
    const QPoint primary = QGuiApplication::primaryScreen()->geometry().topLeft();
    // Within a point: Qt rounds a window's geometry to whole points, the conversion does not.
    const auto lands = [&](const DesktopWindow &entry, const QWidget &w) {
        const QRectF expected = QRectF(w.frameGeometry()).translated(-primary);
        const Rect r = geometry::nativeToWindowServer(
            {entry.bounds->x(), entry.bounds->y(), entry.bounds->width(), entry.bounds->height()},
            m_desktop->screens());
        return std::abs(r.x - expected.x()) <= 1 && std::abs(r.y - expected.y()) <= 1 &&
               std::abs(r.width - expected.width()) <= 1 &&
               std::abs(r.height - expected.height()) <= 1;
    };
    // Framed by openbox, then every window has its entry.
    EXPECT_TRUE(waitFor([&] {
        const auto list = m_desktop->windowList();
        for (const auto &swatch : swatches) {
            if (swatch->frameGeometry() == swatch->geometry())
                return false;
            if (std::none_of(list.begin(), list.end(),
                             [&](const DesktopWindow &e) { return e.bounds && lands(e, *swatch); }))
                return false;
        }
        return list.size() == qsizetype(swatches.size());
    })) << "a frame landed on no window";
}

// Alone and on two monitors at every scale factor the suites list: the shared-memory grab of
// each screen is Qt's own grab, pixel for pixel, at the same ratio, although Qt's geometry of a
// screen is rounded at a fractional factor.
TEST_F(X11DesktopTest, SharedMemoryGrabIsQtsOwnGrabOnTwoScreensToo)
{
    std::vector<std::unique_ptr<Swatch>> swatches;
    const QColor colours[] = {QColor(200, 30, 60), QColor(20, 160, 90)};
    for (QScreen *screen : QGuiApplication::screens()) {
        auto swatch = std::make_unique<Swatch>(colours[swatches.size() % 2]);
        swatch->setGeometry(QRect(screen->geometry().topLeft() + QPoint(90, 70), QSize(301, 203)));
        swatch->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(swatch.get(), kExposeMs));
        swatches.push_back(std::move(swatch));
    }
    // Each swatch's centre, 240 x 171 points into its screen, shows in that screen's grab.
    const auto screens = m_desktop->screens();
    ASSERT_TRUE(waitFor([&] {
        for (size_t i = 0; i < swatches.size(); ++i) {
            const QScreen *qt = swatches[i]->screen();
            for (const DesktopScreen &screen : screens) {
                if (screen.screen != qt)
                    continue;
                const auto grab = QtScreens::grabScreen(screen);
                if (!grab)
                    return false;
                const QPointF centre = QPointF(240, 171) * grab->devicePixelRatio();
                if (grab->pixelColor(centre.toPoint()) != swatches[i]->color())
                    return false;
            }
        }
        return true;
    })) << "the swatches never showed";
    xcb_connection_t *c = connection();
    const X11ScreenGrab shared(c, *xcb_setup_roots_iterator(xcb_get_setup(c)).data);
    for (const DesktopScreen &screen : screens) {
        SCOPED_TRACE(screen.screen->name().toStdString());
        ASSERT_TRUE(waitFor([&] {
            const X11ScreenGrab::Outcome mine = shared.grab(screen);
            const std::optional<QImage> qts = QtScreens::grabScreen(screen);
            return mine.image && qts && *mine.image == *qts;
        })) << shared.grab(screen).why.toStdString();
        const X11ScreenGrab::Outcome mine = shared.grab(screen);
        const std::optional<QImage> qts = QtScreens::grabScreen(screen);
        EXPECT_EQ(mine.image->size(), qts->size());
        EXPECT_EQ(mine.image->format(), QImage::Format_RGB32);
        EXPECT_EQ(mine.image->devicePixelRatio(), qts->devicePixelRatio());
        // Every pixel opaque in memory, as RGB32 promises (pixel() would hide it).
        const QImage &image = *mine.image;
        bool opaque = true;
        for (int y = 0; y < image.height(); y += 7) {
            const auto *row = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); x += 5)
                opaque = opaque && row[x] >> 24 == 0xffu;
        }
        EXPECT_TRUE(opaque);
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
