#include "tests/app/transport_fixture.h"

#include "app/quintape_application.h"
#include "platform/filters/device_registration.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_filter_registration.h"
#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/renderer_base.h"
#include "platform/system/query.h"
#include "render/output_chain.h"
#include "render/probe.h"
#include "tests/support/test_media.h"
#include "tests/tools/media_probe.h"
#include "widgets/icon_grid.h"
#include "widgets/status_bar.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <QToolBar>

extern "C" {
#include <libavutil/log.h>
}

namespace transporttest {

using namespace platform;

namespace {

const QString kMainWindowKey = QStringLiteral("Software\\Zarnit\\Quintape.3\\TfmMain");

} // namespace

TransportWindowTest::TransportWindowTest()
    : registry(path(QStringLiteral("registry.ini"))), filters(std::make_shared<FilterRegistry>()),
      bus(std::make_shared<DvSimulatedBus>()), clock(std::make_shared<ManualReferenceClock>()),
      recording(path(QStringLiteral("out.dv"))) {
    // The media probe of the recordings need not explain its estimates.
    av_log_set_level(AV_LOG_ERROR);
    RegisterDvFilters(*filters);
    app::TQuintapeApplication::instance()->setErrorReporter(
        [this](const QString& text) { errors << text; });
}

TransportWindowTest::~TransportWindowTest() {
    if (window) {
        window->close();
        window.reset();
    }
    app::TQuintapeApplication::instance()->setErrorReporter({});
    EXPECT_TRUE(errors.isEmpty()) << errors.join(QLatin1Char('\n')).toStdString();
}

app::TfmMain& TransportWindowTest::open(const QStringList& arguments, int onOpenIndex,
                                        const QString& device) {
    // The device list as the window will fill it: the stored choice names the wanted device.
    if (!device.isEmpty()) {
        RegisterDvDevices(*filters, bus, nullptr, {.watch_interval_ms = 10});
        render::TDeviceLists lists;
        render::FillDeviceLists(lists, {}, filters);
        const auto deviceIndex = lists.videoNames.indexOf(device);
        EXPECT_GE(deviceIndex, 0) << device.toStdString();
        registry.writeString(kMainWindowKey, QStringLiteral("cbVideoOut_ItemIndex"),
                             QString::number(deviceIndex));
    }

    app::TMainWindowServices services{
        registry,
        filters,
        masterList,
        history,
        {},
        {},
        [this] { RegisterDvDevices(*filters, bus, nullptr, {.watch_interval_ms = 10}); },
        arguments};
    window = std::make_unique<app::TfmMain>(std::move(services));
    window->OnGraphBuilt = [this](app::TfmMain* sender) {
        ++builds;
        EXPECT_EQ(sender->fgMain.query<IMediaFilter>()->SetSyncSource(clock), S_OK);
        std::shared_ptr<IBaseFilter> dvCam;
        sender->fgMain.query<IGraphBuilder>()->FindFilterByName(render::kDvCamFilterName, &dvCam);
        if (const auto recorder = query<IDvFileRecorder>(dvCam)) {
            EXPECT_EQ(recorder->SetFileName(recording), S_OK);
        }
    };
    child<QComboBox>("cbOnOpen")->setCurrentIndex(onOpenIndex);
    window->resize(1000, 600);
    window->show();
    EXPECT_TRUE(waitUntil([this] { return window->FirstActivationDone(); }));
    return *window;
}

void TransportWindowTest::openItems(const std::vector<REFERENCE_TIME>& durations) {
    const QString clip = threeClips().first();
    const auto probed = render::ProbeFile(clip, render::ProbeSettings{});
    masterList.clear();
    for (const REFERENCE_TIME duration : durations) {
        auto record = std::make_unique<render::TFileInfo>();
        render::CopyFileInfo(*record, *probed);
        record->Duration = duration;
        masterList.setFileInfo(masterList.add(clip), std::move(record));
    }
    window->TearDownGraph();
    window->RebuildPlayList();
    window->StartAfterOpen();
}

transport::TDVTrackBar& TransportWindowTest::trackBar() const {
    return *child<transport::TDVTrackBar>("DVTrackBar");
}

transport::TTrackBarEx& TransportWindowTest::curFile() const {
    return *child<transport::TTrackBarEx>("tbCurFile");
}

widgets::TStatusBar& TransportWindowTest::status() const {
    return *child<widgets::TStatusBar>("StatusBar");
}

widgets::TIconGrid& TransportWindowTest::grid() const {
    return *child<widgets::TIconGrid>("sgPlayList");
}

QString TransportWindowTest::panel(int index) const {
    return status().PanelText(index);
}

void TransportWindowTest::click(const char* action) {
    auto* item = child<QAction>(action);
    ASSERT_NE(item, nullptr) << action;
    QWidget* button = child<QToolBar>("tbrControls")->widgetForAction(item);
    ASSERT_NE(button, nullptr) << action;
    QTest::mouseClick(button, Qt::LeftButton);
}

QString TransportWindowTest::pressedButton() const {
    QString pressed;
    for (const char* name : {"buPlayNoSh", "buPause", "buStop"}) {
        if (child<QAction>(name)->isChecked()) {
            pressed += QString::fromLatin1(name);
        }
    }
    return pressed;
}

void TransportWindowTest::advance(REFERENCE_TIME time) {
    ASSERT_EQ(clock->Advance(time), S_OK);
}

void TransportWindowTest::tick() {
    auto* timer = trackBar().findChild<QTimer*>(QStringLiteral("pollTimer"));
    ASSERT_NE(timer, nullptr);
    QMetaObject::invokeMethod(timer, "timeout");
}

void TransportWindowTest::pumpEvents() {
    QCoreApplication::processEvents();
}

std::uint64_t TransportWindowTest::framesPresented() const {
    const auto builder = window->fgMain.query<IGraphBuilder>();
    std::shared_ptr<IBaseFilter> dvCam;
    if (builder) {
        builder->FindFilterByName(render::kDvCamFilterName, &dvCam);
    }
    const auto renderer = std::dynamic_pointer_cast<RendererBase>(dvCam);
    return renderer ? renderer->samplesPresented() : 0;
}

bool TransportWindowTest::outputRuns() {
    const std::uint64_t before = framesPresented();
    advance(200 * kMs);
    return waitUntil([&] { return framesPresented() > before; });
}

int TransportWindowTest::recordedFrames() const {
    return static_cast<int>(QFileInfo(recording).size() / kPalFrameBytes);
}

bool TransportWindowTest::waitForFrames(int count) {
    return waitUntil([&] { return recordedFrames() >= count; });
}

std::optional<testmedia::FrameMark> TransportWindowTest::recordedMark(int index) {
    // A copy of the whole frames written so far: the recorder may be writing the next one.
    QFile source(recording);
    if (index >= recordedFrames() || !source.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray frames = source.read((index + 1) * kPalFrameBytes);
    QFile copy(path(QStringLiteral("frames.dv")));
    if (!copy.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        copy.write(frames) != frames.size()) {
        return std::nullopt;
    }
    copy.close();
    const auto pictures = mediatest::decodeVideo(copy.fileName(), index + 1);
    if (static_cast<int>(pictures.size()) <= index) {
        return std::nullopt;
    }
    const QImage& picture = pictures.at(static_cast<std::size_t>(index));
    return testmedia::readFrameMark(picture, picture.rect());
}

void TransportWindowTest::removeRecording() {
    QFile::remove(recording);
}

QStringList TransportWindowTest::threeClips() {
    return {testsupport::testMedia(QStringLiteral("clip_h264_aac.mp4")),
            testsupport::testMedia(QStringLiteral("clip_mpeg4_pcm.avi")),
            testsupport::testMedia(QStringLiteral("clip_matroska.mkv"))};
}

testmedia::FrameMark TransportWindowTest::markAt(REFERENCE_TIME time) {
    constexpr int kClipIds[] = {testmedia::kClipH264Aac, testmedia::kClipMpeg4Pcm,
                                testmedia::kClipMatroska};
    constexpr REFERENCE_TIME kClip = 2 * kSecond;
    const auto clip = static_cast<std::size_t>(time / kClip);
    return {kClipIds[clip], static_cast<int>(time % kClip / kFrame)};
}

} // namespace transporttest
