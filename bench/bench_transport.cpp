// How long the user waits for the device after a transport action, through the real main window
// (offscreen) on the system clock: Play -> first DV frame at the device, Next -> first frame of
// the next item, and a drag release on the all-files trackbar -> first frame at the new position.
// Each is timed 20 times from the click to the first frame the device takes in the run that the
// action started; the report gives the median and the worst try. The reference, measured in the
// same run, is a run of the same graph started directly (no window, no handler).
#include "app/quintape_application.h"
#include "app/tfm_main.h"
#include "platform/filters/dv_device_renderer.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/device_categories.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/system/registry.h"
#include "playlist/check_list.h"
#include "playlist/folder_history.h"
#include "render/output_chain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

constexpr int kTries = 20;
constexpr double kFramePeriod_ms = 40.0;
constexpr CLSID kBenchDeviceClsid{0x51A4E001, 0x00B0, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0xB0}};

// A DV device that keeps nothing but the time of the first frame of the first run started after
// it was armed.
class BenchDvDevice final : public RendererBase {
public:
    BenchDvDevice() : RendererBase(QStringLiteral("Bench DV Device"), kBenchDeviceClsid) {}

    void arm() {
        firstFrame_.store(Clock::time_point{});
        runStarted_.store(false);
        armed_.store(true);
    }
    std::optional<Clock::time_point> firstFrame() const {
        const Clock::time_point at = firstFrame_.load();
        return at == Clock::time_point{} ? std::nullopt : std::optional(at);
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override {
        return isDvFrameMediaType(mediaType) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    void OnStartStreaming() override {
        if (armed_.load()) {
            runStarted_.store(true);
        }
    }
    HRESULT DoRenderSample(IMediaSample&) override {
        if (runStarted_.load() && armed_.exchange(false)) {
            firstFrame_.store(Clock::now());
        }
        return S_OK;
    }

private:
    std::atomic<bool> armed_ = false;
    std::atomic<bool> runStarted_ = false;
    std::atomic<Clock::time_point> firstFrame_{Clock::time_point{}};
};

struct Figures {
    double median_ms = 0;
    double worst_ms = 0;
};

Figures figuresOf(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    return {median, times.back()};
}

void print(const char* what, const Figures& figures, const Figures& reference) {
    std::printf("%-34s median %7.1f ms (%4.1f frames, %4.1fx the reference)  worst %7.1f ms\n",
                what, figures.median_ms, figures.median_ms / kFramePeriod_ms,
                figures.median_ms / reference.median_ms, figures.worst_ms);
}

class Bench {
public:
    Bench(const QString& mediaDir, const QString& registryPath)
        : registry_(registryPath), filters_(std::make_shared<FilterRegistry>()) {
        RegisterDvFilters(*filters_);
        filters_->add(namedDevice(CLSID_VideoInputDeviceCategory, QStringLiteral("Bench DV Device"),
                                  kBenchDeviceClsid,
                                  [] { return std::make_shared<BenchDvDevice>(); }));
        const QStringList clips{QStringLiteral("clip_h264_aac.mp4"),
                                QStringLiteral("clip_mpeg4_pcm.avi"),
                                QStringLiteral("clip_matroska.mkv")};
        QStringList paths;
        for (int i = 0; i <= kTries; ++i) {
            paths << QDir(mediaDir).filePath(clips.at(i % clips.size()));
        }
        app::TMainWindowServices services{registry_, filters_, masterList_, history_,
                                          {},        {},       {},          paths};
        window_ = std::make_unique<app::TfmMain>(std::move(services));
        window_->resize(1000, 600);
        window_->show();
        waitFor([this] { return window_->FirstActivationDone(); });
    }

    bool ready() const { return window_->fgMain.Active() && device() != nullptr; }

    // Play from stopped, through the toolbar button and through the graph alone.
    std::pair<Figures, Figures> play() {
        std::vector<double> window;
        std::vector<double> graph;
        for (int i = 0; i < kTries; ++i) {
            click("buStop");
            window.push_back(timed([this] { click("buPlayNoSh"); }));
            click("buStop");
            graph.push_back(timed([this] { window_->fgMain.Play(); }));
        }
        return {figuresOf(window), figuresOf(graph)};
    }

    // Next while running, item after item.
    Figures next() {
        click("buPrev");
        click("buPlayNoSh");
        std::vector<double> times;
        for (int i = 0; i < kTries; ++i) {
            times.push_back(timed([this] { click("buNext"); }));
        }
        return figuresOf(times);
    }

    // A click on the all-files trackbar while running, timed from the release.
    Figures dragRelease() {
        auto& bar = *window_->findChild<transport::TDVTrackBar*>(QStringLiteral("DVTrackBar"));
        click("buPlayNoSh");
        waitFor([&] { return bar.maximum() != 10000; });
        std::vector<double> times;
        for (int i = 0; i < kTries; ++i) {
            const QPoint at = pointOfValue(bar, (i * 7 + 3) * bar.maximum() / (7 * kTries));
            QTest::mousePress(&bar, Qt::LeftButton, {}, at);
            times.push_back(timed([&] { QTest::mouseRelease(&bar, Qt::LeftButton, {}, at); }));
        }
        return figuresOf(times);
    }

private:
    template <typename Done> static void waitFor(Done done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 60000) {
            QCoreApplication::processEvents();
            // The device stamps its frame itself: the wait need not spin the processor.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    BenchDvDevice* device() const {
        std::shared_ptr<IBaseFilter> dvCam;
        if (const auto builder = window_->fgMain.query<IGraphBuilder>()) {
            builder->FindFilterByName(render::kDvCamFilterName, &dvCam);
        }
        return dynamic_cast<BenchDvDevice*>(dvCam.get());
    }

    void click(const char* name) {
        auto* action = window_->findChild<QAction*>(QString::fromLatin1(name));
        QTest::mouseClick(
            window_->findChild<QToolBar*>(QStringLiteral("tbrControls"))->widgetForAction(action),
            Qt::LeftButton);
    }

    // Milliseconds from the start of `action` to the device's first frame of the run it started.
    template <typename Action> double timed(Action action) {
        BenchDvDevice* const armed = device();
        armed->arm();
        const Clock::time_point start = Clock::now();
        action();
        waitFor([&] { return armed->firstFrame().has_value(); });
        const auto at = armed->firstFrame();
        if (!at) {
            std::fprintf(stderr, "bench-transport: no frame reached the device\n");
            return 60000.0;
        }
        return std::chrono::duration<double, std::milli>(*at - start).count();
    }

    static QPoint pointOfValue(const QSlider& slider, int value) {
        QStyleOptionSlider option;
        option.initFrom(&slider);
        option.orientation = slider.orientation();
        option.minimum = slider.minimum();
        option.maximum = slider.maximum();
        option.sliderPosition = value;
        option.sliderValue = value;
        option.upsideDown = slider.invertedAppearance();
        return slider.style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider)
            .center();
    }

    Registry registry_;
    std::shared_ptr<FilterRegistry> filters_;
    playlist::CheckList masterList_;
    playlist::FolderHistory history_;
    std::unique_ptr<app::TfmMain> window_;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    av_log_set_level(AV_LOG_FATAL);
    app::TQuintapeApplication application(argc, argv);
    application.setErrorReporter([](const QString& text) {
        std::fprintf(stderr, "bench-transport: %s\n", qPrintable(text));
    });
    const QString mediaDir = QStringLiteral(QUINTAPE_TEST_MEDIA_DIR);
    if (!QDir(mediaDir).exists(QStringLiteral("clip_matroska.mkv"))) {
        std::fprintf(stderr, "bench-transport: %s has no test media (build test-media)\n",
                     qPrintable(mediaDir));
        return 1;
    }
    QTemporaryDir temp;
    {
        Bench bench(mediaDir, QDir(temp.path()).filePath(QStringLiteral("registry.ini")));
        if (!bench.ready()) {
            std::fprintf(stderr, "bench-transport: the graph was not built\n");
            return 1;
        }
        std::printf("Transport latency, %d tries each, %d items of 2 s, PAL, system clock\n",
                    kTries, kTries + 1);
        const auto [play, reference] = bench.play();
        const Figures next = bench.next();
        const Figures drag = bench.dragRelease();
        print("Play -> first DV frame", play, reference);
        print("Next -> first frame of next item", next, reference);
        print("drag release -> first frame", drag, reference);
        print("reference: graph Run -> first frame", reference, reference);
    }
    return 0;
}
