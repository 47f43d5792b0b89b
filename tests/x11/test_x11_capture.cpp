// A whole capture on a real X server: a probe program opens it, xdotool plays the user and xclip
// reads what the probe put on the clipboard. Run by with-x11-session.
#include "TwoScreenSession.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

// Qt's own wait gives up after 5 s, too soon for a loaded machine.
constexpr int kExposeMs = 20000;

// Four quadrants, dark and light in turn, so a crop that is off by one pixel in either direction
// shows in the luminance, which JPEG keeps sharp.
class Swatch : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const int w = width() / 2, h = height() / 2;
        p.fillRect(QRect(0, 0, w, h), kDark);
        p.fillRect(QRect(w, 0, width() - w, h), kLight);
        p.fillRect(QRect(0, h, w, height() - h), kLight);
        p.fillRect(QRect(w, h, width() - w, height() - h), kDark);
    }

public:
    static constexpr QRgb kDark = 0xff1e1e50;
    static constexpr QRgb kLight = 0xffe6e6c8;
};

bool waitFor(const std::function<bool()> &condition, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return false;
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

bool xdotool(const QStringList &args)
{
    return run("xdotool", args);
}

QImage clipboardImage()
{
    QByteArray png;
    if (!run("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"}, &png))
        return {};
    return QImage::fromData(png, "png");
}

// What every screen shows, placed as the screens lie on the root window. The test itself runs
// without Qt's scaling, so its coordinates are the X server's pixels.
QImage screenNow()
{
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QImage image(desktop.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (QScreen *screen : QGuiApplication::screens())
        painter.drawPixmap(screen->geometry().topLeft() - desktop.topLeft(), screen->grabWindow(0));
    return image;
}

// Mean difference per channel; JPEG at quality 100 stays within a few levels.
double meanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// The quadrants' corner sits at (column, row) of the image.
void expectCorner(const QImage &image, int column, int row)
{
    const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 90; };
    const auto light = [&](int x, int y) { return qGray(image.pixel(x, y)) > 170; };
    EXPECT_TRUE(dark(column - 1, row - 5));
    EXPECT_TRUE(light(column, row - 5));
    EXPECT_TRUE(dark(column - 5, row - 1));
    EXPECT_TRUE(light(column - 5, row));
}

// A pixel of the grab as the overlay's white veil shows it, outside any selection.
QRgb veiled(QRgb plain)
{
    const auto lighten = [](int c) { return c + qRound((255 - c) * 0.33); };
    return qRgb(lighten(qRed(plain)), lighten(qGreen(plain)), lighten(qBlue(plain)));
}

bool near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 3 && std::abs(qGreen(a) - qGreen(b)) <= 3 &&
           std::abs(qBlue(a) - qBlue(b)) <= 3;
}

