#include "playlist/check_list.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using playlist::CheckList;

class CheckListTest : public ::testing::Test {
protected:
    CheckList list;
    QAbstractItemModelTester tester{&list, QAbstractItemModelTester::FailureReportingMode::Fatal};

    QStringList texts() const {
        QStringList result;
        for (int i = 0; i < list.count(); ++i) {
            result.append(list.text(i));
            EXPECT_EQ(list.data(list.index(i), Qt::DisplayRole).toString(), list.text(i));
        }
        EXPECT_EQ(list.rowCount(), list.count());
        return result;
    }
};

TEST_F(CheckListTest, NewItemsAreCheckedUnselectedAndUnprobed) {
    EXPECT_EQ(list.add("a"), 0);
    EXPECT_EQ(list.add("b", false), 1);
    EXPECT_TRUE(list.checked(0));
    EXPECT_FALSE(list.checked(1));
    EXPECT_FALSE(list.selected(0));
    EXPECT_EQ(list.fileInfo(0), nullptr);
    EXPECT_EQ(list.data(list.index(0), Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(list.data(list.index(1), Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST_F(CheckListTest, RowChangesSignalTheRightRows) {
    QSignalSpy inserted(&list, &CheckList::rowsInserted);
    QSignalSpy removed(&list, &CheckList::rowsRemoved);
    QSignalSpy moved(&list, &CheckList::rowsMoved);
    for (const char* text : {"a", "b", "c", "d"}) {
        list.add(text);
    }
    list.insert(1, "x", false);
    EXPECT_EQ(texts(), QStringList({"a", "x", "b", "c", "d"}));
    ASSERT_EQ(inserted.count(), 5);
    EXPECT_EQ(inserted.last().at(1).toInt(), 1);
    EXPECT_FALSE(list.checked(1));

    list.move(0, 3); // down
    EXPECT_EQ(texts(), QStringList({"x", "b", "c", "a", "d"}));
    list.move(4, 0); // up
    EXPECT_EQ(texts(), QStringList({"d", "x", "b", "c", "a"}));
    list.move(2, 2);
    EXPECT_EQ(moved.count(), 2);

    list.remove(1, 2);
    EXPECT_EQ(texts(), QStringList({"d", "c", "a"}));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.last().at(1).toInt(), 1);
    EXPECT_EQ(removed.last().at(2).toInt(), 2);

    EXPECT_THROW(list.insert(4, "out"), std::out_of_range);
    EXPECT_THROW(list.remove(2, 2), std::out_of_range);
    EXPECT_THROW(list.move(0, 3), std::out_of_range);
    EXPECT_EQ(texts(), QStringList({"d", "c", "a"}));

    list.clear();
    EXPECT_EQ(list.count(), 0);
}

TEST_F(CheckListTest, CheckAndSelectionAreEditableThroughTheModel) {
    list.add("a");
    list.add("b");
    QSignalSpy changed(&list, &CheckList::dataChanged);
    EXPECT_TRUE(list.flags(list.index(0)).testFlag(Qt::ItemIsUserCheckable));
    EXPECT_TRUE(list.setData(list.index(1), Qt::Unchecked, Qt::CheckStateRole));
    EXPECT_FALSE(list.checked(1));
    EXPECT_TRUE(list.setData(list.index(0), true, CheckList::SelectedRole));
    list.setSelected(1, true);
    EXPECT_EQ(list.selectedCount(), 2);
    EXPECT_TRUE(list.data(list.index(0), CheckList::SelectedRole).toBool());
    ASSERT_EQ(changed.count(), 3);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>().row(), 1);
    list.setChecked(0, true); // unchanged: no signal
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(CheckListTest, CachedRecordsStayWithTheirItems) {
    list.add("a");
    list.add("b");
    auto info = std::make_unique<render::TFileInfo>();
    info->FileName = "a";
    render::TFileInfo* const record = info.get();
    list.setFileInfo(0, std::move(info));
    EXPECT_TRUE(list.data(list.index(0), CheckList::HasFileInfoRole).toBool());
    list.move(0, 1);
    EXPECT_EQ(list.fileInfo(1), record);
    EXPECT_EQ(list.fileInfo(0), nullptr);
    list.insert(0, "new");
    EXPECT_EQ(list.fileInfo(2), record);
    const std::unique_ptr<render::TFileInfo> taken = list.takeFileInfo(2);
    EXPECT_EQ(taken.get(), record);
    EXPECT_EQ(list.fileInfo(2), nullptr);
    list.setFileInfo(1, std::make_unique<render::TFileInfo>());
    list.remove(1); // frees the record; the leak checker of sanitizer builds would notice
    EXPECT_EQ(list.count(), 2);
}

} // namespace
