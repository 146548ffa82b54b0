#pragma once

#include "platform/editing/engine_format.h"
#include "platform/editing/engine_prefetch.h"
#include "platform/system/hresult.h"

#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

struct EngineOptions {
    // Open each source shortly before it is needed and close it after it (else every clip's
    // decoder is opened up front and kept; pictures are always decoded when needed).
    bool dynamicLoading = true;
    // How long before its start a source is opened and starts decoding ahead.
    REFERENCE_TIME preload = UNITS;
    EnginePixelFormat pixelFormat = EnginePixelFormat::Bgr24;
    int prefetchThreads = 2;
    int decoderThreads = 2;
    // Paced by a clock (played out live) rather than rendered as fast as possible: a clip of
    // at most 30 frames per second then decodes on one thread, which keeps up and costs less
    // processor time than threads that work ahead.
    bool paced = false;
    // Decoded, scaled frames each clip keeps ready.
    int videoQueueFrames = 6;
    // Sound each audio source keeps ready, in milliseconds.
    int audioQueue_ms = 1000;
    // Sample rates audio groups render at instead of their own, by group index (the rate the
    // consumer of the group's pin asked for).
    std::map<int, int> audioSampleRates;
    // Told when a decoder opens (true) or closes (false); called on the engine's threads.
    std::function<void(const QString& path, bool open)> onDecoderOpenChanged;
};

// Counts the decoders that are open and reports openings and closings.
class EngineDecoderRegistry {
public:
    explicit EngineDecoderRegistry(std::function<void(const QString&, bool)> report)
        : report_(std::move(report)) {}

    void opened(const QString& path);
    void closed(const QString& path);
    int openCount() const { return open_; }
    int totalOpened() const { return totalOpened_; }

private:
    std::function<void(const QString&, bool)> report_;
    std::atomic<int> open_{0};
    std::atomic<int> totalOpened_{0};
};

// Still pictures decoded and scaled once, shared by every source that shows the same file in
// the same way (the two halves of a picture around a wipe) while any of them holds it.
class EnginePictureCache {
public:
    EngineFramePtr find(const QString& path, int stretchMode) const;
    void insert(const QString& path, int stretchMode, const EngineFramePtr& frame);

private:
    mutable std::mutex mutex_;
    std::map<std::pair<QString, int>, std::weak_ptr<const EngineVideoFrame>> pictures_;
};

// What every source of one render engine shares: options, decoder bookkeeping, the picture
// cache and the prefetch pool (destroyed first, so no worker outlives the rest).
struct EngineContext {
    explicit EngineContext(EngineOptions engineOptions)
        : options(std::move(engineOptions)),
          registry(std::make_shared<EngineDecoderRegistry>(options.onDecoderOpenChanged)),
          pictures(std::make_shared<EnginePictureCache>()), pool(options.prefetchThreads) {}

    const EngineOptions options;
    const std::shared_ptr<EngineDecoderRegistry> registry;
    const std::shared_ptr<EnginePictureCache> pictures;
    EnginePrefetchPool pool;
};

} // namespace platform
