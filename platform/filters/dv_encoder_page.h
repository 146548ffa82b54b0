#pragma once

#include "platform/filters/dv_encoder_filter.h"

#include <QWidget>

#include <memory>

class QLabel;

// The property page of the DV video encoder filters: the video format, DV format and
// resolution in use, the connected input and how many frames were encoded or reused.
namespace platform {

class DvEncoderPage final : public QWidget {
    Q_OBJECT

public:
    explicit DvEncoderPage(std::shared_ptr<DvEncoderFilter> filter, QWidget* parent = nullptr);

    // Reads the filter's state again.
    void refresh();

private:
    std::shared_ptr<DvEncoderFilter> filter_;
    QLabel* videoFormat_;
    QLabel* dvFormat_;
    QLabel* resolution_;
    QLabel* input_;
    QLabel* frames_;
    QLabel* error_;
};

} // namespace platform
