// Whole graph builds (engine, DV encoder, DV multiplexer) rendering into a DV sink of the test,
// read back with FFmpeg: the sound inside the DV stream stays in step with the pictures.

#include "render/build_graph_full.h"
#include "render/output_chain.h"

#include "platform/editing/render_engine.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/filters/dv_format.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/reference_clocks.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/query.h"
#include "render/probe.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_media.h"
#include "tests/tools/media_probe.h"
#include "tools/make-test-media/frame_mark.h"
#include "tools/make-test-media/tone_mark.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>

namespace {

using platform::HRESULT;
using platform::REFERENCE_TIME;
using platform::S_OK;

constexpr platform::CLSID kTestSinkClsid{
    0x7D41A0C2, 0x5E1B, 0x4F0A, {0x9B, 0x3E, 0x11, 0x52, 0x6C, 0x0D, 0x7E, 0x01}};
const QString kTestSinkName = QStringLiteral("Test DV Sink");

// Whether two DV frames carry the same picture: their video DIF blocks are equal.
bool samePicture(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    constexpr std::size_t kBlock = platform::kDvDifBlockBytes;
    constexpr int kVideoSection = 4;
    for (std::size_t at = 0; at + kBlock <= a.size(); at += kBlock) {
        if ((a[at] >> 5) == kVideoSection && std::memcmp(&a[at], &b[at], kBlock) != 0) {
            return false;
        }
    }
    return true;
}

// A DV output that keeps every frame and tells the test of each new picture.
class DvFrameSink final : public platform::RendererBase {
public:
    DvFrameSink() : RendererBase(QStringLiteral("DV frame sink"), kTestSinkClsid) {}

    // Called on the streaming thread for each frame that shows a new picture.
    std::function<void()> onNewPicture;

