// The tray program from the hot key to recognised, translated and copied text, driven under
// Xvfb with openbox and tint2 (tests/support/with-x11-session --tray) as a user would.
#include "ContentView.h"
#include "CopyIcon.h"
#include "FakeHttpServer.h"
#include "KeyHolder.h"
#include "LumenoObject.h"
#include "RequestConfig.h"
#include "ResultView.h"
#include "TextPane.h"
#include "TextTabView.h"
#include "Translation.h"
#include "TrayProgram.h"
#include "UserDefaults.h"
#include "X11Session.h"

#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace lumeno;
using namespace lumeno::e2e;

namespace {

// Qt's own wait gives up after 5 s, too soon for a loaded machine.
constexpr int kExposeMs = 20000;

const QString kPopoverName = QStringLiteral("Lumeno OCR");
const QString kTranslation = QStringLiteral("BONJOUR LUMENO");

// Where the popover's controls sit: the same widgets laid out in this process, which shares the
// program's style, fonts and screen.
class PopoverLayout
{
public:
    PopoverLayout()
        : m_store(m_dir.path() + "/defaults.json"), m_state(m_store),
          m_view(new ContentView(&m_state, QImage(10, 10, QImage::Format_RGB32)))
    {
        // Shown, so that every nested layout places its widgets, but never mapped.
        m_view.setAttribute(Qt::WA_DontShowOnScreen);
        m_view.show();
    }
    QSize size() const { return m_view.size(); }
    QPoint ocrButton() const { return centre(m_view.ocrButton()); }
    QPoint translateButton() const { return centre(m_view.translateButton()); }
    QPoint targetMenuButton() const { return centre(m_view.targetMenuButton()); }
    QPoint ocrCopyIcon() const { return centre(m_view.textTabView()->ocrPane()->copyIcon()); }
    QPoint translationCopyIcon() const
    {
        return centre(m_view.textTabView()->translationPane()->copyIcon());
    }

private:
    QPoint centre(const QWidget *widget) const
    {
        return widget->mapTo(&m_view, widget->rect().center());
    }

    QTemporaryDir m_dir;
    UserDefaults m_store;
    LumenoObject m_state;
    ResultView m_view;
};

// A window showing text that OCR must find.
class TextWindow : public QLabel
{
public:
    TextWindow() : QLabel(QStringLiteral("HELLO LUMENO 2026"))
    {
        setWindowTitle(QStringLiteral(" "));
        QFont big = font();
        big.setPixelSize(56);
        big.setBold(true);
        setFont(big);
        setAlignment(Qt::AlignCenter);
        setStyleSheet(QStringLiteral("QLabel { background: white; color: black; }"));
        setFixedSize(760, 200);
        move(200, 200);
        show();
    }
};

// The translation service: checks the signed form and answers with a fixed text.
class TranslationService
{
public:
    TranslationService()
    {
        m_server.setReplyFunction([this](const HttpRequest &request) {
            const QUrlQuery form(QString::fromUtf8(request.body));
            const QString appId = form.queryItemValue("appid", QUrl::FullyDecoded);
            const QString text = form.queryItemValue("q", QUrl::FullyDecoded);
            const QString salt = form.queryItemValue("salt", QUrl::FullyDecoded);
            const QByteArray expected =
                QCryptographicHash::hash((appId + text + salt + kTranslationSecretKey).toUtf8(),
                                         QCryptographicHash::Md5)
                    .toHex();
            m_signedCorrectly = !text.isEmpty() && appId == kTranslationAppId &&
                                form.queryItemValue("sign").toLatin1() == expected;
            if (!m_signedCorrectly)
                return HttpResponse{200, R"({"error_code":"54001","error_msg":"Invalid Sign"})",
                                    "application/json"};
            return HttpResponse{
                200,
                QStringLiteral(
                    R"({"from":"en","to":"fra","trans_result":[{"src":"x","dst":"%1"}]})")
                    .arg(kTranslation)
                    .toUtf8(),
                "application/json"};
        });
    }
    bool start() { return m_server.start().ok; }
    QUrl baseUrl() const { return m_server.baseUrl(); }
    bool signedCorrectly() const { return m_signedCorrectly; }
    size_t requestCount() const { return m_server.requests().size(); }

private:
    test::FakeHttpServer m_server;
    std::atomic<bool> m_signedCorrectly = false;
};

std::optional<X11Window> popover()
{
    return visibleWindowNamed(kPopoverName);
}

// Takes the text window with the hot key and waits for the popover.
std::optional<X11Window> captureTextWindow(const TextWindow &window)
{
    key(QStringLiteral("shift+ctrl+e"));
    if (!waitUntil(captureOverlayShown))
        return std::nullopt;
    const QPoint inside = window.mapToGlobal(window.rect().center());
    // The highlight follows the mouse; the release takes the window under it.
    xdotool({"mousemove", QString::number(inside.x() + 5), QString::number(inside.y())});
    click(inside);
    std::optional<X11Window> shown;
    waitUntil([&] { return (shown = popover()).has_value(); });
    return shown;
}

// The program's windows other than its tray icon, the popover and the capture overlays: the
// tray menu or an alert.
std::vector<X11Window> otherProgramWindows()
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    std::vector<X11Window> others;
    for (const X11Window &window : visibleWindows(QStringLiteral("lumeno-ocr")))
        if (window.geometry.size() != QSize(22, 22) && window.geometry.size() != screen &&
            window.name != kPopoverName)
            others.push_back(window);
    return others;
}

class TrayEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session --tray";
        ASSERT_TRUE(m_translation.start());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window, kExposeMs));
    }

    TextWindow m_window;
    TranslationService m_translation;
    PopoverLayout m_layout;
};

TEST_F(TrayEndToEnd, HotKeyCaptureRecognisesTranslatesAndCopies)
{
    OcrServer server;
    ASSERT_TRUE(server.start());
    TrayProgram program;
    ASSERT_TRUE(program.start(server.baseUrl(), m_translation.baseUrl()));

    const auto shown = captureTextWindow(m_window);
    ASSERT_TRUE(shown) << program.output().toStdString();
    ASSERT_EQ(shown->geometry.size(), m_layout.size()) << "the probe lays the popover out alike";
    const QPoint origin = shown->geometry.topLeft();

    click(origin + m_layout.ocrButton());
    ASSERT_TRUE(program.waitForOutput("LUMENO", 60s)) << program.output().toStdString();

    click(origin + m_layout.translateButton());
    ASSERT_TRUE(program.waitForOutput("Translation: " + kTranslation, 30s))
        << program.output().toStdString();
    EXPECT_TRUE(m_translation.signedCorrectly());
    saveScreenshot(shown->geometry, QStringLiteral("popover.png"));

    click(origin + m_layout.ocrCopyIcon());
    QString copied;
    ASSERT_TRUE(waitUntil([&] { return (copied = clipboardText()).contains("LUMENO"); }))
        << copied.toStdString();
    EXPECT_TRUE(copied.contains("HELLO")) << copied.toStdString();
    EXPECT_TRUE(program.output().contains(copied)) << "the pane holds exactly the recognised text";

    click(origin + m_layout.translationCopyIcon());
    EXPECT_TRUE(waitUntil([] { return clipboardText() == kTranslation; }));

    click(origin + m_layout.targetMenuButton());
    ASSERT_TRUE(waitUntil([] { return !otherProgramWindows().empty(); })) << "the target menu";
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitUntil([] { return otherProgramWindows().empty(); })) << "Escape closes it";
    EXPECT_TRUE(popover().has_value()) << "and leaves the popover with its text open";

    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitUntil([] { return !popover(); })) << "Escape closes the popover";
    EXPECT_TRUE(program.isRunning());
}

TEST_F(TrayEndToEnd, ThePopoverIsNoTaskOfItsOwn)
{
    TrayProgram program;
    ASSERT_TRUE(program.start(deadAddress(), m_translation.baseUrl()));
    const auto shown = captureTextWindow(m_window);
    ASSERT_TRUE(shown) << program.output().toStdString();
    const QString states =
        run(QStringLiteral("xprop"), {"-id", shown->id, "_NET_WM_STATE"}).value_or(QString());
    EXPECT_TRUE(states.contains("_NET_WM_STATE_SKIP_TASKBAR")) << states.toStdString();
    EXPECT_TRUE(states.contains("_NET_WM_STATE_SKIP_PAGER")) << states.toStdString();

    // Switching windows goes back and forth between the two ordinary windows, never to it.
    QWidget other;
    other.setWindowTitle(QStringLiteral("other"));
    other.setGeometry(300, 600, 300, 150);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other, kExposeMs));
    const QStringList ordinary{QString::number(m_window.winId()), QString::number(other.winId())};
    const auto active = [] {
        return run(QStringLiteral("xdotool"), {"getactivewindow"}).value_or(QString()).trimmed();
    };
    click(shown->geometry.center());
    ASSERT_TRUE(waitUntil([&] { return active() == shown->id; }));
    QString previous = shown->id;
    for (int i = 0; i < 3; ++i) {
        key(QStringLiteral("alt+Tab"));
        QString now;
        EXPECT_TRUE(waitUntil([&] {
            now = active();
            return now != previous && ordinary.contains(now);
        })) << "switch "
            << i << " went to " << now.toStdString() << ", the popover is "
            << shown->id.toStdString();
        previous = now;
    }
}

