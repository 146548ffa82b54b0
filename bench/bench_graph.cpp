// Cost of one sample through a three-filter chain (source -> transform -> renderer) in the
// as-fast-as-possible mode (no reference clock), against a plain function-call chain doing the
// same work, measured in the same run. Two sample sizes: 4 bytes (the graph's own overhead)
// and one PAL RGB24 frame (720 x 576 x 3 bytes, copied by the transform).
#include "platform/streaming/graph_interfaces.h"
#include "platform/streaming/renderer_base.h"
#include "platform/streaming/source_pin.h"
#include "platform/streaming/streaming_errors.h"
#include "platform/streaming/transform_filter.h"
#include "platform/system/query.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace platform;

constexpr REFERENCE_TIME kFrame = UNITS / 25;

AM_MEDIA_TYPE benchType(long size) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_RGB24;
    mt.formattype = FORMAT_None;
    mt.lSampleSize = static_cast<std::uint32_t>(size);
    return mt;
}

class BenchSource final : public FilterBase {
public:
    BenchSource(long size, std::int64_t count)
        : FilterBase(QStringLiteral("Bench Source")), pin_(*this, size) {
        pin_.setDuration(count * kFrame);
        addPin(pin_);
    }

private:
    class Pin final : public SourceOutputPin {
    public:
        Pin(FilterBase& owner, long size)
            : SourceOutputPin(owner, QStringLiteral("Out")), size_(size), allocator_(size) {}
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
            return mt.subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
        }
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override { return {benchType(size_)}; }

    protected:
        void onSeek(REFERENCE_TIME start, bool) override { next_ = start / kFrame; }
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
            if (next_ * kFrame >= segmentStop()) {
                return S_FALSE;
            }
            auto out = allocator_.GetBuffer();
            std::memcpy(out->GetPointer(), &next_, sizeof(std::int32_t));
            const REFERENCE_TIME start = next_ * kFrame - segmentStart();
            const REFERENCE_TIME stop = start + kFrame;
            out->SetTime(&start, &stop);
            ++next_;
            *sample = std::move(out);
            return S_OK;
        }

    private:
        long size_;
        SampleAllocator allocator_;
        std::int64_t next_ = 0;
    };
    Pin pin_;
};

class CopyTransform final : public TransformFilterBase {
public:
    CopyTransform() : TransformFilterBase(QStringLiteral("Copy")) {}

protected:
    HRESULT CheckInputType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT GetOutputType(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output) override {
        *output = input;
        return S_OK;
    }
    HRESULT Transform(const IMediaSample& in, IMediaSample& out) override {
        std::memcpy(out.GetPointer(), in.GetPointer(),
                    static_cast<std::size_t>(in.GetActualDataLength()));
        return S_OK;
    }
};

class SumRenderer final : public RendererBase {
public:
    SumRenderer() : RendererBase(QStringLiteral("Sum")) {}
    std::uint64_t sum() const { return sum_; }

protected:
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mt) override {
        return mt.subtype == MEDIASUBTYPE_RGB24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT DoRenderSample(IMediaSample& sample) override {
        std::int32_t n = 0;
        std::memcpy(&n, sample.GetPointer(), sizeof n);
        sum_ += static_cast<std::uint64_t>(n) + sample.GetPointer()[sample.GetSize() - 1];
        return S_OK;
    }

private:
    std::uint64_t sum_ = 0;
};

std::shared_ptr<IPin> firstPin(const std::shared_ptr<IBaseFilter>& filter, PIN_DIRECTION want) {
    for (const auto& pin : filter->EnumPins()) {
        PIN_DIRECTION d = PINDIR_INPUT;
        pin->QueryDirection(&d);
        if (d == want) {
            return pin;
        }
    }
    return nullptr;
}

