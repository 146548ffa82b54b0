#include "playlist/folder_history.h"
#include "playlist/playlist_file.h"

#include "platform/system/profile.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

using playlist::CheckList;
using playlist::LoadPlayList;
using playlist::SavePlayList;

// Each item as its text, with "-" in front when unchecked.
QStringList items(const CheckList& list) {
    QStringList result;
    for (int i = 0; i < list.count(); ++i) {
        result.append((list.checked(i) ? "" : "-") + list.text(i));
    }
    return result;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Playlists as Windows programs write them, byte for byte: CR LF line ends and the Western
// ANSI code page, or UTF-16LE with a byte-order mark for a file created as Unicode.
class WindowsPlayList : public testsupport::TempDirTest {
protected:
    QString plst() const { return path("list.plst"); }

    void write(const QByteArray& bytes) {
        QFile file(plst());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QStringList load() {
        CheckList list;
        LoadPlayList(plst(), list);
        return items(list);
    }
};

TEST_F(WindowsPlayList, OnePairOfEnclosingQuotesIsDropped) {
    write("[0]\r\nFile=\"C:\\My Clips\\a.avi\"\r\nChecked=\"0\"\r\n"
          "[1]\r\nFile= 'C:\\b.avi' \r\n"
          "[2]\r\nFile=\"C:\\c.avi\r\n"
          "[3]\r\nFile=\"C:\\d.avi'\r\n"
          "[4]\r\nFile=\"\"C:\\e.avi\"\"\r\n"
          "[5]\r\nFile=\"\"\r\n"
          "[6]\r\nFile=\"\r\n");
    EXPECT_EQ(load(), QStringList({"-C:\\My Clips\\a.avi", "C:\\b.avi", "\"C:\\c.avi",
                                   "\"C:\\d.avi'", "\"C:\\e.avi\"", "", "\""}));
}

TEST_F(WindowsPlayList, ARepeatedSectionGivesTheFirstSectionsValues) {
    write("[0]\r\nFile=C:\\a.avi\r\nChecked=0\r\n"
          "[1]\r\nFile=C:\\b.avi\r\n"
          "[0]\r\nFile=C:\\c.avi\r\nChecked=1\r\n"
          "[1]\r\nChecked=0\r\n");
    EXPECT_EQ(load(), QStringList({"-C:\\a.avi", "C:\\b.avi", "-C:\\a.avi", "C:\\b.avi"}));
}

TEST_F(WindowsPlayList, Utf16WithByteOrderMarkIsRead) {
    const QString text =
        QString::fromUtf8("[0]\r\nFile=C:\\Clips\\caf\xC3\xA9 \xE2\x98\x83.avi\r\nChecked=0\r\n"
                          "[1]\r\nFile=C:\\Clips\\\xF0\x9F\x8E\xAC.jpg\r\n");
    QStringEncoder littleEndian(QStringEncoder::Utf16LE);
    write(QByteArray("\xFF\xFE", 2) + QByteArray(littleEndian(text)));
    const QStringList expected = {QString::fromUtf8("-C:\\Clips\\caf\xC3\xA9 \xE2\x98\x83.avi"),
                                  QString::fromUtf8("C:\\Clips\\\xF0\x9F\x8E\xAC.jpg")};
    EXPECT_EQ(load(), expected);

    QStringEncoder bigEndian(QStringEncoder::Utf16BE);
    write(QByteArray("\xFE\xFF", 2) + QByteArray(bigEndian(text)));
    EXPECT_EQ(load(), expected);
}

TEST_F(WindowsPlayList, BareCarriageReturnsEndLines) {
    write("[0]\rFile=C:\\a.avi\rChecked=0\r[1]\rFile=C:\\caf\xE9.avi\r\r[2]\r\nFile=C:\\c.avi\n");
    EXPECT_EQ(load(),
              QStringList({"-C:\\a.avi", QString::fromUtf8("C:\\caf\xC3\xA9.avi"), "C:\\c.avi"}));
}

TEST_F(WindowsPlayList, AnsiFileLoadsAndSavesBackIdentically) {
    write("[0]\r\nFile=C:\\Clips\\Caf\xE9 \x80.avi\r\nChecked=1\r\n"
          "[1]\r\nFile=C:\\Clips\\beach.jpg\r\nChecked=0\r\n");
    CheckList list;
    LoadPlayList(plst(), list);
    EXPECT_EQ(items(list),
              QStringList({QString::fromUtf8("C:\\Clips\\Caf\xC3\xA9 \xE2\x82\xAC.avi"),
                           "-C:\\Clips\\beach.jpg"}));
    const QString copy = path("copy.plst");
    SavePlayList(copy, list);
    CheckList again;
    LoadPlayList(copy, again);
    EXPECT_EQ(items(again), items(list));
}

class PlayListSave : public testsupport::TempDirTest {};

TEST_F(PlayListSave, TextsTheReaderWouldChangeAreRefusedBeforeWriting) {
    const QString plst = path("list.plst");
    CheckList good;
    good.add("/clips/a.avi");
    SavePlayList(plst, good);
    const QByteArray before = readAll(plst);

    for (const QString& text :
         {QStringLiteral("/clips/trailing.avi "), QStringLiteral("/clips/tab.avi\t"),
          QStringLiteral(" /lead.avi"), QStringLiteral("/line\nbreak.avi")}) {
        CheckList list;
        list.add("/clips/fine.avi");
        list.add(text);
        try {
            SavePlayList(plst, list);
            ADD_FAILURE() << "saved " << text.toStdString();
        } catch (const platform::EIniFileException& error) {
            EXPECT_TRUE(error.message().startsWith("Unable to write to " + plst + ": item 2"))
                << error.message().toStdString();
        }
        EXPECT_EQ(readAll(plst), before);
    }
}

TEST_F(PlayListSave, QuotedTextsAndInnerBlanksComeBackUnchanged) {
    const QString plst = path("list.plst");
    CheckList list;
    list.add("\"quoted\"");
    list.add("'single'", false);
    list.add("/clips/inner  blanks/a \"b\".avi");
    list.add("\"");
    SavePlayList(plst, list);
    EXPECT_EQ(readAll(plst), QByteArray("[0]\r\nFile=\"\"quoted\"\"\r\nChecked=1\r\n"
                                        "[1]\r\nFile=\"'single'\"\r\nChecked=0\r\n"
                                        "[2]\r\nFile=/clips/inner  blanks/a \"b\".avi\r\n"
                                        "Checked=1\r\n[3]\r\nFile=\"\r\nChecked=1\r\n"));
    CheckList loaded;
    LoadPlayList(plst, loaded);
    EXPECT_EQ(items(loaded), items(list));
}

TEST(PlayListName, ABareNameGetsTheExtension) {
    using playlist::WithPlayListExtension;
    EXPECT_EQ(WithPlayListExtension("/lists/holiday"), "/lists/holiday.plst");
    EXPECT_EQ(WithPlayListExtension("/lists.d/holiday"), "/lists.d/holiday.plst");
    EXPECT_EQ(WithPlayListExtension("/lists/holiday.plst"), "/lists/holiday.plst");
    EXPECT_EQ(WithPlayListExtension("/lists/holiday.txt"), "/lists/holiday.txt");
    EXPECT_EQ(WithPlayListExtension("/lists/"), "/lists/");
}

// Folder names are compared as the file system compares them.
class FolderHistoryOnDisk : public testsupport::TempDirTest {};

TEST_F(FolderHistoryOnDisk, FoldersDifferingInCaseStayApartAndALinkIsTheSameFolder) {
    ASSERT_TRUE(QDir(tempDir.path()).mkpath("Clips"));
    ASSERT_TRUE(QDir(tempDir.path()).mkpath("clips"));
    ASSERT_TRUE(QFile::link(path("Clips"), path("link")));
    playlist::FolderHistory history;
    history.add(path("Clips"));
    history.add(path("other"));
    history.add(path("clips"));
    EXPECT_EQ(history.entries(), QStringList({path("clips"), path("other"), path("Clips")}));
    history.add(path("link"));
    EXPECT_EQ(history.entries(), QStringList({path("link"), path("clips"), path("other")}));
}

} // namespace
