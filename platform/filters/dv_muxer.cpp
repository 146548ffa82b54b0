#include "platform/filters/dv_muxer.h"

#include "platform/editing/ffmpeg_ptr.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

constexpr int kStreamChannels = 2;

// The write callback of an output I/O context takes const data from FFmpeg 7 on.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
using AvioWriteData = const std::uint8_t*;
#else
using AvioWriteData = std::uint8_t*;
#endif
constexpr std::size_t kBytesPerSampleFrame = kStreamChannels * sizeof(std::int16_t);

struct OutputContextDeleter {
    void operator()(AVFormatContext* context) const {
        if (context->pb != nullptr) {
            av_freep(&context->pb->buffer);
            avio_context_free(&context->pb);
        }
        avformat_free_context(context);
    }
};

// The recording date goes into the stream as the local wall-clock time, which is what a
// camcorder shows.
std::string creationTimeText(const QDateTime& recording_time) {
    const QDateTime local =
        recording_time.isValid() ? recording_time.toLocalTime() : QDateTime::currentDateTime();
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toStdString() + "Z";
}

} // namespace

struct DvMuxer::State {
    std::unique_ptr<AVFormatContext, OutputContextDeleter> output;
    AVStream* video_stream = nullptr;
    AVStream* audio_stream = nullptr;
    ffmpeg::SwrContextPtr resampler;
    ffmpeg::PacketPtr packet;
    // Stereo samples at the stream rate waiting for their frame; read from `fifo_read`.
    std::vector<std::int16_t> fifo;
    std::size_t fifo_read = 0;
    std::vector<std::int16_t> stereo_scratch;
    std::vector<std::int16_t> resampled_scratch;
    std::int64_t audio_pts = 0;
    // Where the frame being assembled goes.
    std::span<std::uint8_t> target;
    std::size_t target_filled = 0;
    bool target_overflow = false;
};

DvMuxer::DvMuxer(const DvMuxerOptions& options)
    : options_(options), state_(std::make_unique<State>()) {}

DvMuxer::~DvMuxer() = default;

std::unique_ptr<DvMuxer> DvMuxer::create(const DvMuxerOptions& options, QString* error) {
    if (options.audio) {
        const DvAudioFormat& audio = *options.audio;
        if (audio.channels != 1 && audio.channels != 2) {
            *error =
                QStringLiteral("DV sound has one or two channels, not %1.").arg(audio.channels);
            return nullptr;
        }
        if (!dvCarriesSampleRate(DvStandard::Pal, audio.sample_rate_hz)) {
            *error = QStringLiteral("DV sound is 32000, 44100 or 48000 Hz, not %1 Hz.")
                         .arg(audio.sample_rate_hz);
            return nullptr;
        }
    }
    std::unique_ptr<DvMuxer> muxer(new DvMuxer(options));
    if (!muxer->open(error)) {
        return nullptr;
    }
    return muxer;
}

bool DvMuxer::convertsSampleRate() const {
    return options_.audio && options_.audio->sample_rate_hz != stream_rate_hz_;
}

QString DvMuxer::audioNote() const {
    if (!options_.audio) {
        return QStringLiteral("No sound is connected: the DV stream carries silence.");
    }
    QString note;
    if (convertsSampleRate()) {
        note = QStringLiteral("NTSC DV carries 48000 Hz sound: the %1 Hz sound is converted to "
                              "48000 Hz.")
                   .arg(options_.audio->sample_rate_hz);
    }
    if (options_.audio->channels == 1) {
        if (!note.isEmpty()) {
            note += QLatin1Char(' ');
        }
        note += QStringLiteral("The mono sound goes out on both channels.");
    }
    return note;
}

