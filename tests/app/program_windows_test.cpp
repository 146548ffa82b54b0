// The program's two windows together: the playlist editor shown from the main window's "List",
// and what its OK, Cancel and close button leave in the main window.

#include "app/program_services.h"
#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "playlist/check_list_box.h"
#include "playlist/folder_history.h"
#include "playlist/play_list_window.h"
#include "render/media_item.h"
#include "tests/app/main_window_fixture.h"
#include "tests/support/test_media.h"
#include "tests/support/when_modal.h"
#include "widgets/icon_grid.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <functional>

namespace {

using testsupport::testMedia;
using testsupport::waitUntil;

using testsupport::whenModal;

QStringList textsOf(const playlist::CheckList& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.text(i);
    }
    return texts;
}

template <typename T> T& childOf(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        throw std::runtime_error(std::string("no child ") + name);
    }
    return *found;
}

class ProgramWindows : public testsupport::MainWindowTest {
protected:
    ~ProgramWindows() override { closeProgram(); }

    // The windows over the test's registry and devices; the main window shown with "On Open"
    // at onOpenIndex (1: Pause) and first activated.
    app::TfmMain& start(const QStringList& arguments, int onOpenIndex = 1) {
        windows = std::make_unique<app::TProgramWindows>(
            registry, filters, [this] { ++rescans; }, arguments);
        app::TfmMain& main = windows->fmMain();
        childOf<QComboBox>(main, "cbOnOpen").setCurrentIndex(onOpenIndex);
        main.show();
        EXPECT_TRUE(waitUntil([&main] { return main.FirstActivationDone(); }));
        return main;
    }

    void closeProgram() {
        if (windows) {
            windows->Close();
            windows.reset();
        }
    }

    app::TfmMain& fmMain() const { return windows->fmMain(); }
    playlist::TfmPlayList& fmPlayList() const { return windows->fmPlayList(); }
    widgets::TIconGrid& grid() const { return childOf<widgets::TIconGrid>(fmMain(), "sgPlayList"); }

    // The file column of every grid row.
    QStringList gridFiles() const {
        QStringList files;
        for (int row = 0; row < grid().rowCount(); ++row) {
            files << grid().Cells(2, row);
        }
        return files;
    }

    // "List" clicked; returns when the editor has closed.
    void clickList() {
        QTest::mouseClick(&childOf<QPushButton>(fmMain(), "buOpenList"), Qt::LeftButton);
    }

