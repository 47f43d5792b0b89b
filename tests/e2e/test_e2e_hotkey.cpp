// The X11 global hot key against a real X server: run under tests/support/with-x11-session.
#include "GlobalHotKey.h"
#include "KeyHolder.h"
#include "KeyPress.h"
#include "x11/X11GlobalHotKey.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace lumeno;
using lumeno::e2e::KeyHolder;

namespace {

constexpr quint32 kKeyE = 14;
constexpr quint32 kShiftCmd = 0x300; // "⇧⌘": Shift+Control on X11
constexpr int kWaitMs = 10000;

void xdotool(const QStringList &arguments)
{
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0) << "xdotool failed";
}

class X11HotKey : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session";
        m_hotKey = GlobalHotKey::create();
        ASSERT_TRUE(dynamic_cast<X11GlobalHotKey *>(m_hotKey.get()));
    }

    std::unique_ptr<GlobalHotKey> m_hotKey;
};

TEST_F(X11HotKey, TheDefaultShortcutIsDeliveredWithAndWithoutLocks)
{
    QSignalSpy pressed(m_hotKey.get(), &GlobalHotKey::pressed);
    const auto registration = m_hotKey->registerHotKey(kKeyE, kShiftCmd, 7);
    ASSERT_TRUE(registration.ref) << registration.why.toStdString();

    // Control alone is another shortcut: it must not count, so the next press is the first.
    xdotool({"key", "ctrl+e"});
    xdotool({"key", "shift+ctrl+e"});
    ASSERT_TRUE(pressed.wait(kWaitMs));
    EXPECT_EQ(pressed.count(), 1);
    EXPECT_EQ(pressed.at(0).at(0).toUInt(), 7u);

    xdotool({"key", "Caps_Lock"});
    xdotool({"key", "shift+ctrl+e"});
    const bool delivered = pressed.count() > 1 || pressed.wait(kWaitMs);
    xdotool({"key", "Caps_Lock"});
    EXPECT_TRUE(delivered) << "CapsLock must not hide the shortcut";
    m_hotKey->unregisterHotKey(*registration.ref);
}

TEST_F(X11HotKey, AKeyHeldByAnotherProgramIsRefusedAndTheProgramRunsOn)
{
    KeyHolder other;
    ASSERT_TRUE(other.grab());
    const auto refused = m_hotKey->registerHotKey(kKeyE, kShiftCmd, 0);
    EXPECT_FALSE(refused.ref);
    EXPECT_TRUE(refused.why.contains("in use")) << refused.why.toStdString();

    other.ungrab();
    const auto granted = m_hotKey->registerHotKey(kKeyE, kShiftCmd, 0);
    ASSERT_TRUE(granted.ref) << granted.why.toStdString();
    m_hotKey->unregisterHotKey(*granted.ref);
}

TEST_F(X11HotKey, UnregisteringReleasesTheKeyOnlyWhenTheLastRegistrationGoes)
{
    const auto first = m_hotKey->registerHotKey(kKeyE, kShiftCmd, 0);
    const auto second = m_hotKey->registerHotKey(kKeyE, kShiftCmd, 0);
    ASSERT_TRUE(first.ref && second.ref);
    EXPECT_NE(*first.ref, *second.ref);
    KeyHolder other;
    m_hotKey->unregisterHotKey(*first.ref);
    EXPECT_FALSE(other.grab()) << "the second registration still holds the key";
    m_hotKey->unregisterHotKey(*second.ref);
    EXPECT_TRUE(other.grab()) << "nothing holds the key any more";
    other.ungrab();
}

TEST_F(X11HotKey, AKeyCodeWithoutAKeyIsRefusedWithAReason)
{
    const auto refused = m_hotKey->registerHotKey(10, kShiftCmd, 0);
    EXPECT_FALSE(refused.ref);
    EXPECT_FALSE(refused.why.isEmpty());
}

} // namespace

namespace {

// A window that reads every key press it gets the way the shortcut recorder does.
class KeyReader : public QWidget
{
public:
    std::vector<KeyPress> presses;

protected:
    void keyPressEvent(QKeyEvent *event) override { presses.push_back(readKeyPress(*event)); }
};

struct TypedKey
{
    const char *name;
    const char *xdotoolKeys;
    quint32 code;
};

class RecordedKey : public ::testing::TestWithParam<TypedKey>
{
};

// A recorded key must be the key the grab finds again, whatever symbol the modifiers make of it.
TEST_P(RecordedKey, IsNamedByItsPositionNotByTheSymbolItTypes)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under with-x11-session";
    KeyReader window;
    window.resize(200, 100);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    xdotool({"key", "--window", QString::number(window.winId()), GetParam().xdotoolKeys});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.presses.empty(); }, kWaitMs));
    const KeyPress &press = window.presses.back();
    ASSERT_TRUE(press.key) << "native code " << press.nativeKeyCode;
    EXPECT_EQ(press.key->code, GetParam().code);
    EXPECT_NE(press.nativeKeyCode, 0u);
}

INSTANTIATE_TEST_SUITE_P(Keys, RecordedKey,
                         ::testing::Values(TypedKey{"ShiftedDigit", "ctrl+shift+1", 18},
                                           TypedKey{"ShiftedLetter", "ctrl+shift+k", 40},
                                           TypedKey{"ShiftedPunctuation", "shift+bracketleft", 33},
                                           TypedKey{"KeypadDigitWithoutNumLock", "KP_1", 83},
                                           TypedKey{"FunctionKey", "super+F5", 96}),
                         [](const ::testing::TestParamInfo<TypedKey> &info) {
                             return info.param.name;
                         });

} // namespace
