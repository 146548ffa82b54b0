#include "editor_fixture.h"

#include "playlist/playlist_file.h"

#include <QDir>
#include <QFileSystemModel>
#include <QMenu>
#include <QScrollBar>
#include <QStorageInfo>

namespace {

using editortest::EditorTest;

class EditorEditing : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        addItems({"0", "1", "2", "3", "4", "5"});
    }
};

TEST_F(EditorEditing, RightDragGathersTheSelectedItemsAtTheInsertionPoint) {
    clickRow(2);
    clickRow(4, Qt::ControlModifier);
    ASSERT_EQ(state(), "0 1 [2] 3 [4] 5");

    // Pressed in item 0, released in the upper half of item 1.
    rightDrag(rowPoint(0), rowPoint(1, 0.2));
    EXPECT_EQ(state(), "0 [2] [4] 1 3 5");
    EXPECT_EQ(viewSelection(), listSelection());
    EXPECT_EQ(listBox().insertionMark(), -1);
    EXPECT_EQ(viewport()->cursor().shape(), Qt::ArrowCursor);

    // Down past the lower half of the last item: to the end.
    rightDrag(rowPoint(1), rowPoint(5, 0.8));
    EXPECT_EQ(state(), "0 1 3 5 [2] [4]");
}

TEST_F(EditorEditing, RightClickWithoutMovingGathersAtTheClickAndKeepsTheSelection) {
    clickRow(1);
    clickRow(4, Qt::ControlModifier);
    // The lower half of item 2 means "before item 3".
    QTest::mouseClick(viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(2, 0.8));
    EXPECT_EQ(state(), "0 2 [1] [4] 3 5");
    EXPECT_EQ(viewSelection(), listSelection());
}

TEST_F(EditorEditing, RightClickWithNothingSelectedChangesNothing) {
    QTest::mouseClick(viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(3));
    EXPECT_EQ(state(), "0 1 2 3 4 5");
    EXPECT_TRUE(viewSelection().isEmpty());
}

TEST_F(EditorEditing, TheInsertionMarkFollowsTheMouseWhileReordering) {
    clickRow(0);
    QTest::mousePress(viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(0, 0.2));
    EXPECT_EQ(listBox().insertionMark(), 0);
    EXPECT_EQ(viewport()->cursor().shape(), Qt::DragMoveCursor);
    QTest::mouseMove(viewport(), rowPoint(3, 0.7));
    EXPECT_EQ(listBox().insertionMark(), 4);
    EXPECT_EQ(listBox().insertionMarkY(4),
              listBox().visualRect(listBox().model()->index(4, 0)).top());
    QTest::mouseRelease(viewport(), Qt::RightButton, Qt::NoModifier, rowPoint(3, 0.7));
    EXPECT_EQ(state(), "1 2 3 [0] 4 5");
    EXPECT_EQ(listBox().insertionMark(), -1);
}

TEST_F(EditorEditing, ReorderingKeepsCheckMarksAndCachedRecords) {
    items().setChecked(4, false);
    auto info = std::make_unique<render::TFileInfo>();
    info->FileName = "record of 4";
    items().setFileInfo(4, std::move(info));
    clickRow(4);
    rightDrag(rowPoint(4), rowPoint(0, 0.1));
    EXPECT_EQ(state(), "[4] 0 1 2 3 5");
    EXPECT_FALSE(items().checked(0));
    ASSERT_NE(items().fileInfo(0), nullptr);
    EXPECT_EQ(items().fileInfo(0)->FileName, "record of 4");
}

