#include "tests/platform/filters/devices_test_support.h"

#include "platform/filters/dv_muxer.h"
#include "platform/streaming/media_sample.h"
#include "platform/streaming/media_type.h"
#include "platform/streaming/streaming_errors.h"
#include "tests/platform/filters/dv_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace devicestest {

using namespace platform;

Frames makeDvFrames(DvStandard standard, int count, std::vector<std::int16_t>* pcm) {
    QString error;
    DvMuxerOptions options;
    options.standard = standard;
    options.audio = DvAudioFormat{48000, 2};
    auto muxer = DvMuxer::create(options, &error);
    EXPECT_NE(muxer, nullptr) << error.toStdString();
    Frames frames;
    if (!muxer) {
        return frames;
    }
    for (int i = 0; i < count; ++i) {
        const auto samples = static_cast<std::size_t>(muxer->samplesForNextFrame());
        const auto tone = dvtest::tone(1000.0, 48000, 2, samples);
        EXPECT_TRUE(muxer->pushAudio(tone.data(), samples, &error)) << error.toStdString();
        if (pcm != nullptr) {
            pcm->insert(pcm->end(), tone.begin(), tone.end());
        }
        const auto video = dvtest::encodeFrame(standard, i * 7);
        std::vector<std::uint8_t> frame(dvFrameBytes(standard));
        EXPECT_TRUE(muxer->muxFrame(video, frame, &error)) << error.toStdString();
        frames.push_back(std::move(frame));
    }
    return frames;
}

AM_MEDIA_TYPE dvFrameType(DvStandard standard) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Interleaved;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.formattype = FORMAT_None;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = static_cast<std::uint32_t>(dvFrameBytes(standard));
    return mt;
}

AM_MEDIA_TYPE pcmType(int sample_rate_hz, int channels) {
    WAVEFORMATEX wave;
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<std::uint16_t>(channels);
    wave.nSamplesPerSec = static_cast<std::uint32_t>(sample_rate_hz);
    wave.wBitsPerSample = 16;
    wave.nBlockAlign = static_cast<std::uint16_t>(channels * 2);
    wave.nAvgBytesPerSec = wave.nSamplesPerSec * wave.nBlockAlign;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.setFormat(FORMAT_WaveFormatEx, wave);
    return mt;
}

class BufferSource::Pin final : public SourceOutputPin {
public:
    Pin(FilterBase& owner, AM_MEDIA_TYPE type, Frames buffers, REFERENCE_TIME duration_each,
        bool loop)
        : SourceOutputPin(owner, QStringLiteral("Out")), type_(std::move(type)),
          buffers_(std::move(buffers)), duration_each_(duration_each), loop_(loop) {
        constexpr REFERENCE_TIME kEndless = REFERENCE_TIME{1} << 60;
        setDuration(loop_ ? kEndless
                          : static_cast<REFERENCE_TIME>(buffers_.size()) * duration_each_);
    }
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.majortype == type_.majortype && mt.subtype == type_.subtype
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }
    std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {type_}; }

protected:
    void onSeek(REFERENCE_TIME start, bool) override {
        next_ = static_cast<std::size_t>(start / duration_each_);
    }
    HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
        const auto media = static_cast<REFERENCE_TIME>(next_) * duration_each_;
        if ((!loop_ && next_ >= buffers_.size()) || media >= segmentStop() || buffers_.empty()) {
            return S_FALSE;
        }
        const auto& data = buffers_[next_ % buffers_.size()];
        auto out = allocator_.GetBuffer();
        std::memcpy(out->GetPointer(), data.data(), data.size());
        out->SetActualDataLength(static_cast<long>(data.size()));
        const REFERENCE_TIME start = media - segmentStart();
        const REFERENCE_TIME stop = start + duration_each_;
        out->SetTime(&start, &stop);
        out->SetSyncPoint(true);
        ++next_;
        *sample = std::move(out);
        return S_OK;
    }

private:
    static long largest(const Frames& buffers) {
        std::size_t size = 1;
        for (const auto& b : buffers) {
            size = std::max(size, b.size());
        }
        return static_cast<long>(size);
    }

    AM_MEDIA_TYPE type_;
    Frames buffers_;
    REFERENCE_TIME duration_each_;
    bool loop_;
    std::size_t next_ = 0;
    SampleAllocator allocator_{largest(buffers_)};
};

BufferSource::BufferSource(const AM_MEDIA_TYPE& type, Frames buffers, REFERENCE_TIME duration_each,
                           bool loop)
    : FilterBase(QStringLiteral("Buffer Source")),
      pin_(std::make_unique<Pin>(*this, type, std::move(buffers), duration_each, loop)) {
    addPin(*pin_);
}

BufferSource::~BufferSource() = default;

SourceOutputPin& BufferSource::pin() {
    return *pin_;
}

} // namespace devicestest
