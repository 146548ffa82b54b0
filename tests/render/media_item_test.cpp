#include "render/file_info.h"
#include "render/media_item.h"

#include "tests/support/temp_dir.h"

#include <QFile>
#include <QLocale>
#include <QTime>

#include <gtest/gtest.h>

namespace render {
namespace {

TEST(SplitTrailingNumber, FindsDigitsValueAndWidth) {
    const auto split = SplitTrailingNumber(QStringLiteral("/pics/Image007"));
    ASSERT_TRUE(split);
    EXPECT_EQ(split->prefix, QStringLiteral("/pics/Image"));
    EXPECT_EQ(split->number, 7u);
    EXPECT_EQ(split->width, 3);

    const auto allDigits = SplitTrailingNumber(QStringLiteral("2024"));
    ASSERT_TRUE(allDigits);
    EXPECT_EQ(allDigits->prefix, QString());
    EXPECT_EQ(allDigits->number, 2024u);
}

TEST(SplitTrailingNumber, RejectsNamesWithoutTrailingDigitsOrTooLarge) {
    EXPECT_FALSE(SplitTrailingNumber(QStringLiteral("holiday")));
    EXPECT_FALSE(SplitTrailingNumber(QStringLiteral("Image1a")));
    EXPECT_FALSE(SplitTrailingNumber(QString()));
    // Arabic-Indic digits are not decimal digits of a file name.
    EXPECT_FALSE(SplitTrailingNumber(QString::fromUtf8("pic\u0663")));
    EXPECT_FALSE(SplitTrailingNumber(QStringLiteral("big99999999999")));
    EXPECT_TRUE(SplitTrailingNumber(QStringLiteral("max4294967295")));
}

TEST(SequenceFileName, PadsToWidthButNeverCuts) {
    EXPECT_EQ(SequenceFileName("Image", 2, 3, ".jpg"), QStringLiteral("Image002.jpg"));
    EXPECT_EQ(SequenceFileName("Image", 10, 1, ".jpg"), QStringLiteral("Image10.jpg"));
    EXPECT_EQ(SequenceFileName("Image", 1000, 3, ".jpg"), QStringLiteral("Image1000.jpg"));
    EXPECT_EQ(SequenceFileName("", 5, 0, ""), QStringLiteral("5"));
}

TEST(ExtractFileExt, TakesEverythingFromTheLastDotOfTheNamePart) {
    EXPECT_EQ(ExtractFileExt("/a/b/song.mp3"), QStringLiteral(".mp3"));
    EXPECT_EQ(ExtractFileExt("/a/b/archive.tar.gz"), QStringLiteral(".gz"));
    EXPECT_EQ(ExtractFileExt("/a/dir.d/file"), QString());
    EXPECT_EQ(ExtractFileExt("/a/b/name."), QStringLiteral("."));
    EXPECT_EQ(ExtractFileExt("noext"), QString());
}

class SequenceTest : public testsupport::TempDirTest {
protected:
    void touch(const QString& name) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

TEST_F(SequenceTest, CountsConsecutiveSuccessorsOnly) {
    touch("Image001.jpg");
    touch("Image002.jpg");
    touch("Image003.jpg");
    touch("Image005.jpg"); // after a gap: not part of the sequence
    EXPECT_EQ(SequenceFileCount(path("Image001.jpg")), 3);
    EXPECT_EQ(SequenceFileCount(path("Image002.jpg")), 2);
    EXPECT_EQ(SequenceFileCount(path("Image003.jpg")), 0);
    EXPECT_EQ(SequenceFileNames(path("Image002.jpg")),
              QStringList({path("Image002.jpg"), path("Image003.jpg")}));
}

TEST_F(SequenceTest, NumberGrowsPastItsWidth) {
    touch("Image9.jpg");
    touch("Image10.jpg");
    touch("Image11.jpg");
    EXPECT_EQ(SequenceFileCount(path("Image9.jpg")), 3);
    touch("Pic09.png");
    touch("Pic10.png");
    EXPECT_EQ(SequenceFileCount(path("Pic09.png")), 2);
}

TEST_F(SequenceTest, SuccessorMustHaveTheSameExtensionAndBeAFile) {
    touch("Shot1.jpg");
    touch("Shot2.png");
    ASSERT_TRUE(QDir(tempDir.path()).mkdir("Frame2.jpg"));
    touch("Frame1.jpg");
    EXPECT_EQ(SequenceFileCount(path("Shot1.jpg")), 0);
    EXPECT_EQ(SequenceFileCount(path("Frame1.jpg")), 0);
    EXPECT_EQ(SequenceFileNames(path("Frame1.jpg")), QStringList{path("Frame1.jpg")});
}

TEST_F(SequenceTest, NamesWithoutDigitsAreNeverSequences) {
    touch("holiday.jpg");
    touch("holiday1.jpg");
    EXPECT_EQ(SequenceFileCount(path("holiday.jpg")), 0);
}

TEST(DurationText, ShowsDaysOnlyWhenThereIsAWholeDay) {
    const double second = 1.0 / 86400.0;
    const QString short_ = DurationText(65 * second);
    EXPECT_TRUE(short_.endsWith(QStringLiteral("01:05")) || short_.endsWith(QStringLiteral("1:05")))
        << short_.toStdString();
    EXPECT_FALSE(short_.contains(QLatin1Char('.')));
    const QString long_ = DurationText(2.0 + 3600 * second);
    EXPECT_TRUE(long_.startsWith(QStringLiteral("2."))) << long_.toStdString();
    EXPECT_TRUE(long_.contains(QStringLiteral("1:00:00"))) << long_.toStdString();
}

TEST(DurationText, RoundsToTheMillisecondWithoutOverflowingTheDay) {
    const QString almostDay = DurationText(1.0 - 1e-12);
    EXPECT_TRUE(almostDay.startsWith(QStringLiteral("1."))) << almostDay.toStdString();
    EXPECT_FALSE(DurationText(-1.0).isEmpty());
}

TEST(DurationText, TimeFormatsLoseTheZoneFieldAndWhatSetsItApart) {
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("HH:mm:ss t")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("t HH:mm:ss")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("HH:mm:ss (t)")), QStringLiteral("HH:mm:ss"));
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("APh:mm:ss [t]")), QStringLiteral("APh:mm:ss"));
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("h:mm:ss AP, t")), QStringLiteral("h:mm:ss AP"));
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("HH:mm tttt ss")), QStringLiteral("HH:mm ss"));
    // Quoted text that contains a "t" is not a zone field.
    EXPECT_EQ(TimeFormatWithoutZone(QStringLiteral("'at' HH 'o''clock' t")),
              QStringLiteral("'at' HH 'o''clock'"));
}

