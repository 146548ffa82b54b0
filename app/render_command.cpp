#include "app/render_command.h"

#include "graph/filter_graph.h"
#include "graph/filter_ref.h"
#include "platform/filters/device_registration.h"
#include "platform/filters/dv_1394_bus.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/event_codes.h"
#include "platform/streaming/media_seeking.h"
#include "platform/system/query.h"
#include "playlist/check_list.h"
#include "playlist/main_play_list.h"
#include "playlist/playlist_file.h"
#include "render/build_graph_full.h"
#include "render/output_chain.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace app {

namespace {

const QString kFileRecorderName = QStringLiteral("DV File Recorder");
constexpr std::int64_t kPalFrameBytes = 144000;
constexpr std::int64_t kNtscFrameBytes = 120000;
constexpr int kProgressInterval_ms = 500;
constexpr int kTimingExitCode = 3;
constexpr long kCueTimeout_ms = 30000;

bool parseInt(const QString& text, int low, int high, int* value) {
    bool ok = false;
    const int parsed = text.toInt(&ok);
    if (!ok || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

// Ends the wait when the graph completes, aborts or loses its device.
class CompletionWatch final : public graph::IGraphListener {
public:
    explicit CompletionWatch(QEventLoop& loop) : loop_(loop) {}
    void GraphEvent(long code, platform::LONG_PTR, platform::LONG_PTR) override {
        if (code == platform::EC_COMPLETE) {
            completed = true;
            loop_.quit();
        } else if (code == platform::EC_ERRORABORT || code == platform::EC_USERABORT ||
                   code == platform::EC_DEVICE_LOST) {
            failedCode = code;
            loop_.quit();
        }
    }
    void ControlEvent(graph::TControlEvent, int) override {}

    bool completed = false;
    long failedCode = 0;

private:
    QEventLoop& loop_;
};

void printProgress(QTextStream& err, platform::REFERENCE_TIME position,
                   platform::REFERENCE_TIME total) {
    const double done_s = static_cast<double>(position) / static_cast<double>(platform::UNITS);
    const double total_s = static_cast<double>(total) / static_cast<double>(platform::UNITS);
    const double percent = total > 0 ? 100.0 * done_s / total_s : 0.0;
    err << QStringLiteral("\rrendering %1 / %2 s (%3 %)")
               .arg(done_s, 0, 'f', 1)
               .arg(total_s, 0, 'f', 1)
               .arg(percent, 0, 'f', 0);
    err.flush();
}

} // namespace

std::vector<render::TFileInfo> ProbeFiles(const QStringList& paths,
                                          const render::ProbeSettings& settings) {
    std::vector<render::TFileInfo> infos(static_cast<std::size_t>(paths.size()));
    std::atomic<std::size_t> next{0};
    const auto probeOn = [&] {
        for (std::size_t i = next++; i < infos.size(); i = next++) {
            infos[i] = *render::ProbeFile(paths.at(static_cast<qsizetype>(i)), settings);
        }
    };
    // Probing waits on the disk as much as on the processor: a few threads at once.
    const std::size_t threads =
        std::min<std::size_t>(infos.size(), std::max(2U, std::thread::hardware_concurrency()));
    std::vector<std::thread> workers;
    for (std::size_t t = 1; t < threads; ++t) {
        workers.emplace_back(probeOn);
    }
    probeOn();
    for (std::thread& worker : workers) {
        worker.join();
    }
    return infos;
}

QString renderUsage() {
    return QStringLiteral(
        "Usage: quintape --render OUT.dv [options] PATH...\n"
        "  --pal | --ntsc            video system (default PAL)\n"
        "  --audio-rate R            32000, 44100 or 48000 (default 48000)\n"
        "  --mono                    mono sound (default stereo)\n"
        "  --no-audio                no sound in the DV stream\n"
        "  --shift MS                audio shift, -60000..60000 ms\n"
        "  --picture-time S          display time of pictures, 0.1..3600 s (default 7)\n"
        "  --transitions             wipes between pictures (all groups)\n"
        "  --seed N                  start of the wipe order\n"
        "  --stretch 0..3            stretch, original, letterbox (default), crop\n"
        "  --recompress all|dv       recompress everything, or pass DV sources through\n"
        "  --preview                 Preview process mode: late frames repeat the one before\n"
        "  --real-time               pace the render by the clock, as a device would; prints\n"
        "                            the late and repeated frames at the end\n"
        "  --strict-timing           with --real-time: fail (exit 3) when any frame was late\n"
        "                            or repeated\n");
}

std::optional<RenderOptions> parseRenderArguments(const QStringList& arguments, QString* error) {
    RenderOptions options;
    auto& settings = options.settings;
    settings.audioOutIndex = 1;
    const auto fail = [&](const QString& text) {
        if (error) {
            *error = text;
        }
        return std::nullopt;
    };
    if (arguments.isEmpty() || arguments.first().startsWith(QLatin1String("--"))) {
        return fail(QStringLiteral("the output file comes first"));
    }
    options.outputPath = arguments.first();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        const bool hasValue = i + 1 < arguments.size();
        const QString value = hasValue ? arguments.at(i + 1) : QString();
        if (!argument.startsWith(QLatin1String("--"))) {
            options.paths << argument;
        } else if (argument == QLatin1String("--pal")) {
            settings.ntsc = false;
        } else if (argument == QLatin1String("--ntsc")) {
            settings.ntsc = true;
        } else if (argument == QLatin1String("--mono")) {
            settings.audioChannelsIndex = 1;
        } else if (argument == QLatin1String("--no-audio")) {
            settings.audioOutIndex = 0;
        } else if (argument == QLatin1String("--transitions")) {
            settings.transitionsEnabled = true;
        } else if (argument == QLatin1String("--real-time")) {
            options.realTime = true;
        } else if (argument == QLatin1String("--strict-timing")) {
            options.strictTiming = true;
        } else if (argument == QLatin1String("--preview")) {
            settings.processMode = 0;
        } else if (!hasValue) {
            return fail(QStringLiteral("%1 needs a value").arg(argument));
        } else {
            ++i;
            if (argument == QLatin1String("--audio-rate")) {
                const QStringList rates{QStringLiteral("32000"), QStringLiteral("44100"),
                                        QStringLiteral("48000")};
                settings.audioRateIndex = static_cast<int>(rates.indexOf(value));
                if (settings.audioRateIndex < 0) {
                    return fail(QStringLiteral("--audio-rate takes 32000, 44100 or 48000"));
                }
            } else if (argument == QLatin1String("--shift")) {
                if (!parseInt(value, -60000, 60000, &settings.audioShift_ms)) {
                    return fail(QStringLiteral("--shift takes -60000..60000"));
                }
            } else if (argument == QLatin1String("--picture-time")) {
                bool ok = false;
                const double seconds = value.toDouble(&ok);
                if (!ok || !(seconds >= 0.1 && seconds <= 3600.0)) {
                    return fail(QStringLiteral("--picture-time takes 0.1..3600"));
                }
                settings.pictureTime_s = seconds;
            } else if (argument == QLatin1String("--seed")) {
                bool ok = false;
                options.seed = value.toUInt(&ok);
                if (!ok) {
                    return fail(QStringLiteral("--seed takes a whole number"));
                }
            } else if (argument == QLatin1String("--stretch")) {
                if (!parseInt(value, 0, 3, &settings.stretchMode)) {
                    return fail(QStringLiteral("--stretch takes 0..3"));
                }
            } else if (argument == QLatin1String("--recompress")) {
                if (value == QLatin1String("all")) {
                    settings.recompressMode = 0;
                } else if (value == QLatin1String("dv")) {
                    settings.recompressMode = 1;
                } else {
                    return fail(QStringLiteral("--recompress takes all or dv"));
                }
            } else {
                return fail(QStringLiteral("unknown option %1").arg(argument));
            }
        }
    }
    if (options.paths.isEmpty()) {
        return fail(QStringLiteral("no file to render"));
    }
    if (options.strictTiming && !options.realTime) {
        return fail(QStringLiteral("--strict-timing needs --real-time"));
    }
    options.probe.pictureTime_s = settings.pictureTime_s;
    options.probe.stretchMode = settings.stretchMode;
    return options;
}

render::REFERENCE_TIME PrepareMainPlayList(std::vector<render::TFileInfo>& playList) {
    render::REFERENCE_TIME total = 0;
    for (std::size_t i = 0; i < playList.size(); ++i) {
        auto& info = playList[i];
        info.Start = total;
        total += info.Duration;
    }
    playlist::RetagPictures(playList);
    return total;
}

OutputTiming CombineOutputTiming(const std::optional<platform::DvOutputStatistics>& device,
                                 const std::optional<platform::RenderEngineStatistics>& engine) {
    OutputTiming timing;
    if (device) {
        timing.framesLate = device->framesLate;
        timing.framesRepeated = device->framesRepeated;
    } else if (engine) {
        timing.framesLate = engine->framesLate;
    }
    if (engine) {
        timing.framesRepeated += engine->framesRepeated;
    }
    return timing;
}

int ReportOutputTiming(const OutputTiming& timing, bool strict, QTextStream& err) {
    err << QStringLiteral("late frames: %1, repeated frames: %2\n")
               .arg(timing.framesLate)
               .arg(timing.framesRepeated);
    err.flush();
    const bool kept = timing.framesLate == 0 && timing.framesRepeated == 0;
    if (strict && !kept) {
        err << "quintape: the output did not keep up\n";
        err.flush();
        return kTimingExitCode;
    }
    return 0;
}

std::int64_t TimelineFrameCount(render::REFERENCE_TIME duration_units, bool ntsc) {
    if (duration_units <= 0) {
        return 0;
    }
    const std::int64_t num = ntsc ? 30000 : 25;
    const std::int64_t den = ntsc ? 1001 : 1;
    // Start of frame n, rounded to the nearest unit as the engine times its frames.
    const auto frameStart = [&](std::int64_t n) {
        return static_cast<render::REFERENCE_TIME>(std::llround(
            static_cast<double>(n) * static_cast<double>(den) * 1e7 / static_cast<double>(num)));
    };
    std::int64_t count = static_cast<std::int64_t>(
        std::ceil(static_cast<double>(duration_units) * static_cast<double>(num) / (1e7 * den)));
    while (count > 0 && frameStart(count - 1) >= duration_units) {
        --count;
    }
    while (frameStart(count) < duration_units) {
        ++count;
    }
    return count;
}

int runRenderCommand(const RenderOptions& options, QTextStream& err) {
    const auto registry = platform::platformFilterRegistry();
    platform::RegisterDvFilters(*registry);
    std::shared_ptr<platform::Ieee1394Bus> bus = platform::createSystemIeee1394Bus();
    platform::RegisterDvDevices(*registry, bus);

    playlist::CheckList items;
    playlist::AddFiles(options.paths, items);
    QStringList checked;
    for (int i = 0; i < items.count(); ++i) {
        if (items.checked(i)) {
            checked << items.text(i);
        }
    }
    std::vector<render::TFileInfo> playList = ProbeFiles(checked, options.probe);
    render::TRenderState renderState;
    renderState.RenderRangeStop = PrepareMainPlayList(playList);

    render::TDeviceLists devices;
    render::FillDeviceLists(devices, {}, registry);
    render::TBuildSettings settings = options.settings;
    settings.videoOutIndex = static_cast<int>(devices.videoNames.indexOf(kFileRecorderName));
    if (settings.videoOutIndex < 0) {
        err << "quintape: the \"DV File Recorder\" device is not available\n";
        err.flush();
        return 1;
    }

    graph::TFilterGraph fgMain;
    graph::TFilter msEncoder(QStringLiteral("MSDVVideoEncoder"), nullptr, registry);
    msEncoder.BaseFilter().LoadStoredData(
        graph::StoredFilterReference(graph::MSDVVideoEncoderDisplayName()));
    graph::TFilter mcEncoder(QStringLiteral("MainConceptDVVideoEncoder"), nullptr, registry);
    mcEncoder.BaseFilter().LoadStoredData(
        graph::StoredFilterReference(graph::MainConceptDVVideoEncoderDisplayName()));
    const render::TDvEncoders encoders{&msEncoder, &mcEncoder};

    render::TRandomGenerator random;
    random.seed = options.seed;
    render::TGraphBuildHooks hooks;
    bool buildFailed = false;
    hooks.frontEnd.showError = [&](const QString& text) {
        err << "quintape: " << QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" "))
            << '\n';
        buildFailed = true;
    };
    platform::HRESULT connection = platform::E_FAIL;
    hooks.outputChain.setConnectionError = [&](platform::HRESULT result) { connection = result; };
    render::TGraphBuildState state;
    if (!render::BuildGraph(playList, settings, renderState, devices, encoders, fgMain, random,
                            hooks, state)) {
        err << "quintape: nothing to render\n";
        err.flush();
        return 1;
    }
    if (buildFailed || platform::FAILED(connection)) {
        err << "quintape: the output chain could not be connected\n";
        err.flush();
        return 1;
    }

    const auto builder = fgMain.query<platform::IGraphBuilder>();
    std::shared_ptr<platform::IBaseFilter> dvCam;
    builder->FindFilterByName(render::kDvCamFilterName, &dvCam);
    const auto recorder = platform::query<platform::IDvFileRecorder>(dvCam);
    if (!recorder || platform::FAILED(recorder->SetFileName(options.outputPath))) {
        err << "quintape: the output file cannot be set\n";
        err.flush();
        return 1;
    }
    if (!options.realTime) {
        fgMain.query<platform::IMediaFilter>()->SetSyncSource(nullptr);
    }

    platform::REFERENCE_TIME duration = 0;
    state.Timeline->GetDuration(&duration);
    QEventLoop loop;
    CompletionWatch watch(loop);
    fgMain.AddListener(&watch);
    const auto seeking = fgMain.query<platform::IMediaSeeking>();
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, [&] {
        platform::REFERENCE_TIME position = 0;
        if (seeking && platform::SUCCEEDED(seeking->GetCurrentPosition(&position))) {
            printProgress(err, position, duration);
        }
    });
    progress.start(kProgressInterval_ms);
    if (options.realTime) {
        // Opening the sources and the first frame take a while: the clock starts only once
        // the output holds its first frame, as a player cues up before it plays.
        fgMain.Pause();
        platform::FILTER_STATE cued = platform::State_Stopped;
        fgMain.query<platform::IMediaControl>()->GetState(kCueTimeout_ms, &cued);
    }
    fgMain.Play();
    loop.exec();
    progress.stop();
    fgMain.Stop();
    fgMain.RemoveListener(&watch);
    printProgress(err, watch.completed ? duration : 0, duration);
    err << '\n';

    const std::int64_t frameBytes = settings.ntsc ? kNtscFrameBytes : kPalFrameBytes;
    const std::int64_t expectedFrames = TimelineFrameCount(duration, settings.ntsc);
    const std::int64_t size = QFileInfo(options.outputPath).size();
    if (!watch.completed) {
        err << QStringLiteral("quintape: the render stopped (event 0x%1)\n")
                   .arg(watch.failedCode, 0, 16);
        err.flush();
        return 1;
    }
    if (size != expectedFrames * frameBytes) {
        err << QStringLiteral("quintape: %1 holds %2 bytes, %3 frames expected\n")
                   .arg(options.outputPath)
                   .arg(size)
                   .arg(expectedFrames);
        err.flush();
        return 1;
    }
    err << QStringLiteral("%1: %2 frames\n").arg(options.outputPath).arg(expectedFrames);
    err.flush();
    if (!options.realTime) {
        return 0;
    }
    std::optional<platform::DvOutputStatistics> deviceCounts;
    if (const auto counted = platform::query<platform::IDvOutputStatistics>(dvCam)) {
        deviceCounts = counted->GetOutputStatistics();
    }
    std::optional<platform::RenderEngineStatistics> engineCounts;
    if (const auto counted =
            platform::query<platform::IRenderEngineStatistics>(state.RenderEngine)) {
        engineCounts = counted->GetRenderStatistics();
    }
    return ReportOutputTiming(CombineOutputTiming(deviceCounts, engineCounts), options.strictTiming,
                              err);
}

} // namespace app
