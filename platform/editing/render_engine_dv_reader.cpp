#include "platform/editing/render_engine_dv_reader.h"

#include <cstring>

namespace platform {

namespace {

constexpr std::size_t kPalFrameBytes = 144000;
constexpr std::size_t kNtscFrameBytes = 120000;

} // namespace

DvFrameReader::DvFrameReader(const QString& path, bool ntsc)
    : ntsc_(ntsc), frameBytes_(ntsc ? kNtscFrameBytes : kPalFrameBytes),
      packet_(av_packet_alloc()) {
    if (!packet_) {
        return;
    }
    AVFormatContext* context = nullptr;
    if (avformat_open_input(&context, path.toUtf8().constData(), nullptr, nullptr) < 0) {
        return;
    }
    input_.reset(context);
    if (avformat_find_stream_info(input_.get(), nullptr) < 0) {
        return;
    }
    stream_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream_ < 0) {
        return;
    }
    const AVStream* stream = input_->streams[stream_];
    if (stream->codecpar->codec_id != AV_CODEC_ID_DVVIDEO) {
        return;
    }
    timeBase_ = stream->time_base;
    frameRate_ = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    const AVRational wanted = ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
    if (av_cmp_q(frameRate_, wanted) != 0) {
        return;
    }
    // The first frame tells the standard and the kind of DV.
    std::vector<std::uint8_t> first;
    std::int64_t index = 0;
    usable_ = true;
    if (!readPacket(first, &index)) {
        usable_ = false;
        return;
    }
    nextIndex_ = index + 1;
}

bool DvFrameReader::isWantedFrame(const AVPacket& packet) const {
    if (packet.size < 0 || static_cast<std::size_t>(packet.size) != frameBytes_) {
        return false;
    }
    // Header DIF block: DSF bit (byte 3, bit 7) is 1 for 625/50, 0 for 525/60; the application
    // ID APT (byte 4, low 3 bits) is 0 for consumer DV25 (other values: DVCPRO and the like).
    const bool pal = (packet.data[3] & 0x80) != 0;
    const int apt = packet.data[4] & 0x07;
    return pal == !ntsc_ && apt == 0;
}

bool DvFrameReader::readPacket(std::vector<std::uint8_t>& frame, std::int64_t* index) {
    for (;;) {
        const int result = av_read_frame(input_.get(), packet_.get());
        if (result < 0) {
            return false;
        }
        if (packet_->stream_index != stream_) {
            av_packet_unref(packet_.get());
            continue;
        }
        const bool wanted = isWantedFrame(*packet_);
        if (wanted) {
            frame.assign(packet_->data, packet_->data + packet_->size);
            const std::int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
            *index = pts == AV_NOPTS_VALUE ? nextIndex_
                                           : av_rescale_q(pts, timeBase_, av_inv_q(frameRate_));
        }
        av_packet_unref(packet_.get());
        if (!wanted) {
            usable_ = false;
        }
        return wanted;
    }
}

bool DvFrameReader::read(REFERENCE_TIME mediaTime, std::vector<std::uint8_t>& frame) {
    if (!usable_) {
        return false;
    }
    const std::int64_t wanted =
        av_rescale_q_rnd(mediaTime, AVRational{1, 10'000'000}, av_inv_q(frameRate_),
                         static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
    if (wanted != nextIndex_) {
        const std::int64_t target = av_rescale_q(wanted, av_inv_q(frameRate_), timeBase_);
        if (av_seek_frame(input_.get(), stream_, target, AVSEEK_FLAG_BACKWARD) < 0) {
            usable_ = false;
            return false;
        }
        nextIndex_ = -1;
    }
    for (;;) {
        std::int64_t index = 0;
        if (!readPacket(frame, &index)) {
            usable_ = false;
            return false;
        }
        nextIndex_ = index + 1;
        if (index >= wanted) {
            return index == wanted;
        }
    }
}

} // namespace platform
