#include "platform/editing/media_det.h"

#include "platform/editing/ffmpeg_ptr.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace platform {
namespace {

// MPEG-2 video has no FOURCC of its own; the platform names it by this GUID.
constexpr GUID MEDIASUBTYPE_MPEG2_VIDEO{
    0xE06D8026, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t kDvFrameBytesPal = 144000;
constexpr std::uint32_t kDvFrameBytesNtsc = 120000;

struct DetectedStream {
    GUID majorType;
    AM_MEDIA_TYPE mediaType;
    double length_s = 0.0;
    double framesPerSecond = 0.0;
};

bool isStillPictureDemuxer(const AVFormatContext& context) {
    const QByteArray name = context.iformat ? QByteArray(context.iformat->name) : QByteArray();
    return name == "image2" || name.endsWith("_pipe");
}

// An animated GIF is a clip; a GIF of one frame is a picture.
bool isSingleFrameGif(const AVFormatContext& context, const AVStream& stream) {
    if (!context.iformat || std::strcmp(context.iformat->name, "gif") != 0) {
        return false;
    }
    return stream.nb_frames <= 1 &&
           (stream.duration == AV_NOPTS_VALUE ||
            av_q2d(stream.time_base) * static_cast<double>(stream.duration) < 0.1);
}

double framesPerSecondOf(const AVStream& stream) {
    if (stream.avg_frame_rate.num > 0 && stream.avg_frame_rate.den > 0) {
        return av_q2d(stream.avg_frame_rate);
    }
    if (stream.r_frame_rate.num > 0 && stream.r_frame_rate.den > 0) {
        return av_q2d(stream.r_frame_rate);
    }
    return 0.0;
}

// Length of a stream whose container states none: the end of its last packet.
double scanStreamLength(AVFormatContext& context, int streamIndex) {
    const AVStream& stream = *context.streams[streamIndex];
    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet || av_seek_frame(&context, streamIndex, 0, AVSEEK_FLAG_BACKWARD) < 0) {
        // Reading on from where stream analysis stopped would miss the start: give up.
        return 0.0;
    }
    std::int64_t first = AV_NOPTS_VALUE;
    std::int64_t end = AV_NOPTS_VALUE;
    while (av_read_frame(&context, packet.get()) >= 0) {
        if (packet->stream_index == streamIndex) {
            const std::int64_t ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (ts != AV_NOPTS_VALUE) {
                if (first == AV_NOPTS_VALUE || ts < first) {
                    first = ts;
                }
                const std::int64_t packetEnd = ts + std::max<std::int64_t>(packet->duration, 0);
                if (end == AV_NOPTS_VALUE || packetEnd > end) {
                    end = packetEnd;
                }
            }
        }
        av_packet_unref(packet.get());
    }
    if (first == AV_NOPTS_VALUE || end == AV_NOPTS_VALUE) {
        return 0.0;
    }
    return av_q2d(stream.time_base) * static_cast<double>(end - first);
}

double streamLength(AVFormatContext& context, int streamIndex) {
    const AVStream& stream = *context.streams[streamIndex];
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        return av_q2d(stream.time_base) * static_cast<double>(stream.duration);
    }
    if (context.duration != AV_NOPTS_VALUE && context.duration > 0) {
        return static_cast<double>(context.duration) / AV_TIME_BASE;
    }
    return scanStreamLength(context, streamIndex);
}

std::uint32_t riffTag(const AVCodecParameters& codec, const AVCodecTag* const* table) {
    unsigned int tag = 0;
    if (av_codec_get_tag2(table, codec.codec_id, &tag) != 0) {
        return tag;
    }
    return 0;
}

