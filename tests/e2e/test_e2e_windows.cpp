// The windows of the running tray program under Xvfb with openbox and tint2
// (tests/support/with-x11-session --tray): the preferences opened from the tray menu, a new
// shortcut recorded with real key presses and saved with "OK" and the global hot key following
// it; the About window; the first-run hint under the tray icon.
#include "FakeGlobalHotKey.h"
#include "LumenoObject.h"
#include "MainPopoverView.h"
#include "PreferenceView.h"
#include "PreferenceWindow.h"
#include "ShortcutKeyBox.h"
#include "ShortcutsView.h"
#include "TrayProgram.h"
#include "UserDefaults.h"
#include "X11Session.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace lumeno;
using namespace lumeno::e2e;

namespace {

const QString kWindowName = QStringLiteral("Preference");
const QString kHintName = QStringLiteral("Lumeno OCR Hint");

// Chooses the tray menu's row that this many Down presses reach.
void chooseTrayMenuRow(int downs)
{
    click(trayIconCentre(), 3);
    ASSERT_TRUE(waitUntil([] { return visibleWindows(QStringLiteral("lumeno-ocr")).size() > 1; }))
        << "the tray menu";
    for (int i = 0; i < downs; ++i)
        key(QStringLiteral("Down"));
    key(QStringLiteral("Return"));
}

// Where the window's controls sit: the same window laid out in this process, which shares the
// program's style, fonts and screen.
class PreferenceLayout
{
public:
    PreferenceLayout()
        : m_store(m_dir.path() + "/defaults.json"), m_state(m_store),
          m_window(makePreferenceWindow(m_state, {m_store, m_hotKey}))
    {
        m_window->setAttribute(Qt::WA_DontShowOnScreen);
        m_window->show();
    }
    ~PreferenceLayout() { delete m_window; }

    QSize size() const { return m_window->size(); }
    int tabCount() const { return tabs()->count(); }
    QString tabText(int tab) const { return tabs()->tabText(tab); }
    QPoint tab(int tab) const
    {
        return centre(tabs()->tabBar(), tabs()->tabBar()->tabRect(tab).center());
    }
    QPoint okButton() const
    {
        QWidget *ok = m_window->preferenceView()->okButton();
        return centre(ok, ok->rect().center());
    }
    QPoint keyBox()
    {
        tabs()->setCurrentIndex(PreferenceView::Shortcuts);
        auto *page = qobject_cast<ShortcutsView *>(tabs()->currentWidget());
        const QWidget *box = page->keyBox();
        return centre(box, box->rect().center());
    }

private:
    QTabWidget *tabs() const { return m_window->preferenceView()->tabView(); }
    QPoint centre(const QWidget *widget, QPoint at) const { return widget->mapTo(m_window, at); }