// Nanoseconds per sample through the graph; 0 on failure.
double graphChain(long size, std::int64_t count, std::uint64_t* checksum) {
    const auto graph = CreateFilterGraph(std::make_shared<ConverterRegistry>());
    const auto control = query<IMediaControl>(graph);
    const auto events = query<IMediaEventEx>(graph);
    query<IMediaFilter>(graph)->SetSyncSource(nullptr);
    const auto source = std::make_shared<BenchSource>(size, count);
    const auto transform = std::make_shared<CopyTransform>();
    const auto renderer = std::make_shared<SumRenderer>();
    graph->AddFilter(source, "source");
    graph->AddFilter(transform, "transform");
    graph->AddFilter(renderer, "renderer");
    if (FAILED(
            graph->Connect(firstPin(source, PINDIR_OUTPUT), firstPin(transform, PINDIR_INPUT))) ||
        FAILED(
            graph->Connect(firstPin(transform, PINDIR_OUTPUT), firstPin(renderer, PINDIR_INPUT)))) {
        std::fprintf(stderr, "bench-graph: cannot connect the chain\n");
        return 0;
    }
    const auto begin = std::chrono::steady_clock::now();
    if (FAILED(control->Run())) {
        std::fprintf(stderr, "bench-graph: run failed\n");
        return 0;
    }
    long code = 0;
    if (events->WaitForCompletion(INFINITE, &code) != S_OK) {
        std::fprintf(stderr, "bench-graph: no completion\n");
        return 0;
    }
    const auto end = std::chrono::steady_clock::now();
    control->Stop();
    if (renderer->samplesPresented() != static_cast<std::uint64_t>(count)) {
        std::fprintf(stderr, "bench-graph: %llu of %lld samples presented\n",
                     static_cast<unsigned long long>(renderer->samplesPresented()),
                     static_cast<long long>(count));
        return 0;
    }
    *checksum = renderer->sum();
    return std::chrono::duration<double, std::nano>(end - begin).count() /
           static_cast<double>(count);
}

// The same work as plain calls: produce into a pooled buffer, copy, sum.
double plainChain(long size, std::int64_t count, std::uint64_t* checksum) {
    const auto bytes = static_cast<std::size_t>(size);
    std::vector<std::uint8_t> produced(bytes);
    std::vector<std::uint8_t> copied(bytes);
    std::uint64_t sum = 0;
    const auto produce = [&](std::int64_t n) {
        std::memcpy(produced.data(), &n, sizeof(std::int32_t));
    };
    const auto transform = [&] { std::memcpy(copied.data(), produced.data(), bytes); };
    const auto render = [&] {
        std::int32_t n = 0;
        std::memcpy(&n, copied.data(), sizeof n);
        sum += static_cast<std::uint64_t>(n) + copied[bytes - 1];
    };
    const auto begin = std::chrono::steady_clock::now();
    for (std::int64_t i = 0; i < count; ++i) {
        produce(i);
        transform();
        render();
    }
    const auto end = std::chrono::steady_clock::now();
    *checksum = sum;
    return std::chrono::duration<double, std::nano>(end - begin).count() /
           static_cast<double>(count);
}

} // namespace

int main() {
    struct Case {
        const char* name;
        long size;
        std::int64_t count;
    };
    const Case cases[] = {{"4-byte samples", 4, 200000}, {"PAL RGB24 frames", 720 * 576 * 3, 2000}};
    int status = 0;
    for (const auto& c : cases) {
        std::uint64_t graphSum = 0;
        std::uint64_t plainSum = 0;
        const double graphNs = graphChain(c.size, c.count, &graphSum);
        const double plainNs = plainChain(c.size, c.count, &plainSum);
        if (graphNs <= 0 || graphSum != plainSum) {
            std::fprintf(stderr, "bench-graph: %s: graph run failed or checksum differs\n", c.name);
            status = 1;
            continue;
        }
        std::printf("%-18s %8lld samples: graph %10.1f ns/sample, plain calls %10.1f ns/sample, "
                    "overhead %10.1f ns/sample, ratio %.2f\n",
                    c.name, static_cast<long long>(c.count), graphNs, plainNs, graphNs - plainNs,
                    graphNs / plainNs);
    }
    return status;
}
