#include "render/build_graph_full.h"
#include "render/output_chain.h"

#include "platform/editing/resizer.h"
#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_simulated_bus.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "render/probe.h"
#include "tests/support/test_media.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <gtest/gtest.h>

namespace {

using platform::HRESULT;
using platform::S_OK;

constexpr std::uint64_t kCamGuid = 0x0080'88AA'0000'0001;

// A sound output that takes PCM and keeps nothing.
class PcmSink final : public platform::RendererBase {
public:
    PcmSink() : RendererBase(QStringLiteral("PcmSink")) {}

protected:
    HRESULT CheckMediaType(const platform::AM_MEDIA_TYPE& mt) override {
        return mt.majortype == platform::MEDIATYPE_Audio ? S_OK : platform::VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(platform::IMediaSample&) override { return S_OK; }
};

std::shared_ptr<platform::IPin> peerOf(const std::shared_ptr<platform::IPin>& pin) {
    std::shared_ptr<platform::IPin> peer;
    if (pin) {
        pin->ConnectedTo(&peer);
    }
    return peer;
}

QString filterNameOf(const std::shared_ptr<platform::IPin>& pin) {
    platform::PIN_INFO pinInfo;
    if (!pin || platform::FAILED(pin->QueryPinInfo(&pinInfo)) || !pinInfo.pFilter) {
        return {};
    }
    platform::FILTER_INFO info;
    pinInfo.pFilter->QueryFilterInfo(&info);
    return info.achName;
}

// Devices on a simulated bus with one camcorder, the DV filters and one sound output.
class OutputChainTest : public ::testing::Test {
protected:
    OutputChainTest() {
        bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
        platform::RegisterDvFilters(*registry);
        platform::RegisterDvDevices(*registry, bus, nullptr, {.watch_interval_ms = 5});
        registry->add(platform::namedDevice(platform::CLSID_AudioRendererCategory,
                                            QStringLiteral("Test Speakers"), std::nullopt,
                                            [] { return std::make_shared<PcmSink>(); }));
        msEncoder.BaseFilter().LoadStoredData(
            graph::StoredFilterReference(graph::MSDVVideoEncoderDisplayName()));
        render::FillDeviceLists(devices, {}, registry);
        hooks.hideBuildProgress = [this] { ++hides; };
        hooks.outputChain.setConnectionError = [this](HRESULT hr) { connection = hr; };
        hooks.outputChain.setTrackBarPin = [this](const auto& pin) { trackBarPin = pin; };
    }

    bool build(const QString& media, int audioOutIndex, int recompressMode = 0) {
        playList.clear();
        playList.push_back(*render::ProbeFile(testsupport::testMedia(media), {}));
        settings.videoOutIndex = 2; // "DV File Recorder"
        settings.audioOutIndex = audioOutIndex;
        settings.recompressMode = recompressMode;
        settings.filesLoadMode = 1;
        return render::BuildGraph(playList, settings, {}, devices, {&msEncoder, nullptr}, fgMain,
                                  random, hooks, state);
    }
    std::shared_ptr<platform::IBaseFilter> inGraph(const QString& name) {
        std::shared_ptr<platform::IBaseFilter> filter;
        fgMain.query<platform::IGraphBuilder>()->FindFilterByName(name, &filter);
        return filter;
    }
    std::shared_ptr<platform::IPin> enginePin(long group) {
        std::shared_ptr<platform::IPin> pin;
        state.RenderEngine->GetGroupOutputPin(group, &pin);
        return pin;
    }

