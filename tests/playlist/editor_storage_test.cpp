// What the editor keeps in the registry between runs (its stored values, its placement and its
// toolbar layout), and how it reports what it cannot store.

#include "editor_fixture.h"
#include "tests/support/when_modal.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>

#include <functional>
#include <map>

namespace {

using editortest::EditorTest;

const QString kKey = playlist::TfmPlayList::registryKey();

using testsupport::whenModal;

// Where each toolbar sits, as "dock: bars row by row", rows split by "|": the bars of a row
// share their top edge (their left edge in a side dock) and are listed in order along it.
QString dockLayout(playlist::TfmPlayList& editor) {
    QApplication::processEvents();
    std::map<QString, std::map<int, std::map<int, QString>>> docks;
    for (QToolBar* bar : editor.ToolBars()) {
        const QString dock = editor.DockOf(*bar);
        if (dock == QLatin1String("+")) {
            docks[dock][0][bar->x()] = bar->objectName();
            continue;
        }
        const bool horizontal = bar->orientation() == Qt::Horizontal;
        const QRect place = bar->geometry();
        docks[dock][horizontal ? place.y() : place.x()][horizontal ? place.x() : place.y()] =
            bar->objectName();
    }
    QStringList text;
    for (const auto& [dock, rows] : docks) {
        QStringList rowTexts;
        for (const auto& [edge, bars] : rows) {
            QStringList names;
            for (const auto& [position, name] : bars) {
                names << name;
            }
            rowTexts << names.join(' ');
        }
        text << dock + ": " + rowTexts.join(" | ");
    }
    return text.join('\n');
}

class EditorStorage : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        editor->hide();
    }

    // Shows the editor modally, runs action in it, and closes it with OK.
    void showAndClose(const std::function<void(playlist::TfmPlayList&)>& action) {
        playlist::TfmPlayList& shown = *editor;
        whenModal([&shown, &action](QWidget&) {
            action(shown);
            QTest::mouseClick(shown.findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        });
        EXPECT_TRUE(shown.ShowModal());
    }

    // A new registry object on the same file and a new editor over it, as at the next start.
    void startAgain() {
        editor.reset();
        registry = std::make_unique<platform::Registry>(path("registry.ini"));
        editor = std::make_unique<playlist::TfmPlayList>(*registry);
    }
};

TEST_F(EditorStorage, ValuesPlacementAndToolbarsComeBackInANewEditor) {
    QString layoutAtClose;
    showAndClose([this, &layoutAtClose](playlist::TfmPlayList& shown) {
        child<QAction>("miVsIcons").trigger();
        child<QSplitter>("paExplorer").setSizes({250, 400});
        child<QSplitter>("spExplorer").setSizes({200, 250});
        QTest::mouseClick(&child<QCheckBox>("ckAlowCalcLen"), Qt::LeftButton);
        shown.setGeometry(30, 40, 700, 480);
        // Between the two parts of the window, within one, and floating.
        ASSERT_TRUE(shown.DockToolBar(child<QToolBar>("tbrDel"), "DockBottom"));
        ASSERT_TRUE(shown.DockToolBar(child<QToolBar>("tbrOk"), "DockRight"));
        ASSERT_TRUE(shown.DockToolBar(child<QToolBar>("tbrAdd"), "DockMiddle"));
        auto& floating = child<QToolBar>("TBToolbar1");
        floating.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        floating.move(60, 70);
        floating.show();
        layoutAtClose = dockLayout(shown);
    });
    ASSERT_TRUE(layoutAtClose.contains("DockRight: tbrOk")) << layoutAtClose.toStdString();
    ASSERT_TRUE(layoutAtClose.contains("+: TBToolbar1")) << layoutAtClose.toStdString();

    startAgain();
    // The toolbars are in place from the start.
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    EXPECT_EQ(dockLayout(*editor), layoutAtClose);
    editor->hide();
    EXPECT_EQ(child<QToolBar>("TBToolbar1").pos(), QPoint(60, 70));
    // The bar moved between the window's parts docks only where its new part has docks.
    EXPECT_EQ(child<QToolBar>("tbrOk").allowedAreas(),
              Qt::LeftToolBarArea | Qt::TopToolBarArea | Qt::RightToolBarArea);
    EXPECT_EQ(child<QToolBar>("tbrDel").allowedAreas(), Qt::TopToolBarArea | Qt::BottomToolBarArea);

    // The values and the placement at the showing.
    bool checked = false;
    whenModal([this, &checked](QWidget& shown) {
        checked = true;
        EXPECT_EQ(fileList().ViewStyle(), playlist::TViewStyle::vsIcon);
        EXPECT_TRUE(child<QAction>("miVsIcons").isChecked());
        EXPECT_TRUE(child<QCheckBox>("ckAlowCalcLen").isChecked());
        EXPECT_EQ(shown.geometry(), QRect(30, 40, 700, 480));
        QApplication::processEvents();
        EXPECT_EQ(folderTree().width(), 250);
        EXPECT_EQ(child<QSplitter>("paExplorer").height(), 200);
        QTest::mouseClick(&child<QPushButton>("BitBtn2"), Qt::LeftButton);
    });
    EXPECT_FALSE(editor->ShowModal());
    EXPECT_TRUE(checked);
    EXPECT_EQ(registry->readString(kKey, "ShellListView_ViewStyle"), QString("vsIcon"));
    EXPECT_EQ(registry->readString(kKey, "NormPos"), QString("30,40,730,520"));
    EXPECT_EQ(registry->readString(kKey, "Visible"), QString("0"));
}

