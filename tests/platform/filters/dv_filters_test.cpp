// The DV encoder and multiplexer filters in real graphs: pictures and sound in, DV frames out,
// read back with FFmpeg.
#include "platform/filters/dv_encoder_filter.h"
#include "platform/filters/dv_mux_filter.h"
#include "platform/filters/dv_mux_page.h"
#include "platform/streaming/graph_interfaces.h"
#include "platform/system/query.h"
#include "tests/platform/filters/dv_filters_test_support.h"
#include "tests/support/temp_dir.h"

#include <QFile>
#include <QLabel>

#include <gtest/gtest.h>

namespace dvfilterstest {
namespace {

class DvFiltersGraphTest : public testsupport::TempDirTest {
protected:
    DvFiltersGraphTest()
        : graph(CreateFilterGraph(std::make_shared<ConverterRegistry>())),
          control(query<IMediaControl>(graph)), events(query<IMediaEventEx>(graph)) {
        query<IMediaFilter>(graph)->SetSyncSource(nullptr);
    }
    ~DvFiltersGraphTest() override { control->Stop(); }

    void add(const std::shared_ptr<IBaseFilter>& filter, const QString& name) {
        ASSERT_TRUE(SUCCEEDED(graph->AddFilter(filter, name)));
    }
    // The first pin of the direction that is not connected, as the output chain looks for it.
    static std::shared_ptr<IPin> firstFreePin(const std::shared_ptr<IBaseFilter>& filter,
                                              PIN_DIRECTION direction) {
        for (const auto& pin : filter->EnumPins()) {
            PIN_DIRECTION d = PINDIR_INPUT;
            std::shared_ptr<IPin> peer;
            if (pin->QueryDirection(&d) == S_OK && d == direction &&
                pin->ConnectedTo(&peer) == VFW_E_NOT_CONNECTED) {
                return pin;
            }
        }
        return nullptr;
    }
    HRESULT connect(const std::shared_ptr<IBaseFilter>& from,
                    const std::shared_ptr<IBaseFilter>& to) {
        return graph->Connect(firstFreePin(from, PINDIR_OUTPUT), firstFreePin(to, PINDIR_INPUT));
    }
    void runToCompletion() {
        ASSERT_TRUE(SUCCEEDED(control->Run()));
        for (;;) {
            long code = 0;
            LONG_PTR param1 = 0;
            LONG_PTR param2 = 0;
            ASSERT_EQ(events->GetEvent(&code, &param1, &param2, 20000), S_OK);
            events->FreeEventParams(code, param1, param2);
            ASSERT_NE(code, EC_ERRORABORT) << std::hex << param1;
            if (code == EC_COMPLETE) {
                break;
            }
        }
        ASSERT_EQ(control->Stop(), S_OK);
    }
    static void setVideoFormat(IDVEnc& encoder, int videoFormat) {
        int format = 0;
        int dvFormat = 0;
        int resolution = 0;
        ASSERT_EQ(encoder.get_IFormatResolution(&format, &dvFormat, &resolution, false, nullptr),
                  S_OK);
        ASSERT_EQ(encoder.put_IFormatResolution(videoFormat, dvFormat, resolution, false, nullptr),
                  S_OK);
    }
    dvtest::DemuxedStream demux(const std::vector<std::vector<std::uint8_t>>& frames,
                                std::size_t first = 0) {
        const QString file = path(QStringLiteral("out%1.dv").arg(first));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        for (std::size_t i = first; i < frames.size(); ++i) {
            out.write(reinterpret_cast<const char*>(frames[i].data()),
                      static_cast<qint64>(frames[i].size()));
        }
        out.close();
        return dvtest::demuxFile(file);
    }
    static double lumaPsnr(const std::vector<std::uint8_t>& frame, DvStandard standard, int seed) {
        const auto decoded = dvtest::decodeVideo(frame);
        return dvtest::psnr(decoded.luma, dvtest::expectedLuma(testPicture(standard, seed)));
    }

