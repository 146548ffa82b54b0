#include "platform/system/registry.h"

#include "tests/support/temp_dir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <thread>

#include <unistd.h>

namespace {

using platform::Registry;

const QString kMain = QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class RegistryTest : public testsupport::TempDirTest {
protected:
    QString file() const { return path("registry.ini"); }
};

TEST_F(RegistryTest, OddTextRoundTripsThroughTheFile) {
    const QStringList values = {
        "",
        "a=b;c[d]",
        "  leading and trailing  ",
        " ",
        "C:\\Clips\\holiday.avi",
        "\\u0041 and %0041 and \\n literally",
        "line one\nline two\r\nline three\ttab",
        QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xAC"),
        QString(QChar(0xD800)) + "lone surrogate",
        QString(QChar(0x0001)) + QChar(0x007F) + QChar(0x2028),
        // Blanks other than the space at either end: the reader trims every kind of them.
        QString(QChar(0x3000)) + "wide blanks" + QChar(0x2000),
    };
    const QStringList names = {"",      "=",     "[bracket",
                               ";semi", "#hash", " blank ",
                               "a\\b",  "x\ny",  QString(QChar(0x2000)) + "lead"};
    const QString oddKey = QStringLiteral("Software\\ [odd] %41 key \\x");
    {
        Registry registry(file());
        for (int i = 0; i < values.size(); ++i) {
            ASSERT_TRUE(registry.writeString(kMain, QStringLiteral("v%1").arg(i), values[i]));
        }
        for (int i = 0; i < names.size(); ++i) {
            ASSERT_TRUE(registry.writeString(oddKey, names[i], QString::number(i)));
        }
    }
    const Registry reloaded(file());
    ASSERT_TRUE(reloaded.isLoaded());
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(reloaded.readString(kMain, QStringLiteral("v%1").arg(i)), values[i]) << i;
    }
    EXPECT_EQ(reloaded.valueNames(oddKey), names);
    EXPECT_EQ(reloaded.subKeyNames("Software"), QStringList({" [odd] %41 key ", "Zarnit"}));
    {
        Registry registry(file());
        ASSERT_TRUE(registry.writeString(QStringLiteral("Software\\") + QChar(0x3000) + "wide",
                                         QStringLiteral("k"), QStringLiteral("v")));
    }
    EXPECT_EQ(Registry(file()).readString(QStringLiteral("Software\\") + QChar(0x3000) + "wide",
                                          QStringLiteral("k")),
              QStringLiteral("v"));
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(reloaded.readString(oddKey, names[i]), QString::number(i)) << i;
    }
}

TEST_F(RegistryTest, NamesIgnoreCaseAndKeepTheFirstSpelling) {
    Registry registry(file());
    ASSERT_TRUE(registry.writeString(kMain, "cbTransEnable_Checked", "False"));
    ASSERT_TRUE(registry.writeString("software\\ZARNIT\\quintape.3\\tfmmain",
                                     "CBTRANSENABLE_CHECKED", "True"));
    EXPECT_EQ(registry.readString(kMain, "cbtransenable_checked"), QString("True"));
    EXPECT_EQ(registry.valueNames("SOFTWARE\\Zarnit\\Quintape.3\\TFMMAIN"),
              QStringList({"cbTransEnable_Checked"}));
    EXPECT_EQ(registry.subKeyNames("software\\zarnit\\quintape.3"), QStringList({"TfmMain"}));
    EXPECT_TRUE(registry.keyExists("\\Software\\\\Zarnit\\")); // empty parts are skipped
}

TEST_F(RegistryTest, MissingIsDistinctFromEmpty) {
    Registry registry(file());
    ASSERT_TRUE(registry.writeString(kMain, "Empty", ""));
    EXPECT_EQ(registry.readString(kMain, "Empty"), QString(""));
    EXPECT_EQ(registry.readString(kMain, "Missing"), std::nullopt);
    EXPECT_EQ(registry.readString("No\\Such\\Key", "Empty"), std::nullopt);
    EXPECT_EQ(registry.readString(kMain, "Missing", "dflt"), "dflt");
    EXPECT_TRUE(registry.valueExists(kMain, "EMPTY"));
    EXPECT_FALSE(registry.valueExists(kMain, "Missing"));
}