TEST(DurationText, NoLocaleShowsTraceOfTheZoneField) {
    const QTime oneOClock(1, 0, 0);
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript,
                                                          QLocale::AnyTerritory)) {
        const QString format = locale.timeFormat(QLocale::LongFormat);
        const QString text = locale.toString(oneOClock, TimeFormatWithoutZone(format));
        EXPECT_FALSE(text.contains(QStringLiteral("()")) || text.contains(QStringLiteral("[]")) ||
                     text.endsWith(QLatin1Char(',')) || text != text.trimmed())
            << format.toStdString() << " -> " << text.toStdString();
        EXPECT_FALSE(text.isEmpty()) << format.toStdString();
    }
}

TEST(CopyFileInfo, CopiesEveryFieldWithAnIndependentFormatBlock) {
    TFileInfo source;
    source.FileName = QStringLiteral("/clips/a.avi");
    source.Start = 123;
    source.Duration = 456;
    source.VideoStream = 0;
    source.AudioStream = -1;
    source.VideoStreamCount = 2;
    source.AudioStreamCount = 0;
    source.StretchMode = smCrop;
    source.Kind = fkPictureNext;
    platform::VIDEOINFOHEADER vih;
    vih.bmiHeader.biWidth = 720;
    source.MediaType.majortype = platform::MEDIATYPE_Video;
    source.MediaType.setFormat(platform::FORMAT_VideoInfo, vih);

    TFileInfo destination;
    destination.FileName = QStringLiteral("old");
    CopyFileInfo(destination, source);
    EXPECT_EQ(destination, source);

    source.MediaType.pbFormat[52] = 0xFF; // low byte of the source's biWidth
    EXPECT_EQ(destination.MediaType.formatAs<platform::VIDEOINFOHEADER>()->bmiHeader.biWidth, 720);
}

} // namespace
} // namespace render
