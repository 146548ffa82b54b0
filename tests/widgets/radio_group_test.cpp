#include "widgets/radio_group.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using widgets::TRadioGroup;

const QStringList kItems{QStringLiteral("Preview"), QStringLiteral("Full Process")};

TEST(RadioGroup, AnIndexSetBeforeTheItemsIsShownOnceTheyExist) {
    // A form sets the index first and the items afterwards.
    TRadioGroup group;
    group.setItemIndex(1);
    group.setItems(kItems);
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_TRUE(group.button(1)->isChecked());
    EXPECT_FALSE(group.button(0)->isChecked());

    // New items that do not reach the index leave none chosen.
    group.setItems({QStringLiteral("Only")});
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_FALSE(group.button(0)->isChecked());
}

TEST(RadioGroup, IndexesOutsideTheItemsChooseNone) {
    TRadioGroup group;
    group.setItems(kItems);
    group.setItemIndex(0);
    group.setItemIndex(5);
    EXPECT_EQ(group.itemIndex(), -1);
    EXPECT_FALSE(group.button(0)->isChecked());
    EXPECT_FALSE(group.button(1)->isChecked());
    EXPECT_EQ(group.button(2), nullptr);
    // The property is the same index.
    EXPECT_TRUE(group.setProperty("itemIndex", 1));
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_TRUE(group.button(1)->isChecked());
}

TEST(RadioGroup, ClicksAndProgramsRaiseTheirSignals) {
    TRadioGroup group;
    group.setItems(kItems);
    group.setItemIndex(0);
    group.show();
    QSignalSpy changed(&group, &TRadioGroup::itemIndexChanged);
    QSignalSpy clicked(&group, &TRadioGroup::itemClicked);

    QTest::mouseClick(group.button(1), Qt::LeftButton);
    EXPECT_EQ(group.itemIndex(), 1);
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);

    // Clicking the chosen item again changes nothing.
    QTest::mouseClick(group.button(1), Qt::LeftButton);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(clicked.size(), 1);

    // A program's choice is a change, not a click; a quiet one is neither.
    group.setItemIndex(0);
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(clicked.size(), 1);
    group.setItemIndexQuietly(1);
    EXPECT_EQ(group.itemIndex(), 1);
    EXPECT_TRUE(group.button(1)->isChecked());
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(clicked.size(), 1);
}

} // namespace
