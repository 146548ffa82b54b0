#include "platform/filters/dv_monitor.h"

#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_monitor_decoder.h"
#include "platform/filters/dv_monitor_window.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

#include <mutex>

namespace platform {

namespace {

struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// Sound waiting for the window beyond this is dropped (about two seconds at 48 kHz stereo).
constexpr qsizetype kMaxPendingSoundBytes = 48000 * 4 * 2;

} // namespace

// What the streaming thread hands to the window, and the window itself (touched on the
// user-interface thread only).
struct DvMonitorFilter::Channel : std::enable_shared_from_this<Channel> {
    std::mutex mutex;
    DvMonitorPicture latest;
    bool has_picture = false;
    QByteArray sound;
    std::uint64_t late = 0;
    std::uint64_t repeated = 0;
    bool delivery_posted = false;

    std::unique_ptr<DvMonitorWindow, DeleteLater> window;

    // Runs `call` on the user-interface thread: at once when already there, else queued.
    void onGuiThread(std::function<void(Channel&)> call) {
        QCoreApplication* const app = QCoreApplication::instance();
        if (app == nullptr) {
            return;
        }
        auto self = shared_from_this();
        if (QThread::currentThread() == app->thread()) {
            call(*self);
            return;
        }
        QMetaObject::invokeMethod(
            app, [self, call = std::move(call)] { call(*self); }, Qt::QueuedConnection);
    }

    void post(DvMonitorPicture picture, std::uint64_t late_frames, std::uint64_t repeated_frames) {
        bool post_now = false;
        {
            const std::lock_guard lock(mutex);
            if (sound.size() + picture.pcm.size() <= kMaxPendingSoundBytes) {
                sound += picture.pcm;
            }
            latest = std::move(picture);
            has_picture = true;
            late = late_frames;
            repeated = repeated_frames;
            post_now = !delivery_posted;
            delivery_posted = true;
        }
        if (post_now) {
            QCoreApplication* const app = QCoreApplication::instance();
            if (app == nullptr) {
                return;
            }
            // Always queued: the streaming thread must never run window code.
            QMetaObject::invokeMethod(
                app, [self = shared_from_this()] { self->deliver(); }, Qt::QueuedConnection);
        }
    }

    void openWindow() {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
            return;
        }
        if (!window) {
            window.reset(new DvMonitorWindow());
        }
        window->show();
        deliver();
    }

    void deliver() {
        DvMonitorPicture picture;
        QByteArray pcm;
        bool fresh = false;
        std::uint64_t late_frames = 0;
        std::uint64_t repeated_frames = 0;
        {
            const std::lock_guard lock(mutex);
            delivery_posted = false;
            if (!window) {
                // Kept for the window that is about to open.
                return;
            }
            fresh = has_picture;
            has_picture = false;
            picture = std::move(latest);
            latest = {};
            pcm = std::move(sound);
            sound.clear();
            late_frames = late;
            repeated_frames = repeated;
        }
        if (fresh) {
            window->showPicture(picture.image);
        }
        window->playSound(pcm, picture.sample_rate_hz, picture.channels);
        window->setCounters(late_frames, repeated_frames);
    }
};

namespace {

// Decodes each frame and hands it to the window channel; counted by the filter.
class DvMonitorSink final : public DvSink {
public:
    explicit DvMonitorSink(DvStandard standard) : standard_(standard) {}

    DvStandard standard() const override { return standard_; }
    DvSinkPacing pacing() const override { return DvSinkPacing::ReferenceClock; }
    bool pushFrame(std::span<const std::uint8_t> frame, QString* error) override {
        if (!isWholeDvFrame(frame, standard_, error) || !decoder_.decode(frame, &decoded_, error)) {
            return false;
        }
        ++frames_out_;
        return true;
    }
    std::uint64_t framesOut() const override { return frames_out_; }
    DvMonitorPicture takeDecoded() { return std::move(decoded_); }

private:
    DvStandard standard_;
    DvMonitorDecoder decoder_;
    DvMonitorPicture decoded_;
    std::uint64_t frames_out_ = 0;
};

} // namespace

DvMonitorFilter::DvMonitorFilter()
    : DvDeviceRenderer(QStringLiteral("DV Monitor"), CLSID_DvMonitor),
      channel_(std::make_shared<Channel>()) {
    setCountsHeldPictures(true);
}

DvMonitorFilter::~DvMonitorFilter() = default;

HRESULT DvMonitorFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->elems = {CLSID_DvMonitorPropertyPage};
    return S_OK;
}

DvMonitorWindow* DvMonitorFilter::window() const {
    return channel_->window.get();
}

HRESULT DvMonitorFilter::onRun(REFERENCE_TIME tStart) {
    const HRESULT hr = DvDeviceRenderer::onRun(tStart);
    if (SUCCEEDED(hr)) {
        channel_->onGuiThread([](Channel& channel) { channel.openWindow(); });
    }
    return hr;
}

std::shared_ptr<DvSink> DvMonitorFilter::openSink(DvStandard standard, QString*) {
    return std::make_shared<DvMonitorSink>(standard);
}

bool DvMonitorFilter::framePushed(DvSink& sink, std::span<const std::uint8_t>, const IMediaSample&,
                                  QString*) {
    const DvOutputStatistics statistics = GetOutputStatistics();
    channel_->post(static_cast<DvMonitorSink&>(sink).takeDecoded(),
                   static_cast<std::uint64_t>(statistics.framesLate),
                   static_cast<std::uint64_t>(statistics.framesRepeated));
    return true;
}

} // namespace platform