    QTemporaryDir m_dir;
    UserDefaults m_store;
    LumenoObject m_state;
    FakeGlobalHotKey m_hotKey;
    PreferenceWindow *m_window;
};

std::optional<QString> activeWindowId()
{
    const auto id = run(QStringLiteral("xdotool"), {"getactivewindow"});
    return id ? std::optional(id->trimmed()) : std::nullopt;
}

QJsonObject storedSettings(const TrayProgram &program)
{
    QFile file(program.configPath() + "/defaults.json");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

TEST(WindowsEndToEnd, ARecordedShortcutSavedWithOkBecomesTheGlobalHotKey)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session --tray";
    PreferenceLayout layout;
    TrayProgram program;
    ASSERT_TRUE(program.start(deadAddress(), deadAddress()));

    chooseTrayMenuRow(2);
    std::optional<X11Window> window;
    ASSERT_TRUE(waitUntil([&] { return (window = visibleWindowNamed(kWindowName)).has_value(); }))
        << program.output().toStdString();
    EXPECT_EQ(window->geometry.size(), QSize(550, 300));
    ASSERT_EQ(window->geometry.size(), layout.size()) << "the probe lays the window out alike";
    EXPECT_TRUE(waitUntil([&] { return activeWindowId() == window->id; }))
        << "the window comes to the front";
    const QPoint origin = window->geometry.topLeft();

    for (int tab = layout.tabCount() - 1; tab >= 0; --tab) {
        click(origin + layout.tab(tab));
        QTest::qWait(300);
        saveScreenshot(window->geometry,
                       QStringLiteral("preferences-%1.png")
                           .arg(layout.tabText(tab).replace(QLatin1Char(' '), QLatin1Char('-'))));
    }

    click(origin + layout.tab(PreferenceView::Shortcuts));
    click(origin + layout.keyBox());
    key(QStringLiteral("shift+ctrl+k"));
    ASSERT_TRUE(program.waitForOutput(QStringLiteral("keycode 40"), 10s))
        << program.output().toStdString();
    saveScreenshot(window->geometry, QStringLiteral("preferences-recorded.png"));
    click(origin + layout.okButton());
    ASSERT_TRUE(program.waitForOutput(QStringLiteral("Window will close"), 10s));
    EXPECT_TRUE(waitUntil([] { return !visibleWindowNamed(kWindowName); })) << "OK closes it";

    const QJsonObject stored = storedSettings(program);
    EXPECT_EQ(stored.value("hotKey"), QString::fromUtf8("⇧⌘K"));
    EXPECT_EQ(stored.value("eventCharacters"), "K");
    EXPECT_EQ(stored.value("keyCode"), 40);

    key(QStringLiteral("shift+ctrl+e"));
    EXPECT_FALSE(waitUntil(captureOverlayShown, 1s)) << "the old key starts nothing";
    key(QStringLiteral("shift+ctrl+k"));
    ASSERT_TRUE(waitUntil(captureOverlayShown)) << program.output().toStdString();
    key(QStringLiteral("Escape"));
    EXPECT_TRUE(waitUntil([] { return !captureOverlayShown(); }));
    EXPECT_TRUE(program.isRunning());
}

TEST(WindowsEndToEnd, AFirstStartHangsTheHintFromTheTrayIconUntilItsCloseButton)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session --tray";
    TrayProgram program(QJsonObject{});
    ASSERT_TRUE(program.start(deadAddress(), deadAddress()));
    std::optional<X11Window> hint;
    ASSERT_TRUE(waitUntil([&] { return (hint = visibleWindowNamed(kHintName)).has_value(); }))
        << program.output().toStdString();
    EXPECT_EQ(hint->geometry.size(), QSize(MainPopoverView::kWidth, MainPopoverView::kHeight));
    QRect icon;
    for (const X11Window &window : visibleWindows(QStringLiteral("lumeno-ocr")))
        if (window.geometry.size() == QSize(22, 22))
            icon = window.geometry;
    // Against the icon, on the side with room, kept on the screen beside the panel.
    const QRect &g = hint->geometry;
    EXPECT_TRUE(g.left() <= icon.center().x() && icon.center().x() <= g.right())
        << "hint at " << g.x() << "," << g.y() << ", icon at " << icon.x() << "," << icon.y();
    EXPECT_TRUE(qAbs(g.bottom() - icon.top()) <= 8 || qAbs(g.top() - icon.bottom()) <= 8)
        << "hint at " << g.x() << "," << g.y() << ", icon at " << icon.x() << "," << icon.y();
    saveScreenshot(hint->geometry, QStringLiteral("first-run-hint.png"));
    EXPECT_TRUE(waitUntil([&] { return storedSettings(program).value("MainPopover") == "1"; }));

    MainPopoverView layout;
    layout.setAttribute(Qt::WA_DontShowOnScreen);
    layout.show();
    QPushButton *close = layout.closeButton();
    click(hint->geometry.topLeft() + close->mapTo(&layout, close->rect().center()));
    EXPECT_TRUE(waitUntil([] { return !visibleWindowNamed(kHintName); }));
    EXPECT_EQ(storedSettings(program).value("MainPopover"), "1");
    EXPECT_TRUE(program.isRunning());
}

TEST(WindowsEndToEnd, AboutFromTheTrayMenuComesToTheFrontAtItsFixedSize)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session --tray";
    TrayProgram program;
    ASSERT_TRUE(program.start(deadAddress(), deadAddress()));
    chooseTrayMenuRow(6);
    std::optional<X11Window> about;
    ASSERT_TRUE(waitUntil([&] { return (about = visibleWindowNamed("About")).has_value(); }))
        << program.output().toStdString();
    EXPECT_EQ(about->geometry.size(), QSize(450, 380));
    EXPECT_TRUE(waitUntil([&] { return activeWindowId() == about->id; }));
    QTest::qWait(300);
    saveScreenshot(about->geometry, QStringLiteral("about.png"));
    key(QStringLiteral("alt+F4"));
    EXPECT_TRUE(waitUntil([] { return !visibleWindowNamed("About"); }));
    EXPECT_TRUE(program.isRunning());
}

} // namespace