bool DvMuxer::open(QString* error) {
    State& state = *state_;
    const DvStandard standard = options_.standard;
    const int input_rate = options_.audio ? options_.audio->sample_rate_hz : 48000;
    stream_rate_hz_ = dvCarriesSampleRate(standard, input_rate) ? input_rate : 48000;

    AVFormatContext* raw_output = nullptr;
    int result = avformat_alloc_output_context2(&raw_output, nullptr, "dv", nullptr);
    if (result < 0 || raw_output == nullptr) {
        *error = QStringLiteral("The DV multiplexer is not available: %1")
                     .arg(ffmpeg::errorText(result));
        return false;
    }
    state.output.reset(raw_output);
    AVFormatContext* const output = raw_output;

    state.video_stream = avformat_new_stream(output, nullptr);
    state.audio_stream = avformat_new_stream(output, nullptr);
    state.packet.reset(av_packet_alloc());
    if (state.video_stream == nullptr || state.audio_stream == nullptr || !state.packet) {
        *error = QStringLiteral("Out of memory for the DV multiplexer.");
        return false;
    }
    const DvFrameRate rate = dvFrameRate(standard);
    AVCodecParameters* const video = state.video_stream->codecpar;
    video->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codec_id = AV_CODEC_ID_DVVIDEO;
    video->width = kDvWidth;
    video->height = dvHeight(standard);
    video->format = standard == DvStandard::Pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    state.video_stream->time_base = AVRational{rate.denominator, rate.numerator};

    AVCodecParameters* const audio = state.audio_stream->codecpar;
    audio->codec_type = AVMEDIA_TYPE_AUDIO;
    audio->codec_id = AV_CODEC_ID_PCM_S16LE;
    audio->sample_rate = stream_rate_hz_;
    av_channel_layout_uninit(&audio->ch_layout);
    av_channel_layout_default(&audio->ch_layout, kStreamChannels);
    state.audio_stream->time_base = AVRational{1, stream_rate_hz_};

    const std::string creation_time = creationTimeText(options_.recording_time);
    result = av_dict_set(&output->metadata, "creation_time", creation_time.c_str(), 0);
    if (result >= 0 && !options_.start_timecode.isEmpty()) {
        result = av_dict_set(&output->metadata, "timecode",
                             options_.start_timecode.toUtf8().constData(), 0);
    }
    if (result < 0) {
        *error =
            QStringLiteral("Cannot set the DV recording date: %1").arg(ffmpeg::errorText(result));
        return false;
    }

    const std::size_t frame_bytes = dvFrameBytes(standard);
    auto* const buffer = static_cast<std::uint8_t*>(av_malloc(frame_bytes));
    if (buffer == nullptr) {
        *error = QStringLiteral("Out of memory for the DV multiplexer.");
        return false;
    }
    output->pb = avio_alloc_context(
        buffer, static_cast<int>(frame_bytes), 1, this, nullptr,
        [](void* opaque, AvioWriteData data, int size) {
            return static_cast<DvMuxer*>(opaque)->receiveOutput(data, size);
        },
        nullptr);
    if (output->pb == nullptr) {
        av_free(buffer);
        *error = QStringLiteral("Out of memory for the DV multiplexer.");
        return false;
    }
    output->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
    result = avformat_write_header(output, nullptr);
    if (result < 0) {
        *error = QStringLiteral("The DV multiplexer refused the stream: %1")
                     .arg(ffmpeg::errorText(result));
        return false;
    }

    if (options_.audio && options_.audio->sample_rate_hz != stream_rate_hz_) {
        AVChannelLayout stereo = {};
        av_channel_layout_default(&stereo, kStreamChannels);
        SwrContext* raw_resampler = nullptr;
        result = swr_alloc_set_opts2(&raw_resampler, &stereo, AV_SAMPLE_FMT_S16, stream_rate_hz_,
                                     &stereo, AV_SAMPLE_FMT_S16, options_.audio->sample_rate_hz, 0,
                                     nullptr);
        state.resampler.reset(raw_resampler);
        if (result >= 0) {
            result = swr_init(raw_resampler);
        }
        if (result < 0) {
            *error = QStringLiteral("Cannot convert the sound to 48000 Hz: %1")
                         .arg(ffmpeg::errorText(result));
            return false;
        }
    }
    return true;
}

int DvMuxer::receiveOutput(const std::uint8_t* data, int size) {
    State& state = *state_;
    if (size <= 0) {
        return 0;
    }
    const auto bytes = static_cast<std::size_t>(size);
    if (state.target_filled + bytes > state.target.size()) {
        state.target_overflow = true;
        return AVERROR(ENOSPC);
    }
    std::memcpy(state.target.data() + state.target_filled, data, bytes);
    state.target_filled += bytes;
    return size;
}

bool DvMuxer::appendStereo(const std::int16_t* stereo, std::size_t sample_frames) {
    State& state = *state_;
    // Sound that arrives after silence stood in for it is dropped to keep picture and sound
    // in step.
    const std::size_t dropped =
        static_cast<std::size_t>(std::min<std::uint64_t>(late_to_drop_, sample_frames));
    late_to_drop_ -= dropped;
    stereo += dropped * kStreamChannels;
    sample_frames -= dropped;
    if (state.fifo_read > 0 && state.fifo_read * 2 >= state.fifo.size()) {
        state.fifo.erase(state.fifo.begin(),
                         state.fifo.begin() + static_cast<std::ptrdiff_t>(state.fifo_read));
        state.fifo_read = 0;
    }
    const std::size_t start = state.fifo.size();
    state.fifo.insert(state.fifo.end(), stereo, stereo + sample_frames * kStreamChannels);
    // DV reserves 0x8000 as the error code of a sample: full negative scale becomes -32767.
    std::replace(state.fifo.begin() + static_cast<std::ptrdiff_t>(start), state.fifo.end(),
                 std::int16_t{-32768}, std::int16_t{-32767});
    return true;
}

