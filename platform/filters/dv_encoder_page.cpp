#include "platform/filters/dv_encoder_page.h"

#include <QFormLayout>
#include <QLabel>

namespace platform {

namespace {

QLabel* addRow(QFormLayout* layout, const QString& caption, const QString& objectName) {
    auto* label = new QLabel(layout->parentWidget());
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    layout->addRow(caption, label);
    return label;
}

} // namespace

DvEncoderPage::DvEncoderPage(std::shared_ptr<DvEncoderFilter> filter, QWidget* parent)
    : QWidget(parent), filter_(std::move(filter)) {
    setWindowTitle(QStringLiteral("DV Encoder"));
    auto* layout = new QFormLayout(this);
    videoFormat_ = addRow(layout, QStringLiteral("Video format:"), QStringLiteral("lbVideoFormat"));
    dvFormat_ = addRow(layout, QStringLiteral("DV format:"), QStringLiteral("lbDvFormat"));
    resolution_ = addRow(layout, QStringLiteral("Resolution:"), QStringLiteral("lbResolution"));
    input_ = addRow(layout, QStringLiteral("Input:"), QStringLiteral("lbInput"));
    frames_ = addRow(layout, QStringLiteral("Frames:"), QStringLiteral("lbFrames"));
    error_ = addRow(layout, QStringLiteral("Last error:"), QStringLiteral("lbLastError"));
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
