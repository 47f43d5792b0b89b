#include "CaptureNotifications.h"
#include "FakeDesktop.h"
#include "NotificationCenter.h"
#include "ScreenShotController.h"
#include "ScreenShotManager.h"
#include "ScreenShotView.h"
#include "ScreenShotWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QThreadPool>
#include <cmath>
#include <gtest/gtest.h>

using namespace lumeno;

namespace {

QScreen *qtScreen(const QString &name)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

// The offscreen screens of test_capture_screens.json in the capture's global space.
DesktopScreen primaryScreen()
{
    return {qtScreen("primary"), QRectF(0, 0, 800, 600), 1, {0, 0}};
}

DesktopScreen leftScreen()
{
    return {qtScreen("left"), QRectF(-640, 20, 640, 480), 2, {-640, 100}};
}

DesktopWindow window(QRectF bounds, qint32 layer = 0)
{
    return {bounds, layer};
}

void drain()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

class CaptureManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_desktop.setScreens({primaryScreen()});
        m_desktop.setMouseLocation({400, 300});
        NotificationCenter::defaultCenter().addObserver(
            &m_observer, kNotifyCaptureEnd, [this](const Notification &n) { m_ends.push_back(n); });
    }
    void TearDown() override
    {
        m_manager.endCapture(std::nullopt);
        drain();
    }

    ScreenShotController &controller(size_t i) { return *m_manager.windowControllerArray().at(i); }
    // A confirmation's image is made on the thread pool; the capture ends when it is back.
    bool waitForEnd()
    {
        return QTest::qWaitFor([this] { return !m_ends.empty(); }, 20000);
    }
    ScreenShotView &view(size_t i) { return *controller(i).window()->contentView(); }
    void moveMouse(size_t screen, QPointF to)
    {
        m_desktop.setMouseLocation(to);
        controller(screen).onMouseMoved(0);
        drain();
    }

    FakeDesktop m_desktop;
    ScreenShotManager m_manager{m_desktop};
    QObject m_observer;
    std::vector<Notification> m_ends;
};

} // namespace

TEST_F(CaptureManagerTest, StartOpensOnePanelPerScreenAndTakesTheWindowListOnce)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_manager.startCapture();
    m_manager.startCapture();
    ASSERT_TRUE(m_manager.isWorking());
    EXPECT_EQ(m_manager.captureState(), CaptureState::highlight);
    ASSERT_EQ(m_manager.windowControllerArray().size(), 2u);
    EXPECT_EQ(m_desktop.windowListCount(), 1);
    EXPECT_EQ(m_desktop.grabCount(), 2);
    EXPECT_TRUE(controller(0).window()->isVisible());
    EXPECT_TRUE(controller(1).window()->isVisible());
    EXPECT_EQ(controller(1).window()->geometry(), QRect(-640, 100, 640, 480));
}

TEST_F(CaptureManagerTest, EveryScreenIsGrabbedBeforeAnyPanelShows)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    int visiblePanelsAtGrab = 0;
    m_desktop.onGrab = [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            visiblePanelsAtGrab += qobject_cast<ScreenShotWindow *>(w) && w->isVisible();
    };
    m_manager.startCapture();
    EXPECT_EQ(m_desktop.grabCount(), 2);
    EXPECT_EQ(visiblePanelsAtGrab, 0);
}

TEST_F(CaptureManagerTest, EndPostsOnceWithTheImageAndEmptiesTheControllers)
{
    m_manager.startCapture();
    QPointer<ScreenShotController> first = &controller(0);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    m_manager.endCapture(image);
    m_manager.endCapture(std::nullopt);
    EXPECT_FALSE(m_manager.isWorking());
    EXPECT_TRUE(m_manager.windowControllerArray().empty());
    ASSERT_EQ(m_ends.size(), 1u);
    ASSERT_TRUE(m_ends[0].userInfo.has_value());
    EXPECT_EQ(m_ends[0].userInfo->value(kCaptureImageKey).value<QImage>(), image);
    drain();
    EXPECT_TRUE(first.isNull());
}

