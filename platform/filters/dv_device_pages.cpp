#include "platform/filters/dv_device_pages.h"

#include "platform/filters/dv_device_classes.h"
#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_file_recorder_page.h"
#include "platform/filters/property_page_rows.h"
#include "platform/system/query.h"

#include <QFormLayout>
#include <QLabel>
#include <QTimer>

namespace platform {

namespace {
constexpr int kRefreshIntervalMs = 500;

void refreshEvery(QObject* owner, const std::function<void()>& refresh) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, owner, refresh);
    timer->start(kRefreshIntervalMs);
}
} // namespace

DvOutputStatisticsRows::DvOutputStatisticsRows(QFormLayout* layout,
                                               std::shared_ptr<IDvOutputStatistics> source)
    : QObject(layout->parentWidget()), source_(std::move(source)),
      delivered_(addPropertyPageRow(layout, QStringLiteral("Frames delivered:"),
                                    QStringLiteral("lbFramesDelivered"))),
      repeated_(addPropertyPageRow(layout, QStringLiteral("Frames repeated:"),
                                   QStringLiteral("lbFramesRepeated"))),
      late_(addPropertyPageRow(layout, QStringLiteral("Late frames:"),
                               QStringLiteral("lbFramesLate"))) {
    delivered_->setToolTip(QStringLiteral("Frames that reached the output, repeats included."));
    repeated_->setToolTip(
        QStringLiteral("Frame times in which the previous picture stood again, with silence, "
                       "because the next frame was not ready."));
    late_->setToolTip(QStringLiteral("Frames that came after their time."));
    refresh();
    refreshEvery(this, [this] { refresh(); });
}

void DvOutputStatisticsRows::refresh() {
    const DvOutputStatistics statistics = source_->GetOutputStatistics();
    delivered_->setText(QString::number(statistics.framesDelivered));
    repeated_->setText(QString::number(statistics.framesRepeated));
    late_->setText(QString::number(statistics.framesLate));
}

DvCamcorderPage::DvCamcorderPage(std::shared_ptr<DvCamcorderFilter> camcorder, QWidget* parent)
    : QWidget(parent), camcorder_(std::move(camcorder)) {
    setWindowTitle(QStringLiteral("DV Camcorder"));
    auto* layout = new QFormLayout(this);
    device_ = addPropertyPageRow(layout, QStringLiteral("Device:"), QStringLiteral("lbDevice"));
    connection_ =
        addPropertyPageRow(layout, QStringLiteral("Connection:"), QStringLiteral("lbConnection"));
    dropped_ = addPropertyPageRow(layout, QStringLiteral("Dropped bus cycles:"),
                                  QStringLiteral("lbDroppedCycles"));
    statistics_ = new DvOutputStatisticsRows(layout, camcorder_);
    error_ =
        addPropertyPageRow(layout, QStringLiteral("Last error:"), QStringLiteral("lbLastError"));
    refresh();
    refreshEvery(this, [this] { refresh(); });
}

void DvCamcorderPage::refresh() {
    const DvCamcorderStatus status = camcorder_->status();
    device_->setText(
        QStringLiteral("%1 (GUID %2)%3")
            .arg(status.label,
                 QStringLiteral("%1").arg(status.guid, 16, 16, QLatin1Char('0')).toUpper(),
                 status.present ? QString() : QStringLiteral(", not connected")));
    if (!status.running) {
        connection_->setText(QStringLiteral("not sending"));
    } else if (status.point_to_point) {
        connection_->setText(QStringLiteral("point-to-point, channel %1").arg(status.channel));
    } else {
        connection_->setText(QStringLiteral("broadcast channel %1 (the device took no connection)")
                                 .arg(status.channel));
    }
    dropped_->setText(QString::number(status.dropped_cycles));
    error_->setText(status.last_error.isEmpty() ? QStringLiteral("none") : status.last_error);
    statistics_->refresh();
}

DvOutputStatisticsPage::DvOutputStatisticsPage(const QString& title,
                                               std::shared_ptr<IDvOutputStatistics> source,
                                               QWidget* parent)
    : QWidget(parent) {
    setWindowTitle(title);
    auto* layout = new QFormLayout(this);
    new DvOutputStatisticsRows(layout, std::move(source));
}

void RegisterDvDevicePropertyPages(PropertyPageRegistry& pages) {
    pages.add(CLSID_DvCamcorderPropertyPage,
              [](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) -> QWidget* {
                  const auto camcorder = std::dynamic_pointer_cast<DvCamcorderFilter>(filter);
                  return camcorder ? new DvCamcorderPage(camcorder, parent) : nullptr;
              });
    pages.add(CLSID_DvMonitorPropertyPage,
              [](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) -> QWidget* {
                  const auto statistics = query<IDvOutputStatistics>(filter);
                  return statistics ? new DvOutputStatisticsPage(QStringLiteral("DV Monitor"),
                                                                 statistics, parent)
                                    : nullptr;
              });
    pages.add(CLSID_DvFileRecorderPropertyPage,
              [](const std::shared_ptr<IBaseFilter>& filter, QWidget* parent) -> QWidget* {
                  const auto recorder = query<IDvFileRecorder>(filter);
                  return recorder ? new DvFileRecorderPage(
                                        recorder, query<IDvOutputStatistics>(filter), parent)
                                  : nullptr;
              });
}

} // namespace platform
