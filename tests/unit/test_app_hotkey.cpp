#include "CarbonModifiers.h"
#include "GlobalHotKey.h"
#include "VirtualKeyCodes.h"

#include <Qt>
#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <set>

using namespace lumeno;

namespace {

struct ModifierCase
{
    const char *text;
    quint32 mask;
};

class CarbonModifiersTest : public ::testing::TestWithParam<ModifierCase>
{
};

TEST_P(CarbonModifiersTest, EachSymbolAddsItsMaskWhereverItStands)
{
    EXPECT_EQ(carbonModifiersFromShortcut(QString::fromUtf8(GetParam().text)), GetParam().mask)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Shortcuts, CarbonModifiersTest,
    ::testing::Values(ModifierCase{"⇧⌘E", 0x300}, ModifierCase{"⌃⌥⇧⌘K", 0x1B00},
                      ModifierCase{"⌘⌥⌃⇧K", 0x1B00}, ModifierCase{"⌘⌃A", 0x1100},
                      ModifierCase{"⌃⌘A", 0x1100}, ModifierCase{"E", 0}, ModifierCase{"", 0},
                      // A symbol counts once, and the key character never adds a modifier.
                      ModifierCase{"⇧⇧S", 0x200}, ModifierCase{"Ctrl+Shift+E", 0}));

TEST(VirtualKeyCodes, TheStoredDefaultKeyIsE)
{
    const auto key = VirtualKeyCodes::forCode(14);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->keysym, quint32(XK_e));
    EXPECT_EQ(key->qtKey, int(Qt::Key_E));
}

TEST(VirtualKeyCodes, EveryEntryIsFoundAgainByEachOfItsNames)
{
    std::set<quint32> codes;
    std::set<quint32> keysyms;
    for (const VirtualKey &key : VirtualKeyCodes::table()) {
        EXPECT_TRUE(codes.insert(key.code).second) << "code " << key.code << " twice";
        EXPECT_TRUE(keysyms.insert(key.keysym).second) << "keysym " << key.keysym << " twice";
        EXPECT_EQ(VirtualKeyCodes::forCode(key.code)->keysym, key.keysym);
        EXPECT_EQ(VirtualKeyCodes::forKeysym(key.keysym)->code, key.code);
        const bool keypad = key.keysym >= XK_KP_Space && key.keysym <= XK_KP_Equal;
        const auto byQt = VirtualKeyCodes::forQtKey(key.qtKey, keypad);
        ASSERT_TRUE(byQt) << "code " << key.code;
        EXPECT_EQ(byQt->code, key.code);
    }
}

TEST(VirtualKeyCodes, KeypadTwinsAndUpperCaseKeysymsAreTold)
{
    EXPECT_EQ(VirtualKeyCodes::forQtKey(Qt::Key_5)->code, 23u);
    EXPECT_EQ(VirtualKeyCodes::forQtKey(Qt::Key_5, true)->code, 87u);
    EXPECT_EQ(VirtualKeyCodes::forKeysym(XK_E)->code, 14u);
    EXPECT_FALSE(VirtualKeyCodes::forCode(10));
    EXPECT_FALSE(VirtualKeyCodes::forQtKey(Qt::Key_Launch0));
}

TEST(GlobalHotKey, WithoutADisplayEveryShortcutIsRefusedWithAReason)
{
    // Offscreen has an X11 native interface but no connection: the factory must not use it.
    const auto service = GlobalHotKey::create();
    ASSERT_TRUE(service);
    const auto registration = service->registerHotKey(14, 0x300, 0);
    EXPECT_FALSE(registration.ref);
    EXPECT_FALSE(registration.why.isEmpty());
    service->unregisterHotKey(1);
}

} // namespace