TEST_F(CaptureManagerTest, EscapeOnTheSecondScreenEndsTheCaptureOnBoth)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_manager.startCapture();
    QPointer<ScreenShotWindow> first = controller(0).window();
    QPointer<ScreenShotWindow> second = controller(1).window();
    QTest::keyClick(second.data(), Qt::Key_A);
    EXPECT_TRUE(m_manager.isWorking());
    testing::internal::CaptureStdout();
    QTest::keyClick(second.data(), Qt::Key_Escape);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Escape has been pressed\n"), std::string::npos);
    EXPECT_NE(out.find("post endcapture: kNotifyCaptureEnd\n"), std::string::npos);
    EXPECT_FALSE(m_manager.isWorking());
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->isVisible());
    EXPECT_FALSE(second->isVisible());
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].userInfo.has_value());
    drain();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(second.isNull());
}

TEST_F(CaptureManagerTest, SpaceOrScreenChangeCancelsOnlyAnOpenCapture)
{
    testing::internal::CaptureStdout();
    m_desktop.emitActiveSpaceChanged({});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "--space changed-- {}\n");
    EXPECT_TRUE(m_ends.empty());

    m_manager.startCapture();
    m_desktop.emitActiveSpaceChanged({{"desktop", 2}});
    EXPECT_FALSE(m_manager.isWorking());
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].userInfo.has_value());

    m_manager.startCapture();
    m_desktop.emitScreenParametersChanged({});
    EXPECT_FALSE(m_manager.isWorking());
    EXPECT_EQ(m_ends.size(), 2u);
}

TEST_F(CaptureManagerTest, TrackInitNamesTheViewFrame)
{
    testing::internal::CaptureStdout();
    m_manager.startCapture();
    EXPECT_NE(testing::internal::GetCapturedStdout().find("track init: (0.0, 0.0, 800.0, 600.0)\n"),
              std::string::npos);
}

// Where the mouse is, what the window list holds, and what the first screen then selects.
struct PickCase
{
    const char *name;
    QPointF mouse;
    QList<DesktopWindow> windows;
    Rect expected;
};

class CaptureWindowPick : public CaptureManagerTest, public ::testing::WithParamInterface<PickCase>
{
};

TEST_P(CaptureWindowPick, SelectsTheWindowUnderTheMouse)
{
    const PickCase &c = GetParam();
    m_desktop.setMouseLocation(c.mouse);
    m_desktop.setWindowList(c.windows);
    m_manager.startCapture();
    EXPECT_EQ(controller(0).selection().captureWindowRect, c.expected);
}

const double kNaN = std::nan("");

