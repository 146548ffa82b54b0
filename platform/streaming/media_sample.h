#pragma once

#include "platform/system/hresult.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// One buffer of media data travelling from an output pin to the pin that pulls it. Times are
// stream times (100 ns) relative to the start of the current segment.
class IMediaSample {
public:
    virtual ~IMediaSample() = default;

    virtual std::uint8_t* GetPointer() = 0;
    virtual const std::uint8_t* GetPointer() const = 0;
    virtual long GetSize() const = 0;
    virtual long GetActualDataLength() const = 0;
    // Fails with VFW_E_BUFFER_OVERFLOW when the length exceeds the buffer.
    virtual HRESULT SetActualDataLength(long length) = 0;
    // VFW_E_SAMPLE_TIME_NOT_SET when the sample has no start time; `stop` may be null.
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const = 0;
    // A null `start` clears the times; a null `stop` sets only the start.
    virtual HRESULT SetTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    // Media positions (for example frame numbers or timeline times) carried with the sample.
    virtual HRESULT GetMediaTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) const = 0;
    virtual HRESULT SetMediaTime(const REFERENCE_TIME* start, const REFERENCE_TIME* stop) = 0;
    virtual bool IsDiscontinuity() const = 0;
    virtual void SetDiscontinuity(bool discontinuity) = 0;
    virtual bool IsSyncPoint() const = 0;
    virtual void SetSyncPoint(bool syncPoint) = 0;
    virtual bool IsPreroll() const = 0;
    virtual void SetPreroll(bool preroll) = 0;
};

// Hands out samples of one buffer size and reuses the buffers of released samples, so that a
// stream of large frames does not allocate per frame. Thread-safe; samples may outlive it.
class SampleAllocator {
public:
    // Keeps at most `maxFreeBuffers` released buffers for reuse.
    explicit SampleAllocator(long bufferSize_bytes, std::size_t maxFreeBuffers = 8);

    long bufferSize() const { return bufferSize_bytes_; }
    // A sample with a buffer of bufferSize() bytes, actual length equal to the buffer size,
    // no times and no flags.
    std::shared_ptr<IMediaSample> GetBuffer();

private:
    struct Pool {
        std::mutex mutex;
        std::vector<std::vector<std::uint8_t>> freeBuffers;
        std::size_t maxFree = 0;
    };
    long bufferSize_bytes_;
    std::shared_ptr<Pool> pool_;
};

// A free-standing sample with its own buffer (for tests and one-off data).
std::shared_ptr<IMediaSample> makeMediaSample(long bufferSize_bytes);

// Copies the times, media times and the discontinuity, sync-point and preroll flags of one
// sample to another, as a filter does for the sample it makes from its input.
void CopySampleProperties(const IMediaSample& from, IMediaSample& to);

} // namespace platform
