#include "platform/filters/dv_mux_page.h"

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

DvMuxPage::DvMuxPage(std::shared_ptr<DvMuxFilter> filter, QWidget* parent)
    : QWidget(parent), filter_(std::move(filter)) {
    setWindowTitle(QStringLiteral("DV Muxer"));
    auto* layout = new QFormLayout(this);
    standard_ = addRow(layout, QStringLiteral("DV standard:"), QStringLiteral("lbStandard"));
    audio_ = addRow(layout, QStringLiteral("Sound input:"), QStringLiteral("lbAudioInput"));
    note_ = addRow(layout, QStringLiteral("Sound:"), QStringLiteral("lbAudioNote"));
    frames_ = addRow(layout, QStringLiteral("Frames:"), QStringLiteral("lbFrames"));
    error_ = addRow(layout, QStringLiteral("Last error:"), QStringLiteral("lbLastError"));
    refresh();
}

void DvMuxPage::refresh() {
    const DvMuxFilter::Status status = filter_->status();
    if (!status.standard) {
        standard_->setText(QStringLiteral("no video connected"));
    } else {
        standard_->setText(*status.standard == DvStandard::Pal ? QStringLiteral("PAL")
                                                               : QStringLiteral("NTSC"));
    }
    if (!status.audio) {
        audio_->setText(QStringLiteral("none"));
    } else {
        audio_->setText(QStringLiteral("PCM 16-bit, %1 Hz, %2")
                            .arg(status.audio->sample_rate_hz)
                            .arg(status.audio->channels == 1 ? QStringLiteral("mono")
                                                             : QStringLiteral("stereo")));
    }
    note_->setText(status.audio_note.isEmpty() ? QStringLiteral("Carried as it is.")
                                               : status.audio_note);
    frames_->setText(QStringLiteral("%1 muxed, %2 sample frames of silence put in")
                         .arg(status.frames_muxed)
                         .arg(status.silence_sample_frames));
    error_->setText(status.last_error.isEmpty() ? QStringLiteral("none") : status.last_error);
}

} // namespace platform
