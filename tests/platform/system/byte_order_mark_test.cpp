#include "platform/system/profile.h"
#include "platform/system/registry.h"
#include "platform/system/text_codec.h"
#include "tests/support/temp_dir.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

const QString kMark(QChar(0xFEFF));

// Only the start of a file may hold a byte-order mark; elsewhere U+FEFF is kept as text, so a
// name that begins with it survives a save and a load.
TEST(ByteOrderMark, IsTextAnywhereButAtTheStartOfAFile) {
    EXPECT_EQ(platform::decodeUtf8OrWindows1252("\xEF\xBB\xBFx"), kMark + QStringLiteral("x"));

    platform::ProfileFile profile;
    ASSERT_TRUE(
        profile.setValue(QStringLiteral("s"), kMark + QStringLiteral("key"), QStringLiteral("v")));
    const QByteArray written = profile.serialize();
    const auto read = platform::ProfileFile::parse(written);
    EXPECT_EQ(read.value(QStringLiteral("s"), kMark + QStringLiteral("key")), QStringLiteral("v"));
    EXPECT_EQ(read.serialize(), written);
    // The mark at the start of a file is still skipped.
    const auto marked = platform::ProfileFile::parse("\xEF\xBB\xBF[a]\nk=1\n");
    EXPECT_EQ(marked.sectionNames(), QStringList{QStringLiteral("a")});
}

class ByteOrderMarkRegistry : public testsupport::TempDirTest {};

TEST_F(ByteOrderMarkRegistry, NamesThatBeginWithTheMarkSurvive) {
    const QString file = path(QStringLiteral("registry.ini"));
    {
        platform::Registry registry(file);
        ASSERT_TRUE(registry.writeString(QStringLiteral("Key"), kMark + QStringLiteral("name"),
                                         QStringLiteral("value")));
    }
    platform::Registry reread(file);
    EXPECT_EQ(reread.readString(QStringLiteral("Key"), kMark + QStringLiteral("name")),
              QStringLiteral("value"));

    // A file saved by an editor with a mark reads as without.
    QFile edited(path(QStringLiteral("edited.ini")));
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
    edited.write("\xEF\xBB\xBF[Software\\Test]\nName=1\n");
    edited.close();
    platform::Registry fromEditor(edited.fileName());
    EXPECT_EQ(fromEditor.readString(QStringLiteral("Software\\Test"), QStringLiteral("Name")),
              QStringLiteral("1"));
}

} // namespace
