// Long playout: a looping playlist (clips with sound, stills, a sound file) played through the
// whole graph into the "DV File Recorder" at maximum speed, over and over as a looping display
// would (Stop, back to the start, Run), until an hour of timeline (60 minutes by default,
// --minutes N) has been rendered. The resident memory (VmRSS) is sampled after every loop; the
// run passes when, after a warm-up of the first 5 % of the loops (codec tables, pools and
// caches filling), it stays within 10 % of its value then.
//
//   bench-longrun [--minutes N] [--media DIR]
#include "app/render_command.h"
#include "graph/filter_graph.h"
#include "graph/filter_ref.h"
#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/event_codes.h"
#include "platform/system/query.h"
#include "render/build_graph_full.h"
#include "render/output_chain.h"
#include "render/probe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr double kAllowedGrowth = 0.10;

long residentMemory_kB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Ends the wait when the graph completes or fails.
class LoopWatch final : public graph::IGraphListener {
public:
    explicit LoopWatch(QEventLoop& loop) : loop_(loop) {}
    void GraphEvent(long code, platform::LONG_PTR, platform::LONG_PTR) override {
        if (code == platform::EC_COMPLETE || code == platform::EC_ERRORABORT ||
            code == platform::EC_USERABORT) {
            failed = failed || code != platform::EC_COMPLETE;
            loop_.quit();
        }
    }
    void ControlEvent(graph::TControlEvent, int) override {}
    bool failed = false;

private:
    QEventLoop& loop_;
};

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    double minutes = 60.0;
    QString media = QStringLiteral(QUINTAPE_TEST_MEDIA_DIR);
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--minutes")) {
            minutes = arguments[i + 1].toDouble();
        } else if (arguments[i] == QLatin1String("--media")) {
            media = arguments[i + 1];
        }
    }

    const auto registry = platform::platformFilterRegistry();
    platform::RegisterDvFilters(*registry);
    platform::RegisterDvDevices(*registry, platform::createSystemIeee1394Bus());

    render::ProbeSettings probe;
    probe.pictureTime_s = 2.0;
    std::vector<render::TFileInfo> playList;
    for (const char* name : {"clip_h264_aac.mp4", "picture.jpg", "clip_mpeg4_pcm.avi", "wide.jpg",
                             "sound.wav", "clip_matroska.mkv", "tall.png"}) {
        playList.push_back(
            *render::ProbeFile(QDir(media).filePath(QString::fromLatin1(name)), probe));
    }
    render::TRenderState renderState;
    renderState.RenderRangeStop = app::PrepareMainPlayList(playList);

    render::TDeviceLists devices;
    render::FillDeviceLists(devices, {}, registry);
    render::TBuildSettings settings;
    settings.audioOutIndex = 1;
    settings.pictureTime_s = probe.pictureTime_s;
    settings.videoOutIndex =
        static_cast<int>(devices.videoNames.indexOf(QStringLiteral("DV File Recorder")));
    graph::TFilterGraph fgMain;
    graph::TFilter msEncoder(QStringLiteral("MSDVVideoEncoder"), nullptr, registry);
    msEncoder.BaseFilter().LoadStoredData(
        graph::StoredFilterReference(graph::MSDVVideoEncoderDisplayName()));
    const render::TDvEncoders encoders{&msEncoder, nullptr};
    render::TRandomGenerator random;
    render::TGraphBuildHooks hooks;
    render::TGraphBuildState state;
    if (settings.videoOutIndex < 0 || !render::BuildGraph(playList, settings, renderState, devices,
                                                          encoders, fgMain, random, hooks, state)) {
        std::fprintf(stderr, "bench-longrun: the graph could not be built\n");
        return 1;
    }
    std::shared_ptr<platform::IBaseFilter> dvCam;
    fgMain.query<platform::IGraphBuilder>()->FindFilterByName(render::kDvCamFilterName, &dvCam);
    const auto recorder = platform::query<platform::IDvFileRecorder>(dvCam);
    if (!recorder || platform::FAILED(recorder->SetFileName(QStringLiteral("/dev/null")))) {
        std::fprintf(stderr, "bench-longrun: the recorder cannot write to /dev/null\n");
        return 1;
    }
    fgMain.query<platform::IMediaFilter>()->SetSyncSource(nullptr);
    const auto seeking = fgMain.query<platform::IMediaSeeking>();

    const double loop_s = static_cast<double>(renderState.RenderRangeStop) / 1e7;
    const int loops = std::max(2, static_cast<int>(minutes * 60.0 / loop_s + 0.5));
    std::printf("bench-longrun: %d loops of a %.1f s playlist (%.1f minutes of timeline)\n", loops,
                loop_s, loops * loop_s / 60.0);
    QEventLoop loop;
    LoopWatch watch(loop);
    fgMain.AddListener(&watch);
    QElapsedTimer clock;
    clock.start();
    const int warm_up = std::max(2, loops / 20);
    long first_kB = 0;
    long baseline_kB = 0;
    long peak_kB = 0;
    long lowest_kB = 0;
    for (int pass = 0; pass < loops; ++pass) {
        platform::REFERENCE_TIME start = 0;
        seeking->SetPositions(&start, platform::AM_SEEKING_AbsolutePositioning, nullptr,
                              platform::AM_SEEKING_NoPositioning);
        fgMain.Play();
        loop.exec();
        fgMain.Stop();
        if (watch.failed) {
            std::fprintf(stderr, "bench-longrun: loop %d failed\n", pass + 1);
            return 1;
        }
        const long rss_kB = residentMemory_kB();
        if (pass == 0) {
            first_kB = rss_kB;
        }
        if (pass + 1 == warm_up) {
            baseline_kB = peak_kB = lowest_kB = rss_kB;
        } else if (pass + 1 > warm_up) {
            peak_kB = std::max(peak_kB, rss_kB);
            lowest_kB = std::min(lowest_kB, rss_kB);
        }
        if (pass == 0 || pass + 1 == warm_up || (pass + 1) % std::max(1, loops / 20) == 0 ||
            pass + 1 == loops) {
            std::printf("  loop %5d  %7.1f min of timeline  RSS %7ld kB  %6.1f s elapsed\n",
                        pass + 1, (pass + 1) * loop_s / 60.0, rss_kB, clock.elapsed() / 1000.0);
            std::fflush(stdout);
        }
    }
    fgMain.RemoveListener(&watch);
    const double growth =
        static_cast<double>(peak_kB - baseline_kB) / static_cast<double>(baseline_kB);
    const double shrink =
        static_cast<double>(baseline_kB - lowest_kB) / static_cast<double>(baseline_kB);
    const double speed = loops * loop_s / (clock.elapsed() / 1000.0);
    std::printf("bench-longrun: RSS after the first loop %ld kB; after the warm-up (%d loops) %ld "
                "kB, then lowest %ld kB, highest %ld kB (%+.1f %%); %.1fx real time\n",
                first_kB, warm_up, baseline_kB, lowest_kB, peak_kB, 100.0 * growth, speed);
    const bool flat = growth <= kAllowedGrowth && shrink <= kAllowedGrowth;
    std::printf("bench-longrun: resident memory %s within 10 %%\n", flat ? "flat" : "NOT flat");
    return flat ? 0 : 1;
}