// Whether another client can take the keyboard and the pointer, as it must once a capture has
// ended. Polled: the probe's releases reach the server when its event loop next flushes.
bool inputIsFree()
{
    return waitFor([] {
        xcb_connection_t *c = xcb_connect(nullptr, nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        auto *keyboard =
            xcb_grab_keyboard_reply(c,
                                    xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr);
        auto *pointer = xcb_grab_pointer_reply(c,
                                               xcb_grab_pointer(c, 0, root, 0, XCB_GRAB_MODE_ASYNC,
                                                                XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                                                XCB_NONE, XCB_CURRENT_TIME),
                                               nullptr);
        const bool free = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS && pointer &&
                          pointer->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(keyboard);
        std::free(pointer);
        xcb_disconnect(c); // gives back whatever this client took
        return free;
    });
}

// Shows the swatch at the given client geometry and waits until openbox has framed it and it
// shows its colours.
bool showSwatch(Swatch &swatch, const QRect &geometry)
{
    swatch.setGeometry(geometry);
    swatch.show();
    return QTest::qWaitForWindowExposed(&swatch, kExposeMs) && waitFor([&] {
               return swatch.frameGeometry() != swatch.geometry() &&
                      screenNow().pixel(swatch.geometry().topLeft()) == Swatch::kDark;
           });
}

// The probe: the capture as the tray program runs it, reporting on standard output.
class ProbeTest : public ::testing::Test
{
protected:
    void TearDown() override { stopProbe(); }

    void stopProbe()
    {
        if (m_probe.state() == QProcess::NotRunning)
            return;
        m_probe.terminate();
        if (!m_probe.waitForFinished(10000))
            m_probe.kill();
        m_probe.waitForFinished(10000);
    }

    // Starts the probe at the scale factors the suite names, and waits until its overlay is
    // painted on every screen.
    bool startCapture()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (environment.contains("LUMENO_PROBE_SCALE_FACTOR"))
            environment.insert("QT_SCALE_FACTOR", environment.value("LUMENO_PROBE_SCALE_FACTOR"));
        if (environment.contains("LUMENO_PROBE_SCREEN_SCALE_FACTORS"))
            environment.insert("QT_SCREEN_SCALE_FACTORS",
                               environment.value("LUMENO_PROBE_SCREEN_SCALE_FACTORS"));
        m_probe.setProcessEnvironment(environment);
        m_probe.setProgram(PROBE);
        m_probe.setProcessChannelMode(QProcess::SeparateChannels);
        m_output.clear();
        m_probe.start();
        return waitForLine("probe: overlay painted", QGuiApplication::screens().size());
    }
    bool waitForLine(const QByteArray &line, qsizetype times = 1)
    {
        return waitFor([&] {
            m_output += m_probe.readAllStandardOutput();
            return m_output.count(line + "\n") >= times;
        });
    }
    // The handlers read where the pointer is when they run, so a press must be handled before
    // the pointer moves on; the panel announces it with its toolkit line.
    bool pressButton()
    {
        const qsizetype before = m_output.count("show toolkit: ");
        return xdotool({"mousedown", "1"}) && waitFor([&] {
                   m_output += m_probe.readAllStandardOutput();
                   return m_output.count("show toolkit: ") > before;
               });
    }

    QProcess m_probe;
    QByteArray m_output;
};

class X11CaptureTest : public ProbeTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(showSwatch(m_swatch, QRect(300, 200, 400, 300)));
        m_before = screenNow();
    }

    Swatch m_swatch;
    QImage m_before;
};

// Two screens side by side; the probe may run at a scale factor (LUMENO_PROBE_SCALE_FACTOR, which
// the drag's expectations follow) or at one per screen (LUMENO_PROBE_SCREEN_SCALE_FACTORS) while
// this test and xdotool work in the X server's pixels. A swatch on each screen.
class TwoScreenCapture : public ProbeTest
{
protected:
    void SetUp() override
    {
        LUMENO_REQUIRE_TWO_SCREENS();
        const QList<QScreen *> screens = QGuiApplication::screens();
        m_scale = qEnvironmentVariableIntValue("LUMENO_PROBE_SCALE_FACTOR");
        if (m_scale < 1)
            m_scale = 1;
        m_primary = QGuiApplication::primaryScreen()->geometry();
        m_secondary =
            screens.at(screens.at(0) == QGuiApplication::primaryScreen() ? 1 : 0)->geometry();
        m_left = m_primary.x() < m_secondary.x() ? m_primary : m_secondary;
        ASSERT_TRUE(showSwatch(m_onPrimary, place(m_primary)));
        ASSERT_TRUE(showSwatch(m_onSecondary, place(m_secondary)));
        m_before = screenNow();
    }

    static QRect place(const QRect &screen)
    {
        return QRect(screen.topLeft() + QPoint(200, 150), QSize(400, 300));
    }
    // A point inside the swatch's dark top-left quadrant.
    static QPoint darkPoint(const Swatch &swatch)
    {
        return swatch.geometry().topLeft() + QPoint(100, 75);
    }
    static bool moveTo(QPoint p)
    {
        return xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
    }

    // Kept in the build folder, named after the suite's scale factors and primary side.
    void saveArtifact(const QImage &image, const QString &what) const
    {
        const QString scales =
            qEnvironmentVariable("LUMENO_PROBE_SCREEN_SCALE_FACTORS",
                                 qEnvironmentVariable("LUMENO_PROBE_SCALE_FACTOR", "1"))
                .replace(QRegularExpression("[^A-Za-z0-9.]+"), "-");
        const QString primary = m_primary.x() < m_secondary.x() ? "left" : "right";
        QDir().mkpath(LUMENO_X11_ARTIFACTS);
        image.save(QStringLiteral(LUMENO_X11_ARTIFACTS "/two-screens-%1-scale-%2-primary-%3.png")
                       .arg(what, scales, primary));
    }

