#include "playlist/playlist_file.h"

#include "platform/system/profile.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using playlist::CheckList;
using playlist::LoadPlayList;
using playlist::SavePlayList;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Each item as its text, with "-" in front when unchecked.
QStringList items(const CheckList& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i) {
        result.append((list.checked(i) ? "" : "-") + list.text(i));
    }
    return result;
}

// Runs save expecting the error text for fileName (a reason may follow it).
template <typename Save> void expectUnableToWrite(const QString& fileName, Save save) {
    try {
        save();
        ADD_FAILURE() << "no exception";
    } catch (const platform::EIniFileException& error) {
        const QString message = error.message();
        EXPECT_TRUE(message == "Unable to write to " + fileName ||
                    message.startsWith("Unable to write to " + fileName + ": "))
            << message.toStdString();
    }
}

class PlayListFile : public testsupport::TempDirTest {
protected:
    QString plst() const { return path("list.plst"); }
};

TEST_F(PlayListFile, WritesOneSectionPerItemWithCrLf) {
    CheckList list;
    list.add("C:\\Clips\\holiday.avi");
    list.add("C:\\Clips\\beach.jpg", false);
    SavePlayList(plst(), list);
    EXPECT_EQ(readAll(plst()), QByteArray("[0]\r\nFile=C:\\Clips\\holiday.avi\r\nChecked=1\r\n"
                                          "[1]\r\nFile=C:\\Clips\\beach.jpg\r\nChecked=0\r\n"));
}

TEST_F(PlayListFile, LargeListsAndLongPathsRoundTrip) {
    CheckList list;
    const QString longPath = "/media/" + QString(4000, QLatin1Char('x')) + ".avi";
    list.add(longPath, false);
    for (int i = 1; i < 5000; ++i) {
        list.add(QString::fromUtf8("/v/clip \xC3\xA9 %1 [a]=b;c.avi").arg(i), i % 3 != 0);
    }
    SavePlayList(plst(), list);
    CheckList loaded;
    LoadPlayList(plst(), loaded);
    ASSERT_EQ(loaded.count(), 5000);
    EXPECT_EQ(items(loaded), items(list));
    EXPECT_EQ(loaded.text(0), longPath);
}

TEST_F(PlayListFile, LoadingAppendsAfterExistingItems) {
    writeAll(plst(), "[0]\r\nFile=/a.avi\r\nChecked=0\r\n[1]\r\nFile=/b.avi\r\n");
    CheckList list;
    list.add("/first.avi");
    LoadPlayList(plst(), list);
    LoadPlayList(plst(), list);
    EXPECT_EQ(items(list), QStringList({"/first.avi", "-/a.avi", "/b.avi", "-/a.avi", "/b.avi"}));
}

TEST_F(PlayListFile, ReaderTakesSectionsInFileOrderWithDefaults) {
    writeAll(plst(), "[b]\nfile = /b.avi \nCHECKED=0\nOther=1\n"
                     "[a]\nChecked=yes\n"
                     "[7]\nFile=/seven.jpg\n"
                     "[x]\nFile=/caf\xE9.jpg\nChecked=$0\n");
    CheckList list;
    LoadPlayList(plst(), list);
    EXPECT_EQ(items(list),
              QStringList({"-/b.avi", "", "/seven.jpg", QString::fromUtf8("-/caf\xC3\xA9.jpg")}));
}

TEST_F(PlayListFile, MissingOrEmptyFilesAddNothing) {
    CheckList list;
    LoadPlayList(path("missing.plst"), list);
    writeAll(plst(), "File=/no/section.avi\r\n");
    LoadPlayList(plst(), list);
    LoadPlayList(tempDir.path(), list); // a folder
    EXPECT_EQ(list.count(), 0);
}

TEST_F(PlayListFile, SavingAnEmptyListLeavesNoFile) {
    writeAll(plst(), "[0]\r\nFile=/old.avi\r\n");
    const CheckList empty;
    SavePlayList(plst(), empty);
    EXPECT_FALSE(QFile::exists(plst()));
    SavePlayList(plst(), empty);
    EXPECT_FALSE(QFile::exists(plst()));
}

