#include "playlist/master_list.h"

#include <QAbstractItemModelTester>

#include <gtest/gtest.h>

namespace {

using playlist::CheckList;
using playlist::FreeListItems;

// Five items "0".."4"; records on 0, 1, 3 and 4; items 1, 2 and 4 selected.
class FreeListItemsTest : public ::testing::Test {
protected:
    CheckList list;
    QAbstractItemModelTester tester{&list, QAbstractItemModelTester::FailureReportingMode::Fatal};

    void SetUp() override {
        for (int i = 0; i < 5; ++i) {
            list.add(QString::number(i));
            if (i != 2) {
                auto info = std::make_unique<render::TFileInfo>();
                info->FileName = QString::number(i);
                list.setFileInfo(i, std::move(info));
            }
            list.setSelected(i, i == 1 || i == 2 || i == 4);
        }
    }

    // Text of each item, with "*" when it still has its record.
    QStringList state() const {
        QStringList result;
        for (int i = 0; i < list.count(); ++i) {
            const render::TFileInfo* info = list.fileInfo(i);
            EXPECT_TRUE(info == nullptr || info->FileName == list.text(i));
            result.append(list.text(i) + (info != nullptr ? "*" : ""));
        }
        return result;
    }
};

TEST_F(FreeListItemsTest, AllItemsDeleted) {
    FreeListItems(list, false, false);
    EXPECT_EQ(list.count(), 0);
}

TEST_F(FreeListItemsTest, AllRecordsDroppedItemsKept) {
    FreeListItems(list, false, true);
    EXPECT_EQ(state(), QStringList({"0", "1", "2", "3", "4"}));
    EXPECT_EQ(list.selectedCount(), 3);
}

TEST_F(FreeListItemsTest, SelectedRecordsDroppedItemsKept) {
    FreeListItems(list, true, true);
    EXPECT_EQ(state(), QStringList({"0*", "1", "2", "3*", "4"}));
}

TEST_F(FreeListItemsTest, SelectedItemsDeletedOthersKeepTheirRecords) {
    FreeListItems(list, true, false);
    EXPECT_EQ(state(), QStringList({"0*", "3*"}));
    EXPECT_EQ(list.selectedCount(), 0);
}

TEST(FreeListItems, EmptyListStaysEmpty) {
    CheckList list;
    for (const bool selectedOnly : {false, true}) {
        for (const bool keepItems : {false, true}) {
            FreeListItems(list, selectedOnly, keepItems);
            EXPECT_EQ(list.count(), 0);
        }
    }
}

} // namespace