TEST_F(EditorEditing, UpAndDownMoveBlocksThatHaveRoom) {
    clickRow(0);
    clickRow(2, Qt::ControlModifier);
    clickTool("buUp");
    EXPECT_EQ(state(), "[0] [2] 1 3 4 5");
    clickTool("buUp");
    EXPECT_EQ(state(), "[0] [2] 1 3 4 5");

    clickRow(3);
    clickRow(4, Qt::ShiftModifier);
    ASSERT_EQ(state(), "0 2 1 [3] [4] 5");
    clickTool("buUp");
    EXPECT_EQ(state(), "0 2 [3] [4] 1 5");
    clickTool("buDown");
    clickTool("buDown");
    EXPECT_EQ(state(), "0 2 1 5 [3] [4]");
    clickTool("buDown");
    EXPECT_EQ(state(), "0 2 1 5 [3] [4]");
    EXPECT_EQ(viewSelection(), listSelection());
}

TEST_F(EditorEditing, DeleteWalksDownTheList) {
    clickRow(1);
    clickTool("buDel");
    EXPECT_EQ(state(), "0 [2] 3 4 5");
    QTest::keyClick(&listBox(), Qt::Key_Delete);
    EXPECT_EQ(state(), "0 [3] 4 5");
    clickRow(3);
    clickTool("buDel");
    EXPECT_EQ(state(), "0 3 [4]");
    EXPECT_EQ(listBox().ItemIndex(), 2);
    EXPECT_EQ(viewSelection(), listSelection());

    clickTool("buDellAll");
    EXPECT_EQ(items().count(), 0);
    clickTool("buDel"); // nothing to delete
    EXPECT_EQ(items().count(), 0);
}

TEST_F(EditorEditing, CheckUncheckAndInvertWorkOnTheSelection) {
    clickRow(1);
    clickRow(3, Qt::ControlModifier);
    clickTool("buUnCheckSel");
    EXPECT_FALSE(items().checked(1));
    EXPECT_FALSE(items().checked(3));
    EXPECT_TRUE(items().checked(2));
    clickTool("buInvertSelection");
    EXPECT_EQ(state(), "[0] 1 [2] 3 [4] [5]");
    EXPECT_EQ(viewSelection(), listSelection());
    clickRow(1);
    clickRow(3, Qt::ControlModifier);
    clickTool("buCheckSel");
    for (int i = 0; i < items().count(); ++i) {
        EXPECT_TRUE(items().checked(i)) << i;
    }
}

TEST_F(EditorEditing, FilesDroppedOnTheListGoToTheDropPointAndAreSelected) {
    const QString a = makeFile("a.avi");
    const QString b = makeFile("b.avi");
    ASSERT_TRUE(QDir(tempDir.path()).mkdir("folder"));
    clickRow(0);
    ASSERT_TRUE(dropFiles(viewport(), {a, path("folder"), b}, rowPoint(2, 0.3)));
    EXPECT_EQ(state(), "0 1 [" + a + "] [" + b + "] 2 3 4 5");
    EXPECT_EQ(viewSelection(), listSelection());
    EXPECT_TRUE(items().checked(2));

    // Only folders: nothing changes.
    ASSERT_TRUE(dropFiles(viewport(), {path("folder")}, rowPoint(0)));
    EXPECT_EQ(items().count(), 8);
}

TEST_F(EditorEditing, APlaylistDroppedOnTheListIsInsertedAndOnTheTreeAppended) {
    const QString plst = makeFile("Mixed.PLST", "[0]\r\nFile=/p/one.avi\r\nChecked=0\r\n"
                                                "[1]\r\nFile=/p/two.avi\r\n");
    ASSERT_TRUE(dropFiles(viewport(), {plst}, rowPoint(1, 0.1)));
    EXPECT_EQ(state(), "0 [/p/one.avi] [/p/two.avi] 1 2 3 4 5");
    EXPECT_FALSE(items().checked(1));

    QWidget* treeViewport = folderTree().viewport();
    ASSERT_TRUE(dropFiles(treeViewport, {plst}, QPoint(5, 5)));
    EXPECT_EQ(state(), "0 /p/one.avi /p/two.avi 1 2 3 4 5 [/p/one.avi] [/p/two.avi]");

    ASSERT_TRUE(dropFiles(&fileList(), {plst}, QPoint(5, 5)));
    EXPECT_EQ(items().count(), 12);
    EXPECT_EQ(items().text(11), "/p/two.avi");
}