    // Real clicks in the editor: a row of its list, a toolbar button, OK or Cancel.
    void clickEditorRow(int row) {
        auto& view = childOf<playlist::TCheckListBox>(fmPlayList(), "lbPlayList");
        const QRect rect = view.visualRect(view.model()->index(row, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    void clickEditorTool(const char* actionName) {
        auto& action = childOf<QAction>(fmPlayList(), actionName);
        for (QToolBar* toolBar : fmPlayList().ToolBars()) {
            if (QWidget* button = toolBar->widgetForAction(&action)) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
        }
        ADD_FAILURE() << "no button for " << actionName;
    }
    void clickEditorButton(const char* name) {
        QTest::mouseClick(&childOf<QPushButton>(fmPlayList(), name), Qt::LeftButton);
    }

    std::unique_ptr<app::TProgramWindows> windows;
};

TEST_F(ProgramWindows, TheEditorIsAHiddenModalWindowOverTheMainWindowAndHoldsItsList) {
    const QStringList files{testMedia(QStringLiteral("picture.jpg")),
                            testMedia(QStringLiteral("picture.png"))};
    app::TfmMain& main = start(files);
    playlist::TfmPlayList& editor = fmPlayList();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.parentWidget(), &main);
    EXPECT_TRUE(editor.isWindow());
    // The command line's paths went into the editor's list.
    EXPECT_EQ(textsOf(editor.MasterList()), files);
    EXPECT_EQ(main.MainList().count(), 2);

    // Nothing stored yet: the editor opens centred on the main window, wherever that is.
    main.move(100, 60);
    QApplication::processEvents();
    bool shown = false;
    whenModal([&](QWidget& modal) {
        shown = true;
        EXPECT_EQ(&modal, &editor);
        EXPECT_NE(editor.windowModality(), Qt::NonModal);
        const QPoint offset = editor.frameGeometry().center() - main.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << ',' << offset.y();
        clickEditorButton("BitBtn2");
    });
    clickList();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.parentWidget(), &main);
}

TEST_F(ProgramWindows, OkRebuildsTheGridFromTheEditedListAndStarts) {
    const QString jpg = testMedia(QStringLiteral("picture.jpg"));
    const QString png = testMedia(QStringLiteral("picture.png"));
    const QString bmp = testMedia(QStringLiteral("picture.bmp"));
    app::TfmMain& main = start({jpg, png, bmp});
    ASSERT_EQ(main.MainList().count(), 3);
    ASSERT_EQ(main.fgMain.GetGraphState(), graph::TGraphState::Paused);
    const int builds = created[QStringLiteral("Sink A")];

    whenModal([this](QWidget&) {
        clickEditorRow(1); // png goes
        clickEditorTool("buDel");
        clickEditorRow(0); // jpg stays, unchecked
        clickEditorTool("buUnCheckSel");
        clickEditorButton("BitBtn1");
    });
    clickList();

    EXPECT_EQ(textsOf(fmPlayList().MasterList()), (QStringList{jpg, bmp}));
    EXPECT_FALSE(fmPlayList().MasterList().checked(0));
    EXPECT_EQ(textsOf(main.MainList()), QStringList{bmp});
    ASSERT_EQ(grid().rowCount(), 1);
    EXPECT_EQ(grid().Cells(2, 0), main.MainList().fileInfo(0)->FileName);
    EXPECT_EQ(main.RenderRangeStop(), main.MainList().fileInfo(0)->Duration);
    // Torn down, built again and started with the "On Open" choice.
    EXPECT_GT(created[QStringLiteral("Sink A")], builds);
    EXPECT_TRUE(main.fgMain.Active());
    EXPECT_EQ(main.fgMain.GetGraphState(), graph::TGraphState::Paused);
    EXPECT_EQ(main.MainListItemIndex(), 0);
}

TEST_F(ProgramWindows, CancelAndTheCloseButtonLeaveTheMainWindowButTheNextOpenShowsTheEdits) {
    const QStringList files{
        testMedia(QStringLiteral("picture.jpg")), testMedia(QStringLiteral("picture.png")),
        testMedia(QStringLiteral("picture.bmp")), testMedia(QStringLiteral("wide.jpg"))};
    app::TfmMain& main = start(files);
    const QStringList playing = textsOf(main.MainList());
    const QStringList rows = gridFiles();
    ASSERT_EQ(rows.size(), 4);
    const int builds = created[QStringLiteral("Sink A")];
    const render::REFERENCE_TIME length = main.RenderRangeStop();

    struct Case {
        const char* how;
        std::function<void(playlist::TfmPlayList&)> close;
    };
    const Case cases[] = {
        {"Cancel",
         [](playlist::TfmPlayList& editor) {
             QTest::mouseClick(&childOf<QPushButton>(editor, "BitBtn2"), Qt::LeftButton);
         }},
        {"Escape", [](playlist::TfmPlayList& editor) { QTest::keyClick(&editor, Qt::Key_Escape); }},
        {"close button", [](playlist::TfmPlayList& editor) { editor.close(); }},
    };
    int deleted = 0;
    for (const Case& each : cases) {
        SCOPED_TRACE(each.how);
        whenModal([this, &each](QWidget&) {
            clickEditorRow(0);
            clickEditorTool("buDel");
            each.close(fmPlayList());
        });
        clickList();
        ++deleted;
        EXPECT_FALSE(fmPlayList().isVisible());
        EXPECT_EQ(textsOf(fmPlayList().MasterList()), files.mid(deleted));
        // The main window goes on with what it had: same list, grid, length and graph.
        EXPECT_EQ(textsOf(main.MainList()), playing);
        EXPECT_EQ(gridFiles(), rows);
        EXPECT_EQ(main.RenderRangeStop(), length);
        EXPECT_EQ(created[QStringLiteral("Sink A")], builds);
        EXPECT_TRUE(main.fgMain.Active());
        EXPECT_EQ(main.fgMain.GetGraphState(), graph::TGraphState::Paused);
    }

    // The next opening shows the list as it was left; OK plays it.
    QStringList shownList;
    whenModal([this, &shownList](QWidget&) {
        shownList = textsOf(fmPlayList().MasterList());
        clickEditorButton("BitBtn1");
    });
    clickList();
    EXPECT_EQ(shownList, files.mid(3));
    EXPECT_EQ(textsOf(main.MainList()), files.mid(3));
    EXPECT_EQ(gridFiles().size(), 1);
}

TEST_F(ProgramWindows, TheLengthInTheEditorUsesThePictureTimeOfTheMainWindow) {
    app::TfmMain& main = start({}, 2);
    childOf<QDoubleSpinBox>(main, "udPicTime").setValue(3.0);
    const QString picture = testMedia(QStringLiteral("picture.jpg"));
    fmPlayList().MasterList().add(picture);

    auto& laLen = childOf<QLabel>(fmPlayList(), "laLen");
    whenModal([this](QWidget&) {
        QTest::mouseClick(&childOf<QCheckBox>(fmPlayList(), "ckAlowCalcLen"), Qt::LeftButton);
        EXPECT_TRUE(fmPlayList().CalcLenRunning());
        EXPECT_TRUE(waitUntil([this] { return fmPlayList().CalcLen().ThreadCount() == 0; }));
        clickEditorButton("BitBtn1");
    });
    clickList();
    EXPECT_EQ(laLen.text(), render::DurationText(3000.0 / 86400000.0));
    // The record the calculation made is the cache the main window's rebuild used.
    ASSERT_EQ(main.MainList().count(), 1);
    EXPECT_EQ(main.MainList().fileInfo(0)->Duration, 3 * platform::UNITS);
}

TEST_F(ProgramWindows, AFolderAddedByTheOpenDialogIsStoredWithTheEditorsLayout) {
    app::TfmMain& main = start({}, 2);
    // The editor has been shown once, and a toolbar has moved since it closed.
    whenModal([this](QWidget&) { clickEditorButton("BitBtn2"); });
    clickList();
    ASSERT_TRUE(fmPlayList().DockToolBar(childOf<QToolBar>(fmPlayList(), "tbrOk"), "DockTop"));

    const QString picture = testMedia(QStringLiteral("picture.jpg"));
    const QString folder = QFileInfo(picture).absolutePath();
    whenModal([&folder](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        dialog.setDirectory(folder);
        dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"picture.jpg\""));
        QMetaObject::invokeMethod(&dialog, "accept");
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the open dialog refused the file";
            dialog.reject();
        }
    });
    QTest::mouseClick(&childOf<QPushButton>(main, "buOpenFile"), Qt::LeftButton);
    ASSERT_EQ(textsOf(fmPlayList().MasterList()), QStringList{picture});

    // Stored at once, by the editor's close-query step, which also stores its toolbars.
    const platform::Registry onDisk(registry.filePath());
    EXPECT_EQ(onDisk.readString(playlist::FolderHistory::registryKey(), QStringLiteral("MRU1")),
              folder);
    EXPECT_EQ(onDisk.readString(playlist::TfmPlayList::toolbarsKey() + QStringLiteral("\\tbrOk"),
                                QStringLiteral("DockedTo")),
              QStringLiteral("DockTop"));
    platform::Registry later(registry.filePath());
    playlist::TfmPlayList next(later);
    EXPECT_EQ(next.MRUList().entries().value(0), folder);
}