// Window bounds are native pixels, y down from the top of the 800 x 600 primary screen at ratio
// 1; the mouse is y-up.
INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureWindowPick,
    ::testing::Values(PickCase{"ordinary_window_larger_than_the_screen",
                               {100, 500},
                               {window({-50, -50, 1000, 800})},
                               {-50, -150, 1000, 800}},
                      PickCase{"higher_layer_smaller_than_the_screen",
                               {100, 590},
                               {window({0, 0, 800, 30}, 25)},
                               {0, 570, 800, 30}},
                      PickCase{"higher_layer_of_the_screen_size_does_not_count",
                               {100, 500},
                               {window({0, 0, 800, 600}, 3), window({50, 50, 200, 200})},
                               {50, 350, 200, 200}},
                      PickCase{"desktop_level_never",
                               {100, 500},
                               {window({0, 0, 800, 600}, -2147483623)},
                               {0, 0, 800, 600}},
                      PickCase{"front_most_wins",
                               {100, 500},
                               {window({90, 90, 20, 20}), window({0, 0, 400, 400})},
                               {90, 490, 20, 20}},
                      PickCase{"no_list_means_the_whole_screen", {100, 500}, {}, {0, 0, 800, 600}},
                      PickCase{"entry_without_bounds_is_skipped",
                               {100, 500},
                               {DesktopWindow{std::nullopt, 0}, window({50, 50, 200, 200})},
                               {50, 350, 200, 200}},
                      PickCase{"invalid_rectangle_stops_the_pass",
                               {100, 500},
                               {window({kNaN, 0, 10, 10}), window({50, 50, 200, 200})},
                               {0, 0, 800, 600}},
                      PickCase{"window_not_under_the_mouse",
                               {700, 100},
                               {window({50, 50, 200, 200})},
                               {0, 0, 800, 600}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CaptureManagerTest, InvalidRectangleDrawsNothing)
{
    m_desktop.setWindowList({window({kNaN, 0, 10, 10})});
    m_manager.startCapture();
    drain();
    EXPECT_FALSE(view(0).image().has_value());
}

TEST_F(CaptureManagerTest, HighlightReachesTheViewAndRepeatsAreSkipped)
{
    m_desktop.setWindowList({window({50, 50, 200, 200})});
    m_desktop.setMouseLocation({100, 500});
    m_manager.startCapture();
    drain();
    ASSERT_TRUE(view(0).image().has_value());
    EXPECT_EQ(view(0).drawingRect(), (Rect{50, 350, 200, 200}));
    // Once the view has it, a move inside the same window queues nothing.
    view(0).setSelection(std::nullopt, Rect{});
    moveMouse(0, {110, 510});
    EXPECT_FALSE(view(0).image().has_value());
    moveMouse(0, {400, 100});
    EXPECT_EQ(view(0).drawingRect(), (Rect{0, 0, 800, 600}));
}

// A grab of one flat colour, so the veil's effect can be read off any pixel.
const QRgb kGrabColour = qRgb(40, 90, 160);

QImage flatGrab(const DesktopScreen &screen)
{
    QImage grab = FakeDesktop::blankGrab(screen);
    grab.fill(kGrabColour);
    return grab;
}

// A third of the way to white, as the veil lightens what it covers.
bool veiled(QRgb pixel)
{
    const auto near = [](int c, int plain) {
        return std::abs(c - (plain + (255 - plain) / 3)) <= 2;
    };
    return near(qRed(pixel), qRed(kGrabColour)) && near(qGreen(pixel), qGreen(kGrabColour)) &&
           near(qBlue(pixel), qBlue(kGrabColour));
}

// What the panel shows, rendered at its screen's ratio so each device pixel can be read.
QImage renderPanel(ScreenShotWindow &panel, double ratio)
{
    QImage out((QSizeF(panel.size()) * ratio).toSize(), QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    out.fill(Qt::black);
    panel.render(&out);
    return out;
}

// A drag on one screen, and panel points (widget pixels, y down) that must show the grab plainly
// and veiled: the veiled ones lie just outside the border, and far away.
struct VeilCase
{
    const char *name;
    size_t screen;
    QPointF from;
    QPointF to;
    QPoint plain;
    std::vector<QPoint> veiled;
};

class CaptureVeil : public CaptureManagerTest, public ::testing::WithParamInterface<VeilCase>
{
};

TEST_P(CaptureVeil, PanelShowsTheGrabPlainlyInsideTheSelectionAndVeiledAround)
{
    const VeilCase &c = GetParam();
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_desktop.setGrab(0, flatGrab(primaryScreen()));
    m_desktop.setGrab(1, flatGrab(leftScreen()));
    m_desktop.setMouseLocation(c.from);
    m_manager.startCapture();
    drain();
    ScreenShotController &ctl = controller(c.screen);
    ctl.onMouseDown(1);
    m_desktop.setMouseLocation(c.to);
    ctl.onMouseDragged(1);
    drain();
    const double ratio = c.screen == 0 ? 1 : 2;
    const QImage shown = renderPanel(*ctl.window(), ratio);
    const auto at = [&](QPoint p) { return shown.pixel((QPointF(p) * ratio).toPoint()); };
    EXPECT_EQ(at(c.plain), kGrabColour);
    for (const QPoint p : c.veiled)
        EXPECT_TRUE(veiled(at(p))) << p.x() << "," << p.y() << ": " << std::hex << at(p);
}

// The primary screen: the drag (100, 100) to (299, 199) covers widget rows 400 to 500. The left
// one at ratio 2: (-600, 300) to (-501, 349) is its panel's (40, 280, 100, 50), widget rows 150
// to 200.
INSTANTIATE_TEST_SUITE_P(
    Screens, CaptureVeil,
    ::testing::Values(VeilCase{"primary_at_ratio_1",
                               0,
                               {100, 100},
                               {299, 199},
                               {150, 450},
                               {{95, 450}, {150, 395}, {305, 450}, {150, 505}, {400, 100}}},
                      VeilCase{"left_at_ratio_2",
                               1,
                               {-600, 300},
                               {-501, 349},
                               {80, 170},
                               {{35, 170}, {80, 145}, {145, 170}, {80, 205}, {300, 400}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CaptureManagerTest, TheGrabIsSharedNotCopied)
{
    const QImage grab = flatGrab(primaryScreen());
    m_desktop.setGrab(0, grab);
    m_manager.startCapture();
    drain();
    ASSERT_TRUE(view(0).image().has_value());
    EXPECT_EQ(controller(0).originImage()->cacheKey(), grab.cacheKey());
    EXPECT_EQ(controller(0).window()->backgroundImage().cacheKey(), grab.cacheKey());
    EXPECT_EQ(view(0).image()->cacheKey(), grab.cacheKey());
}

// Counts what the panel repaints.
class PaintRecorder : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
    QRegion painted;
};

// Window A at widget (50, 50, 200, 200) and B at (500, 300, 200, 150) of the 800 x 600 primary.
TEST_F(CaptureManagerTest, MovingTheHighlightRepaintsOnlyTheWindowsItLeftAndEntered)
{
    const QRect a(50, 50, 200, 200), b(500, 300, 200, 150);
    m_desktop.setWindowList({window(a), window(b)});
    m_desktop.setMouseLocation({100, 500});
    m_manager.startCapture();
    drain();
    ASSERT_EQ(view(0).drawingRect(), (Rect{50, 350, 200, 200}));
    PaintRecorder recorder;
    controller(0).window()->installEventFilter(&recorder);
    moveMouse(0, {600, 200});
    ASSERT_EQ(view(0).drawingRect(), (Rect{500, 150, 200, 150}));
    // Both windows whole, border and all; nothing far from either.
    EXPECT_TRUE(recorder.painted.contains(a.adjusted(-2, -2, 2, 2)));
    EXPECT_TRUE(recorder.painted.contains(b.adjusted(-2, -2, 2, 2)));
    EXPECT_TRUE((recorder.painted - QRegion(a.adjusted(-10, -10, 10, 10)) -
                 QRegion(b.adjusted(-10, -10, 10, 10)))
                    .isEmpty());
    // What was repainted shows the right thing.
    const QImage shown = renderPanel(*controller(0).window(), 1);
    EXPECT_NE(shown.pixel(100, 100), shown.pixel(600, 400));
}

// Each step is an event on the first screen's controller, with the state it leaves.
struct StateStep
{
    enum Event
    {
        down,
        doubleDown,
        dragged,
        up,
        moved
    } event;
    CaptureState expected;
};

struct StateCase
{
    const char *name;
    CaptureState from;
    std::vector<StateStep> steps;
};

class CaptureStateMachine : public CaptureManagerTest,
                            public ::testing::WithParamInterface<StateCase>
{
};

// Without a grab no confirmation can end the capture, so every transition stays visible.
TEST_P(CaptureStateMachine, MovesThroughTheStates)
{
    const StateCase &c = GetParam();
    m_desktop.setGrab(0, std::nullopt);
    m_manager.startCapture();
    m_manager.setCaptureState(c.from);
    ScreenShotController &ctl = controller(0);
    double x = 400;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        m_desktop.setMouseLocation({x += 10, 300});
        switch (c.steps[i].event) {
        case StateStep::down:
            ctl.onMouseDown(1);
            break;
        case StateStep::doubleDown:
            ctl.onMouseDown(2);
            break;
        case StateStep::dragged:
            ctl.onMouseDragged(1);
            break;
        case StateStep::up:
            ctl.onMouseUp(1);
            break;
        case StateStep::moved:
            ctl.onMouseMoved(0);
            break;
        }
        EXPECT_EQ(m_manager.captureState(), c.steps[i].expected) << "step " << i;
        EXPECT_TRUE(m_manager.isWorking());
    }
}

using S = StateStep;
INSTANTIATE_TEST_SUITE_P(Table, CaptureStateMachine,
                         ::testing::Values(StateCase{"click",
                                                     CaptureState::highlight,
                                                     {{S::moved, CaptureState::highlight},
                                                      {S::down, CaptureState::firstMouseDown},
                                                      {S::up, CaptureState::adjust}}},
                                           StateCase{"drag",
                                                     CaptureState::highlight,
                                                     {{S::down, CaptureState::firstMouseDown},
                                                      {S::dragged, CaptureState::readyAdjust},
                                                      {S::dragged, CaptureState::readyAdjust},
                                                      {S::moved, CaptureState::readyAdjust},
                                                      {S::up, CaptureState::adjust}}},
                                           StateCase{"adjust_stays",
                                                     CaptureState::adjust,
                                                     {{S::down, CaptureState::adjust},
                                                      {S::dragged, CaptureState::adjust},
                                                      {S::up, CaptureState::adjust},
                                                      {S::doubleDown, CaptureState::adjust}}},
                                           StateCase{
                                               "double_click_in_highlight_is_a_plain_down",
                                               CaptureState::highlight,
                                               {{S::doubleDown, CaptureState::firstMouseDown}}},
                                           StateCase{"edit_is_left_alone",
                                                     CaptureState::edit,
                                                     {{S::down, CaptureState::edit},
                                                      {S::dragged, CaptureState::edit},
                                                      {S::up, CaptureState::edit}}}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CaptureManagerTest, NextStartSetsHighlightAgain)
{
    m_manager.startCapture();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_manager.isWorking());
    EXPECT_EQ(m_manager.captureState(), CaptureState::adjust);
    m_manager.startCapture();
    EXPECT_EQ(m_manager.captureState(), CaptureState::highlight);
}

TEST_F(CaptureManagerTest, ClickConfirmsTheHighlightedWindowOnTheClipboard)
{
    QImage grab = FakeDesktop::blankGrab(primaryScreen());
    QPainter(&grab).fillRect(QRect(50, 50, 200, 200), Qt::red);
    m_desktop.setGrab(0, grab);
    m_desktop.setWindowList({window({50, 50, 200, 200})});
    m_desktop.setMouseLocation({100, 500});
    m_manager.startCapture();
    QPointer<ScreenShotWindow> panel = controller(0).window();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    EXPECT_FALSE(panel->isVisible());
    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(m_ends.size(), 1u);
    ASSERT_TRUE(m_ends[0].userInfo.has_value());
    const QImage image = m_ends[0].userInfo->value(kCaptureImageKey).value<QImage>();
    EXPECT_EQ(image.size(), QSize(200, 200));
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(200, 200));
    const QColor centre = image.pixelColor(100, 100);
    EXPECT_GT(centre.red(), 250);
    EXPECT_LT(centre.green(), 5);
}

TEST_F(CaptureManagerTest, ConfirmationSendsEveryPanelAwayAtOnceAndEndsWhenTheImageIsReady)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_manager.startCapture();
    drain();
    const std::vector<QPointer<ScreenShotWindow>> panels{controller(0).window(),
                                                         controller(1).window()};
    const uchar *grabbed = controller(0).originImage()->constBits();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    for (size_t i = 0; i < panels.size(); ++i) {
        EXPECT_FALSE(panels[i]->isVisible());
        // Only the image in the making holds a grab now.
        EXPECT_FALSE(controller(i).originImage().has_value());
        EXPECT_TRUE(panels[i]->backgroundImage().isNull());
        EXPECT_FALSE(view(i).image().has_value());
    }
    EXPECT_TRUE(m_manager.isWorking()) << "open until the image is there";
    EXPECT_TRUE(m_ends.empty());
    m_manager.startCapture();
    EXPECT_EQ(m_manager.windowControllerArray().size(), 2u) << "no second capture meanwhile";
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_manager.isWorking());
    ASSERT_EQ(m_ends.size(), 1u);
    ASSERT_TRUE(m_ends[0].userInfo.has_value());
    const QImage image = m_ends[0].userInfo->value(kCaptureImageKey).value<QImage>();
    EXPECT_EQ(image.size(), QSize(800, 600));
    EXPECT_EQ(image.constBits(), grabbed) << "decoded into the spent grab, not fresh memory";
}