TEST_F(EditorEditing, ADropWithinHalfARowOfTheBottomAppendsWhenScrolled) {
    items().clear();
    for (int i = 0; i < 300; ++i) {
        items().add(QString::number(i));
    }
    listBox().scrollTo(listBox().model()->index(100, 0), QAbstractItemView::PositionAtTop);
    QApplication::processEvents();
    const QString dropped = makeFile("late.avi");
    const int bottom = viewport()->height() - 1;
    const int halfRow = listBox().ItemHeight() / 2;
    ASSERT_LT(listBox().indexAt(QPoint(5, bottom)).row(), 299); // more items follow below
    ASSERT_TRUE(dropFiles(viewport(), {dropped}, QPoint(5, bottom - halfRow + 1)));
    EXPECT_EQ(items().count(), 301);
    EXPECT_EQ(items().text(300), dropped);

    // Within the visible rows the drop point counts.
    const int row = listBox().indexAt(QPoint(5, 2 * listBox().ItemHeight())).row();
    ASSERT_TRUE(dropFiles(viewport(), {dropped}, rowPoint(row, 0.25)));
    EXPECT_EQ(items().text(row), dropped);
    EXPECT_EQ(items().count(), 302);
}

class EditorBrowser : public EditorTest {
protected:
    QString media;

    void SetUp() override {
        EditorTest::SetUp();
        ASSERT_TRUE(QDir(tempDir.path()).mkpath("media/sub"));
        media = path("media");
        for (const char* name : {"a.avi", "b.jpg", "c.wav"}) {
            QFile file(QDir(media).filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(browse(media, 3));
        addItems({"x"});
    }

    QListView& view() { return *fileList().listView(); }
    QPoint filePoint(int row) {
        const QModelIndex root = view().rootIndex();
        return view().visualRect(view().model()->index(row, 0, root)).center();
    }
    QString file(const char* name) { return QDir(media).filePath(name); }
};

TEST_F(EditorBrowser, TheFileListShowsFilesOnlySorted) {
    const QModelIndex root = view().rootIndex();
    QStringList names;
    for (int row = 0; row < view().model()->rowCount(root); ++row) {
        names.append(view().model()->index(row, 0, root).data().toString());
    }
    EXPECT_EQ(names, QStringList({"a.avi", "b.jpg", "c.wav"}));
    EXPECT_EQ(folderTree().Path(), media);
}

TEST_F(EditorBrowser, DoubleClickAppendsTheSelectedFilesAndRemembersTheFolder) {
    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::NoModifier, filePoint(0));
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::ShiftModifier, filePoint(2));
    QTest::mouseDClick(view().viewport(), Qt::LeftButton, Qt::ShiftModifier, filePoint(2));
    EXPECT_EQ(state(), "x [" + file("a.avi") + "] [" + file("b.jpg") + "] [" + file("c.wav") + "]");
    ASSERT_FALSE(editor->MRUList().entries().isEmpty());
    EXPECT_EQ(editor->MRUList().entries().first(), media);
}

TEST_F(EditorBrowser, AddTakesTheSelectionAndAddAllTheWholeFolder) {
    clickTool("buAdd"); // nothing selected
    EXPECT_EQ(state(), "x");
    EXPECT_TRUE(editor->MRUList().entries().isEmpty());

    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::NoModifier, filePoint(2));
    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::ControlModifier, filePoint(0));
    clickTool("buAdd");
    EXPECT_EQ(state(), "x [" + file("a.avi") + "] [" + file("c.wav") + "]");
    EXPECT_EQ(editor->MRUList().entries(), QStringList({media}));

    clickTool("buAddAll");
    EXPECT_EQ(items().count(), 6);
    EXPECT_EQ(items().text(4), file("b.jpg"));
}