AM_MEDIA_TYPE videoMediaType(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    const AVCodecTag* const videoTags[] = {avformat_get_riff_video_tags(), nullptr};

    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    VIDEOINFOHEADER vih;
    vih.bmiHeader.biWidth = codec.width;
    vih.bmiHeader.biHeight = codec.height;
    vih.bmiHeader.biBitCount = static_cast<std::uint16_t>(
        codec.bits_per_coded_sample > 0 ? codec.bits_per_coded_sample : 24);
    vih.dwBitRate = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(codec.bit_rate, 0, std::numeric_limits<std::uint32_t>::max()));
    const double fps = framesPerSecondOf(stream);
    if (fps > 0) {
        vih.AvgTimePerFrame = static_cast<REFERENCE_TIME>(std::llround(UNITS / fps));
    }

    if (codec.codec_id == AV_CODEC_ID_RAWVIDEO || codec.codec_id == AV_CODEC_ID_BMP) {
        mt.subtype = MEDIASUBTYPE_RGB24;
        vih.bmiHeader.biCompression = BI_RGB;
        vih.bmiHeader.biBitCount = 24;
    } else if (codec.codec_id == AV_CODEC_ID_MPEG2VIDEO) {
        mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
    } else if (codec.codec_id == AV_CODEC_ID_DVVIDEO) {
        mt.subtype = MEDIASUBTYPE_dvsd;
        vih.bmiHeader.biCompression = makeFourcc('d', 'v', 's', 'd');
    } else {
        const std::uint32_t fourcc =
            codec.codec_tag != 0 ? codec.codec_tag : riffTag(codec, videoTags);
        mt.subtype = fourccGuid(fourcc);
        vih.bmiHeader.biCompression = fourcc;
    }
    if (codec.codec_id == AV_CODEC_ID_DVVIDEO) {
        vih.bmiHeader.biSizeImage = codec.height >= 576 ? kDvFrameBytesPal : kDvFrameBytesNtsc;
    } else {
        // In 64 bits: a large photo's bit count overflows 32 (9600 x 9600 x 24 bits).
        const std::int64_t bits = std::int64_t{std::max(codec.width, 0)} *
                                  std::max(codec.height, 0) * vih.bmiHeader.biBitCount;
        vih.bmiHeader.biSizeImage = static_cast<std::uint32_t>(
            std::min<std::int64_t>(bits / 8, std::numeric_limits<std::uint32_t>::max()));
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.codec_id);
    mt.bTemporalCompression = !(descriptor && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY));
    mt.bFixedSizeSamples =
        codec.codec_id == AV_CODEC_ID_DVVIDEO || mt.subtype == MEDIASUBTYPE_RGB24;
    mt.lSampleSize = mt.bFixedSizeSamples ? vih.bmiHeader.biSizeImage : 0;
    mt.setFormat(FORMAT_VideoInfo, vih);
    return mt;
}

AM_MEDIA_TYPE audioMediaType(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    const AVCodecTag* const audioTags[] = {avformat_get_riff_audio_tags(), nullptr};

    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Audio;
    WAVEFORMATEX wfx;
    const std::uint32_t tag = riffTag(codec, audioTags);
    wfx.wFormatTag = static_cast<std::uint16_t>(tag);
    mt.subtype = fourccGuid(tag);
    wfx.nChannels = static_cast<std::uint16_t>(codec.ch_layout.nb_channels);
    wfx.nSamplesPerSec = static_cast<std::uint32_t>(codec.sample_rate);
    wfx.wBitsPerSample = static_cast<std::uint16_t>(
        codec.bits_per_coded_sample > 0 ? codec.bits_per_coded_sample : 16);
    if (tag == WAVE_FORMAT_PCM) {
        wfx.nBlockAlign = static_cast<std::uint16_t>(wfx.nChannels * wfx.wBitsPerSample / 8);
        wfx.nAvgBytesPerSec = wfx.nBlockAlign * wfx.nSamplesPerSec;
        mt.bFixedSizeSamples = true;
        mt.lSampleSize = wfx.nBlockAlign;
    } else {
        wfx.nBlockAlign = static_cast<std::uint16_t>(codec.block_align);
        wfx.nAvgBytesPerSec = static_cast<std::uint32_t>(codec.bit_rate / 8);
    }
    mt.setFormat(FORMAT_WaveFormatEx, wfx);
    return mt;
}

// A stream counts when its codec is known, a decoder exists and its basic parameters were found.
bool isUsable(const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    if (codec.codec_id == AV_CODEC_ID_NONE || avcodec_find_decoder(codec.codec_id) == nullptr) {
        return false;
    }
    if (codec.codec_type == AVMEDIA_TYPE_VIDEO) {
        return (stream.disposition & AV_DISPOSITION_ATTACHED_PIC) == 0 && codec.width > 0 &&
               codec.height > 0;
    }
    if (codec.codec_type == AVMEDIA_TYPE_AUDIO) {
        return codec.sample_rate > 0 && codec.ch_layout.nb_channels > 0;
    }
    return false;
}