TEST_F(CaptureManagerTest, ReleasesWhileTheImageIsMadeConfirmOnce)
{
    m_manager.startCapture();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    controller(0).onMouseDown(2);
    controller(0).onMouseUp(1);
    ASSERT_TRUE(waitForEnd());
    QThreadPool::globalInstance()->waitForDone();
    drain();
    EXPECT_EQ(m_ends.size(), 1u);
}

// A change of the screens while the image is made ends the capture at once; the image that comes
// later touches neither the clipboard nor the next capture.
TEST_F(CaptureManagerTest, AScreenChangeWhileTheImageIsMadeCancelsAndTheImageIsDropped)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    m_manager.startCapture();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    m_desktop.emitScreenParametersChanged({});
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].userInfo.has_value());
    EXPECT_FALSE(m_manager.isWorking());
    m_manager.startCapture();
    QThreadPool::globalInstance()->waitForDone();
    drain();
    EXPECT_EQ(m_ends.size(), 1u);
    EXPECT_TRUE(m_manager.isWorking()) << "the next capture stays open";
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
}

TEST_F(CaptureManagerTest, DoubleClickConfirmsAtOnceOutsideHighlight)
{
    m_manager.startCapture();
    m_manager.setCaptureState(CaptureState::readyAdjust);
    controller(0).onMouseDown(2);
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_manager.isWorking());
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_TRUE(m_ends[0].userInfo.has_value());
}