    int m_scale = 1;
    QRect m_primary;
    QRect m_secondary;
    QRect m_left;
    Swatch m_onPrimary;
    Swatch m_onSecondary;
    QImage m_before;
};

} // namespace

TEST_F(X11CaptureTest, ClickTakesTheWindowUnderTheMouse)
{
    const QRect frame = m_swatch.frameGeometry();
    ASSERT_TRUE(xdotool({"mousemove", "500", "350"}));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    ASSERT_TRUE(xdotool({"click", "1"}));
    const QByteArray expected =
        QStringLiteral("probe: captured %1x%2").arg(frame.width()).arg(frame.height()).toUtf8();
    ASSERT_TRUE(waitForLine(expected)) << m_output.toStdString();
    const QImage clip = clipboardImage();
    ASSERT_EQ(clip.size(), frame.size());
    EXPECT_LE(meanDifference(clip.convertToFormat(QImage::Format_RGB32), m_before.copy(frame)), 4);
    const QRect client = m_swatch.geometry();
    expectCorner(clip, client.left() - frame.left() + 200, client.top() - frame.top() + 150);
    EXPECT_TRUE(inputIsFree());
}

TEST_F(X11CaptureTest, DragTakesTheDraggedRectangle)
{
    // Across the swatch's left edge and the corner of its quadrants at (500, 350).
    const QPoint from(250, 300), to(520, 420);
    ASSERT_TRUE(xdotool({"mousemove", "250", "300"}));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    // The handlers read where the pointer is when they run, so the press must be handled
    // before the pointer moves on; the panel announces it with its toolkit line.
    ASSERT_TRUE(waitFor([&] {
        m_output += m_probe.readAllStandardOutput();
        return m_output.contains("show toolkit: ");
    })) << m_output.toStdString();
    ASSERT_TRUE(xdotool({"mousemove", "400", "350"}));
    ASSERT_TRUE(xdotool({"mousemove", "520", "420"}));
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    ASSERT_TRUE(waitForLine("probe: captured 271x121")) << m_output.toStdString();
    const QImage clip = clipboardImage();
    ASSERT_EQ(clip.size(), QSize(271, 121));
    EXPECT_LE(
        meanDifference(clip.convertToFormat(QImage::Format_RGB32), m_before.copy(QRect(from, to))),
        4);
    expectCorner(clip, 500 - from.x(), 350 - from.y());
    EXPECT_TRUE(inputIsFree());
}

TEST_F(X11CaptureTest, EscapeCancelsAndLeavesTheClipboardAlone)
{
    QProcess owner;
    owner.start("xclip", {"-selection", "clipboard", "-i"});
    ASSERT_TRUE(owner.waitForStarted());
    owner.write("untouched");
    owner.closeWriteChannel();
    ASSERT_TRUE(owner.waitForFinished(10000)); // xclip forks a server and returns
    ASSERT_TRUE(xdotool({"mousemove", "500", "350"}));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitForLine("probe: cancelled")) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains("Escape has been pressed\n"));
    QByteArray text;
    ASSERT_TRUE(run("xclip", {"-selection", "clipboard", "-o"}, &text));
    EXPECT_EQ(text, "untouched");
    EXPECT_TRUE(inputIsFree());
}

TEST_F(X11CaptureTest, SwitchingTheVirtualDesktopCancels)
{
    ASSERT_TRUE(xdotool({"mousemove", "500", "350"}));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    ASSERT_TRUE(xdotool({"set_desktop", "1"}));
    const bool cancelled = waitForLine("probe: cancelled");
    // The other tests' windows live on the first desktop.
    EXPECT_TRUE(xdotool({"set_desktop", "0"}));
    ASSERT_TRUE(cancelled) << m_output.toStdString();
    EXPECT_TRUE(m_output.contains("--space changed-- "));
    EXPECT_FALSE(m_output.contains("probe: captured"));
    EXPECT_TRUE(inputIsFree());
}

