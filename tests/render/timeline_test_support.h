#pragma once

#include "render/file_info.h"
#include "render/timeline_builder.h"
#include "tests/platform/editing/timeline_test_support.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

// Play list entries over real files in a temporary folder, and a build that checks the
// timeline's invariants.
namespace timelinetest {

inline constexpr REFERENCE_TIME kSecond = 10'000'000;

inline REFERENCE_TIME Seconds(double s) {
    return static_cast<REFERENCE_TIME>(s * 10'000'000.0 + (s >= 0 ? 0.5 : -0.5));
}

class TimelineBuildTest : public testsupport::TempDirTest {
protected:
    // A timed medium; the builder only needs the file to exist.
    render::TFileInfo media(const QString& name, double seconds, bool video = true,
                            bool audio = true) {
        QFile file(path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not really a video");
        render::TFileInfo info;
        info.FileName = path(name);
        info.Duration = Seconds(seconds);
        info.Kind = render::fkMedia;
        info.VideoStreamCount = video ? 1 : 0;
        info.AudioStreamCount = audio ? 1 : 0;
        info.VideoStream = video ? 0 : -1;
        info.AudioStream = audio ? 0 : -1;
        info.StretchMode = render::smLetterbox;
        return info;
    }
    // A real (tiny) JPEG picture of the given kind, probed with a 7 s display time.
    render::TFileInfo picture(const QString& name, render::TFileKind kind, int files = 1) {
        writePicture(name);
        render::TFileInfo info;
        info.FileName = path(name);
        info.Duration = Seconds(7.0 * files);
        info.Kind = kind;
        info.VideoStreamCount = 0;
        info.VideoStream = 0;
        info.AudioStream = -1;
        info.StretchMode = render::smCrop;
        return info;
    }
    void writePicture(const QString& name) {
        QImage image(16, 12, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        ASSERT_TRUE(image.save(path(name), "JPG"));
    }
    render::TFileInfo cantPlay(const QString& name) {
        render::TFileInfo info;
        info.FileName = path(name);
        info.VideoStream = -1;
        info.AudioStream = -1;
        return info;
    }

    std::vector<GroupView> build(const std::vector<render::TFileInfo>& playList) {
        timeline = render::BuildTimeline(playList, settings, random,
                                         [this](int steps) { progress.push_back(steps); });
        EXPECT_TRUE(timeline);
        ExpectTimelineInvariants(*timeline);
        return Snapshot(*timeline);
    }

    render::TBuildSettings settings;
    render::TRandomGenerator random;
    std::shared_ptr<platform::IAMTimeline> timeline;
    std::vector<int> progress;
};

} // namespace timelinetest