    std::shared_ptr<platform::FilterRegistry> registry =
        std::make_shared<platform::FilterRegistry>();
    std::shared_ptr<platform::DvSimulatedBus> bus = std::make_shared<platform::DvSimulatedBus>();
    graph::TFilterGraph fgMain;
    graph::TFilter msEncoder{QStringLiteral("MSDVVideoEncoder"), nullptr, registry};
    render::TDeviceLists devices;
    render::TBuildSettings settings;
    render::TRandomGenerator random;
    render::TGraphBuildHooks hooks;
    render::TGraphBuildState state;
    std::vector<render::TFileInfo> playList;
    int hides = 0;
    HRESULT connection = platform::E_FAIL;
    std::shared_ptr<platform::IPin> trackBarPin;
};

TEST_F(OutputChainTest, DeviceListsShowDevicesAndRestoreSelections) {
    auto selections = render::FillDeviceLists(devices, {}, registry);
    EXPECT_EQ(devices.videoNames,
              (QStringList{QStringLiteral("Test Camcorder"), QStringLiteral("DV Monitor"),
                           QStringLiteral("DV File Recorder")}));
    EXPECT_EQ(selections.videoOutIndex, 0);
    EXPECT_EQ(devices.audioNames,
              (QStringList{render::kNoAudioText, QStringLiteral("Test Camcorder"),
                           QStringLiteral("Test Speakers")}));
    EXPECT_EQ(selections.audioOutIndex, 1);

    selections =
        render::FillDeviceLists(devices, {.videoOutIndex = 1, .audioOutIndex = 2}, registry);
    EXPECT_EQ(devices.audioNames.at(1), QStringLiteral("DV Monitor"));
    EXPECT_EQ(selections.videoOutIndex, 1);
    EXPECT_EQ(selections.audioOutIndex, 2);
    EXPECT_EQ(render::AudioEntryOfVideoDevice(devices, 2), QStringLiteral("DV File Recorder"));
    EXPECT_EQ(render::AudioEntryOfVideoDevice(devices, -1), render::kNoAudioText);

    // A stored device past the list selects none; an audio choice past it gives the default,
    // whose entry then reads "- No audio -".
    selections =
        render::FillDeviceLists(devices, {.videoOutIndex = 9, .audioOutIndex = 9}, registry);
    EXPECT_EQ(selections.videoOutIndex, -1);
    EXPECT_EQ(selections.audioOutIndex, 1);
    EXPECT_EQ(devices.audioNames.at(1), render::kNoAudioText);

    // Without a video device, entry 1 reads "- No audio -".
    const auto empty = std::make_shared<platform::FilterRegistry>();
    selections = render::FillDeviceLists(devices, {}, empty);
    EXPECT_TRUE(devices.videoNames.isEmpty());
    EXPECT_EQ(selections.videoOutIndex, -1);
    EXPECT_EQ(devices.audioNames, (QStringList{render::kNoAudioText, render::kNoAudioText}));
}

TEST_F(OutputChainTest, PlainBuildWithSoundInTheDvStream) {
    ASSERT_TRUE(build(QStringLiteral("clip_mpeg4_pcm.avi"), 1));
    EXPECT_EQ(hides, 1);
    EXPECT_EQ(connection, S_OK);
    ASSERT_NE(state.DvMux, nullptr);
    EXPECT_EQ(inGraph(render::kDvMuxFilterName), state.DvMux);
    ASSERT_NE(inGraph(render::kDvCamFilterName), nullptr);
    // Engine video -> encoder -> mux; engine audio -> mux; mux -> device.
    EXPECT_EQ(filterNameOf(peerOf(enginePin(0))), QStringLiteral("MSDVVideoEncoder"));
    EXPECT_EQ(filterNameOf(peerOf(enginePin(1))), render::kDvMuxFilterName);
    EXPECT_EQ(render::FirstFreePin(state.DvMux, platform::PINDIR_INPUT), nullptr);
    EXPECT_EQ(render::FirstFreePin(state.DvMux, platform::PINDIR_OUTPUT), nullptr);
    EXPECT_EQ(trackBarPin, enginePin(0));

    // The stretch option reaches every resizer of the graph.
    const int resizers = render::ApplyStretchMode(fgMain, render::smCrop);
    EXPECT_GT(resizers, 0);
    for (const auto& filter : fgMain.query<platform::IFilterGraph>()->EnumFilters()) {
        if (const auto resize = platform::query<platform::IResize>(filter)) {
            int height = 0;
            int width = 0;
            long flag = -1;
            resize->get_Size(&height, &width, &flag);
            EXPECT_EQ(flag, render::smCrop);
        }
    }
}

TEST_F(OutputChainTest, AudioDestinationsByChoice) {
    // 0: no audio group; the mux's sound input stays free.
    ASSERT_TRUE(build(QStringLiteral("clip_mpeg4_pcm.avi"), 0));
    EXPECT_NE(render::FirstFreePin(state.DvMux, platform::PINDIR_INPUT), nullptr);
    EXPECT_EQ(connection, S_OK);

    fgMain.ClearFilters();
    fgMain.setActive(false);
    // 2: the sound card under its friendly name takes the sound.
    ASSERT_TRUE(build(QStringLiteral("clip_mpeg4_pcm.avi"), 2));
    EXPECT_EQ(filterNameOf(peerOf(enginePin(1))), QStringLiteral("Test Speakers"));
    EXPECT_NE(render::FirstFreePin(state.DvMux, platform::PINDIR_INPUT), nullptr);
    EXPECT_EQ(connection, S_OK);
}

TEST_F(OutputChainTest, SmartBuildFeedsTheMuxDirectly) {
    ASSERT_TRUE(build(QStringLiteral("clip_dv_pal.dv"), 1, 1));
    EXPECT_EQ(filterNameOf(peerOf(enginePin(0))), render::kDvMuxFilterName);
    EXPECT_EQ(trackBarPin, nullptr);
    EXPECT_EQ(connection, S_OK);
}

TEST_F(OutputChainTest, NothingIsBuiltWithoutADeviceButTheProgressBarIsHidden) {
    playList.push_back(*render::ProbeFile(testsupport::testMedia("clip_mpeg4_pcm.avi"), {}));
    settings.videoOutIndex = -1;
    EXPECT_FALSE(render::BuildGraph(playList, settings, {}, devices, {&msEncoder, nullptr}, fgMain,
                                    random, hooks, state));
    EXPECT_EQ(hides, 1);
    EXPECT_FALSE(fgMain.Active());
}

TEST_F(OutputChainTest, DeviceWatchGraphReportsRemovalAndReturn) {
    graph::TFilterGraph fgVOut;
    std::vector<bool> reports;
    fgVOut.OnGraphDeviceLost = [&](graph::TFilterGraph*, const auto&, bool removed) {
        reports.push_back(removed);
    };
    ASSERT_NE(render::AttachDeviceToVideoOutGraph(devices, 0, fgVOut), nullptr);
    std::shared_ptr<platform::IBaseFilter> dvCam;
    fgVOut.query<platform::IGraphBuilder>()->FindFilterByName(render::kDvCamFilterName, &dvCam);
    ASSERT_NE(dvCam, nullptr);

    const auto waitReports = [&](std::size_t n) {
        const QDeadlineTimer deadline(10000);
        while (reports.size() < n && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return reports.size() >= n;
    };
    bus->unplug(kCamGuid);
    ASSERT_TRUE(waitReports(1));
    bus->plug(kCamGuid, QStringLiteral("Test Camcorder"));
    ASSERT_TRUE(waitReports(2));
    EXPECT_NE(reports[0], reports[1]);

    // Attaching again replaces the device: one "dvCam" only.
    ASSERT_NE(render::AttachDeviceToVideoOutGraph(devices, 0, fgVOut), nullptr);
    EXPECT_EQ(fgVOut.query<platform::IFilterGraph>()->EnumFilters().size(), 1U);
}

} // namespace
