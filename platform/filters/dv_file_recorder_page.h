#pragma once

#include "platform/filters/dv_file_recorder.h"
#include "platform/filters/dv_output_statistics.h"

#include <QWidget>

#include <memory>

class QLineEdit;

// The property page of the "DV File Recorder": the path of the recording, with a file dialog,
// and the output statistics of the recording.
namespace platform {

class DvFileRecorderPage final : public QWidget {
    Q_OBJECT
public:
    DvFileRecorderPage(std::shared_ptr<IDvFileRecorder> recorder,
                       std::shared_ptr<IDvOutputStatistics> statistics = {},
                       QWidget* parent = nullptr);

    // Hands the edited path to the recorder; false when it refuses it.
    Q_INVOKABLE bool apply();

private slots:
    void browse();

private:
    std::shared_ptr<IDvFileRecorder> recorder_;
    QLineEdit* path_edit_;
};

} // namespace platform