bool DvMuxer::pushAudio(const std::int16_t* samples, std::size_t sample_frames, QString* error) {
    if (!options_.audio) {
        *error = QStringLiteral("No sound is connected to the DV multiplexer.");
        return false;
    }
    if (sample_frames == 0) {
        return true;
    }
    State& state = *state_;
    const std::int16_t* stereo = samples;
    if (options_.audio->channels == 1) {
        // Mono goes out as two equal channels.
        state.stereo_scratch.resize(sample_frames * kStreamChannels);
        for (std::size_t i = 0; i < sample_frames; ++i) {
            state.stereo_scratch[2 * i] = samples[i];
            state.stereo_scratch[2 * i + 1] = samples[i];
        }
        stereo = state.stereo_scratch.data();
    }
    if (!state.resampler) {
        return appendStereo(stereo, sample_frames);
    }
    const int input_frames = static_cast<int>(sample_frames);
    const int capacity = swr_get_out_samples(state.resampler.get(), input_frames);
    if (capacity < 0) {
        *error = QStringLiteral("Sound conversion failed: %1").arg(ffmpeg::errorText(capacity));
        return false;
    }
    state.resampled_scratch.resize(static_cast<std::size_t>(capacity) * kStreamChannels);
    auto* out = reinterpret_cast<std::uint8_t*>(state.resampled_scratch.data());
    const auto* in = reinterpret_cast<const std::uint8_t*>(stereo);
    const int converted = swr_convert(state.resampler.get(), &out, capacity, &in, input_frames);
    if (converted < 0) {
        *error = QStringLiteral("Sound conversion failed: %1").arg(ffmpeg::errorText(converted));
        return false;
    }
    return appendStereo(state.resampled_scratch.data(), static_cast<std::size_t>(converted));
}

int DvMuxer::samplesForNextFrame() const {
    return dvSamplesInFrame(options_.standard, stream_rate_hz_,
                            static_cast<std::int64_t>(frames_muxed_));
}

std::size_t DvMuxer::bufferedSampleFrames() const {
    return (state_->fifo.size() - state_->fifo_read) / kStreamChannels;
}

bool DvMuxer::muxFrame(std::span<const std::uint8_t> video, std::span<std::uint8_t> out,
                       QString* error) {
    State& state = *state_;
    const std::size_t frame_bytes = dvFrameBytes(options_.standard);
    if (video.size() != frame_bytes || out.size() < frame_bytes) {
        *error = QStringLiteral("A DV frame of %1 bytes was expected, not %2.")
                     .arg(frame_bytes)
                     .arg(video.size());
        return false;
    }
    if (dvStandardOfFrame(video.data()) != options_.standard) {
        *error = QStringLiteral("The DV video frame is not of the multiplexer's standard.");
        return false;
    }
    const auto needed = static_cast<std::size_t>(samplesForNextFrame());
    const std::size_t available = bufferedSampleFrames();
    if (available < needed) {
        const std::size_t missing = needed - available;
        state.fifo.insert(state.fifo.end(), missing * kStreamChannels, 0);
        if (options_.audio) {
            silence_inserted_ += missing;
            late_to_drop_ += missing;
        }
    }

    AVPacket* const packet = state.packet.get();
    av_packet_unref(packet);
    packet->data = reinterpret_cast<std::uint8_t*>(state.fifo.data() + state.fifo_read);
    packet->size = static_cast<int>(needed * kBytesPerSampleFrame);
    packet->stream_index = state.audio_stream->index;
    packet->pts = av_rescale_q(state.audio_pts, AVRational{1, stream_rate_hz_},
                               state.audio_stream->time_base);
    packet->dts = packet->pts;
    packet->duration = av_rescale_q(static_cast<std::int64_t>(needed),
                                    AVRational{1, stream_rate_hz_}, state.audio_stream->time_base);
    int result = av_write_frame(state.output.get(), packet);
    av_packet_unref(packet);
    if (result < 0) {
        *error = QStringLiteral("The DV multiplexer refused the sound: %1")
                     .arg(ffmpeg::errorText(result));
        return false;
    }
    state.audio_pts += static_cast<std::int64_t>(needed);
    state.fifo_read += needed * kStreamChannels;

    const DvFrameRate rate = dvFrameRate(options_.standard);
    state.target = out.first(frame_bytes);
    state.target_filled = 0;
    state.target_overflow = false;
    packet->data = const_cast<std::uint8_t*>(video.data());
    packet->size = static_cast<int>(frame_bytes);
    packet->stream_index = state.video_stream->index;
    packet->pts =
        av_rescale_q(static_cast<std::int64_t>(frames_muxed_),
                     AVRational{rate.denominator, rate.numerator}, state.video_stream->time_base);
    packet->dts = packet->pts;
    packet->duration = av_rescale_q(1, AVRational{rate.denominator, rate.numerator},
                                    state.video_stream->time_base);
    result = av_write_frame(state.output.get(), packet);
    av_packet_unref(packet);
    if (result >= 0) {
        avio_flush(state.output->pb);
        result = state.output->pb->error;
    }
    state.target = {};
    if (result < 0 || state.target_overflow) {
        *error = QStringLiteral("The DV multiplexer failed: %1").arg(ffmpeg::errorText(result));
        return false;
    }
    if (state.target_filled != frame_bytes) {
        *error = QStringLiteral("The DV multiplexer gave %1 of %2 bytes.")
                     .arg(state.target_filled)
                     .arg(frame_bytes);
        return false;
    }
    ++frames_muxed_;
    return true;
}

} // namespace platform
