#include "platform/filters/dv_monitor_window.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QLabel>
#include <QMediaDevices>
#include <QPainter>
#include <QVBoxLayout>

namespace platform {

namespace {
constexpr int kCountersHeight = 24;
}

DvMonitorWindow::DvMonitorWindow(QWidget* parent) : QWidget(parent), counters_(new QLabel(this)) {
    setObjectName(QStringLiteral("DvMonitor"));
    setWindowTitle(QStringLiteral("DV Monitor"));
    counters_->setObjectName(QStringLiteral("lbCounters"));
    counters_->setFixedHeight(kCountersHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    layout->addWidget(counters_);
    setCounters(0, 0);
    resize(768, 576 + kCountersHeight);
}

DvMonitorWindow::~DvMonitorWindow() = default;

void DvMonitorWindow::showPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void DvMonitorWindow::setCounters(std::uint64_t late_frames, std::uint64_t repeated_frames) {
    counters_->setText(QStringLiteral("Late frames: %1    Repeated frames: %2")
                           .arg(late_frames)
                           .arg(repeated_frames));
}

QString DvMonitorWindow::countersText() const {
    return counters_->text();
}

void DvMonitorWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area(0, 0, width(), height() - kCountersHeight);
    painter.fillRect(area, Qt::black);
    if (picture_.isNull() || area.isEmpty()) {
        return;
    }
    // Display aspect 4:3, letterboxed in the window.
    QSize size(4, 3);
    size.scale(area.size(), Qt::KeepAspectRatio);
    const QRect target(area.x() + (area.width() - size.width()) / 2,
                       area.y() + (area.height() - size.height()) / 2, size.width(), size.height());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, picture_);
}

void DvMonitorWindow::openSound(const QAudioFormat& format) {
    audio_io_ = nullptr;
    audio_.reset();
    audio_format_ = format;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    // No sound server: the monitor shows the picture only.
    if (device.isNull() || !device.isFormatSupported(format)) {
        return;
    }
    audio_ = std::make_unique<QAudioSink>(device, format);
    // About half a second of sound in the output's buffer.
    audio_->setBufferSize(format.bytesForDuration(500'000));
    audio_io_ = audio_->start();
    if (audio_io_ == nullptr) {
        audio_.reset();
    }
}

void DvMonitorWindow::playSound(const QByteArray& pcm, int sample_rate_hz, int channels) {
    if (pcm.isEmpty() || sample_rate_hz <= 0 || channels <= 0) {
        return;
    }
    QAudioFormat format;
    format.setSampleRate(sample_rate_hz);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    if (format != audio_format_) {
        openSound(format);
    }
    if (audio_io_ == nullptr) {
        return;
    }
    const qsizetype room = audio_->bytesFree();
    const qsizetype block = format.bytesPerFrame();
    const qsizetype count = std::min(room - room % block, pcm.size());
    if (count > 0) {
        audio_io_->write(pcm.constData(), count);
    }
}

} // namespace platform
