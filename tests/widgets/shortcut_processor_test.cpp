#include "widgets/shortcut_processor.h"

#include "widgets/shortcut_keys.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

using widgets::ShortcutProcessor;

QAction* makeAction(QWidget* owner, const char* name, int code) {
    auto* action = new QAction(owner);
    action->setObjectName(QString::fromLatin1(name));
    action->setProperty(widgets::kShortCutProperty, code);
    return action;
}

// A window with a text field and the transport commands as actions.
class ShortcutProcessorTest : public ::testing::Test {
protected:
    ShortcutProcessorTest() {
        auto* layout = new QVBoxLayout(&window);
        field = new QLineEdit(&window);
        layout->addWidget(field);
        buPause = makeAction(&window, "buPause", 32);
        buPlay = makeAction(&window, "buPlay", 13);
        buNumSeven = makeAction(&window, "buNumSeven", 103);
        buSeven = makeAction(&window, "buSeven", 55);
        buPrIdle = makeAction(&window, "buPrIdle", 16507);
        processor =
            new ShortcutProcessor(&window, {buPause, buNumSeven, buSeven, buPrIdle, buPlay});
        window.show();
        field->setFocus();
    }

    int triggered(QAction* action) { return static_cast<int>(spies.at(action)->count()); }
    void watch(std::initializer_list<QAction*> actions) {
        for (QAction* action : actions) {
            spies[action] = std::make_unique<QSignalSpy>(action, &QAction::triggered);
        }
    }

    QWidget window;
    QLineEdit* field;
    QAction* buPause;
    QAction* buPlay;
    QAction* buNumSeven;
    QAction* buSeven;
    QAction* buPrIdle;
    ShortcutProcessor* processor;
    std::map<QAction*, std::unique_ptr<QSignalSpy>> spies;
};

TEST_F(ShortcutProcessorTest, AMatchingKeyRunsTheCommandAndGoesNoFurther) {
    watch({buPause, buPrIdle});
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
    EXPECT_EQ(field->text(), ""); // consumed
    QTest::keyClick(field, Qt::Key_F12);
    EXPECT_EQ(triggered(buPrIdle), 0); // needs Ctrl
    QTest::keyClick(field, Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(triggered(buPrIdle), 1);
    QTest::keyClick(field, Qt::Key_X);
    EXPECT_EQ(field->text(), "x"); // other keys reach the field
}

TEST_F(ShortcutProcessorTest, NothingRunsWhileProcessingIsOff) {
    watch({buPause});
    processor->setProcessing(false);
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 0);
    EXPECT_EQ(field->text(), " ");
    processor->setProcessing(true);
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
}

TEST_F(ShortcutProcessorTest, KeypadAndTopRowDigitsAreTwoKeys) {
    watch({buNumSeven, buSeven});
    QTest::keyClick(field, Qt::Key_7, Qt::KeypadModifier);
    EXPECT_EQ(triggered(buNumSeven), 1);
    EXPECT_EQ(triggered(buSeven), 0);
    QTest::keyClick(field, Qt::Key_7);
    EXPECT_EQ(triggered(buNumSeven), 1);
    EXPECT_EQ(triggered(buSeven), 1);
}

TEST_F(ShortcutProcessorTest, TheFirstEnabledActionInOrderWins) {
    auto* second = makeAction(&window, "second", 32);
    processor->setActions({buPause, second});
    watch({buPause, second});
    buPause->setVisible(false); // hidden items still carry shortcuts
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
    EXPECT_EQ(triggered(second), 0);
    buPause->setVisible(true);
    buPause->setEnabled(false);
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
    EXPECT_EQ(triggered(second), 1);
    EXPECT_EQ(processor->actionFor(0), nullptr); // 0 is no shortcut
}

TEST_F(ShortcutProcessorTest, NothingRunsWhileAModalDialogIsOpenOrTheWindowIsDisabled) {
    watch({buPlay});
    QDialog dialog(&window);
    auto* dialogField = new QLineEdit(&dialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    QTest::keyClick(dialogField, Qt::Key_Return);
    EXPECT_EQ(triggered(buPlay), 0);
    dialog.hide();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(triggered(buPlay), 1);

    window.setEnabled(false);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(triggered(buPlay), 1);
    window.setEnabled(true);
}

TEST_F(ShortcutProcessorTest, AnOpenMenuKeepsItsKeys) {
    watch({buPause});
    QMenu menu(&window);
    menu.addAction(QStringLiteral("Item"));
    menu.popup(window.mapToGlobal(QPoint(10, 10)));
    ASSERT_EQ(QApplication::activePopupWidget(), &menu);
    QTest::keyClick(&menu, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 0);
    menu.close();
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
}

TEST_F(ShortcutProcessorTest, KeysOfOtherWindowsCountToo) {
    watch({buPause});
    QWidget other;
    auto* otherField = new QLineEdit(&other);
    other.show();
    QTest::keyClick(otherField, Qt::Key_Space);
    EXPECT_EQ(triggered(buPause), 1);
    EXPECT_EQ(otherField->text(), "");
}

} // namespace
