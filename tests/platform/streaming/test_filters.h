#pragma once

// Small filters for graph tests: a source of numbered samples, a transform that adds to the
// numbers, a recording renderer that can fail, and a converter between two test subtypes.
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/source_pin.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/streaming/transform_filter.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace streamingtest {

using namespace platform;

inline constexpr REFERENCE_TIME kFrame = UNITS / 25;
inline constexpr GUID kSubtypeA{0x11111111, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr GUID kSubtypeB{0x22222222, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

inline AM_MEDIA_TYPE numberType(const GUID& subtype) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.formattype = FORMAT_None;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = sizeof(std::int32_t);
    return mt;
}

inline std::int32_t numberOf(const IMediaSample& sample) {
    std::int32_t n = 0;
    std::memcpy(&n, sample.GetPointer(), sizeof n);
    return n;
}

// Produces `count` samples numbered from the seek position (frame index), one frame each.
// With a gate, each sample waits for a token that the test hands out (or for a flush).
class NumberSource final : public FilterBase {
public:
    NumberSource(int count, GUID subtype = kSubtypeA)
        : FilterBase(QStringLiteral("Number Source")), pin_(*this, subtype) {
        pin_.setDuration(count * kFrame);
        addPin(pin_);
    }
    SourceOutputPin& pin() { return pin_; }
    void closeGate() {
        const std::lock_guard lock(pin_.gateMutex);
        pin_.gated = true;
    }
    void openGate(int tokens) {
        {
            const std::lock_guard lock(pin_.gateMutex);
            pin_.tokens += tokens;
        }
        pin_.gateChanged.notify_all();
    }
    bool waitUntilBlocked() {
        std::unique_lock lock(pin_.gateMutex);
        return pin_.gateChanged.wait_for(lock, std::chrono::seconds(10),
                                         [this] { return pin_.waiting; });
    }

private:
    class Pin final : public SourceOutputPin {
    public:
        Pin(FilterBase& owner, GUID subtype)
            : SourceOutputPin(owner, QStringLiteral("Out")), subtype_(subtype) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt.majortype == MEDIATYPE_Video && mt.subtype == subtype_
                       ? S_OK
                       : VFW_E_TYPE_NOT_ACCEPTED;
        }
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {numberType(subtype_)}; }

        std::mutex gateMutex;
        std::condition_variable gateChanged;
        bool gated = false;
        bool waiting = false;
        int tokens = 0;

    protected:
        void onSeek(REFERENCE_TIME start, bool) override { next_ = start / kFrame; }
        void onBeginFlush() override {
            // Taking the lock orders the flush flag before a producer's wait.
            { const std::lock_guard lock(gateMutex); }
            gateChanged.notify_all();
        }
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
            {
                std::unique_lock lock(gateMutex);
                if (gated) {
                    waiting = true;
                    gateChanged.notify_all();
                    gateChanged.wait(lock, [this] { return tokens > 0 || isFlushing(); });
                    waiting = false;
                    if (isFlushing()) {
                        return VFW_E_WRONG_STATE;
                    }
                    --tokens;
                }
            }
            const REFERENCE_TIME media = next_ * kFrame;
            if (media >= segmentStop()) {
                return S_FALSE;
            }
            auto out = allocator_.GetBuffer();
            const auto n = static_cast<std::int32_t>(next_);
            std::memcpy(out->GetPointer(), &n, sizeof n);
            const REFERENCE_TIME start = media - segmentStart();
            const REFERENCE_TIME stop = start + kFrame;
            out->SetTime(&start, &stop);
            out->SetSyncPoint(true);
            ++next_;
            *sample = std::move(out);
            return S_OK;
        }

    private:
        GUID subtype_;
        std::int64_t next_ = 0;
        SampleAllocator allocator_{sizeof(std::int32_t)};
    };
    Pin pin_;
};

// Adds `offset` to each number; output subtype is `outSubtype` (a converter when it differs).
class AddTransform final : public TransformFilterBase {
public:
    explicit AddTransform(std::int32_t offset, GUID inSubtype = kSubtypeA,
                          GUID outSubtype = kSubtypeA)
        : TransformFilterBase(QStringLiteral("Add")), offset_(offset), in_(inSubtype),
          out_(outSubtype) {}

protected:
    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == in_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetOutputType(const AM_MEDIA_TYPE&, AM_MEDIA_TYPE* out) override {
        *out = numberType(out_);
        return S_OK;
    }
    HRESULT Transform(const IMediaSample& in, IMediaSample& out) override {
        const std::int32_t n = numberOf(in) + offset_;
        std::memcpy(out.GetPointer(), &n, sizeof n);
        return S_OK;
    }

private:
    std::int32_t offset_;
    GUID in_;
    GUID out_;
};

// Records the number and stream time of every presented sample; can fail or throw at a
// given sample.
class RecordingRenderer final : public RendererBase {
public:
    enum class Failure { None, ReturnError, Throw };

    explicit RecordingRenderer(GUID subtype = kSubtypeA)
        : RendererBase(QStringLiteral("Recorder")), subtype_(subtype) {}

    void failAt(std::size_t index, Failure how) {
        const std::lock_guard lock(mutex_);
        failAt_ = index;
        failure_ = how;
    }
    std::vector<std::int32_t> numbers() const {
        const std::lock_guard lock(mutex_);
        return numbers_;
    }
    std::size_t count() const {
        const std::lock_guard lock(mutex_);
        return numbers_.size();
    }
    // Waits (safety limit only) until at least `n` samples were presented.
    bool waitForCount(std::size_t n) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10),
                                 [&] { return numbers_.size() >= n; });
    }
    void clear() {
        const std::lock_guard lock(mutex_);
        numbers_.clear();
    }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == subtype_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample& sample) override {
        const std::lock_guard lock(mutex_);
        if (failure_ != Failure::None && numbers_.size() == failAt_) {
            if (failure_ == Failure::Throw) {
                throw std::runtime_error("renderer failure");
            }
            return E_FAIL;
        }
        numbers_.push_back(numberOf(sample));
        changed_.notify_all();
        return S_OK;
    }

private:
    GUID subtype_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<std::int32_t> numbers_;
    std::size_t failAt_ = 0;
    Failure failure_ = Failure::None;
};

} // namespace streamingtest
