#include "platform/filters/dv_mux_page.h"

#include "platform/filters/property_page_rows.h"

namespace platform {

DvMuxPage::DvMuxPage(std::shared_ptr<DvMuxFilter> filter, QWidget* parent)
    : QWidget(parent), filter_(std::move(filter)) {
    setWindowTitle(QStringLiteral("DV Muxer"));
    auto* layout = new QFormLayout(this);
    standard_ =
        addPropertyPageRow(layout, QStringLiteral("DV standard:"), QStringLiteral("lbStandard"));
    audio_ =
        addPropertyPageRow(layout, QStringLiteral("Sound input:"), QStringLiteral("lbAudioInput"));
    note_ = addPropertyPageRow(layout, QStringLiteral("Sound:"), QStringLiteral("lbAudioNote"));
    frames_ = addPropertyPageRow(layout, QStringLiteral("Frames:"), QStringLiteral("lbFrames"));
    error_ =
        addPropertyPageRow(layout, QStringLiteral("Last error:"), QStringLiteral("lbLastError"));
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