TEST_F(TwoScreenCapture, TheScreenTheMouseLeftIsBackToThePlainVeil)
{
    const QPoint onPrimary = darkPoint(m_onPrimary), onSecondary = darkPoint(m_onSecondary);
    ASSERT_TRUE(moveTo(onPrimary));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    // The highlight shows its window plainly and the other screen's window veiled.
    ASSERT_TRUE(waitFor([&] {
        const QImage now = screenNow();
        return now.pixel(onPrimary) == Swatch::kDark &&
               near(now.pixel(onSecondary), veiled(Swatch::kDark));
    })) << "no highlight on the primary screen";

    ASSERT_TRUE(moveTo(onSecondary));
    ASSERT_TRUE(waitFor([&] { return screenNow().pixel(onSecondary) == Swatch::kDark; }))
        << "the highlight did not follow onto the other screen";
    // The whole window the mouse left, with the border round it, is back under the veil.
    const QRect left = m_onPrimary.frameGeometry().adjusted(-3, -3, 3, 3);
    QImage now;
    const bool plainVeil = waitFor([&] {
        now = screenNow();
        for (int y = left.top(); y <= left.bottom(); y += 3)
            for (int x = left.left(); x <= left.right(); x += 3)
                if (!near(now.pixel(x, y), veiled(m_before.pixel(x, y))))
                    return false;
        return true;
    });
    EXPECT_TRUE(plainVeil) << "two highlights at once";
    EXPECT_EQ(now.pixel(onSecondary), Swatch::kDark);
    saveArtifact(now, "hand-over");

    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitForLine("probe: cancelled")) << m_output.toStdString();
    EXPECT_TRUE(inputIsFree());
}

// The secondary screen first; the primary too, for with the primary on the right it is the screen
// whose pixels do not start at the root's origin.
TEST_F(TwoScreenCapture, AClickTakesExactlyTheWindowOnEitherScreen)
{
    for (const Swatch *swatch : {&m_onSecondary, &m_onPrimary}) {
        SCOPED_TRACE(swatch == &m_onPrimary ? "primary" : "secondary");
        const QRect frame = swatch->frameGeometry();
        ASSERT_TRUE(moveTo(swatch->geometry().center()));
        ASSERT_TRUE(startCapture()) << m_output.toStdString();
        ASSERT_TRUE(xdotool({"click", "1"}));
        const QByteArray expected =
            QStringLiteral("probe: captured %1x%2").arg(frame.width()).arg(frame.height()).toUtf8();
        ASSERT_TRUE(waitForLine(expected)) << m_output.toStdString();
        const QImage clip = clipboardImage();
        ASSERT_EQ(clip.size(), frame.size());
        EXPECT_LE(meanDifference(clip.convertToFormat(QImage::Format_RGB32), m_before.copy(frame)),
                  4);
        const QRect client = swatch->geometry();
        expectCorner(clip, client.left() - frame.left() + 200, client.top() - frame.top() + 150);
        EXPECT_TRUE(inputIsFree());
        stopProbe();
    }
}

TEST_F(TwoScreenCapture, ADragAcrossTheBoundaryIsClippedToItsOwnScreen)
{
    // A window across the boundary, the corner of its quadrants 100 pixels left of it.
    const int boundary = m_left.right() + 1;
    Swatch across;
    ASSERT_TRUE(showSwatch(across, QRect(boundary - 400, 230, 600, 300)));
    const QImage before = screenNow();

    const QPoint from(boundary - 200, 300), to(boundary + 150, 450);
    ASSERT_TRUE(moveTo(from));
    ASSERT_TRUE(startCapture()) << m_output.toStdString();
    ASSERT_TRUE(pressButton()) << m_output.toStdString();
    ASSERT_TRUE(moveTo(QPoint(boundary - 50, 400)));
    ASSERT_TRUE(moveTo(to));
    ASSERT_TRUE(xdotool({"mouseup", "1"}));

    // Whole points of the probe's scale: a point covers m_scale rows, the end point's included.
    const QRect taken(from, QSize(boundary - from.x(), to.y() - from.y() + m_scale));
    const QByteArray expected =
        QStringLiteral("probe: captured %1x%2").arg(taken.width()).arg(taken.height()).toUtf8();
    ASSERT_TRUE(waitForLine(expected)) << m_output.toStdString();
    const QImage clip = clipboardImage();
    ASSERT_EQ(clip.size(), taken.size());
    EXPECT_LE(meanDifference(clip.convertToFormat(QImage::Format_RGB32), before.copy(taken)), 4);
    expectCorner(clip, 100, across.geometry().top() + 150 - from.y());
    EXPECT_TRUE(inputIsFree());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
