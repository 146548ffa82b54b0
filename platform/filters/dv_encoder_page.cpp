#include "platform/filters/dv_encoder_page.h"

#include "platform/filters/property_page_rows.h"

namespace platform {

DvEncoderPage::DvEncoderPage(std::shared_ptr<DvEncoderFilter> filter, QWidget* parent)
    : QWidget(parent), filter_(std::move(filter)) {
    setWindowTitle(QStringLiteral("DV Encoder"));
    auto* layout = new QFormLayout(this);
    videoFormat_ = addPropertyPageRow(layout, QStringLiteral("Video format:"),
                                      QStringLiteral("lbVideoFormat"));
    dvFormat_ =
        addPropertyPageRow(layout, QStringLiteral("DV format:"), QStringLiteral("lbDvFormat"));
    resolution_ =
        addPropertyPageRow(layout, QStringLiteral("Resolution:"), QStringLiteral("lbResolution"));
    input_ = addPropertyPageRow(layout, QStringLiteral("Input:"), QStringLiteral("lbInput"));
    frames_ = addPropertyPageRow(layout, QStringLiteral("Frames:"), QStringLiteral("lbFrames"));
    error_ =
        addPropertyPageRow(layout, QStringLiteral("Last error:"), QStringLiteral("lbLastError"));
    refresh();
}

void DvEncoderPage::refresh() {
    const DvEncoderFilter::Status status = filter_->status();
    const bool pal = status.standard == DvStandard::Pal;
    QString format = pal ? QStringLiteral("PAL (625 lines, 25 frames/s)")
                         : QStringLiteral("NTSC (525 lines, 29.97 frames/s)");
    if (!status.format_chosen) {
        format += QStringLiteral(", following the input");
    }
    videoFormat_->setText(format);
    dvFormat_->setText(pal ? QStringLiteral("DVSD, 4:2:0, 144000 bytes per frame")
                           : QStringLiteral("DVSD, 4:1:1, 120000 bytes per frame"));
    resolution_->setText(QStringLiteral("%1 x %2").arg(kDvWidth).arg(dvHeight(status.standard)));
    input_->setText(status.input.isEmpty() ? QStringLiteral("not connected") : status.input);
    frames_->setText(QStringLiteral("%1 encoded, %2 repeated stills")
                         .arg(status.frames_encoded)
                         .arg(status.frames_reused));
    error_->setText(status.last_error.isEmpty() ? QStringLiteral("none") : status.last_error);
}

} // namespace platform
