#pragma once

#include "platform/filters/dv_device_renderer.h"

#include <QString>

// "DV File Recorder": writes the raw DV stream, frame after frame, to a file. Paced by the
// graph's clock like a device, or as fast as possible when the graph has no clock.
namespace platform {

// The path of the recording. A new path takes effect at the next run; until one is set, each
// run records into a new dated file (GetFileName gives the latest).
class IDvFileRecorder {
public:
    virtual ~IDvFileRecorder() = default;
    // E_INVALIDARG for an empty path.
    virtual HRESULT SetFileName(const QString& path) = 0;
    virtual HRESULT GetFileName(QString* path) = 0;
};

// "Quintape yyyy-MM-dd hh-mm-ss.dv" for the current time in the user's movies folder.
QString defaultDvRecordingPath();

class DvFileRecorderFilter final : public DvDeviceRenderer,
                                   public IDvFileRecorder,
                                   public ISpecifyPropertyPages {
public:
    DvFileRecorderFilter();

    HRESULT SetFileName(const QString& path) override;
    HRESULT GetFileName(QString* path) override;
    HRESULT GetPages(CAUUID* pages) override;

private:
    std::shared_ptr<DvSink> openSink(DvStandard standard, QString* error) override;
    void closeSink(DvSink& sink) override;

    mutable std::mutex path_mutex_;
    QString path_;
    bool path_chosen_ = false;
};

} // namespace platform