TEST_F(RegistryTest, KeysAndDeletionsPersist) {
    {
        Registry registry(file());
        ASSERT_TRUE(registry.createKey("A\\Empty"));
        ASSERT_TRUE(registry.writeString("A\\B\\C", "deep", "1"));
        ASSERT_TRUE(registry.writeString("A\\B", "mid", "2"));
        ASSERT_TRUE(registry.writeString("A\\B2", "keep", "3"));
        ASSERT_TRUE(registry.writeString("A", "top", "4"));
        ASSERT_TRUE(registry.writeString("A", "gone", "5"));
        ASSERT_TRUE(registry.deleteValue("a", "GONE"));
        ASSERT_TRUE(registry.deleteValue("a", "never there"));
        ASSERT_TRUE(registry.eraseKey("a\\b"));
        ASSERT_TRUE(registry.eraseKey("No\\Such\\Key"));
        EXPECT_FALSE(registry.eraseKey("")); // the root stays
    }
    Registry registry(file());
    EXPECT_TRUE(registry.keyExists("A\\Empty"));
    EXPECT_FALSE(registry.keyExists("A\\B"));
    EXPECT_FALSE(registry.keyExists("A\\B\\C"));
    EXPECT_EQ(registry.subKeyNames("A"), QStringList({"B2", "Empty"}));
    EXPECT_EQ(registry.valueNames("A"), QStringList({"top"}));
    EXPECT_EQ(registry.readString("A\\B2", "keep"), QString("3"));

    const auto key = registry.openKey("A\\B2", false);
    ASSERT_TRUE(key.has_value());
    EXPECT_EQ(key->readString("KEEP"), QString("3"));
    EXPECT_FALSE(registry.openKey("A\\Nope", false).has_value());
    ASSERT_TRUE(registry.openKey("A\\Nope", true).has_value());
    EXPECT_TRUE(Registry(file()).keyExists("A\\Nope"));
}

TEST_F(RegistryTest, EveryChangeIsOnDiskWhenTheCallReturns) {
    Registry writer(file());
    ASSERT_TRUE(writer.writeString(kMain, "cbVideoOut_ItemIndex", "2"));
    EXPECT_EQ(Registry(file()).readString(kMain, "cbVideoOut_ItemIndex"), QString("2"));
    ASSERT_TRUE(writer.deleteValue(kMain, "cbVideoOut_ItemIndex"));
    EXPECT_FALSE(Registry(file()).valueExists(kMain, "cbVideoOut_ItemIndex"));
}

TEST_F(RegistryTest, ReplacesTheFileInsteadOfRewritingIt) {
    Registry registry(file());
    ASSERT_TRUE(registry.writeString(kMain, "v", "old"));
    const QByteArray oldBytes = readAll(file());
    const QString link = path("link.ini");
    ASSERT_EQ(::link(QFile::encodeName(file()).constData(), QFile::encodeName(link).constData()),
              0);
    ASSERT_TRUE(registry.writeString(kMain, "v", "new"));
    EXPECT_EQ(readAll(link), oldBytes);
    EXPECT_EQ(Registry(file()).readString(kMain, "v"), QString("new"));
    EXPECT_EQ(QDir(tempDir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"link.ini", "registry.ini", "registry.ini.lock"}));
}

TEST_F(RegistryTest, FailedWritesAreReported) {
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Registry registry(path("plain/sub/registry.ini"));
    EXPECT_TRUE(registry.isLoaded());
    EXPECT_FALSE(registry.writeString(kMain, "v", "1"));
    EXPECT_FALSE(registry.errorString().isEmpty());
    EXPECT_FALSE(registry.flush());
    EXPECT_EQ(registry.readString(kMain, "v"), QString("1")); // kept in memory
}

TEST_F(RegistryTest, UnreadableFileIsNeverOverwritten) {
    ASSERT_TRUE(QDir(tempDir.path()).mkdir("registry.ini")); // a folder cannot be read
    Registry registry(file());
    EXPECT_FALSE(registry.isLoaded());
    EXPECT_FALSE(registry.errorString().isEmpty());
    EXPECT_FALSE(registry.writeString(kMain, "v", "1"));
    EXPECT_FALSE(registry.createKey("A"));
    EXPECT_FALSE(registry.valueExists(kMain, "v"));
    EXPECT_TRUE(QFileInfo(file()).isDir());
}

TEST_F(RegistryTest, BatchWritesOnceAtCommit) {
    Registry registry(file());
    ASSERT_TRUE(registry.writeString(kMain, "before", "0"));
    const QByteArray before = readAll(file());
    {
        Registry::Batch outer(registry);
        {
            Registry::Batch inner(registry);
            ASSERT_TRUE(registry.writeString(kMain, "a", "1"));
            ASSERT_TRUE(inner.commit());
        }
        ASSERT_TRUE(registry.writeString(kMain, "b", "2"));
        EXPECT_EQ(readAll(file()), before);
        ASSERT_TRUE(outer.commit());
    }
    const Registry reloaded(file());
    EXPECT_EQ(reloaded.valueNames(kMain), QStringList({"before", "a", "b"}));
}

