#include "VirtualKeyCodes.h"

#include <QKeySequence>
#include <Qt>
#include <X11/keysym.h>
#include <algorithm>
#include <array>

namespace lumeno::VirtualKeyCodes {

namespace {

// Keypad codes, used to tell the keypad's keys from their main-block twins.
constexpr quint32 kFirstKeypadCode = 65;
constexpr quint32 kLastKeypadCode = 92;

constexpr std::array kTable{
    VirtualKey{0, XK_a, Qt::Key_A},
    VirtualKey{1, XK_s, Qt::Key_S},
    VirtualKey{2, XK_d, Qt::Key_D},
    VirtualKey{3, XK_f, Qt::Key_F},
    VirtualKey{4, XK_h, Qt::Key_H},
    VirtualKey{5, XK_g, Qt::Key_G},
    VirtualKey{6, XK_z, Qt::Key_Z},
    VirtualKey{7, XK_x, Qt::Key_X},
    VirtualKey{8, XK_c, Qt::Key_C},
    VirtualKey{9, XK_v, Qt::Key_V},
    VirtualKey{11, XK_b, Qt::Key_B},
    VirtualKey{12, XK_q, Qt::Key_Q},
    VirtualKey{13, XK_w, Qt::Key_W},
    VirtualKey{14, XK_e, Qt::Key_E},
    VirtualKey{15, XK_r, Qt::Key_R},
    VirtualKey{16, XK_y, Qt::Key_Y},
    VirtualKey{17, XK_t, Qt::Key_T},
    VirtualKey{18, XK_1, Qt::Key_1},
    VirtualKey{19, XK_2, Qt::Key_2},
    VirtualKey{20, XK_3, Qt::Key_3},
    VirtualKey{21, XK_4, Qt::Key_4},
    VirtualKey{22, XK_6, Qt::Key_6},
    VirtualKey{23, XK_5, Qt::Key_5},
    VirtualKey{24, XK_equal, Qt::Key_Equal},
    VirtualKey{25, XK_9, Qt::Key_9},
    VirtualKey{26, XK_7, Qt::Key_7},
    VirtualKey{27, XK_minus, Qt::Key_Minus},
    VirtualKey{28, XK_8, Qt::Key_8},
    VirtualKey{29, XK_0, Qt::Key_0},
    VirtualKey{30, XK_bracketright, Qt::Key_BracketRight},
    VirtualKey{31, XK_o, Qt::Key_O},
    VirtualKey{32, XK_u, Qt::Key_U},
    VirtualKey{33, XK_bracketleft, Qt::Key_BracketLeft},
    VirtualKey{34, XK_i, Qt::Key_I},
    VirtualKey{35, XK_p, Qt::Key_P},
    VirtualKey{36, XK_Return, Qt::Key_Return},
    VirtualKey{37, XK_l, Qt::Key_L},
    VirtualKey{38, XK_j, Qt::Key_J},
    VirtualKey{39, XK_apostrophe, Qt::Key_Apostrophe},
    VirtualKey{40, XK_k, Qt::Key_K},
    VirtualKey{41, XK_semicolon, Qt::Key_Semicolon},
    VirtualKey{42, XK_backslash, Qt::Key_Backslash},
    VirtualKey{43, XK_comma, Qt::Key_Comma},
    VirtualKey{44, XK_slash, Qt::Key_Slash},
    VirtualKey{45, XK_n, Qt::Key_N},
    VirtualKey{46, XK_m, Qt::Key_M},
    VirtualKey{47, XK_period, Qt::Key_Period},
    VirtualKey{48, XK_Tab, Qt::Key_Tab},
    VirtualKey{49, XK_space, Qt::Key_Space},
    VirtualKey{50, XK_grave, Qt::Key_QuoteLeft},
    VirtualKey{51, XK_BackSpace, Qt::Key_Backspace},
    VirtualKey{53, XK_Escape, Qt::Key_Escape},
    VirtualKey{64, XK_F17, Qt::Key_F17},
    VirtualKey{65, XK_KP_Decimal, Qt::Key_Period},
    VirtualKey{67, XK_KP_Multiply, Qt::Key_Asterisk},
    VirtualKey{69, XK_KP_Add, Qt::Key_Plus},
    VirtualKey{75, XK_KP_Divide, Qt::Key_Slash},
    VirtualKey{76, XK_KP_Enter, Qt::Key_Enter},
    VirtualKey{78, XK_KP_Subtract, Qt::Key_Minus},
    VirtualKey{79, XK_F18, Qt::Key_F18},
    VirtualKey{80, XK_F19, Qt::Key_F19},
    VirtualKey{81, XK_KP_Equal, Qt::Key_Equal},
    VirtualKey{82, XK_KP_0, Qt::Key_0},
    VirtualKey{83, XK_KP_1, Qt::Key_1},
    VirtualKey{84, XK_KP_2, Qt::Key_2},
    VirtualKey{85, XK_KP_3, Qt::Key_3},
    VirtualKey{86, XK_KP_4, Qt::Key_4},
    VirtualKey{87, XK_KP_5, Qt::Key_5},
    VirtualKey{88, XK_KP_6, Qt::Key_6},
    VirtualKey{89, XK_KP_7, Qt::Key_7},
    VirtualKey{90, XK_F20, Qt::Key_F20},
    VirtualKey{91, XK_KP_8, Qt::Key_8},
    VirtualKey{92, XK_KP_9, Qt::Key_9},
    VirtualKey{96, XK_F5, Qt::Key_F5},
    VirtualKey{97, XK_F6, Qt::Key_F6},
    VirtualKey{98, XK_F7, Qt::Key_F7},
    VirtualKey{99, XK_F3, Qt::Key_F3},
    VirtualKey{100, XK_F8, Qt::Key_F8},
    VirtualKey{101, XK_F9, Qt::Key_F9},
    VirtualKey{103, XK_F11, Qt::Key_F11},
    VirtualKey{105, XK_F13, Qt::Key_F13},
    VirtualKey{106, XK_F16, Qt::Key_F16},
    VirtualKey{107, XK_F14, Qt::Key_F14},
    VirtualKey{109, XK_F10, Qt::Key_F10},
    VirtualKey{111, XK_F12, Qt::Key_F12},
    VirtualKey{113, XK_F15, Qt::Key_F15},
    // The help key sits where PC keyboards have Insert.
    VirtualKey{114, XK_Insert, Qt::Key_Insert},
    VirtualKey{115, XK_Home, Qt::Key_Home},
    VirtualKey{116, XK_Page_Up, Qt::Key_PageUp},
    VirtualKey{117, XK_Delete, Qt::Key_Delete},
    VirtualKey{118, XK_F4, Qt::Key_F4},
    VirtualKey{119, XK_End, Qt::Key_End},
    VirtualKey{120, XK_F2, Qt::Key_F2},
    VirtualKey{121, XK_Page_Down, Qt::Key_PageDown},
    VirtualKey{122, XK_F1, Qt::Key_F1},
    VirtualKey{123, XK_Left, Qt::Key_Left},
    VirtualKey{124, XK_Right, Qt::Key_Right},
    VirtualKey{125, XK_Down, Qt::Key_Down},
    VirtualKey{126, XK_Up, Qt::Key_Up},
};

bool isKeypad(const VirtualKey &key)
{
    return key.code >= kFirstKeypadCode && key.code <= kLastKeypadCode &&
           key.keysym >= XK_KP_Space && key.keysym <= XK_KP_Equal;
}

template <typename Pred> std::optional<VirtualKey> find(Pred pred)
{
    const auto it = std::find_if(kTable.begin(), kTable.end(), pred);
    if (it == kTable.end())
        return std::nullopt;
    return *it;
}

} // namespace

std::span<const VirtualKey> table()
{
    return kTable;
}

std::optional<VirtualKey> forCode(quint32 code)
{
    return find([code](const VirtualKey &k) { return k.code == code; });
}

std::optional<VirtualKey> forKeysym(quint32 keysym)
{
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    return find([keysym](const VirtualKey &k) { return k.keysym == keysym; });
}

std::optional<VirtualKey> forQtKey(int qtKey, bool keypad)
{
    return find([=](const VirtualKey &k) { return k.qtKey == qtKey && isKeypad(k) == keypad; });
}

std::optional<QString> typedCharacters(const VirtualKey &key)
{
    // Latin-1 keysyms are their own code points; the table holds no other typing key.
    if (key.keysym >= XK_space && key.keysym <= XK_asciitilde)
        return QString(QChar(static_cast<char16_t>(key.keysym)));
    return std::nullopt;
}

QString keyName(const VirtualKey &key)
{
    const QKeyCombination combination(isKeypad(key) ? Qt::KeypadModifier : Qt::NoModifier,
                                      static_cast<Qt::Key>(key.qtKey));
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

} // namespace lumeno::VirtualKeyCodes
