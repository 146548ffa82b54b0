#pragma once

#include "platform/filters/dv_mux_filter.h"

#include <QWidget>

#include <memory>

class QLabel;

// The property page of the DV multiplexer: the DV standard, the connected sound and how it is
// carried (the audio note, such as a conversion to 48000 Hz), and the frames muxed so far.
namespace platform {

class DvMuxPage final : public QWidget {
    Q_OBJECT

public:
    explicit DvMuxPage(std::shared_ptr<DvMuxFilter> filter, QWidget* parent = nullptr);

    // Reads the filter's state again.
    void refresh();

private:
    std::shared_ptr<DvMuxFilter> filter_;
    QLabel* standard_;
    QLabel* audio_;
    QLabel* note_;
    QLabel* frames_;
    QLabel* error_;
};

} // namespace platform