TEST_F(EditorStorage, AnEditorNeverShownLeavesTheStoredValuesAlone) {
    const std::pair<const char*, const char*> stored[] = {
        {"ShellTreeView_Width", "200"},
        {"paExplorer_Height", "180"},
        {"ShellListView_ViewStyle", "vsReport"},
        {"ckAlowCalcLen_Checked", "True"},
    };
    for (const auto& [name, value] : stored) {
        ASSERT_TRUE(registry->writeString(kKey, name, value));
    }
    startAgain();
    editor.reset();
    for (const auto& [name, value] : stored) {
        EXPECT_EQ(registry->readString(kKey, name), QString(value)) << name;
    }

    // A showing the program ended under (no close) is stored when the editor goes.
    startAgain();
    editor->RestoreSettings();
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    child<QAction>("miVsSmallIcons").trigger();
    editor.reset();
    EXPECT_EQ(registry->readString(kKey, "ShellListView_ViewStyle"), QString("vsSmallIcon"));
    EXPECT_EQ(registry->readString(kKey, "ShellTreeView_Width"), QString("200"));
    EXPECT_EQ(registry->readString(kKey, "Visible"), QString("1"));
}

TEST_F(EditorStorage, StoringTheHistoryBeforeTheFirstShowingKeepsTheToolbarLayout) {
    QString stored;
    showAndClose([this, &stored](playlist::TfmPlayList& shown) {
        ASSERT_TRUE(shown.DockToolBar(child<QToolBar>("tbrUpDown"), "DockRight"));
        ASSERT_TRUE(shown.DockToolBar(child<QToolBar>("tbrViewStyle"), "DockBottom"));
        stored = dockLayout(shown);
    });

    // The main window's open dialog stores the history through the close-query step while the
    // editor of this run has never been shown.
    startAgain();
    editor->MRUList().add(tempDir.path());
    editor->FormCloseQuery();
    EXPECT_EQ(registry->readString(playlist::FolderHistory::registryKey(), "MRU1"), tempDir.path());

    startAgain();
    editor->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor.get()));
    EXPECT_EQ(dockLayout(*editor), stored);
}

TEST_F(EditorStorage, AFailedStoreIsReportedOnceTheWindowHasClosed) {
    // A registry whose folder is a plain file can never be written.
    QFile blocker(path("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    editor.reset();
    registry = std::make_unique<platform::Registry>(path("blocker/registry.ini"));
    editor = std::make_unique<playlist::TfmPlayList>(*registry);
    QStringList reports;
    bool visibleAtReport = true;
    editor->setErrorReport([this, &reports, &visibleAtReport](const QString& text) {
        reports << text;
        visibleAtReport = editor->isVisible();
    });
    editor->MRUList().add(tempDir.path());

    showAndClose([](playlist::TfmPlayList&) {});
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().startsWith("Unable to store")) << reports.first().toStdString();
    EXPECT_FALSE(visibleAtReport);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(EditorStorage, APlaylistThatCannotBeWrittenIsReportedAndTheEditorGoesOn) {
    QStringList reports;
    editor->setErrorReport([&reports](const QString& text) { reports << text; });
    editor->show();
    // A path with a trailing blank cannot be kept by the playlist format.
    addItems({"/clips/a.avi", "/clips/b.avi "});
    const QString folder = tempDir.path();
    whenModal([&folder](QWidget& dialog) {
        auto& save = dynamic_cast<QFileDialog&>(dialog);
        save.setDirectory(folder);
        save.findChild<QLineEdit*>("fileNameEdit")->setText("holiday");
        static_cast<QDialog&>(save).accept();
    });
    clickTool("buSavePL");
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().startsWith("Unable to write to " + path("holiday.plst")))
        << reports.first().toStdString();
    EXPECT_TRUE(editor->isVisible());
    // The next command works on the list as it was.
    clickRow(0);
    clickTool("buDel");
    EXPECT_EQ(state(), "[/clips/b.avi ]");
}

} // namespace