    bool waitForEnd() {
        std::unique_lock lock(mutex_);
        return ended_.wait_for(lock, std::chrono::seconds(60), [this] { return ended; });
    }
    std::vector<std::vector<std::uint8_t>> frames;
    bool ended = false;

protected:
    HRESULT CheckMediaType(const platform::AM_MEDIA_TYPE& mt) override {
        return mt.subtype == platform::MEDIASUBTYPE_dvsd ? S_OK : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(platform::IMediaSample& sample) override {
        const std::uint8_t* data = sample.GetPointer();
        std::vector<std::uint8_t> frame(data, data + sample.GetActualDataLength());
        const bool fresh = frames.empty() || !samePicture(frames.back(), frame);
        frames.push_back(std::move(frame));
        if (fresh && onNewPicture) {
            onNewPicture();
        }
        return S_OK;
    }
    void OnEndOfStream() override {
        const std::lock_guard lock(mutex_);
        ended = true;
        ended_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable ended_;
};

class LiveOutputTest : public testsupport::TempDirTest {
protected:
    LiveOutputTest() {
        platform::RegisterDvFilters(*registry);
        registry->add(platform::namedDevice(platform::CLSID_VideoInputDeviceCategory, kTestSinkName,
                                            kTestSinkClsid, [this] { return sink; }));
        msEncoder.BaseFilter().LoadStoredData(
            graph::StoredFilterReference(graph::MSDVVideoEncoderDisplayName()));
        render::FillDeviceLists(devices, {}, registry);
        settings.videoOutIndex = static_cast<int>(devices.videoNames.indexOf(kTestSinkName));
        settings.audioOutIndex = 1; // the sound inside the DV stream
    }

    bool build(const char* media) {
        std::vector<render::TFileInfo> playList{
            *render::ProbeFile(testsupport::testMedia(media), {})};
        render::TRenderState range;
        range.RenderRangeStop = playList.front().Duration;
        return render::BuildGraph(playList, settings, range, devices, {&msEncoder, nullptr}, fgMain,
                                  random, hooks, state);
    }

    // Runs the graph to its end and writes what the sink received into a DV file.
    QString run() {
        EXPECT_TRUE(fgMain.Play());
        EXPECT_TRUE(sink->waitForEnd());
        fgMain.Stop();
        const QString file = path(QStringLiteral("out.dv"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        for (const auto& frame : sink->frames) {
            out.write(reinterpret_cast<const char*>(frame.data()),
                      static_cast<qint64>(frame.size()));
        }
        return file;
    }

    std::shared_ptr<platform::FilterRegistry> registry =
        std::make_shared<platform::FilterRegistry>();
    std::shared_ptr<DvFrameSink> sink = std::make_shared<DvFrameSink>();
    graph::TFilterGraph fgMain;
    graph::TFilter msEncoder{QStringLiteral("MSDVVideoEncoder"), nullptr, registry};
    render::TDeviceLists devices;
    render::TBuildSettings settings;
    render::TRandomGenerator random;
    render::TGraphBuildHooks hooks;
    render::TGraphBuildState state;
};

// The first sample (from `from_s` on) of a beep, in seconds; -1 when there is none in 0.3 s.
double beepOnset(const mediatest::DecodedAudio& audio, double from_s) {
    const int block = audio.sampleRate / 25;
    const int step = audio.sampleRate / 1000;
    const auto first = static_cast<int>(from_s * audio.sampleRate);
    for (int at = first; at < first + audio.sampleRate * 3 / 10; at += step) {
        if (at + block > static_cast<int>(audio.mono.size())) {
            break;
        }
        if (testmedia::isBeep(audio.mono.data() + at, block, audio.sampleRate)) {
            return static_cast<double>(at) / audio.sampleRate;
        }
    }
    return -1.0;
}

TEST_F(LiveOutputTest, PreviewOnASlowMachineKeepsTheSoundInsideTheDvStreamInStep) {
    settings.processMode = 0; // "Preview"
    ASSERT_TRUE(build("clip_h264_aac.mp4"));
    // Rendering a new picture takes two frame times: the clock runs on by two frames for each.
    const auto clock = std::make_shared<platform::ManualReferenceClock>();
    fgMain.query<platform::IMediaFilter>()->SetSyncSource(clock);
    sink->onNewPicture = [clock] { clock->Advance(2 * 400'000); };
    const QString file = run();

    ASSERT_EQ(sink->frames.size(), 50u) << "every slot of the DV stream holds a frame";
    const auto statistics = platform::query<platform::IRenderEngineStatistics>(state.RenderEngine)
                                ->GetRenderStatistics();
    EXPECT_GE(statistics.framesRepeated, 20);

    const auto video = mediatest::decodeTimedVideo(file, 60).frames;
    ASSERT_EQ(video.size(), 50u);
    const auto audio = mediatest::decodeAudio(file, 10.0);
    EXPECT_NEAR(static_cast<double>(audio.mono.size()), 50 * 1920, 1.0);
    // The beep of the clip's second second and the picture of the same DV frame agree within a
    // frame, and every frame shows its own picture or the one before.
    const double beep = beepOnset(audio, 0.9);
    EXPECT_NEAR(beep, 1.0, 0.04);
    for (int n = 0; n < 50; ++n) {
        const QImage& picture = video[static_cast<std::size_t>(n)].picture;
        const auto mark = testmedia::readFrameMark(picture, picture.rect());
        ASSERT_TRUE(mark) << n;
        EXPECT_GE(mark->frameNumber, n - 1) << n;
        EXPECT_LE(mark->frameNumber, n) << n;
    }
}

TEST_F(LiveOutputTest, NtscSoundIsResampledOnceInTheEngine) {
    settings.ntsc = true;
    settings.audioRateIndex = 1; // 44100 Hz, which NTSC DV cannot carry
    ASSERT_TRUE(build("clip_h264_aac.mp4"));
    // The engine renders the sound at 48000 Hz for the multiplexer, which converts nothing.
    std::shared_ptr<platform::IPin> audioPin;
    state.RenderEngine->GetGroupOutputPin(1, &audioPin);
    platform::AM_MEDIA_TYPE connected;
    ASSERT_EQ(audioPin->ConnectionMediaType(&connected), S_OK);
    ASSERT_TRUE(connected.formatAs<platform::WAVEFORMATEX>());
    EXPECT_EQ(connected.formatAs<platform::WAVEFORMATEX>()->nSamplesPerSec, 48000u);
    const auto mux = std::dynamic_pointer_cast<platform::DvMuxFilter>(state.DvMux);
    ASSERT_TRUE(mux);
    EXPECT_TRUE(mux->status().audio_note.isEmpty()) << mux->status().audio_note.toStdString();

    fgMain.query<platform::IMediaFilter>()->SetSyncSource(nullptr);
    const QString file = run();
    const auto audio = mediatest::decodeAudio(file, 10.0);
    EXPECT_EQ(audio.sampleRate, 48000);
    EXPECT_NEAR(beepOnset(audio, 0.9), 1.0, 1.0 / 29.97);
    EXPECT_EQ(testmedia::identifyTone(audio.mono.data() + 24000, 2048, 48000),
              std::optional<int>(testmedia::kClipH264Aac));
}

} // namespace
