#include "platform/system/profile.h"

#include "tests/support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

using platform::ProfileFile;

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

TEST(ProfileRead, SectionsInFileOrderAndNamesWithoutCase) {
    const ProfileFile file = ProfileFile::parse("[b]\r\nFile=x\r\n[a]\r\nfile=y\r\n[7]\r\n");
    EXPECT_EQ(file.sectionNames(), QStringList({"b", "a", "7"}));
    EXPECT_EQ(file.value("B", "FILE"), QString("x"));
    EXPECT_EQ(file.value("a", "File"), QString("y"));
    EXPECT_EQ(file.value("7", "File"), std::nullopt);
    EXPECT_EQ(file.value("missing", "File", "dflt"), "dflt");
}

TEST(ProfileRead, TrimsBlanksButKeepsTheWholeRestOfTheLine) {
    const ProfileFile file = ProfileFile::parse(
        "  [ sec one ]  \n \t Key  =  a=b;c [d] \"q\"  \t\nEmpty=\nnoequals\n;Key2=comment\n");
    EXPECT_EQ(file.sectionNames(), QStringList({"sec one"}));
    EXPECT_EQ(file.value("SEC ONE", "key"), QString("a=b;c [d] \"q\""));
    EXPECT_EQ(file.value("sec one", "Empty"), QString(""));
    EXPECT_EQ(file.value("sec one", "noequals"), std::nullopt);
    EXPECT_EQ(file.value("sec one", "Key2"), std::nullopt);
}

TEST(ProfileRead, IgnoresKeysBeforeTheFirstSection) {
    const ProfileFile file = ProfileFile::parse("File=orphan\n[0]\nFile=kept\n");
    EXPECT_EQ(file.sectionCount(), 1);
    EXPECT_EQ(file.value("0", "File"), QString("kept"));
}

TEST(ProfileRead, DuplicatesFirstWinsByNameEachSectionByIndex) {
    const ProfileFile file = ProfileFile::parse("[s]\nk=1\nK=2\n[S]\nk=3\n");
    EXPECT_EQ(file.sectionNames(), QStringList({"s", "S"}));
    EXPECT_EQ(file.value("s", "k"), QString("1"));
    EXPECT_EQ(file.value(1, "k"), QString("3"));
}

TEST(ProfileRead, ReadsLongValuesAndManySectionsCompletely) {
    const QString longValue(10000, QLatin1Char('v'));
    QByteArray bytes;
    for (int i = 0; i < 5000; ++i) {
        bytes += "[" + QByteArray::number(i) + "]\r\nFile=" + longValue.toUtf8() + "\r\n";
    }
    const ProfileFile file = ProfileFile::parse(bytes);
    ASSERT_EQ(file.sectionCount(), 5000);
    EXPECT_EQ(file.sectionName(4999), "4999");
    EXPECT_EQ(file.value("4999", "File"), longValue);
}

TEST(ProfileRead, DecodesUtf8AndWindows1252LinesAndLineEnds) {
    const QString cafe = QString::fromUtf8("Caf\xC3\xA9");
    const ProfileFile crlf =
        ProfileFile::parse("\xEF\xBB\xBF[0]\r\nA=Caf\xE9\r\nB=Caf\xC3\xA9\r\nC=\x80 5\r\n");
    const ProfileFile lf = ProfileFile::parse("[0]\nA=Caf\xE9\nB=Caf\xC3\xA9\nC=\x80 5");
    for (const ProfileFile* file : {&crlf, &lf}) {
        EXPECT_EQ(file->sectionNames(), QStringList({"0"}));
        EXPECT_EQ(file->value("0", "A"), cafe);
        EXPECT_EQ(file->value("0", "B"), cafe);
        EXPECT_EQ(file->value("0", "C"), QString::fromUtf8("\xE2\x82\xAC 5"));
    }
}

TEST(ProfileWrite, SerializesInOrderWithCrLfAndNoBom) {
    ProfileFile file;
    ASSERT_TRUE(file.setValue("0", "File", QString::fromUtf8("C:\\Clips\\caf\xC3\xA9.avi")));
    ASSERT_TRUE(file.setValue("0", "Checked", "1"));
    ASSERT_TRUE(file.setValue("1", "File", "x"));
    ASSERT_TRUE(file.setValue("0", "checked", "0")); // replaces in place, keeps first spelling
    EXPECT_EQ(
        file.serialize(),
        QByteArray("[0]\r\nFile=C:\\Clips\\caf\xC3\xA9.avi\r\nChecked=0\r\n[1]\r\nFile=x\r\n"));
}

TEST(ProfileWrite, RefusesTextThatWouldBreakTheFile) {
    ProfileFile file;
    EXPECT_FALSE(file.setValue("0", "File", "a\nb"));
    EXPECT_FALSE(file.setValue("0", "File", "a\rb"));
    EXPECT_FALSE(file.setValue("0", "Fi=le", "x"));
    EXPECT_FALSE(file.setValue("0", "[File", "x"));
    EXPECT_FALSE(file.setValue("0", " File", "x"));
    EXPECT_FALSE(file.setValue("new\nsection", "File", "x"));
    EXPECT_FALSE(file.setValue("", "File", "x"));
    EXPECT_EQ(file.sectionCount(), 0);
    EXPECT_EQ(file.appendSection("a\nb"), -1);
}

TEST(ProfileWrite, WrittenDocumentReadsBackEqual) {
    ProfileFile file;
    const QString odd = QString::fromUtf8("x=y;z [w] \"q\" \\\\server\\share \xF0\x9F\x8E\xAC");
    ASSERT_TRUE(file.setValue("Sec]tion", "Key", odd));
    const ProfileFile back = ProfileFile::parse(file.serialize());
    EXPECT_EQ(back.sectionNames(), QStringList({"Sec]tion"}));
    EXPECT_EQ(back.value("sec]tion", "key"), odd);
}

class ProfileFunctions : public testsupport::TempDirTest {};

TEST_F(ProfileFunctions, WriteThenReadThroughTheFile) {
    const QString ini = path("a.ini");
    EXPECT_TRUE(platform::GetPrivateProfileSectionNames(ini).isEmpty());
    EXPECT_EQ(platform::GetPrivateProfileString("s", "k", "dflt", ini), "dflt");
    ASSERT_TRUE(platform::WritePrivateProfileString("s", "k", "1", ini));
    ASSERT_TRUE(platform::WritePrivateProfileString("t", "k", "2", ini));
    ASSERT_TRUE(platform::WritePrivateProfileString("S", "K", "3", ini));
    EXPECT_EQ(readAll(ini), QByteArray("[s]\r\nk=3\r\n[t]\r\nk=2\r\n"));
    EXPECT_EQ(platform::GetPrivateProfileSectionNames(ini), QStringList({"s", "t"}));
    EXPECT_EQ(platform::GetPrivateProfileString("T", "K", "", ini), "2");
}

TEST_F(ProfileFunctions, FailedWritesAreReported) {
    writeAll(path("plain"), "not a folder");
    EXPECT_FALSE(platform::WritePrivateProfileString("s", "k", "v", path("plain/a.ini")));
    EXPECT_FALSE(ProfileFile().load(tempDir.path())); // a folder cannot be read as a file
}

TEST(EIniFileException, CarriesTheMessage) {
    const platform::EIniFileException error(QString::fromUtf8("Unable to write to /t/\xC3\xA9"));
    EXPECT_EQ(error.message(), QString::fromUtf8("Unable to write to /t/\xC3\xA9"));
    EXPECT_STREQ(error.what(), "Unable to write to /t/\xC3\xA9");
}

} // namespace