    std::shared_ptr<IFilterGraph2> graph;
    std::shared_ptr<IMediaControl> control;
    std::shared_ptr<IMediaEventEx> events;
};

TEST_F(DvFiltersGraphTest, PalChainCarriesEachPictureWithItsSoundAndSeeksThrough) {
    constexpr int kFrames = 4;
    const auto sound = dvtest::noise(kFrames * 1920 + 700, 2, 7);
    const auto source =
        std::make_shared<PictureSource>(DvStandard::Pal, std::vector<int>{0, 1, 2, 3});
    const auto pcm = std::make_shared<PcmSource>(48000, 2, sound, 1000);
    const auto encoder = CreateDvVideoEncoderFilter();
    const auto mux = CreateDvMuxFilter();
    const auto collector = std::make_shared<DvFrameCollector>();
    add(source, "source");
    add(pcm, "pcm");
    add(encoder, "MSDVVideoEncoder");
    add(mux, "dvMux");
    add(collector, "dvCam");
    setVideoFormat(*encoder, DVENCODERVIDEOFORMAT_PAL);

    ASSERT_EQ(connect(source, encoder), S_OK);
    ASSERT_EQ(connect(encoder, mux), S_OK);
    // A new input appeared for the sound; once it is connected, none is left.
    ASSERT_NE(firstFreePin(mux, PINDIR_INPUT), nullptr);
    ASSERT_EQ(connect(pcm, mux), S_OK);
    EXPECT_EQ(firstFreePin(mux, PINDIR_INPUT), nullptr);
    ASSERT_EQ(connect(mux, collector), S_OK);

    runToCompletion();
    auto frames = collector->frames();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(frames[static_cast<std::size_t>(i)].size(), 144000u);
        EXPECT_GT(lumaPsnr(frames[static_cast<std::size_t>(i)], DvStandard::Pal, i), 30.0) << i;
    }
    const auto stream = demux(frames);
    EXPECT_EQ(stream.sample_rate_hz, 48000);
    EXPECT_EQ(stream.samples_per_frame, std::vector<int>(kFrames, 1920));
    const std::vector<std::int16_t> expected(sound.begin(), sound.begin() + kFrames * 1920 * 2);
    EXPECT_EQ(stream.interleaved, dvtest::asCarriedByDv(expected));

    // A seek reaches both sources; sound buffered before it is not carried over.
    auto seeking = query<IMediaSeeking>(graph);
    REFERENCE_TIME start = 2 * dvFrameDuration100ns(DvStandard::Pal);
    ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                AM_SEEKING_NoPositioning)));
    runToCompletion();
    frames = collector->frames();
    ASSERT_EQ(frames.size(), static_cast<std::size_t>(kFrames + 2));
    EXPECT_GT(lumaPsnr(frames[kFrames], DvStandard::Pal, 2), 30.0);
    const auto after = demux(frames, kFrames);
    const std::vector<std::int16_t> expectedAfter(sound.begin() + 2 * 1920 * 2,
                                                  sound.begin() + 4 * 1920 * 2);
    EXPECT_EQ(after.interleaved, dvtest::asCarriedByDv(expectedAfter));
}