TEST_F(CaptureManagerTest, ConfirmationThatCannotBeEncodedEndsWithoutAnImage)
{
    // Wider than a JPEG can be.
    const DesktopScreen wide{nullptr, QRectF(0, 0, 70000, 1), 1, {0, 0}};
    m_desktop.setScreens({wide});
    m_desktop.setMouseLocation({10, 0});
    m_manager.startCapture();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_manager.isWorking());
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_FALSE(m_ends[0].userInfo.has_value());
}

TEST_F(CaptureManagerTest, NoGrabLeavesTheCaptureOpenUntilEscape)
{
    m_desktop.setGrab(0, std::nullopt);
    m_manager.startCapture();
    controller(0).onMouseDown(1);
    controller(0).onMouseUp(1);
    EXPECT_TRUE(m_manager.isWorking());
    EXPECT_TRUE(m_ends.empty());
    QTest::keyClick(controller(0).window(), Qt::Key_Escape);
    EXPECT_FALSE(m_manager.isWorking());
    EXPECT_EQ(m_ends.size(), 1u);
}

// The left screen starts 640 points left of the primary and 20 above its bottom, at ratio 2: a
// red block at global (-600, 300, 100, 50) sits at its pixels (80, 300, 200, 100).
TEST_F(CaptureManagerTest, HandOverAndDragOnAScreenAwayFromTheOrigin)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    QImage grab = FakeDesktop::blankGrab(leftScreen());
    QPainter(&grab).fillRect(QRectF(40, 150, 100, 50), Qt::red); // points, at ratio 2
    m_desktop.setGrab(1, grab);
    m_manager.startCapture();
    drain();
    ASSERT_TRUE(view(0).image().has_value());

    // Onto the left screen: the primary's view is cleared and the left one takes over.
    moveMouse(0, {-500, 200});
    EXPECT_FALSE(view(0).image().has_value());
    ASSERT_TRUE(view(1).image().has_value());
    EXPECT_EQ(view(1).drawingRect(), (Rect{0, 0, 640, 480}));

    ScreenShotController &left = controller(1);
    m_desktop.setMouseLocation({-600, 300});
    left.onMouseDown(1);
    m_desktop.setMouseLocation({-501, 349});
    left.onMouseDragged(1);
    drain();
    EXPECT_EQ(left.selection().captureWindowRect, (Rect{-600, 300, 100, 50}));
    EXPECT_EQ(view(1).drawingRect(), (Rect{40, 280, 100, 50}));
    left.onMouseUp(1);

    ASSERT_TRUE(waitForEnd());
    ASSERT_EQ(m_ends.size(), 1u);
    ASSERT_TRUE(m_ends[0].userInfo.has_value());
    const QImage image = m_ends[0].userInfo->value(kCaptureImageKey).value<QImage>();
    EXPECT_EQ(image.size(), QSize(200, 100));
    EXPECT_EQ(image.devicePixelRatio(), 2);
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(0, 99), QPoint(199, 99)}) {
        const QColor c = image.pixelColor(p);
        EXPECT_GT(c.red(), 240) << p.x() << "," << p.y();
        EXPECT_LT(c.green() + c.blue(), 20) << p.x() << "," << p.y();
    }
}

