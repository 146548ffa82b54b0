#pragma once

#include <QString>
#include <Qt>

#include <optional>

class QKeyEvent;

// Shortcut codes: 16-bit numbers that hold a key's virtual-key code (the numbering of the US
// keyboard layout: letters 65..90, digits 48..57, keypad digits 96..105, F1..F24 112..135 ...)
// in the low byte and the modifiers above it. 0 means no shortcut.
namespace widgets {

inline constexpr int kShortCutShift = 8192;
inline constexpr int kShortCutCtrl = 16384;
inline constexpr int kShortCutAlt = 32768;
inline constexpr int kShortCutKeyMask = 0xFF;

// The dynamic property of a QAction that holds its shortcut code.
inline constexpr char kShortCutProperty[] = "ShortCut";

namespace vk {
inline constexpr int Backspace = 8;
inline constexpr int Tab = 9;
inline constexpr int Enter = 13;
inline constexpr int Shift = 16;
inline constexpr int Control = 17;
inline constexpr int Alt = 18;
inline constexpr int Escape = 27;
inline constexpr int Space = 32;
inline constexpr int Up = 38;
inline constexpr int Down = 40;
inline constexpr int Numpad0 = 96;
inline constexpr int Divide = 111;
inline constexpr int F1 = 112;
} // namespace vk

// The virtual-key code of a Qt key; keypad keys (digits, operators) have codes of their own
// when keypad is set. 0 for a key without a code.
int virtualKeyOf(int qtKey, bool keypad);

// The shortcut code of a key with the given modifiers (Shift, Ctrl, Alt; the keypad modifier
// selects the keypad codes). 0 for a key without a code.
int shortCutOf(int qtKey, Qt::KeyboardModifiers modifiers);
int shortCutOf(const QKeyEvent& event);

// The text of a shortcut code: "Shift+", "Ctrl+", "Alt+" as held, then the key's name ("F5",
// "Enter", "PgUp", "A", "7" ...); keypad digits and the keypad divide key get "Num " in front of
// the whole text ("Num Ctrl+5"). Empty for 0.
QString ShortCutText(int code);

// What a shortcut field takes from a key released in it: the key's code with the modifiers
// still held, or nothing for Tab, Shift, Ctrl and Alt (and keys without a code).
std::optional<int> capturedShortCut(const QKeyEvent& released);

} // namespace widgets