TEST_F(EditorBrowser, CtrlASelectsEveryFile) {
    view().setFocus();
    QTest::keyClick(&view(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(fileList().SelectedCount(), 3);
}

TEST_F(EditorBrowser, FilesDraggedFromTheListAreInsertedAtTheDropPoint) {
    addItems({"y", "z"});
    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::NoModifier, filePoint(0));
    QTest::mouseClick(view().viewport(), Qt::LeftButton, Qt::ShiftModifier, filePoint(1));
    std::unique_ptr<QMimeData> drag(fileList().SelectionMimeData());
    ASSERT_TRUE(dropOn(viewport(), *drag, rowPoint(1, 0.2)));
    EXPECT_EQ(state(), "x [" + file("a.avi") + "] [" + file("b.jpg") + "] y z");

    // A drag that did not start in this list is not taken for one.
    QMimeData foreign;
    foreign.setData("application/x-quintape-file-list", "1 2");
    EXPECT_FALSE(dropOn(viewport(), foreign, rowPoint(0)));
}

TEST_F(EditorBrowser, ViewStylesCycleFromTheButtonAndTheMenuChecksTheCurrentOne) {
    using playlist::TViewStyle;
    ASSERT_EQ(fileList().ViewStyle(), TViewStyle::vsList);
    const TViewStyle expected[] = {TViewStyle::vsReport, TViewStyle::vsSmallIcon,
                                   TViewStyle::vsIcon, TViewStyle::vsList};
    for (const TViewStyle style : expected) {
        clickTool("miViewStyle");
        EXPECT_EQ(fileList().ViewStyle(), style);
    }
    child<QAction>("miVsDetails").trigger();
    EXPECT_EQ(fileList().CurrentView(), fileList().detailsView());
    EXPECT_TRUE(child<QAction>("miVsDetails").isChecked());
    EXPECT_FALSE(child<QAction>("miVsList").isChecked());
    // Icon view keeps giving files away rather than taking drops.
    child<QAction>("miVsIcons").trigger();
    EXPECT_TRUE(view().dragEnabled());
    EXPECT_FALSE(view().viewport()->acceptDrops());
    EXPECT_EQ(view().movement(), QListView::Static);
}

TEST_F(EditorBrowser, TheFolderHistoryMenuGoesToTheChosenFolder) {
    QStringList folders;
    for (int i = 0; i < 27; ++i) {
        folders.append(path(QStringLiteral("f%1").arg(i)));
        ASSERT_TRUE(QDir().mkpath(folders.last()));
        editor->MRUList().add(folders.last());
    }
    auto& menu = child<QMenu>("pmFolderHistory");
    emit menu.aboutToShow();
    const QList<QAction*> entries = menu.actions();
    ASSERT_EQ(entries.size(), 27);
    EXPECT_EQ(entries[0]->text(), "&1 " + folders[26]);
    EXPECT_EQ(entries[8]->text(), "&9 " + folders[18]);
    EXPECT_EQ(entries[9]->text(), "&A " + folders[17]);
    EXPECT_EQ(entries[26]->text(), "&R " + folders[0]);
    entries[25]->trigger();
    EXPECT_EQ(folderTree().Path(), folders[1]);
}

TEST_F(EditorBrowser, TheTreeReachesTheHomeFolderAndEveryMountedDisk) {
    QFileSystemModel& model = *folderTree().fileSystemModel();
    QStringList places = {QDir::homePath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        places.append(volume.rootPath());
    }
    for (const QString& place : places) {
        QModelIndex index = model.index(place);
        ASSERT_TRUE(index.isValid()) << place.toStdString();
        while (index.parent().isValid()) {
            index = index.parent();
        }
        EXPECT_EQ(index, model.index(0, 0, folderTree().rootIndex())) << place.toStdString();
    }
}

} // namespace