// What an X server sends when the pointer goes from one screen's panel to the next: the panel
// it left gets a leave and no more motion; the panel it entered gets the motion.
TEST_F(CaptureManagerTest, TheScreenTheMouseLeftIsBackToThePlainVeil)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_desktop.setWindowList({window({100, 100, 200, 200})});
    m_desktop.setMouseLocation({150, 450});
    m_manager.startCapture();
    drain();
    ASSERT_TRUE(view(0).image().has_value());
    ASSERT_EQ(view(0).drawingRect(), (Rect{100, 300, 200, 200}));

    m_desktop.setMouseLocation({-500, 200});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(controller(0).window(), &leave);
    QTest::mouseMove(controller(1).window()->windowHandle(), QPoint(140, 300));
    drain();
    EXPECT_FALSE(view(0).image().has_value()) << "two highlights at once";
    ASSERT_TRUE(view(1).image().has_value());
    EXPECT_EQ(view(1).drawingRect(), (Rect{0, 0, 640, 480}));
}

TEST_F(CaptureManagerTest, HandOverIsIgnoredOutsideHighlightAndFromItself)
{
    m_desktop.setScreens({primaryScreen(), leftScreen()});
    m_manager.startCapture();
    drain();
    m_desktop.setMouseLocation({-500, 200});
    m_manager.setCaptureState(CaptureState::readyAdjust);
    controller(0).highlightWindowUnderMouse();
    drain();
    EXPECT_FALSE(view(1).image().has_value());

    m_manager.setCaptureState(CaptureState::highlight);
    NotificationCenter::defaultCenter().post(kNotifyMouseLocationChange, {},
                                             QVariantMap{{"context", 7}});
    drain();
    EXPECT_FALSE(view(1).image().has_value());
}

