#include "widgets/shortcut_keys.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

namespace {

using namespace widgets;

constexpr int kCtrl = kShortCutCtrl;
constexpr int kShift = kShortCutShift;
constexpr int kAlt = kShortCutAlt;

TEST(ShortCutCodes, KeysMapOntoVirtualKeyCodes) {
    EXPECT_EQ(shortCutOf(Qt::Key_S, Qt::NoModifier), 83);
    EXPECT_EQ(shortCutOf(Qt::Key_F24, Qt::NoModifier), 135);
    EXPECT_EQ(shortCutOf(Qt::Key_Return, Qt::NoModifier), 13);
    EXPECT_EQ(shortCutOf(Qt::Key_Enter, Qt::KeypadModifier), 13);
    EXPECT_EQ(shortCutOf(Qt::Key_Backtab, Qt::ShiftModifier), 9 + kShift);
    // A shifted symbol is its US-layout key with Shift.
    EXPECT_EQ(shortCutOf(Qt::Key_Exclam, Qt::ShiftModifier), 49 + kShift);
    EXPECT_EQ(shortCutOf(Qt::Key_Colon, Qt::ShiftModifier), 186 + kShift);
    EXPECT_EQ(shortCutOf(Qt::Key_Eacute, Qt::NoModifier), 0); // no code
}

TEST(ShortCutCodes, KeypadKeysHaveCodesOfTheirOwn) {
    EXPECT_EQ(shortCutOf(Qt::Key_7, Qt::NoModifier), 55);
    EXPECT_EQ(shortCutOf(Qt::Key_7, Qt::KeypadModifier), 103);
    EXPECT_EQ(shortCutOf(Qt::Key_Asterisk, Qt::KeypadModifier), 106);
    EXPECT_EQ(shortCutOf(Qt::Key_Slash, Qt::KeypadModifier), 111);
    EXPECT_EQ(shortCutOf(Qt::Key_Slash, Qt::NoModifier), 191);
    // Navigation keys of the keypad are the ordinary ones.
    EXPECT_EQ(shortCutOf(Qt::Key_Home, Qt::KeypadModifier), 36);
}

TEST(ShortCutCodes, ModifiersAddTheirBits) {
    EXPECT_EQ(shortCutOf(Qt::Key_F10, Qt::ControlModifier), 16505);
    EXPECT_EQ(shortCutOf(Qt::Key_F12, Qt::ControlModifier), 16507);
    EXPECT_EQ(shortCutOf(Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier),
              65 + kShift + kCtrl + kAlt);
    EXPECT_EQ(shortCutOf(Qt::Key_5, Qt::ControlModifier | Qt::KeypadModifier), 101 + kCtrl);
    EXPECT_EQ(shortCutOf(Qt::Key_A, Qt::MetaModifier), 65); // no bit for the Super key
}

TEST(ShortCutText, NamesKeysAndModifiers) {
    EXPECT_EQ(ShortCutText(0), "");
    EXPECT_EQ(ShortCutText(116 + kCtrl), "Ctrl+F5");
    EXPECT_EQ(ShortCutText(65 + kShift + kCtrl + kAlt), "Shift+Ctrl+Alt+A");
    EXPECT_EQ(ShortCutText(55), "7");
    EXPECT_EQ(ShortCutText(135), "F24");
    const std::pair<int, const char*> names[] = {
        {8, "BkSp"},  {9, "Tab"},    {13, "Enter"}, {27, "Esc"},  {32, "Space"},
        {33, "PgUp"}, {34, "PgDn"},  {35, "End"},   {36, "Home"}, {37, "Left"},
        {38, "Up"},   {39, "Right"}, {40, "Down"},  {45, "Ins"},  {46, "Del"},
    };
    for (const auto& [code, name] : names) {
        EXPECT_EQ(ShortCutText(code), name) << code;
    }
    EXPECT_FALSE(ShortCutText(186).isEmpty());
    EXPECT_FALSE(ShortCutText(250).isEmpty());
}

TEST(ShortCutText, KeypadDigitsAndDivideReadNum) {
    EXPECT_EQ(ShortCutText(103), "Num 7");
    EXPECT_EQ(ShortCutText(101 + kCtrl), "Num Ctrl+5");
    EXPECT_EQ(ShortCutText(111), "Num /");
    EXPECT_EQ(ShortCutText(111 + kShift), "Num Shift+/");
    EXPECT_EQ(ShortCutText(191), "/");
}

TEST(ShortCutCapture, ModifierKeysAloneCaptureNothing) {
    for (const int key :
         {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt}) {
        const QKeyEvent released(QEvent::KeyRelease, key, Qt::ShiftModifier);
        EXPECT_EQ(capturedShortCut(released), std::nullopt) << key;
    }
    const QKeyEvent unknown(QEvent::KeyRelease, Qt::Key_Eacute, Qt::NoModifier);
    EXPECT_EQ(capturedShortCut(unknown), std::nullopt);
}

TEST(ShortCutCapture, TakesTheModifiersStillHeld) {
    const QKeyEvent withCtrl(QEvent::KeyRelease, Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(capturedShortCut(withCtrl), 116 + kCtrl);
    const QKeyEvent ctrlAlreadyUp(QEvent::KeyRelease, Qt::Key_F5, Qt::NoModifier);
    EXPECT_EQ(capturedShortCut(ctrlAlreadyUp), 116);
    const QKeyEvent keypad(QEvent::KeyRelease, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(capturedShortCut(keypad), 103);
}

} // namespace
