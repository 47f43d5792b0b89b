// A whole capture on a real X server: a probe program opens it, xdotool plays the user and xclip
// reads what the probe put on the clipboard. Run by with-x11-session.
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

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

QImage screenNow()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(
        QImage::Format_RGB32);
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

class X11CaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_swatch.setGeometry(300, 200, 400, 300);
        m_swatch.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_swatch));
        // Framed by openbox and painted.
        ASSERT_TRUE(waitFor([&] {
            return m_swatch.frameGeometry() != m_swatch.geometry() &&
                   screenNow().pixel(m_swatch.geometry().topLeft()) == Swatch::kDark;
        }));
        m_before = screenNow();
    }
    void TearDown() override
    {
        m_probe.terminate();
        if (!m_probe.waitForFinished(10000))
            m_probe.kill();
        m_probe.waitForFinished(10000);
    }

    // Starts the probe and waits until its overlay is on screen.
    bool startCapture()
    {
        m_probe.setProgram(PROBE);
        m_probe.setProcessChannelMode(QProcess::SeparateChannels);
        m_probe.start();
        return waitForLine("probe: overlay painted");
    }
    bool waitForLine(const QByteArray &line)
    {
        return waitFor([&] {
            m_output += m_probe.readAllStandardOutput();
            return m_output.contains(line + "\n");
        });
    }

    Swatch m_swatch;
    QProcess m_probe;
    QByteArray m_output;
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
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