TEST_F(RegistryTest, BatchCommitReportsAFailedWrite) {
    QFile plain(path("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    Registry registry(path("plain/registry.ini"));
    Registry::Batch batch(registry);
    EXPECT_TRUE(registry.writeString(kMain, "a", "1"));
    EXPECT_FALSE(batch.commit());
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Two running copies of the program share one file.
TEST_F(RegistryTest, TwoWritersKeepEachOthersValues) {
    Registry first(file());
    Registry second(file());
    ASSERT_TRUE(first.writeString(kMain, "cbVideoOut_ItemIndex", "1"));
    ASSERT_TRUE(second.writeString(kMain, "cbAudioOut_ItemIndex", "2"));
    ASSERT_TRUE(first.writeString(kMain, "udPicTime_Value", "7"));
    ASSERT_TRUE(second.writeString("Other\\Key", "v", "x"));

    const Registry reloaded(file());
    EXPECT_EQ(reloaded.valueNames(kMain),
              QStringList({"cbVideoOut_ItemIndex", "cbAudioOut_ItemIndex", "udPicTime_Value"}));
    EXPECT_EQ(reloaded.readString("Other\\Key", "v"), QString("x"));

    // Each sees what the other stored, also after it wrote itself.
    EXPECT_EQ(first.readString(kMain, "cbAudioOut_ItemIndex"), QString("2"));
    EXPECT_EQ(second.readString(kMain, "udPicTime_Value"), QString("7"));
    EXPECT_EQ(first.subKeyNames(""), QStringList({"Other", "Software"}));

    // Deletions and erasures reach the other writer too, and touch nothing else.
    ASSERT_TRUE(second.deleteValue(kMain, "cbVideoOut_ItemIndex"));
    ASSERT_TRUE(first.eraseKey("Other"));
    EXPECT_FALSE(first.valueExists(kMain, "cbVideoOut_ItemIndex"));
    EXPECT_FALSE(second.keyExists("Other"));
    EXPECT_EQ(Registry(file()).valueNames(kMain),
              QStringList({"cbAudioOut_ItemIndex", "udPicTime_Value"}));
}

TEST_F(RegistryTest, BatchAppliesOnlyItsOwnChangesOverAnotherWriter) {
    Registry first(file());
    Registry second(file());
    ASSERT_TRUE(first.writeString(kMain, "shared", "old"));
    {
        Registry::Batch batch(first);
        ASSERT_TRUE(first.writeString(kMain, "mine", "1"));
        ASSERT_TRUE(first.deleteValue(kMain, "shared"));
        // Meanwhile the other copy stores values of its own.
        ASSERT_TRUE(second.writeString(kMain, "theirs", "2"));
        ASSERT_TRUE(second.writeString(kMain, "shared", "new"));
        ASSERT_TRUE(batch.commit());
    }
    const Registry reloaded(file());
    EXPECT_EQ(reloaded.readString(kMain, "theirs"), QString("2"));
    EXPECT_EQ(reloaded.readString(kMain, "mine"), QString("1"));
    EXPECT_FALSE(reloaded.valueExists(kMain, "shared")); // the later change wins
}

TEST_F(RegistryTest, ConcurrentWritersLoseNothing) {
    constexpr int kWrites = 40;
    auto writeMany = [this](const QString& prefix) {
        Registry registry(file());
        for (int i = 0; i < kWrites; ++i) {
            EXPECT_TRUE(registry.writeString(kMain, prefix + QString::number(i), "v"));
        }
    };
    std::thread a(writeMany, QStringLiteral("a"));
    std::thread b(writeMany, QStringLiteral("b"));
    a.join();
    b.join();
    EXPECT_EQ(Registry(file()).valueNames(kMain).size(), 2 * kWrites);
}

TEST_F(RegistryTest, HeaderLinesAreTrimmed) {
    writeFile(file(), "  [Software\\A]  \n"
                      "x=1\n"
                      "\t[ Software \\ B ]\r\n"
                      "  y=2  \r\n"
                      "[Software\\Broken\n"
                      "z=3\n"
                      "[Software\\C]\n"
                      "w=4\n");
    Registry registry(file());
    EXPECT_EQ(registry.valueNames("Software\\A"), QStringList({"x"}));
    EXPECT_EQ(registry.readString("Software\\B", "y"), QString("2"));
    EXPECT_EQ(registry.valueNames("Software\\B"), QStringList({"y"})); // z is not filed here
    EXPECT_FALSE(registry.keyExists("Software\\Broken"));
    EXPECT_EQ(registry.readString("Software\\C", "w"), QString("4"));
}

TEST(RegistryDefaultPath, FollowsXdgConfigHome) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/some/config");
    EXPECT_EQ(Registry::defaultPath(), "/some/config/quintape/registry.ini");
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Registry::defaultPath(), QDir::homePath() + "/.config/quintape/registry.ini");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(Registry::defaultPath(), QDir::homePath() + "/.config/quintape/registry.ini");
    if (wasSet) {
        qputenv("XDG_CONFIG_HOME", saved);
    }
}

} // namespace
