#include "widgets/shortcut_keys.h"

#include <QKeyEvent>

#include <algorithm>
#include <vector>

namespace widgets {

namespace {

// One Qt key and its virtual-key codes off and on the keypad (0 on the keypad: same code).
struct KeyCode {
    int qtKey;
    int code;
    int keypadCode;
};

// Every key with a code. Shifted symbols take the code of the key that carries them on the US
// layout ("!" is Shift+1, ":" is Shift+;), as a key press reports the symbol with Shift held.
const std::vector<KeyCode>& keyTable() {
    static const std::vector<KeyCode> table = [] {
        std::vector<KeyCode> keys = {
            {Qt::Key_Backspace, 8, 0},
            {Qt::Key_Tab, 9, 0},
            {Qt::Key_Backtab, 9, 0},
            {Qt::Key_Clear, 12, 0},
            {Qt::Key_Return, 13, 0},
            {Qt::Key_Enter, 13, 0},
            {Qt::Key_Shift, 16, 0},
            {Qt::Key_Control, 17, 0},
            {Qt::Key_Alt, 18, 0},
            {Qt::Key_AltGr, 18, 0},
            {Qt::Key_Pause, 19, 0},
            {Qt::Key_CapsLock, 20, 0},
            {Qt::Key_Escape, 27, 0},
            {Qt::Key_Space, 32, 0},
            {Qt::Key_PageUp, 33, 0},
            {Qt::Key_PageDown, 34, 0},
            {Qt::Key_End, 35, 0},
            {Qt::Key_Home, 36, 0},
            {Qt::Key_Left, 37, 0},
            {Qt::Key_Up, 38, 0},
            {Qt::Key_Right, 39, 0},
            {Qt::Key_Down, 40, 0},
            {Qt::Key_Select, 41, 0},
            {Qt::Key_Printer, 42, 0},
            {Qt::Key_Execute, 43, 0},
            {Qt::Key_Print, 44, 0},
            {Qt::Key_SysReq, 44, 0},
            {Qt::Key_Insert, 45, 0},
            {Qt::Key_Delete, 46, 0},
            {Qt::Key_Help, 47, 0},
            {Qt::Key_ParenRight, 48, 0},
            {Qt::Key_Exclam, 49, 0},
            {Qt::Key_At, 50, 0},
            {Qt::Key_NumberSign, 51, 0},
            {Qt::Key_Dollar, 52, 0},
            {Qt::Key_Percent, 53, 0},
            {Qt::Key_AsciiCircum, 54, 0},
            {Qt::Key_Ampersand, 55, 0},
            {Qt::Key_Asterisk, 56, 106},
            {Qt::Key_ParenLeft, 57, 0},
            {Qt::Key_Meta, 91, 0},
            {Qt::Key_Super_L, 91, 0},
            {Qt::Key_Super_R, 92, 0},
            {Qt::Key_Menu, 93, 0},
            {Qt::Key_Sleep, 95, 0},
            {Qt::Key_Plus, 187, 107},
            {Qt::Key_Minus, 189, 109},
            {Qt::Key_Period, 190, 110},
            {Qt::Key_Comma, 188, 110}, // the keypad's decimal key on comma layouts
            {Qt::Key_Slash, 191, 111},
            {Qt::Key_NumLock, 144, 0},
            {Qt::Key_ScrollLock, 145, 0},
            {Qt::Key_Back, 166, 0},
            {Qt::Key_Forward, 167, 0},
            {Qt::Key_Refresh, 168, 0},
            {Qt::Key_Stop, 169, 0},
            {Qt::Key_Search, 170, 0},
            {Qt::Key_Favorites, 171, 0},
            {Qt::Key_HomePage, 172, 0},
            {Qt::Key_VolumeMute, 173, 0},
            {Qt::Key_VolumeDown, 174, 0},
            {Qt::Key_VolumeUp, 175, 0},
            {Qt::Key_MediaNext, 176, 0},
            {Qt::Key_MediaPrevious, 177, 0},
            {Qt::Key_MediaStop, 178, 0},
            {Qt::Key_MediaPlay, 179, 0},
            {Qt::Key_MediaPause, 179, 0},
            {Qt::Key_MediaTogglePlayPause, 179, 0},
            {Qt::Key_LaunchMail, 180, 0},
            {Qt::Key_LaunchMedia, 181, 0},
            {Qt::Key_Launch0, 182, 0},
            {Qt::Key_Launch1, 183, 0},
            {Qt::Key_Calculator, 183, 0},
            {Qt::Key_Semicolon, 186, 0},
            {Qt::Key_Colon, 186, 0},
            {Qt::Key_Equal, 187, 0},
            {Qt::Key_Less, 188, 0},
            {Qt::Key_Underscore, 189, 0},
            {Qt::Key_Greater, 190, 0},
            {Qt::Key_Question, 191, 0},
            {Qt::Key_QuoteLeft, 192, 0},
            {Qt::Key_AsciiTilde, 192, 0},
            {Qt::Key_BracketLeft, 219, 0},
            {Qt::Key_BraceLeft, 219, 0},
            {Qt::Key_Backslash, 220, 0},
            {Qt::Key_Bar, 220, 0},
            {Qt::Key_BracketRight, 221, 0},
            {Qt::Key_BraceRight, 221, 0},
            {Qt::Key_Apostrophe, 222, 0},
            {Qt::Key_QuoteDbl, 222, 0},
        };
        for (int digit = 0; digit <= 9; ++digit) {
            keys.push_back({Qt::Key_0 + digit, 48 + digit, vk::Numpad0 + digit});
        }
        for (int letter = 0; letter < 26; ++letter) {
            keys.push_back({Qt::Key_A + letter, 65 + letter, 0});
        }
        for (int function = 0; function < 24; ++function) {
            keys.push_back({Qt::Key_F1 + function, vk::F1 + function, 0});
        }
        std::sort(keys.begin(), keys.end(),
                  [](const KeyCode& a, const KeyCode& b) { return a.qtKey < b.qtKey; });
        return keys;
    }();
    return table;
}

// Key names of the codes that are not a digit, a letter or a function key.
QString keyName(int code) {
    switch (code) {
    case 8:
        return QStringLiteral("BkSp");
    case 9:
        return QStringLiteral("Tab");
    case 12:
        return QStringLiteral("Clear");
    case 13:
        return QStringLiteral("Enter");
    case 16:
        return QStringLiteral("Shift");
    case 17:
        return QStringLiteral("Ctrl");
    case 18:
        return QStringLiteral("Alt");
    case 19:
        return QStringLiteral("Pause");
    case 20:
        return QStringLiteral("Caps Lock");
    case 27:
        return QStringLiteral("Esc");
    case 32:
        return QStringLiteral("Space");
    case 33:
        return QStringLiteral("PgUp");
    case 34:
        return QStringLiteral("PgDn");
    case 35:
        return QStringLiteral("End");
    case 36:
        return QStringLiteral("Home");
    case 37:
        return QStringLiteral("Left");
    case 38:
        return QStringLiteral("Up");
    case 39:
        return QStringLiteral("Right");
    case 40:
        return QStringLiteral("Down");
    case 41:
        return QStringLiteral("Select");
    case 42:
        return QStringLiteral("Print");
    case 43:
        return QStringLiteral("Execute");
    case 44:
        return QStringLiteral("Print Screen");
    case 45:
        return QStringLiteral("Ins");
    case 46:
        return QStringLiteral("Del");
    case 47:
        return QStringLiteral("Help");
    case 91:
        return QStringLiteral("Left Super");
    case 92:
        return QStringLiteral("Right Super");
    case 93:
        return QStringLiteral("Menu");
    case 95:
        return QStringLiteral("Sleep");
    case 106:
        return QStringLiteral("Num *");
    case 107:
        return QStringLiteral("Num +");
    case 108:
        return QStringLiteral("Separator");
    case 109:
        return QStringLiteral("Num -");
    case 110:
        return QStringLiteral("Num .");
    case 111:
        return QStringLiteral("/"); // "Num " is put before the whole text
    case 144:
        return QStringLiteral("Num Lock");
    case 145:
        return QStringLiteral("Scroll Lock");
    case 166:
        return QStringLiteral("Browser Back");
    case 167:
        return QStringLiteral("Browser Forward");
    case 168:
        return QStringLiteral("Browser Refresh");
    case 169:
        return QStringLiteral("Browser Stop");
    case 170:
        return QStringLiteral("Browser Search");
    case 171:
        return QStringLiteral("Browser Favorites");
    case 172:
        return QStringLiteral("Browser Home");
    case 173:
        return QStringLiteral("Volume Mute");
    case 174:
        return QStringLiteral("Volume Down");
    case 175:
        return QStringLiteral("Volume Up");
    case 176:
        return QStringLiteral("Next Track");
    case 177:
        return QStringLiteral("Previous Track");
    case 178:
        return QStringLiteral("Stop Media");
    case 179:
        return QStringLiteral("Play/Pause Media");
    case 180:
        return QStringLiteral("Mail");
    case 181:
        return QStringLiteral("Media");
    case 182:
        return QStringLiteral("Launch 1");
    case 183:
        return QStringLiteral("Launch 2");
    case 186:
        return QStringLiteral(";");
    case 187:
        return QStringLiteral("=");
    case 188:
        return QStringLiteral(",");
    case 189:
        return QStringLiteral("-");
    case 190:
        return QStringLiteral(".");
    case 191:
        return QStringLiteral("/");
    case 192:
        return QStringLiteral("`");
    case 219:
        return QStringLiteral("[");
    case 220:
        return QStringLiteral("\\");
    case 221:
        return QStringLiteral("]");
    case 222:
        return QStringLiteral("'");
    default:
        return QStringLiteral("Key %1").arg(code);
    }
}

} // namespace

int virtualKeyOf(int qtKey, bool keypad) {
    const auto& table = keyTable();
    const auto found =
        std::lower_bound(table.begin(), table.end(), qtKey,
                         [](const KeyCode& entry, int key) { return entry.qtKey < key; });
    if (found == table.end() || found->qtKey != qtKey) {
        return 0;
    }
    return keypad && found->keypadCode != 0 ? found->keypadCode : found->code;
}

int shortCutOf(int qtKey, Qt::KeyboardModifiers modifiers) {
    const int code = virtualKeyOf(qtKey, modifiers.testFlag(Qt::KeypadModifier));
    if (code == 0) {
        return 0;
    }
    return code | (modifiers.testFlag(Qt::ShiftModifier) ? kShortCutShift : 0) |
           (modifiers.testFlag(Qt::ControlModifier) ? kShortCutCtrl : 0) |
           (modifiers.testFlag(Qt::AltModifier) ? kShortCutAlt : 0);
}

int shortCutOf(const QKeyEvent& event) {
    return shortCutOf(event.key(), event.modifiers());
}

QString ShortCutText(int code) {
    const int key = code & kShortCutKeyMask;
    if (key == 0) {
        return {};
    }
    QString name;
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
        name = QChar(key);
    } else if (key >= vk::Numpad0 && key <= vk::Numpad0 + 9) {
        name = QChar('0' + key - vk::Numpad0);
    } else if (key >= vk::F1 && key < vk::F1 + 24) {
        name = QStringLiteral("F%1").arg(key - vk::F1 + 1);
    } else {
        name = keyName(key);
    }
    QString text;
    if ((code & kShortCutShift) != 0) {
        text += QLatin1String("Shift+");
    }
    if ((code & kShortCutCtrl) != 0) {
        text += QLatin1String("Ctrl+");
    }
    if ((code & kShortCutAlt) != 0) {
        text += QLatin1String("Alt+");
    }
    text += name;
    if ((key >= vk::Numpad0 && key <= vk::Numpad0 + 9) || key == vk::Divide) {
        text.prepend(QLatin1String("Num "));
    }
    return text;
}

std::optional<int> capturedShortCut(const QKeyEvent& released) {
    const int code = shortCutOf(released);
    const int key = code & kShortCutKeyMask;
    if (key == 0 || key == vk::Tab || key == vk::Shift || key == vk::Control || key == vk::Alt) {
        return std::nullopt;
    }
    return code;
}

} // namespace widgets