TEST_F(DvFiltersGraphTest, NtscFormatGivesNtscFramesAndConvertsLowSoundRates) {
    const auto encoder = CreateDvVideoEncoderFilter();
    const auto mux = CreateDvMuxFilter();
    const auto collector = std::make_shared<DvFrameCollector>();
    const auto palSource = std::make_shared<PictureSource>(DvStandard::Pal, std::vector<int>{0});
    const auto source =
        std::make_shared<PictureSource>(DvStandard::Ntsc, std::vector<int>{0, 0, 0, 0, 4});
    const auto pcm =
        std::make_shared<PcmSource>(44100, 1, dvtest::tone(440, 44100, 1, 44100 / 5), 4410);
    add(palSource, "pal");
    add(source, "ntsc");
    add(pcm, "pcm");
    add(encoder, "MSDVVideoEncoder");
    add(mux, "dvMux");
    add(collector, "dvCam");

    EXPECT_EQ(encoder->put_IFormatResolution(1999, DVENCODERFORMAT_DVSD,
                                             DVENCODERRESOLUTION_720x480, false, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(encoder->put_IFormatResolution(DVENCODERVIDEOFORMAT_NTSC, DVENCODERFORMAT_DVSD,
                                             DVENCODERRESOLUTION_360x240, false, nullptr),
              E_INVALIDARG);
    setVideoFormat(*encoder, DVENCODERVIDEOFORMAT_NTSC);
    EXPECT_TRUE(FAILED(connect(palSource, encoder)));
    ASSERT_EQ(connect(source, encoder), S_OK);
    // The connected NTSC input no longer fits PAL.
    EXPECT_EQ(encoder->put_IFormatResolution(DVENCODERVIDEOFORMAT_PAL, DVENCODERFORMAT_DVSD,
                                             DVENCODERRESOLUTION_720x480, false, nullptr),
              VFW_E_ALREADY_CONNECTED);
    int format = 0;
    int dvFormat = 0;
    int resolution = 0;
    DVINFO info;
    ASSERT_EQ(encoder->get_IFormatResolution(&format, &dvFormat, &resolution, true, &info), S_OK);
    EXPECT_EQ(format, DVENCODERVIDEOFORMAT_NTSC);
    EXPECT_EQ(info.dwDVVAuxSrc & 0x00200000u, 0u); // 60-field system

    ASSERT_EQ(connect(encoder, mux), S_OK);
    ASSERT_EQ(connect(pcm, mux), S_OK);
    ASSERT_EQ(connect(mux, collector), S_OK);
    DvMuxPage page(mux);
    EXPECT_TRUE(page.findChild<QLabel*>("lbAudioNote")->text().contains("48000"));

    runToCompletion();
    const auto frames = collector->frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].size(), 120000u);
    EXPECT_GT(lumaPsnr(frames[4], DvStandard::Ntsc, 4), 30.0);
    const auto stream = demux(frames);
    EXPECT_EQ(stream.sample_rate_hz, 48000);
    EXPECT_EQ(stream.samples_per_frame, std::vector<int>({1600, 1602, 1602, 1602, 1602}));
}

TEST_F(DvFiltersGraphTest, StillPicturesAreEncodedOnceAndMissingSoundIsSilence) {
    const auto source =
        std::make_shared<PictureSource>(DvStandard::Pal, std::vector<int>{5, 5, 5, 9, 9});
    const auto encoder = CreateDvVideoEncoderFilter();
    const auto mux = CreateDvMuxFilter();
    const auto collector = std::make_shared<DvFrameCollector>();
    add(source, "source");
    add(encoder, "MSDVVideoEncoder");
    add(mux, "dvMux");
    add(collector, "dvCam");
    ASSERT_EQ(connect(source, encoder), S_OK);
    ASSERT_EQ(connect(encoder, mux), S_OK);
    ASSERT_EQ(connect(mux, collector), S_OK);

    runToCompletion();
    const auto status = encoder->status();
    EXPECT_EQ(status.frames_encoded, 2u);
    EXPECT_EQ(status.frames_reused, 3u);
    const auto frames = collector->frames();
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(dvtest::decodeVideo(frames[0]).luma, dvtest::decodeVideo(frames[2]).luma);
    EXPECT_GT(lumaPsnr(frames[3], DvStandard::Pal, 9), 30.0);
    const auto stream = demux(frames);
    EXPECT_EQ(stream.channels, 2);
    EXPECT_EQ(stream.samples_per_frame, std::vector<int>(5, 1920));
    EXPECT_EQ(stream.interleaved, std::vector<std::int16_t>(5 * 1920 * 2, 0));
}

} // namespace
} // namespace dvfilterstest
