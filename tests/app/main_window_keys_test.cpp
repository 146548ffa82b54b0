// The command keys of the main window, the ShortCuts page and the priority commands, driven by
// real key and mouse events.

#include "tests/app/main_window_fixture.h"
#include "tests/support/test_media.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using testsupport::MainWindowTest;

class MainWindowKeys : public MainWindowTest {
protected:
    // The window over one picture, stopped, active.
    void start() {
        open({testsupport::testMedia(QStringLiteral("picture.jpg"))});
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // The Options tab with option page `row`, as the user clicks them.
    void showOptionsPage(int row) {
        QTabBar& tabs = *child<QTabWidget>("PageControl1")->tabBar();
        QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(1).center());
        auto& selector = *child<QListWidget>("lbOptions");
        QTest::mouseClick(selector.viewport(), Qt::LeftButton, {},
                          selector.visualItemRect(selector.item(row)).center());
    }
    QLineEdit& field(const char* name) {
        auto& edit = *child<QLineEdit>(name);
        QTest::mouseClick(&edit, Qt::LeftButton);
        EXPECT_TRUE(edit.hasFocus());
        return edit;
    }
    // A key pressed wherever the focus is.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : window.get(), key, modifiers);
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    int shortCut(const char* action) const {
        return child<QAction>(action)->property("ShortCut").toInt();
    }
    int priority() const { return child<QComboBox>("cbPriority")->currentIndex(); }
};

