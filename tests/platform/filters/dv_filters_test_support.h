#pragma once

// Test filters around the DV encoder and multiplexer: a source of RGB24 bottom-up pictures
// (one test picture seed per frame), a PCM source handing out chunks of given samples, and a
// renderer collecting DV frames.
#include "platform/filters/dv_media_types.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/source_pin.h"
#include "platform/streaming/streaming_errors.h"
#include "tests/platform/filters/dv_test_support.h"

#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace dvfilterstest {

using namespace platform;

// The RGB24 bottom-up test picture of a seed, made once per test program (making one is slow).
inline const dvtest::TestPicture& testPicture(DvStandard standard, int seed) {
    static std::map<std::pair<DvStandard, int>, dvtest::TestPicture> pictures;
    const auto key = std::make_pair(standard, seed);
    auto found = pictures.find(key);
    if (found == pictures.end()) {
        found = pictures.emplace(key, dvtest::rgbPicture(standard, seed, true)).first;
    }
    return found->second;
}

class PictureSource final : public FilterBase {
public:
    PictureSource(DvStandard standard, std::vector<int> seeds)
        : FilterBase(QStringLiteral("Picture Source")), pin_(*this, standard, std::move(seeds)) {
        addPin(pin_);
    }

private:
    class Pin final : public SourceOutputPin {
    public:
        Pin(FilterBase& owner, DvStandard standard, std::vector<int> seeds)
            : SourceOutputPin(owner, QStringLiteral("Out")), standard_(standard),
              seeds_(std::move(seeds)),
              type_(makeDvEncoderInputType(standard, DvInputKind::Rgb24BottomUp)),
              allocator_(static_cast<long>(type_.lSampleSize)) {
            for (const int seed : seeds_) {
                pictures_.try_emplace(seed, &testPicture(standard, seed).planes[0]);
            }
            setDuration(static_cast<REFERENCE_TIME>(seeds_.size()) * frame());
        }
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {type_}; }

    protected:
        void onSeek(REFERENCE_TIME start, bool) override { next_ = start / frame(); }
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
            const REFERENCE_TIME media = next_ * frame();
            if (next_ >= static_cast<std::int64_t>(seeds_.size()) || media >= segmentStop()) {
                return S_FALSE;
            }
            auto out = allocator_.GetBuffer();
            const auto& bytes = *pictures_.at(seeds_[static_cast<std::size_t>(next_)]);
            std::memcpy(out->GetPointer(), bytes.data(), bytes.size());
            const REFERENCE_TIME start = media - segmentStart();
            const REFERENCE_TIME stop = start + frame();
            out->SetTime(&start, &stop);
            ++next_;
            *sample = std::move(out);
            return S_OK;
        }

    private:
        REFERENCE_TIME frame() const { return dvFrameDuration100ns(standard_); }

        DvStandard standard_;
        std::vector<int> seeds_;
        std::map<int, const std::vector<std::uint8_t>*> pictures_;
        AM_MEDIA_TYPE type_;
        SampleAllocator allocator_;
        std::int64_t next_ = 0;
    };
    Pin pin_;
};

inline AM_MEDIA_TYPE pcmType(int rate_hz, int channels) {
    WAVEFORMATEX wfx;
    wfx.wFormatTag = WAVE_FORMAT_PCM;
    wfx.nChannels = static_cast<std::uint16_t>(channels);
    wfx.nSamplesPerSec = static_cast<std::uint32_t>(rate_hz);
    wfx.wBitsPerSample = 16;
    wfx.nBlockAlign = static_cast<std::uint16_t>(channels * 2);
    wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = wfx.nBlockAlign;
    mt.setFormat(FORMAT_WaveFormatEx, wfx);
    return mt;
}

class PcmSource final : public FilterBase {
public:
    PcmSource(int rate_hz, int channels, std::vector<std::int16_t> samples,
              std::size_t chunk_frames)
        : FilterBase(QStringLiteral("PCM Source")),
          pin_(*this, rate_hz, channels, std::move(samples), chunk_frames) {
        addPin(pin_);
    }

private:
    class Pin final : public SourceOutputPin {
    public:
        Pin(FilterBase& owner, int rate_hz, int channels, std::vector<std::int16_t> samples,
            std::size_t chunk_frames)
            : SourceOutputPin(owner, QStringLiteral("Out")), rate_hz_(rate_hz),
              channels_(static_cast<std::size_t>(channels)), samples_(std::move(samples)),
              chunk_frames_(chunk_frames), type_(pcmType(rate_hz, channels)),
              allocator_(static_cast<long>(chunk_frames * channels_ * 2)) {
            setDuration(toTime(samples_.size() / channels_));
        }
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {type_}; }

    protected:
        void onSeek(REFERENCE_TIME start, bool) override {
            next_ = static_cast<std::size_t>(start * rate_hz_ / UNITS);
        }
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
            const std::size_t total = samples_.size() / channels_;
            if (next_ >= total || toTime(next_) >= segmentStop()) {
                return S_FALSE;
            }
            const std::size_t count = std::min(chunk_frames_, total - next_);
            auto out = allocator_.GetBuffer();
            std::memcpy(out->GetPointer(), samples_.data() + next_ * channels_,
                        count * channels_ * 2);
            out->SetActualDataLength(static_cast<long>(count * channels_ * 2));
            const REFERENCE_TIME start = toTime(next_) - segmentStart();
            const REFERENCE_TIME stop = toTime(next_ + count) - segmentStart();
            out->SetTime(&start, &stop);
            next_ += count;
            *sample = std::move(out);
            return S_OK;
        }

    private:
        REFERENCE_TIME toTime(std::size_t sample_frames) const {
            return static_cast<REFERENCE_TIME>(sample_frames) * UNITS / rate_hz_;
        }

        int rate_hz_;
        std::size_t channels_;
        std::vector<std::int16_t> samples_;
        std::size_t chunk_frames_;
        AM_MEDIA_TYPE type_;
        SampleAllocator allocator_;
        std::size_t next_ = 0;
    };
    Pin pin_;
};

class DvFrameCollector final : public RendererBase {
public:
    DvFrameCollector() : RendererBase(QStringLiteral("DV Collector")) {}

    std::vector<std::vector<std::uint8_t>> frames() const {
        const std::lock_guard lock(mutex_);
        return frames_;
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == MEDIASUBTYPE_dvsd ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample& sample) override {
        const std::lock_guard lock(mutex_);
        const std::uint8_t* data = sample.GetPointer();
        frames_.emplace_back(data, data + sample.GetActualDataLength());
        return S_OK;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> frames_;
};

} // namespace dvfilterstest