// The annotation layer's stroke, as the controller would drive it in state edit with a path
// view attached: the program itself never gets there.
TEST_F(CaptureManagerTest, InStateEditTheMouseDrawsARectangleInThePathViewAndStillConfirms)
{
    m_desktop.setWindowList({window({100, 100, 300, 200})});
    m_desktop.setMouseLocation({200, 350});
    m_manager.startCapture();
    drain();
    const Rect selection = controller(0).selection().captureWindowRect;
    ASSERT_FALSE(selection.isZero());
    auto *pathView = new DrawPathView(m_manager, Rect{0, 0, 800, 600}, &view(0));
    view(0).annotation().pathView = pathView;
    m_manager.setCaptureState(CaptureState::edit);

    m_desktop.setMouseLocation({selection.minX() - 5, selection.midY()});
    controller(0).onMouseDown(1);
    EXPECT_FALSE(controller(0).annotationStroke().rectDrawing) << "a press outside draws nothing";
    const Point start{selection.midX(), selection.midY()};
    m_desktop.setMouseLocation({start.x, start.y});
    testing::internal::CaptureStdout();
    controller(0).onMouseDown(1);
    m_desktop.setMouseLocation({start.x + 40, start.y - 30});
    controller(0).onMouseDragged(1);
    ASSERT_TRUE(pathView->currentInfo);
    EXPECT_EQ(pathView->currentInfo->startPoint, start);
    EXPECT_EQ(pathView->currentInfo->endPoint, (Point{start.x + 40, start.y - 30}));
    EXPECT_EQ(pathView->currentInfo->drawType, DrawType::rect);

    controller(0).onMouseUp(1);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.find("show toolkit"), std::string::npos) << "no toolkit in state edit";
    EXPECT_TRUE(pathView->rectArray.empty()) << "the finished shape is not kept";
    // The path view goes with its capture.
    ASSERT_TRUE(waitForEnd());
    EXPECT_FALSE(m_manager.isWorking()) << "the release confirms, as in every state";
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_TRUE(m_ends[0].userInfo);
}