TEST_F(TrayEndToEnd, AHotKeyHeldElsewhereLeavesTheMenuItemWorkingAndEscapeOpensNothing)
{
    KeyHolder holder;
    ASSERT_TRUE(holder.grab());
    TrayProgram program;
    ASSERT_TRUE(program.start(deadAddress(), m_translation.baseUrl()));
    ASSERT_TRUE(program.waitForOutput("not registered", 10s)) << program.output().toStdString();
    EXPECT_EQ(program.output().count("not registered"), 1) << "one line, no more";
    EXPECT_TRUE(program.output().contains("Hot key Ctrl+Shift+E not registered"))
        << "keys named as on this platform: " << program.output().toStdString();

    key(QStringLiteral("shift+ctrl+e"));
    EXPECT_FALSE(waitUntil(captureOverlayShown, 1s)) << "the key belongs to the other program";

    click(trayIconCentre(), 3);
    ASSERT_TRUE(waitUntil([] { return !otherProgramWindows().empty(); })) << "the tray menu";
    // The first row is "Capture Screenshot".
    key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
    ASSERT_TRUE(waitUntil(captureOverlayShown)) << program.output().toStdString();

    key(QStringLiteral("Escape"));
    ASSERT_TRUE(waitUntil([] { return !captureOverlayShown(); }));
    ASSERT_TRUE(program.waitForOutput("post endcapture: kNotifyCaptureEnd", 10s));
    EXPECT_FALSE(waitUntil([] { return popover().has_value(); }, 1s)) << "a cancel opens nothing";

    // The item's key equivalent works while the menu is open, as the menu then has the keyboard.
    click(trayIconCentre(), 3);
    ASSERT_TRUE(waitUntil([] { return !otherProgramWindows().empty(); })) << "the tray menu";
    key(QStringLiteral("shift+ctrl+e"));
    ASSERT_TRUE(waitUntil(captureOverlayShown)) << program.output().toStdString();
    EXPECT_TRUE(otherProgramWindows().empty()) << "the menu closed";
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitUntil([] { return !captureOverlayShown(); }));
    EXPECT_TRUE(program.isRunning());
}

TEST_F(TrayEndToEnd, AServerThatIsDownEndsInTheFailureAlert)
{
    TrayProgram program;
    ASSERT_TRUE(program.start(deadAddress(), m_translation.baseUrl()));
    const auto shown = captureTextWindow(m_window);
    ASSERT_TRUE(shown) << program.output().toStdString();

    click(shown->geometry.topLeft() + m_layout.ocrButton());
    std::vector<X11Window> alerts;
    ASSERT_TRUE(waitUntil([&] { return !(alerts = otherProgramWindows()).empty(); }))
        << program.output().toStdString();
    // The alert with its decorations, message and "OK" lies inside the screen's available
    // area, although the popover hangs at the screen's right edge above the panel.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QRect alert;
    EXPECT_TRUE(waitUntil([&] {
        const auto shown = otherProgramWindows();
        alert = shown.empty() ? QRect() : frameOf(shown.front());
        return available.contains(alert);
    })) << alert.x()
        << "," << alert.y() << " " << alert.width() << "x" << alert.height();
    // The whole screen: the window manager moves the decorated alert after it is mapped.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    saveScreenshot(screen, QStringLiteral("server-down-alert.png"));
    key(QStringLiteral("Return"));
    EXPECT_TRUE(waitUntil([] { return otherProgramWindows().empty(); })) << "OK dismisses it";
    EXPECT_TRUE(popover().has_value()) << "the popover stays with its state";
}

} // namespace
