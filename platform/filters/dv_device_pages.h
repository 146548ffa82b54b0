#pragma once

#include "platform/filters/dv_device_camcorder.h"
#include "platform/filters/dv_output_statistics.h"
#include "platform/filters/property_frame.h"

#include <QWidget>

#include <memory>

class QFormLayout;
class QLabel;

// The property pages of the DV output devices. Each shows the output statistics of the device
// (frames delivered, repeated and late), refreshed while the page is open; the camcorder's page
// also shows the device, its connection and the cycles the bus dropped.
namespace platform {

// The statistics rows ("lbFramesDelivered", "lbFramesRepeated", "lbFramesLate"), added to a
// page's form and refreshed twice a second.
class DvOutputStatisticsRows final : public QObject {
    Q_OBJECT
public:
    DvOutputStatisticsRows(QFormLayout* layout, std::shared_ptr<IDvOutputStatistics> source);
    void refresh();

private:
    std::shared_ptr<IDvOutputStatistics> source_;
    QLabel* delivered_;
    QLabel* repeated_;
    QLabel* late_;
};

class DvCamcorderPage final : public QWidget {
    Q_OBJECT
public:
    explicit DvCamcorderPage(std::shared_ptr<DvCamcorderFilter> camcorder,
                             QWidget* parent = nullptr);
    void refresh();

private:
    std::shared_ptr<DvCamcorderFilter> camcorder_;
    QLabel* device_;
    QLabel* connection_;
    QLabel* dropped_;
    QLabel* error_;
    DvOutputStatisticsRows* statistics_;
};

// A page with the statistics rows only (the DV Monitor's).
class DvOutputStatisticsPage final : public QWidget {
    Q_OBJECT
public:
    DvOutputStatisticsPage(const QString& title, std::shared_ptr<IDvOutputStatistics> source,
                           QWidget* parent = nullptr);
};

// Makes the pages of the camcorder, the DV Monitor and the DV File Recorder known to `pages`.
void RegisterDvDevicePropertyPages(PropertyPageRegistry& pages);

} // namespace platform
