#pragma once

#include "platform/streaming/filter_base.h"
#include "platform/streaming/pin_base.h"

#include <optional>

namespace platform {

// A filter with one input and one output that turns each pulled input sample into one output
// sample. Derived classes decide the types and do the work:
//   CheckInputType   - which input types are accepted;
//   GetOutputType    - the output type for a given input type (offered on the output pin);
//   Transform        - fills `out` (a buffer of OutputBufferSize bytes, already carrying the
//                      input's times and flags) from `in`.
// The output pin passes seeking and flushing upstream.
class TransformFilterBase : public FilterBase {
public:
    explicit TransformFilterBase(QString name, const CLSID& clsid = CLSID{});

    InputPinBase& inputPin() { return input_; }
    OutputPinBase& outputPin() { return output_; }

    void onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                      double rate) override;

protected:
    virtual HRESULT CheckInputType(const AM_MEDIA_TYPE& input) = 0;
    virtual HRESULT GetOutputType(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output) = 0;
    // Default: the output's major type, subtype and format type are those GetOutputType gives.
    virtual HRESULT CheckTransform(const AM_MEDIA_TYPE& input, const AM_MEDIA_TYPE& output);
    // Default: the output type's sample size, or else the input sample's length.
    virtual long OutputBufferSize(const AM_MEDIA_TYPE& output, const IMediaSample& input);
    virtual HRESULT Transform(const IMediaSample& in, IMediaSample& out) = 0;

private:
    class Input final : public InputPinBase {
    public:
        explicit Input(TransformFilterBase& owner);
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;

    private:
        TransformFilterBase& owner_;
    };
    class Output final : public OutputPinBase, public SeekingPassThrough {
    public:
        explicit Output(TransformFilterBase& owner);
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override;

    protected:
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override;
        void onBeginFlush() override;
        void onEndFlush() override;

    private:
        TransformFilterBase& owner_;
        std::optional<SampleAllocator> allocator_;
    };

    Input input_;
    Output output_;
};

} // namespace platform