TEST_F(MainWindowKeys, ACapturedCtrlF5PlaysOnceAppliedAndEnterNoLonger) {
    start();
    const QSignalSpy play(child<QAction>("buPlay"), &QAction::triggered);
    showOptionsPage(5);
    QLineEdit& edScPlay = field("edScPlay");
    EXPECT_EQ(edScPlay.text(), QStringLiteral("Enter"));
    QTest::keyClick(&edScPlay, Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(edScPlay.text(), QStringLiteral("Ctrl+F5"));
    EXPECT_EQ(edScPlay.property("Tag").toInt(), 16384 + 116);
    EXPECT_EQ(play.count(), 0);

    // Until it is applied, Enter keeps playing.
    showOptionsPage(5);
    ASSERT_FALSE(edScPlay.hasFocus());
    press(Qt::Key_F5, Qt::ControlModifier);
    press(Qt::Key_Return);
    EXPECT_EQ(play.count(), 1);

    click("buScApplyChanges");
    EXPECT_EQ(shortCut("buPlay"), 16384 + 116);
    press(Qt::Key_Return);
    EXPECT_EQ(play.count(), 1);
    press(Qt::Key_F5, Qt::ControlModifier);
    EXPECT_EQ(play.count(), 2);
    // The key played the output: Play is the pressed button and the graph runs.
    EXPECT_TRUE(child<QAction>("buPlayNoSh")->isChecked());
    EXPECT_EQ(window->fgMain.GetGraphState(), graph::TGraphState::Running);
    // The other commands kept their keys.
    EXPECT_EQ(shortCut("buPause"), 32);
    EXPECT_EQ(shortCut("buPrIdle"), 16384 + 123);
}

TEST_F(MainWindowKeys, AFieldTakesTheKeyWithTheModifiersHeldAtItsRelease) {
    start();
    showOptionsPage(5);
    QLineEdit& edScStop = field("edScStop");
    EXPECT_EQ(edScStop.text(), QStringLiteral("S"));
    QTest::keyClick(&edScStop, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(edScStop.text(), QStringLiteral("Num 7"));
    EXPECT_EQ(edScStop.property("Tag").toInt(), 103);
    QTest::keyClick(&edScStop, Qt::Key_7);
    EXPECT_EQ(edScStop.text(), QStringLiteral("7"));

    // Ctrl let go before F5.
    QTest::keyPress(&edScStop, Qt::Key_Control, Qt::ControlModifier);
    QTest::keyPress(&edScStop, Qt::Key_F5, Qt::ControlModifier);
    QTest::keyRelease(&edScStop, Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(edScStop.text(), QStringLiteral("7"));
    QTest::keyRelease(&edScStop, Qt::Key_F5, Qt::NoModifier);
    EXPECT_EQ(edScStop.text(), QStringLiteral("F5"));

    // Modifiers alone change nothing; Tab moves on and changes nothing either.
    QTest::keyClick(&edScStop, Qt::Key_Shift);
    QTest::keyClick(&edScStop, Qt::Key_Control);
    QTest::keyClick(&edScStop, Qt::Key_Alt);
    QTest::keyClick(&edScStop, Qt::Key_Tab);
    EXPECT_EQ(edScStop.text(), QStringLiteral("F5"));
    EXPECT_EQ(edScStop.property("Tag").toInt(), 116);
    EXPECT_FALSE(edScStop.hasFocus());

    // Edits not applied are dropped by "Load Saved" and by showing the page again.
    click("buScLoadSaved");
    EXPECT_EQ(edScStop.text(), QStringLiteral("S"));
    EXPECT_EQ(edScStop.property("Tag").toInt(), 83);
    QTest::keyClick(&field("edScStop"), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(edScStop.text(), QStringLiteral("Alt+X"));
    showOptionsPage(4);
    showOptionsPage(5);
    EXPECT_EQ(edScStop.text(), QStringLiteral("S"));
    EXPECT_EQ(shortCut("buStop"), 83);
}

TEST_F(MainWindowKeys, SpaceDoesNotPauseWhileAShortcutFieldHasTheFocus) {
    start();
    const QSignalSpy pause(child<QAction>("buPause"), &QAction::triggered);
    showOptionsPage(5);
    QLineEdit& edScPause = field("edScPause");
    press(Qt::Key_Space);
    EXPECT_EQ(pause.count(), 0);
    EXPECT_EQ(edScPause.text(), QStringLiteral("Space"));
    showOptionsPage(5);
    press(Qt::Key_Space);
    EXPECT_EQ(pause.count(), 1);
}

TEST_F(MainWindowKeys, NoCommandRunsWhileThePlaylistEditorIsOpen) {
    start();
    const QSignalSpy stop(child<QAction>("buStop"), &QAction::triggered);
    int stopsWhileOpen = -1;
    showPlayListEditor = [&] {
        QDialog editor(window.get());
        editor.setModal(true);
        QTimer::singleShot(0, &editor, [&] {
            QTest::keyClick(&editor, Qt::Key_S);
            stopsWhileOpen = static_cast<int>(stop.count());
            editor.reject();
        });
        editor.exec();
        return false;
    };
    press(Qt::Key_L);
    EXPECT_EQ(stopsWhileOpen, 0);
    press(Qt::Key_S);
    EXPECT_EQ(stop.count(), 1);
}

TEST_F(MainWindowKeys, PriorityKeysChooseAndThePageShowsTheClassTheProcessHas) {
    start();
    EXPECT_EQ(priorityRequests, QList<platform::DWORD>{platform::HIGH_PRIORITY_CLASS});
    press(Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(priority(), 3);
    EXPECT_EQ(priorityClass, platform::IDLE_PRIORITY_CLASS);

    // Raises are refused from here on, as for a user without a nice limit.
    refusePriorityRaise = true;
    press(Qt::Key_F10, Qt::ControlModifier);
    EXPECT_EQ(priority(), 1);
    EXPECT_EQ(priorityRequests.last(), platform::HIGH_PRIORITY_CLASS);
    showOptionsPage(4);
    EXPECT_EQ(priority(), 3);

    // A choice in the list is applied at once; reading back applies nothing.
    auto& list = *child<QComboBox>("cbPriority");
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Home);
    EXPECT_EQ(priority(), 0);
    EXPECT_EQ(priorityRequests.last(), platform::REALTIME_PRIORITY_CLASS);
    const auto requests = priorityRequests.size();
    showOptionsPage(3);
    showOptionsPage(4);
    EXPECT_EQ(priority(), 3);
    EXPECT_EQ(priorityRequests.size(), requests);
}

} // namespace
