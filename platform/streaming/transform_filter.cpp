#include "platform/streaming/transform_filter.h"

#include "platform/streaming/streaming_errors.h"

namespace platform {

TransformFilterBase::TransformFilterBase(QString name, const CLSID& clsid)
    : FilterBase(std::move(name), clsid), input_(*this), output_(*this) {
    addPin(input_);
    addPin(output_);
}

void TransformFilterBase::onNewSegment(PinBase&, REFERENCE_TIME start, REFERENCE_TIME stop,
                                       double rate) {
    output_.deliverNewSegment(start, stop, rate);
}

HRESULT TransformFilterBase::CheckTransform(const AM_MEDIA_TYPE& input,
                                            const AM_MEDIA_TYPE& output) {
    AM_MEDIA_TYPE expected;
    if (const HRESULT hr = GetOutputType(input, &expected); FAILED(hr)) {
        return hr;
    }
    return expected.majortype == output.majortype && expected.subtype == output.subtype &&
                   expected.formattype == output.formattype
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

long TransformFilterBase::OutputBufferSize(const AM_MEDIA_TYPE& output, const IMediaSample& input) {
    return output.lSampleSize > 0 ? static_cast<long>(output.lSampleSize)
                                  : input.GetActualDataLength();
}

TransformFilterBase::Input::Input(TransformFilterBase& owner)
    : InputPinBase(owner, QStringLiteral("In")), owner_(owner) {}

HRESULT TransformFilterBase::Input::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    return owner_.CheckInputType(mediaType);
}

TransformFilterBase::Output::Output(TransformFilterBase& owner)
    : OutputPinBase(owner, QStringLiteral("Out")), SeekingPassThrough({&owner.input_}),
      owner_(owner) {}

HRESULT TransformFilterBase::Output::CheckMediaType(const AM_MEDIA_TYPE& mediaType) {
    if (!owner_.input_.isConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    return owner_.CheckTransform(owner_.input_.mediaType(), mediaType);
}

std::vector<AM_MEDIA_TYPE> TransformFilterBase::Output::offeredMediaTypes() {
    if (!owner_.input_.isConnected()) {
        return {};
    }
    AM_MEDIA_TYPE output;
    if (FAILED(owner_.GetOutputType(owner_.input_.mediaType(), &output))) {
        return {};
    }
    return {output};
}

HRESULT TransformFilterBase::Output::produceSample(std::shared_ptr<IMediaSample>* sample) {
    std::shared_ptr<IMediaSample> in;
    if (const HRESULT hr = owner_.input_.pull(&in); hr != S_OK) {
        return hr;
    }
    const long size = owner_.OutputBufferSize(mediaType(), *in);
    if (!allocator_ || allocator_->bufferSize() != size) {
        allocator_.emplace(size, 4);
    }
    auto out = allocator_->GetBuffer();
    CopySampleProperties(*in, *out);
    if (const HRESULT hr = owner_.Transform(*in, *out); FAILED(hr)) {
        return hr;
    }
    *sample = std::move(out);
    return S_OK;
}

void TransformFilterBase::Output::onBeginFlush() {
    if (const auto source = owner_.input_.upstream()) {
        source->BeginFlush();
    }
}

void TransformFilterBase::Output::onEndFlush() {
    if (const auto source = owner_.input_.upstream()) {
        source->EndFlush();
    }
}

} // namespace platform
