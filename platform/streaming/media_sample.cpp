#include "platform/streaming/media_sample.h"

#include "platform/streaming/streaming_errors.h"

#include <optional>
#include <utility>

namespace platform {

namespace {

class MediaSample final : public IMediaSample {
public:
    MediaSample(std::vector<std::uint8_t> buffer, std::weak_ptr<void> poolOwner,
                void (*giveBack)(const std::shared_ptr<void>&, std::vector<std::uint8_t>&&))
        : buffer_(std::move(buffer)), actualLength_(static_cast<long>(buffer_.size())),
          poolOwner_(std::move(poolOwner)), giveBack_(giveBack) {}
    ~MediaSample() override {
        if (giveBack_ != nullptr) {
            if (const auto owner = poolOwner_.lock()) {
                giveBack_(owner, std::move(buffer_));
            }
        }
    }
    MediaSample(const MediaSample&) = delete;
    MediaSample& operator=(const MediaSample&) = delete;

    std::uint8_t* GetPointer() override { return buffer_.data(); }
    const std::uint8_t* GetPointer() const override { return buffer_.data(); }
    long GetSize() const override { return static_cast<long>(buffer_.size()); }
    long GetActualDataLength() const override { return actualLength_; }
    HRESULT SetActualDataLength(long length) override {
        if (length < 0 || length > GetSize()) {
            return VFW_E_BUFFER_OVERFLOW;
        }
        actualLength_ = length;
        return S_OK;
    }
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const override {
        return getPair(start_, stop_, start, stop);
    }
    HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override {
        return setPair(start_, stop_, start, stop);
    }
    HRESULT GetMediaTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const override {
        return getPair(mediaStart_, mediaStop_, start, stop);
    }
    HRESULT SetMediaTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) override {
        return setPair(mediaStart_, mediaStop_, start, stop);
    }
    bool IsDiscontinuity() const override { return discontinuity_; }
    void SetDiscontinuity(bool value) override { discontinuity_ = value; }
    bool IsSyncPoint() const override { return syncPoint_; }
    void SetSyncPoint(bool value) override { syncPoint_ = value; }
    bool IsPreroll() const override { return preroll_; }
    void SetPreroll(bool value) override { preroll_ = value; }

private:
    static HRESULT getPair(const std::optional<REFERENCE_TIME>& a,
                           const std::optional<REFERENCE_TIME>& b, REFERENCE_TIME* start,
                           REFERENCE_TIME* stop) {
        if (!a) {
            return VFW_E_SAMPLE_TIME_NOT_SET;
        }
        if (start != nullptr) {
            *start = *a;
        }
        if (stop != nullptr) {
            *stop = b.value_or(*a);
        }
        return S_OK;
    }
    static HRESULT setPair(std::optional<REFERENCE_TIME>& a, std::optional<REFERENCE_TIME>& b,
                           const REFERENCE_TIME* start, const REFERENCE_TIME* stop) {
        if (start == nullptr) {
            a.reset();
            b.reset();
            return S_OK;
        }
        if (stop != nullptr && *stop < *start) {
            return VFW_E_START_TIME_AFTER_END;
        }
        a = *start;
        b = stop != nullptr ? std::optional<REFERENCE_TIME>(*stop) : std::nullopt;
        return S_OK;
    }

    std::vector<std::uint8_t> buffer_;
    long actualLength_;
    std::optional<REFERENCE_TIME> start_, stop_, mediaStart_, mediaStop_;
    bool discontinuity_ = false;
    bool syncPoint_ = false;
    bool preroll_ = false;
    std::weak_ptr<void> poolOwner_;
    void (*giveBack_)(const std::shared_ptr<void>&, std::vector<std::uint8_t>&&);
};

} // namespace

SampleAllocator::SampleAllocator(long bufferSize_bytes, std::size_t maxFreeBuffers)
    : bufferSize_bytes_(bufferSize_bytes < 0 ? 0 : bufferSize_bytes),
      pool_(std::make_shared<Pool>()) {
    pool_->maxFree = maxFreeBuffers;
}

std::shared_ptr<IMediaSample> SampleAllocator::GetBuffer() {
    std::vector<std::uint8_t> buffer;
    {
        const std::lock_guard lock(pool_->mutex);
        if (!pool_->freeBuffers.empty()) {
            buffer = std::move(pool_->freeBuffers.back());
            pool_->freeBuffers.pop_back();
        }
    }
    buffer.resize(static_cast<std::size_t>(bufferSize_bytes_));
    const auto giveBack = [](const std::shared_ptr<void>& owner,
                             std::vector<std::uint8_t>&& released) {
        auto& pool = *static_cast<Pool*>(owner.get());
        const std::lock_guard lock(pool.mutex);
        if (pool.freeBuffers.size() < pool.maxFree) {
            pool.freeBuffers.push_back(std::move(released));
        }
    };
    return std::make_shared<MediaSample>(std::move(buffer), std::weak_ptr<void>(pool_), giveBack);
}

std::shared_ptr<IMediaSample> makeMediaSample(long bufferSize_bytes) {
    return std::make_shared<MediaSample>(std::vector<std::uint8_t>(static_cast<std::size_t>(
                                             bufferSize_bytes < 0 ? 0 : bufferSize_bytes)),
                                         std::weak_ptr<void>(), nullptr);
}

void CopySampleProperties(const IMediaSample& from, IMediaSample& to) {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    if (SUCCEEDED(from.GetTime(&start, &stop))) {
        to.SetTime(&start, &stop);
    }
    if (SUCCEEDED(from.GetMediaTime(&start, &stop))) {
        to.SetMediaTime(&start, &stop);
    }
    to.SetDiscontinuity(from.IsDiscontinuity());
    to.SetSyncPoint(from.IsSyncPoint());
    to.SetPreroll(from.IsPreroll());
}

} // namespace platform