class FfmpegMediaDet final : public IMediaDet {
public:
    HRESULT put_Filename(const QString& fileName) override {
        fileName_ = fileName;
        streams_.clear();
        current_ = 0;
        return detect(fileName);
    }
    HRESULT get_Filename(QString* fileName) override {
        if (!fileName) {
            return E_POINTER;
        }
        *fileName = fileName_;
        return S_OK;
    }
    HRESULT get_OutputStreams(long* count) override {
        if (!count) {
            return E_POINTER;
        }
        *count = static_cast<long>(streams_.size());
        return S_OK;
    }
    HRESULT put_CurrentStream(long index) override {
        if (index < 0 || index >= static_cast<long>(streams_.size())) {
            return E_INVALIDARG;
        }
        current_ = index;
        return S_OK;
    }
    HRESULT get_CurrentStream(long* index) override {
        if (!index) {
            return E_POINTER;
        }
        *index = current_;
        return S_OK;
    }
    HRESULT get_StreamLength(double* seconds) override {
        if (!seconds) {
            return E_POINTER;
        }
        const DetectedStream* stream = currentStream();
        if (!stream) {
            return E_INVALIDARG;
        }
        *seconds = stream->length_s;
        return S_OK;
    }
    HRESULT get_StreamType(GUID* majorType) override {
        if (!majorType) {
            return E_POINTER;
        }
        const DetectedStream* stream = currentStream();
        if (!stream) {
            return E_INVALIDARG;
        }
        *majorType = stream->majorType;
        return S_OK;
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* mediaType) override {
        if (!mediaType) {
            return E_POINTER;
        }
        const DetectedStream* stream = currentStream();
        if (!stream) {
            return E_INVALIDARG;
        }
        *mediaType = stream->mediaType;
        return S_OK;
    }
    HRESULT get_FrameRate(double* framesPerSecond) override {
        if (!framesPerSecond) {
            return E_POINTER;
        }
        const DetectedStream* stream = currentStream();
        if (!stream) {
            return E_INVALIDARG;
        }
        *framesPerSecond = stream->framesPerSecond;
        return S_OK;
    }

private:
    const DetectedStream* currentStream() const {
        if (current_ < 0 || current_ >= static_cast<long>(streams_.size())) {
            return nullptr;
        }
        return &streams_[static_cast<std::size_t>(current_)];
    }

    HRESULT detect(const QString& fileName) {
        const QFileInfo info(fileName);
        if (fileName.isEmpty() || !info.isFile()) {
            return STG_E_FILENOTFOUND;
        }
        // Open through the file protocol only, and never as an image-name pattern, so that a
        // name containing "%" or ":" is taken literally and nothing but the file is read.
        const QByteArray url = "file:" + QFile::encodeName(info.absoluteFilePath());
        ffmpeg::Dictionary options;
        if (options.set("pattern_type", "none") < 0 ||
            options.set("protocol_whitelist", "file") < 0) {
            return E_OUTOFMEMORY;
        }
        AVFormatContext* raw = nullptr;
        if (avformat_open_input(&raw, url.constData(), nullptr, options.address()) < 0) {
            return VFW_E_UNKNOWN_FILE_TYPE;
        }
        ffmpeg::InputFormatPtr context(raw);
        if (avformat_find_stream_info(context.get(), nullptr) < 0) {
            return VFW_E_UNKNOWN_FILE_TYPE;
        }

        std::vector<int> usable;
        for (unsigned i = 0; i < context->nb_streams; ++i) {
            if (isUsable(*context->streams[i])) {
                usable.push_back(static_cast<int>(i));
            }
        }
        const bool stillDemuxer = isStillPictureDemuxer(*context);
        for (const int index : usable) {
            const AVStream& stream = *context->streams[index];
            DetectedStream detected;
            if (stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
                detected.majorType = MEDIATYPE_Video;
                detected.mediaType = videoMediaType(stream);
                const bool still =
                    usable.size() == 1 && (stillDemuxer || isSingleFrameGif(*context, stream));
                detected.length_s = still ? 0.0 : streamLength(*context, index);
                detected.framesPerSecond = still ? 0.0 : framesPerSecondOf(stream);
            } else {
                detected.majorType = MEDIATYPE_Audio;
                detected.mediaType = audioMediaType(stream);
                detected.length_s = streamLength(*context, index);
            }
            streams_.push_back(std::move(detected));
        }
        return streams_.empty() ? VFW_E_UNKNOWN_FILE_TYPE : S_OK;
    }

    QString fileName_;
    std::vector<DetectedStream> streams_;
    long current_ = 0;
};

} // namespace

std::shared_ptr<IMediaDet> CreateMediaDet() {
    return std::make_shared<FfmpegMediaDet>();
}

} // namespace platform