TEST_F(ProgramWindows, ClosingTheProgramOverTheOpenEditorStoresTheEditorFirst) {
    app::TfmMain& main = start({testMedia(QStringLiteral("picture.jpg"))});
    bool mainClosed = false;
    QObject::connect(&main, &app::TfmMain::closed, [&mainClosed] { mainClosed = true; });
    whenModal([this](QWidget&) {
        childOf<QAction>(fmPlayList(), "miVsDetails").trigger();
        windows->Close();
    });
    clickList();
    EXPECT_TRUE(mainClosed);
    EXPECT_FALSE(fmPlayList().isVisible());
    // Not closed with OK: nothing was built again after the main window's close.
    EXPECT_FALSE(main.fgMain.Active());
    EXPECT_EQ(registry.readString(playlist::TfmPlayList::registryKey(),
                                  QStringLiteral("ShellListView_ViewStyle")),
              QStringLiteral("vsReport"));
    windows.reset();
}

TEST_F(ProgramWindows, AFailingEditorCommandIsReportedAsTheProgramReportsErrors) {
    start({}, 2);
    // A path with a trailing blank cannot be kept by the playlist format.
    fmPlayList().MasterList().add(QStringLiteral("/clips/b.avi "));
    QStringList reports;
    app::TQuintapeApplication::instance()->setErrorReporter(
        [&reports](const QString& text) { reports << text; });
    const QString folder = tempDir.path();
    whenModal([this, &folder](QWidget&) {
        // The save dialog over the editor.
        whenModal([&folder](QWidget& dialog) {
            auto& save = dynamic_cast<QFileDialog&>(dialog);
            save.setDirectory(folder);
            save.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("holiday"));
            static_cast<QDialog&>(save).accept();
        });
        clickEditorTool("buSavePL");
        EXPECT_TRUE(fmPlayList().isVisible());
        clickEditorButton("BitBtn2");
    });
    clickList();
    app::TQuintapeApplication::instance()->setErrorReporter({});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().startsWith(QStringLiteral("Unable to write to ") +
                                           path(QStringLiteral("holiday.plst"))))
        << reports.first().toStdString();
}

} // namespace
