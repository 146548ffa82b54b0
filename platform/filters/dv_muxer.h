#pragma once

#include "platform/filters/dv_format.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

// The DV multiplexer: puts 16-bit PCM into the audio DIF blocks of DV video frames, with the
// exact sample count of each frame (PAL 1920/1764/1280 at 48/44.1/32 kHz, NTSC the 1600/1602
// pattern at 48 kHz), and writes the recording date and start timecode. Sound arrives in chunks
// of any size; frames without (enough) sound are filled with silence and the same amount of
// late sound is dropped later, so picture and sound stay in step.
namespace platform {

// 16-bit signed PCM, interleaved: 32000, 44100 or 48000 Hz, 1 or 2 channels.
struct DvAudioFormat {
    int sample_rate_hz = 48000;
    int channels = 2;
};

struct DvMuxerOptions {
    DvStandard standard = DvStandard::Pal;
    // The sound connected to the multiplexer; none gives silent stereo at 48000 Hz.
    std::optional<DvAudioFormat> audio;
    // Recording date and time of the stream; invalid means now.
    QDateTime recording_time;
    // Timecode of the first frame, "HH:MM:SS:FF"; empty gives 00:00:00:00.
    QString start_timecode;
};

class DvMuxer {
public:
    static std::unique_ptr<DvMuxer> create(const DvMuxerOptions& options, QString* error);
    ~DvMuxer();
    DvMuxer(const DvMuxer&) = delete;
    DvMuxer& operator=(const DvMuxer&) = delete;

    DvStandard standard() const { return options_.standard; }
    // The sample rate inside the DV stream.
    int streamSampleRateHz() const { return stream_rate_hz_; }
    // True when the connected sound is resampled because the standard cannot carry its rate.
    bool convertsSampleRate() const;
    // A sentence for a property page about how the sound is carried; empty when it goes in as is.
    QString audioNote() const;

    // Adds sound in the connected format (interleaved samples; `sample_frames` per channel).
    bool pushAudio(const std::int16_t* samples, std::size_t sample_frames, QString* error);
    // Sample frames (stream rate) the next DV frame carries, and how many are waiting.
    int samplesForNextFrame() const;
    std::size_t bufferedSampleFrames() const;

    // Builds one complete DV frame in `out` (dvFrameBytes bytes) from one encoded DV video
    // frame and the next frame's share of sound.
    bool muxFrame(std::span<const std::uint8_t> video, std::span<std::uint8_t> out, QString* error);

    std::uint64_t framesMuxed() const { return frames_muxed_; }
    // Sample frames of silence put in for sound that had not arrived in time.
    std::uint64_t silenceInsertedSampleFrames() const { return silence_inserted_; }

private:
    struct State;
    explicit DvMuxer(const DvMuxerOptions& options);
    bool open(QString* error);
    bool appendStereo(const std::int16_t* stereo, std::size_t sample_frames);
    int receiveOutput(const std::uint8_t* data, int size);

    DvMuxerOptions options_;
    int stream_rate_hz_ = 48000;
    std::unique_ptr<State> state_;
    std::uint64_t frames_muxed_ = 0;
    std::uint64_t silence_inserted_ = 0;
    // Late sound still to be dropped because silence already stood in for it.
    std::uint64_t late_to_drop_ = 0;
};

} // namespace platform