TEST_F(PlayListFile, SavingReplacesTheFileInOneStep) {
    writeAll(plst(), "[0]\r\nFile=/old.avi\r\n[1]\r\nFile=/older.avi\r\n");
    ASSERT_EQ(::link(QFile::encodeName(plst()).constData(),
                     QFile::encodeName(path("link.plst")).constData()),
              0);
    CheckList list;
    list.add("/new.avi");
    SavePlayList(plst(), list);
    EXPECT_EQ(readAll(path("link.plst")),
              QByteArray("[0]\r\nFile=/old.avi\r\n[1]\r\nFile=/older.avi\r\n"));
    CheckList loaded;
    LoadPlayList(plst(), loaded);
    EXPECT_EQ(items(loaded), QStringList({"/new.avi"}));
}

TEST_F(PlayListFile, FailedSaveKeepsTheOldFileAndNamesIt) {
    const QByteArray old = "[0]\r\nFile=/old.avi\r\nChecked=1\r\n";
    writeAll(plst(), old);
    CheckList list;
    for (int i = 0; i < 2000; ++i) {
        list.add(QStringLiteral("/media/a/rather/long/folder/name/clip%1.avi").arg(i));
    }

    // The file system refuses the bytes: limit the size of files this process may write.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    expectUnableToWrite(plst(), [&] { SavePlayList(plst(), list); });
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(readAll(plst()), old);
    EXPECT_EQ(QDir(tempDir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"list.plst"}));

    // A text that the format cannot hold fails before anything is written.
    CheckList broken;
    broken.add("/a.avi");
    broken.add("/line\nbreak.avi");
    expectUnableToWrite(plst(), [&] { SavePlayList(plst(), broken); });
    EXPECT_EQ(readAll(plst()), old);

    // The folder does not exist: it is a regular file.
    writeAll(path("plain"), "x");
    const QString under = path("plain/list.plst");
    expectUnableToWrite(under, [&] { SavePlayList(under, broken); });
}

TEST(CheckedValue, OnlyANumericZeroUnchecks) {
    using playlist::checkedFromText;
    for (const char* text : {"0", "00", "-0", "+0", "0x0", "0X00", "$0", "$000"}) {
        EXPECT_FALSE(checkedFromText(QString(text))) << text;
    }
    for (const char* text :
         {"1", "-1", "0x10", "$a", "12abc", "yes", "", "0x", "$", "1 2", "99999999999", "0.0"}) {
        EXPECT_TRUE(checkedFromText(QString(text))) << text;
    }
    EXPECT_TRUE(checkedFromText(std::nullopt));
    EXPECT_EQ(playlist::parseProfileInteger("$FFFFFFFF"), 0xFFFFFFFF);
    EXPECT_EQ(playlist::parseProfileInteger("-42"), -42);
    EXPECT_EQ(playlist::parseProfileInteger("$100000000"), std::nullopt);
}

TEST(AddFilesRule, RecognisesPlaylistsByExtensionOnly) {
    using playlist::isPlayListFile;
    for (const char* path :
         {"/a/list.plst", "/a/LIST.PLST", "/a/b.Plst", "rel.plst", ".plst", "/a/x.avi.plst"}) {
        EXPECT_TRUE(isPlayListFile(path)) << path;
    }
    for (const char* path :
         {"/a/list.plst.avi", "/a.plst/file", "/a/list.plstx", "/a/plst", "/a/list_plst"}) {
        EXPECT_FALSE(isPlayListFile(path)) << path;
    }
}

TEST_F(PlayListFile, AddFilesReadsPlaylistsInPlaceWithoutRecursion) {
    const QString inner = path("inner.plst");
    writeAll(inner, "[0]\r\nFile=/never/read.avi\r\n");
    const QString outer = path("Outer.PLST");
    writeAll(outer, ("[0]\r\nFile=" + inner + "\r\nChecked=0\r\n[1]\r\nFile=/o.avi\r\n").toUtf8());
    CheckList list;
    playlist::AddFiles({"/z.avi", outer, path("missing.Plst"), "/a.jpg", "/z.avi"}, list);
    EXPECT_EQ(items(list), QStringList({"/z.avi", "-" + inner, "/o.avi", "/a.jpg", "/z.avi"}));
}

} // namespace
