#include "playlist/folder_history.h"

#include "platform/system/registry.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using playlist::FolderHistory;

const QString kKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\MRUPlayList");

QString folder(int i) {
    return QStringLiteral("/clips/folder%1").arg(i);
}

TEST(FolderHistory, SameFolderMovesToTheTopAndOtherCaseIsAnotherFolder) {
    FolderHistory history;
    for (int i = 6; i >= 1; --i) {
        history.add(i == 5 ? "/media/Clips" : folder(i));
    }
    ASSERT_EQ(history.entries().at(4), "/media/Clips");
    history.add("/media/Clips/");
    EXPECT_EQ(history.count(), 6);
    EXPECT_EQ(history.entries(),
              QStringList({"/media/Clips", folder(1), folder(2), folder(3), folder(4), folder(6)}));
    history.add("/media/clips");
    EXPECT_EQ(history.count(), 7);
    EXPECT_EQ(history.entries().mid(0, 2), QStringList({"/media/clips", "/media/Clips"}));
}

TEST(FolderHistory, ExpandsToACleanFullPath) {
    FolderHistory history;
    history.add("relative/sub/../dir");
    history.add("/a/./b//c/");
    history.add("");
    EXPECT_EQ(history.entries(),
              QStringList({"/a/b/c", QDir::current().absoluteFilePath("relative/dir")}));
}

TEST(FolderHistory, KeepsTheNewest27) {
    FolderHistory history;
    for (int i = 1; i <= 28; ++i) {
        history.add(folder(i));
    }
    ASSERT_EQ(history.count(), 27);
    EXPECT_EQ(history.entries().first(), folder(28));
    EXPECT_EQ(history.entries().last(), folder(2));
}

class FolderHistoryStorage : public testsupport::TempDirTest {};

TEST_F(FolderHistoryStorage, StoresPositionsAndDeletesTheEmptyOnes) {
    platform::Registry registry(path("registry.ini"));
    FolderHistory full;
    for (int i = 1; i <= 28; ++i) {
        full.add(folder(i));
    }
    ASSERT_TRUE(full.store(registry));
    EXPECT_EQ(registry.valueNames(kKey).size(), 27);
    EXPECT_EQ(registry.readString(kKey, "MRU1"), folder(28));
    EXPECT_EQ(registry.readString(kKey, "MRU27"), folder(2));

    FolderHistory small;
    small.add(folder(1));
    small.add(folder(2));
    ASSERT_TRUE(small.store(registry));
    const platform::Registry reloaded(path("registry.ini"));
    EXPECT_EQ(reloaded.valueNames(kKey).size(), 2);
    EXPECT_EQ(reloaded.readString(kKey, "MRU1"), folder(2));
    EXPECT_EQ(reloaded.readString(kKey, "MRU2"), folder(1));
    EXPECT_FALSE(reloaded.valueExists(kKey, "MRU3"));
}

TEST_F(FolderHistoryStorage, LoadSkipsGapsAndEmptyValues) {
    platform::Registry registry(path("registry.ini"));
    ASSERT_TRUE(registry.writeString(kKey, "MRU2", "/b"));
    ASSERT_TRUE(registry.writeString(kKey, "MRU3", ""));
    ASSERT_TRUE(registry.writeString(kKey, "mru5", "/c"));
    ASSERT_TRUE(registry.writeString(kKey, "MRU27", "/d"));
    ASSERT_TRUE(registry.writeString(kKey, "MRU28", "/not/read"));
    FolderHistory history;
    history.add("/replaced");
    history.load(registry);
    EXPECT_EQ(history.entries(), QStringList({"/b", "/c", "/d"}));
}

TEST_F(FolderHistoryStorage, FailedStoreIsReported) {
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    platform::Registry registry(path("plain/registry.ini"));
    FolderHistory history;
    history.add("/a");
    EXPECT_FALSE(history.store(registry));
}

} // namespace
