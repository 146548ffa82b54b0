#include "editor_fixture.h"
#include "tests/support/when_modal.h"

#include "playlist/editor_screenshot.h"
#include "render/media_item.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>

#include <functional>

namespace {

using editortest::EditorTest;
using editortest::kSecond;
using editortest::kTimeout_ms;

const QString kKey = playlist::TfmPlayList::registryKey();

using testsupport::whenModal;

QString durationText(qint64 seconds) {
    return render::DurationText(static_cast<double>(seconds) * 1000.0 / 86400000.0);
}

class EditorWindow : public EditorTest {
protected:
    QLabel& laLen() const { return child<QLabel>("laLen"); }
    QLabel& imTime() const { return child<QLabel>("imTime"); }
    QCheckBox& ckAlowCalcLen() const { return child<QCheckBox>("ckAlowCalcLen"); }

    void allowCalculation() { ckAlowCalcLen().setChecked(true); }
    bool busyImageShown() const { return !imTime().pixmap().isNull(); }
};

TEST_F(EditorWindow, IsBuiltAsDescribed) {
    EXPECT_EQ(editor->windowTitle(), "Play List");
    playlist::TfmPlayList fresh(*registry);
    EXPECT_EQ(fresh.size(), QSize(720, 509));
    const std::pair<const char*, const char*> toolBars[] = {
        {"tbrFolderHistory", "DockTop"}, {"tbrAdd", "DockTop"},
        {"tbrAddAll", "DockTop"},        {"tbrViewStyle", "DockTop"},
        {"tbrUpDown", "DockLeft"},       {"tbrDel", "DockLeft"},
        {"tbrDelAll", "DockLeft"},       {"tbrPlayList", "DockLeft"},
        {"tbrOk", "DockBottom"},         {"tbCheckSel", "DockBottom"},
        {"TBToolbar1", "DockBottom"},    {"tbPlayLength", "DockBottom"},
    };
    for (const auto& [name, dock] : toolBars) {
        EXPECT_EQ(editor->DockOf(child<QToolBar>(name)), dock) << name;
    }
    EXPECT_EQ(child<QToolBar>("tbrOk").windowTitle(), "OkCancel");
    EXPECT_EQ(child<QPushButton>("BitBtn1").text(), "OK");
    EXPECT_EQ(child<QPushButton>("BitBtn2").text(), "Cancel");
    EXPECT_EQ(laLen().text(), "0:00:00");
    EXPECT_FALSE(ckAlowCalcLen().isChecked());
    EXPECT_EQ(listBox().selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(EditorWindow, ToolbarsMoveBetweenAllFiveDocks) {
    auto& toolBar = child<QToolBar>("tbrDel");
    for (const QString& dock : playlist::TfmPlayList::DockNames()) {
        ASSERT_TRUE(editor->DockToolBar(toolBar, dock));
        EXPECT_EQ(editor->DockOf(toolBar), dock);
        EXPECT_TRUE(toolBar.isVisible());
        EXPECT_EQ(toolBar.parentWidget(), editor->DockWindow(dock));
    }
    EXPECT_FALSE(editor->DockToolBar(toolBar, "DockNowhere"));
    EXPECT_EQ(editor->DockOf(toolBar), "DockBottom");
    // The middle dock lies between the browser and the list.
    ASSERT_TRUE(editor->DockToolBar(toolBar, "DockMiddle"));
    QApplication::processEvents();
    const int toolBarTop = toolBar.mapTo(editor.get(), QPoint(0, 0)).y();
    EXPECT_GT(toolBarTop, fileList().mapTo(editor.get(), QPoint(0, fileList().height())).y());
    EXPECT_LT(toolBarTop, listBox().mapTo(editor.get(), QPoint(0, 0)).y());
}

TEST_F(EditorWindow, OkCancelAndTheCloseButtonEndTheShowing) {
    editor->hide();
    addItems({"/60.avi", "/slow.avi"});
    probe.gate("/slow.avi");
    allowCalculation();

    struct Case {
        const char* how;
        bool expected;
        bool stopsCalculation;
        std::function<void(QWidget&)> close;
    };
    const Case cases[] = {
        {"OK", true, true,
         [](QWidget& w) {
             QTest::mouseClick(w.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
         }},
        {"Cancel", false, true,
         [](QWidget& w) {
             QTest::mouseClick(w.findChild<QPushButton*>("BitBtn2"), Qt::LeftButton);
         }},
        {"Escape", false, true, [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); }},
        {"close button", false, false, [](QWidget& w) { w.close(); }},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.how);
        whenModal([this, &each](QWidget& window) {
            EXPECT_EQ(&window, editor.get());
            editor->StartCalcLen();
            ASSERT_TRUE(editor->CalcLenRunning());
            each.close(window);
        });
        EXPECT_EQ(editor->ShowModal(), each.expected);
        EXPECT_FALSE(editor->isVisible());
        EXPECT_EQ(editor->CalcLenRunning(), !each.stopsCalculation);
        if (each.stopsCalculation) {
            EXPECT_EQ(laLen().text(), "0:00:00");
        }
        // Every close stores the editor's values.
        EXPECT_EQ(registry->readString(kKey, "ckAlowCalcLen_Checked"), QString("True"));
        editor->StopCalcLen();
    }
}

TEST_F(EditorWindow, CancelAfterDeleteKeepsTheDeletion) {
    editor->hide();
    addItems({"a", "b", "c"});
    whenModal([this](QWidget&) {
        clickRow(1);
        clickTool("buDel");
        QTest::mouseClick(&child<QPushButton>("BitBtn2"), Qt::LeftButton);
    });
    EXPECT_FALSE(editor->ShowModal());
    EXPECT_EQ(state(), "a [c]");
    // The next showing shows the list as it was left.
    whenModal(
        [this](QWidget&) { QTest::mouseClick(&child<QPushButton>("BitBtn1"), Qt::LeftButton); });
    EXPECT_TRUE(editor->ShowModal());
    EXPECT_EQ(state(), "a [c]");
}

TEST_F(EditorWindow, StoredValuesAreRestoredAtEveryShowing) {
    editor->hide();
    ASSERT_TRUE(registry->writeString(kKey, "ShellTreeView_Width", "200"));
    ASSERT_TRUE(registry->writeString(kKey, "paExplorer_Height", " 180 "));
    ASSERT_TRUE(registry->writeString(kKey, "ShellListView_ViewStyle", "vsReport"));
    ASSERT_TRUE(registry->writeString(kKey, "ckAlowCalcLen_Checked", "True"));
    whenModal([this](QWidget&) {
        QApplication::processEvents();
        EXPECT_EQ(folderTree().width(), 200);
        EXPECT_EQ(child<QSplitter>("paExplorer").height(), 180);
        EXPECT_EQ(fileList().ViewStyle(), playlist::TViewStyle::vsReport);
        EXPECT_TRUE(child<QAction>("miVsDetails").isChecked());
        EXPECT_TRUE(ckAlowCalcLen().isChecked());
        child<QAction>("miVsSmallIcons").trigger();
        QTest::mouseClick(&ckAlowCalcLen(), Qt::LeftButton);
        editor->reject();
    });
    editor->ShowModal();
    EXPECT_EQ(registry->readString(kKey, "ShellListView_ViewStyle"), QString("vsSmallIcon"));
    EXPECT_EQ(registry->readString(kKey, "ckAlowCalcLen_Checked"), QString("False"));
    EXPECT_EQ(registry->readString(kKey, "ShellTreeView_Width"), QString("200"));
    EXPECT_EQ(registry->readString(kKey, "paExplorer_Height"), QString("180"));

    // Values that do not convert leave the controls as they are.
    ASSERT_TRUE(registry->writeString(kKey, "ShellListView_ViewStyle", "vsNothing"));
    ASSERT_TRUE(registry->writeString(kKey, "ckAlowCalcLen_Checked", "maybe"));
    ASSERT_TRUE(registry->writeString(kKey, "ShellTreeView_Width", "wide"));
    editor->RestoreSettings();
    EXPECT_EQ(fileList().ViewStyle(), playlist::TViewStyle::vsSmallIcon);
    EXPECT_FALSE(ckAlowCalcLen().isChecked());
}

TEST_F(EditorWindow, TheFolderHistoryIsLoadedAtCreationAndStoredAtClose) {
    const QString key = playlist::FolderHistory::registryKey();
    ASSERT_TRUE(registry->writeString(key, "MRU1", "/media/Clips"));
    ASSERT_TRUE(registry->writeString(key, "MRU2", "/media/clips"));
    playlist::TfmPlayList second(*registry);
    EXPECT_EQ(second.MRUList().entries(), QStringList({"/media/Clips", "/media/clips"}));
    second.MRUList().add("/srv/new");
    second.FormCloseQuery();
    EXPECT_EQ(registry->readString(key, "MRU1"), QString("/srv/new"));
    EXPECT_EQ(registry->readString(key, "MRU3"), QString("/media/clips"));
}

TEST_F(EditorWindow, PlaylistsAreSavedWithTheExtensionAndOpenedInPlaceOfTheList) {
    addItems({"/clips/a.avi", "/clips/b.avi"});
    items().setChecked(1, false);
    ASSERT_TRUE(QDir(tempDir.path()).mkdir("lists"));
    const QString folder = path("lists");
    whenModal([&folder](QWidget& dialog) {
        auto& save = dynamic_cast<QFileDialog&>(dialog);
        save.setDirectory(folder);
        save.findChild<QLineEdit*>("fileNameEdit")->setText("holiday");
        static_cast<QDialog&>(save).accept();
    });
    clickTool("buSavePL");
    const QString saved = QDir(folder).filePath("holiday.plst");
    ASSERT_TRUE(QFile::exists(saved));
    EXPECT_EQ(editor->MRUList().entries().value(0), folder);

    items().clear();
    addItems({"/old.avi"});
    whenModal([&saved](QWidget& dialog) {
        auto& open = dynamic_cast<QFileDialog&>(dialog);
        open.findChild<QLineEdit*>("fileNameEdit")->setText(saved);
        static_cast<QDialog&>(open).accept();
    });
    clickTool("buOpenPL");
    EXPECT_EQ(state(), "/clips/a.avi /clips/b.avi");
    EXPECT_FALSE(items().checked(1));

    // A cancelled dialog changes nothing.
    whenModal([](QWidget& dialog) { dynamic_cast<QFileDialog&>(dialog).reject(); });
    clickTool("buOpenPL");
    EXPECT_EQ(items().count(), 2);
}

TEST_F(EditorWindow, WithoutTheSwitchNoCalculationEverStarts) {
    const QString file = makeFile("7.avi");
    ASSERT_TRUE(dropFiles(viewport(), {file}, QPoint(5, 5)));
    clickRow(0);
    clickTool("buUp");
    clickTool("buCheckSel");
    QTest::mouseDClick(&laLen(), Qt::LeftButton);
    EXPECT_EQ(editor->CalcLen().ThreadCount(), 0);
    EXPECT_FALSE(editor->CalcLenRunning());
    EXPECT_EQ(laLen().text(), "0:00:00");
}

TEST_F(EditorWindow, TickingStartsOnlyFromZeroAndADoubleClickRecalculates) {
    addItems({"/10.avi", "/20.avi"});
    QTest::mouseClick(&ckAlowCalcLen(), Qt::LeftButton);
    EXPECT_TRUE(editor->CalcLenRunning());
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_EQ(laLen().text(), durationText(30));
    EXPECT_FALSE(busyImageShown());

    QTest::mouseClick(&ckAlowCalcLen(), Qt::LeftButton); // off: nothing stops or starts
    items().setChecked(0, false);
    QTest::mouseClick(&ckAlowCalcLen(), Qt::LeftButton); // on, but a total is shown
    EXPECT_FALSE(editor->CalcLenRunning());
    EXPECT_EQ(laLen().text(), durationText(30));

    QTest::mouseDClick(&laLen(), Qt::LeftButton);
    EXPECT_TRUE(editor->CalcLenRunning());
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_EQ(laLen().text(), durationText(20));

    // Toggling an item's check box from the keyboard recalculates too.
    listBox().setFocus();
    listBox().setCurrentIndex(listBox().model()->index(0, 0));
    QTest::keyClick(&listBox(), Qt::Key_Space);
    EXPECT_TRUE(items().checked(0));
    EXPECT_TRUE(editor->CalcLenRunning());
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_EQ(laLen().text(), durationText(30));
}

TEST_F(EditorWindow, LengthsOfMoreThanADayShowTheDays) {
    addItems({"/82800.avi", "/7200.avi"}); // 23 and 2 hours
    allowCalculation();
    editor->StartCalcLen();
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_TRUE(laLen().text().startsWith("1.")) << laLen().text().toStdString();
    EXPECT_EQ(laLen().text(), "1." + durationText(3600));

    // Beyond 49 days the milliseconds no longer fit 32 bits; the total must not wrap.
    items().clear();
    addItems({"/4320000.avi"}); // 50 days
    editor->StartCalcLen();
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_EQ(laLen().text(), "50." + durationText(0));
}

TEST_F(EditorWindow, DeletingDuringASlowProbeResetsAtOnceAndStartsAgain) {
    addItems({"/5.avi", "/slow.avi", "/7.avi"});
    probe.gate("/slow.avi");
    allowCalculation();
    editor->StartCalcLen();
    ASSERT_TRUE(probe.waitUntilInside(1));
    EXPECT_TRUE(busyImageShown());

    clickRow(1);
    clickTool("buDel");
    EXPECT_EQ(laLen().text(), "0:00:00");
    EXPECT_TRUE(editor->CalcLenRunning());
    EXPECT_EQ(editor->CalcLen().ThreadCount(), 2);
    probe.openAll();
    ASSERT_TRUE(waitForCalculationsToEnd());
    EXPECT_FALSE(editor->CalcLenRunning());
    EXPECT_EQ(laLen().text(), durationText(12));
    EXPECT_FALSE(busyImageShown());
    EXPECT_EQ(items().fileInfo(0)->Duration, 5 * kSecond);
}

TEST_F(EditorWindow, RendersToAnImageWithAListLoaded) {
    ASSERT_TRUE(QDir(tempDir.path()).mkdir("clips"));
    for (const char* name : {"holiday.avi", "beach.jpg", "sunset.jpg", "song.wav"}) {
        QFile file(QDir(path("clips")).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        items().add(file.fileName());
    }
    items().setChecked(2, false);
    items().setSelected(1, true);
    const QString png = path("editor.png");
    ASSERT_TRUE(playlist::SaveEditorScreenshot(*editor, path("clips"), png));
    const QImage image(png);
    EXPECT_EQ(image.size(), editor->size() * editor->devicePixelRatio());
    if (const QByteArray keep = qgetenv("QUINTAPE_EDITOR_SCREENSHOT"); !keep.isEmpty()) {
        QFile::remove(QString::fromLocal8Bit(keep));
        QFile::copy(png, QString::fromLocal8Bit(keep));
    }
}

} // namespace
