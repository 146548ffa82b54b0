#include "platform/filters/dv_encoder_filter.h"

#include "platform/filters/dv_video_encoder.h"
#include "platform/streaming/streaming_errors.h"

#include <algorithm>
#include <string>
#include <thread>

namespace platform {

namespace {

// The 50/60 bit of the audio and video source packs (third pack byte, bit 5), the only value of
// the packs that differs between the standards of consumer DV.
constexpr std::uint32_t kDvInfo50FieldsBit = 0x00200000;

DVINFO defaultDvInfo(DvStandard standard) {
    DVINFO info;
    if (standard == DvStandard::Pal) {
        info.dwDVAAuxSrc = kDvInfo50FieldsBit;
        info.dwDVAAuxSrc1 = kDvInfo50FieldsBit;
        info.dwDVVAuxSrc = kDvInfo50FieldsBit;
    }
    return info;
}

// Pictures pulled ahead and encoded at once when rendering as fast as possible, per thread.
constexpr std::size_t kPicturesAheadPerThread = 2;

} // namespace

class DvEncoderFilter::Input final : public InputPinBase {
public:
    explicit Input(DvEncoderFilter& owner)
        : InputPinBase(owner, QStringLiteral("In")), owner_(owner) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override {
        return owner_.checkInputType(mediaType);
    }

private:
    DvEncoderFilter& owner_;
};

class DvEncoderFilter::Output final : public OutputPinBase, public SeekingPassThrough {
public:
    explicit Output(DvEncoderFilter& owner)
        : OutputPinBase(owner, QStringLiteral("Out")), SeekingPassThrough({owner.input_.get()}),
          owner_(owner) {}
    HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override {
        return owner_.checkOutputType(mediaType);
    }
    std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override {
        AM_MEDIA_TYPE output;
        if (!owner_.input_->isConnected() ||
            FAILED(owner_.outputTypeFor(owner_.input_->mediaType(), &output))) {
            return {};
        }
        return {output};
    }

protected:
    HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override {
        return owner_.produce(sample);
    }
    void onBeginFlush() override {
        owner_.restart_.store(true);
        if (const auto source = owner_.input_->upstream()) {
            source->BeginFlush();
        }
    }
    void onEndFlush() override {
        if (const auto source = owner_.input_->upstream()) {
            source->EndFlush();
        }
    }

private:
    DvEncoderFilter& owner_;
};

DvEncoderFilter::DvEncoderFilter(QString name, const CLSID& clsid, DvEncoderFactory factory,
                                 int threads)
    : FilterBase(std::move(name), clsid), input_(std::make_unique<Input>(*this)),
      output_(std::make_unique<Output>(*this)), compressor_(factory),
      threads_(std::max(1, threads)), queue_(std::move(factory), threads_) {
    addPin(*input_);
    addPin(*output_);
}

DvEncoderFilter::~DvEncoderFilter() = default;

InputPinBase& DvEncoderFilter::inputPin() {
    return *input_;
}

OutputPinBase& DvEncoderFilter::outputPin() {
    return *output_;
}

void DvEncoderFilter::onNewSegment(PinBase&, REFERENCE_TIME start, REFERENCE_TIME stop,
                                   double rate) {
    output_->deliverNewSegment(start, stop, rate);
}

DvStandard DvEncoderFilter::currentStandard() {
    if (chosen_) {
        return *chosen_;
    }
    const auto input = dvInputFormatOf(inputPin().mediaType());
    return input ? input->standard : DvStandard::Pal;
}

HRESULT DvEncoderFilter::get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                               bool dvInfo, DVINFO* info) {
    if (videoFormat == nullptr || dvFormat == nullptr || resolution == nullptr ||
        (dvInfo && info == nullptr)) {
        return E_POINTER;
    }
    const std::lock_guard lock(mutex_);
    const DvStandard standard = currentStandard();
    *videoFormat =
        standard == DvStandard::Pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC;
    *dvFormat = DVENCODERFORMAT_DVSD;
    *resolution = DVENCODERRESOLUTION_720x480;
    if (dvInfo) {
        *info = dv_info_.value_or(defaultDvInfo(standard));
    }
    return S_OK;
}

HRESULT DvEncoderFilter::put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                               bool dvInfo, DVINFO* info) {
    if (videoFormat != DVENCODERVIDEOFORMAT_PAL && videoFormat != DVENCODERVIDEOFORMAT_NTSC) {
        return E_INVALIDARG;
    }
    if (dvFormat != DVENCODERFORMAT_DVSD || resolution != DVENCODERRESOLUTION_720x480) {
        return E_INVALIDARG;
    }
    if (dvInfo && info == nullptr) {
        return E_POINTER;
    }
    const DvStandard standard =
        videoFormat == DVENCODERVIDEOFORMAT_PAL ? DvStandard::Pal : DvStandard::Ntsc;
    const std::lock_guard lock(mutex_);
    if (standard != currentStandard()) {
        if (state() != State_Stopped) {
            return VFW_E_NOT_STOPPED;
        }
        const auto input = dvInputFormatOf(inputPin().mediaType());
        if (inputPin().isConnected() && input && input->standard != standard) {
            return VFW_E_ALREADY_CONNECTED;
        }
    }
    chosen_ = standard;
    if (dvInfo) {
        dv_info_ = *info;
    }
    return S_OK;
}

HRESULT DvEncoderFilter::checkInputType(const AM_MEDIA_TYPE& input) {
    const auto format = dvInputFormatOf(input);
    if (!format) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    const std::lock_guard lock(mutex_);
    if (chosen_ && *chosen_ != format->standard) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT DvEncoderFilter::outputTypeFor(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output) {
    const auto format = dvInputFormatOf(input);
    if (!format) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    *output = makeDvsdType(format->standard);
    return S_OK;
}

HRESULT DvEncoderFilter::checkOutputType(const AM_MEDIA_TYPE& output) {
    if (!input_->isConnected()) {
        return VFW_E_NOT_CONNECTED;
    }
    AM_MEDIA_TYPE expected;
    if (const HRESULT hr = outputTypeFor(input_->mediaType(), &expected); FAILED(hr)) {
        return hr;
    }
    return expected.majortype == output.majortype && expected.subtype == output.subtype &&
                   expected.formattype == output.formattype
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvEncoderFilter::produce(std::shared_ptr<IMediaSample>* sample) {
    const auto format = dvInputFormatOf(input_->mediaType());
    if (!format) {
        return VFW_E_NOT_CONNECTED;
    }
    if (restart_.exchange(false)) {
        queue_.clear();
        upstream_ended_ = false;
    }
    const auto frame_bytes = static_cast<long>(dvFrameBytes(format->standard));
    if (!allocator_ || allocator_->bufferSize() != frame_bytes) {
        allocator_.emplace(frame_bytes, 4);
    }
    if (clock() && queue_.pending() == 0) {
        // Paced by a clock: each picture is encoded as it is asked for, on this thread.
        std::shared_ptr<IMediaSample> in;
        if (const HRESULT hr = input_->pull(&in); hr != S_OK) {
            return hr;
        }
        auto out = allocator_->GetBuffer();
        QString error;
        if (!queue_.encodeNow(in, *format,
                              std::span(out->GetPointer(), static_cast<std::size_t>(frame_bytes)),
                              &error)) {
            setLastError(error);
            return E_FAIL;
        }
        CopySampleProperties(*in, *out);
        out->SetSyncPoint(true);
        out->SetActualDataLength(frame_bytes);
        *sample = std::move(out);
        return S_OK;
    }
    // As fast as possible: a few pictures are pulled ahead and encoded at once.
    const std::size_t ahead = kPicturesAheadPerThread * static_cast<std::size_t>(threads_);
    while (!upstream_ended_ && queue_.pending() < ahead) {
        std::shared_ptr<IMediaSample> in;
        const HRESULT hr = input_->pull(&in);
        if (hr == S_FALSE) {
            upstream_ended_ = true;
        } else if (hr != S_OK) {
            return hr;
        } else {
            queue_.push(std::move(in), *format);
        }
    }
    if (queue_.pending() == 0) {
        return S_FALSE;
    }
    auto out = allocator_->GetBuffer();
    std::shared_ptr<IMediaSample> in;
    QString error;
    if (!queue_.pop(std::span(out->GetPointer(), static_cast<std::size_t>(frame_bytes)), &in,
                    &error)) {
        setLastError(error);
        return E_FAIL;
    }
    CopySampleProperties(*in, *out);
    out->SetSyncPoint(true);
    out->SetActualDataLength(frame_bytes);
    *sample = std::move(out);
    return S_OK;
}

void DvEncoderFilter::onDeactivate() {
    // The next run starts a new stream.
    restart_.store(true);
}

HRESULT DvEncoderFilter::CompressFrame(const AM_MEDIA_TYPE& inputType, const std::uint8_t* data,
                                       std::size_t length, std::vector<std::uint8_t>* dvFrame) {
    if (data == nullptr || dvFrame == nullptr) {
        return E_POINTER;
    }
    const auto format = dvInputFormatOf(inputType);
    if (!format) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    {
        const std::lock_guard lock(mutex_);
        if (compressor_standard_ && *compressor_standard_ != format->standard) {
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
    }
    dvFrame->resize(dvFrameBytes(format->standard));
    QString error;
    if (!compressor_.encode(*format, data, length, *dvFrame, &error)) {
        setLastError(error);
        dvFrame->clear();
        return length < dvInputSampleBytes(format->standard, format->kind) ? E_INVALIDARG : E_FAIL;
    }
    return S_OK;
}

HRESULT DvEncoderFilter::SetDvStandard(bool ntsc) {
    const std::lock_guard lock(mutex_);
    compressor_standard_ = ntsc ? DvStandard::Ntsc : DvStandard::Pal;
    return S_OK;
}

HRESULT DvEncoderFilter::GetPages(CAUUID* pages) {
    if (pages == nullptr) {
        return E_POINTER;
    }
    pages->elems = {CLSID_DvEncoderPropertyPage};
    return S_OK;
}

DvEncoderFilter::Status DvEncoderFilter::status() {
    Status status;
    {
        const std::lock_guard lock(mutex_);
        status.standard = currentStandard();
        status.format_chosen = chosen_.has_value();
        status.last_error = last_error_;
    }
    const AM_MEDIA_TYPE input = inputPin().mediaType();
    status.input = input.isEmpty() ? QString() : describeMediaType(input);
    status.frames_encoded = queue_.framesEncoded() + compressor_.framesEncoded();
    status.frames_reused = queue_.framesReused() + compressor_.framesReused();
    return status;
}

void DvEncoderFilter::setLastError(const QString& error) {
    const std::lock_guard lock(mutex_);
    last_error_ = error;
}

std::shared_ptr<DvEncoderFilter> CreateDvVideoEncoderFilter() {
    // One encoder per processor, each on one thread: whole frames at once divide the work with
    // less waiting than slices of one frame.
    const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return std::make_shared<DvEncoderFilter>(
        QStringLiteral("DV Video Encoder"), CLSID_DVVideoEnc,
        [](DvStandard standard, QString* error) -> std::unique_ptr<DvEncoder> {
            return DvVideoEncoder::create(standard, error, 1);
        },
        processors);
}

std::shared_ptr<DvEncoderFilter> CreateLibdvEncoderFilter(const char* libraryName) {
    QString load_error;
    if (!DvLibdvEncoder::create(DvStandard::Pal, &load_error, libraryName)) {
        return nullptr;
    }
    return std::make_shared<DvEncoderFilter>(
        QStringLiteral("MainConcept DV Video Encoder"), CLSID_MainConceptDVVideoEncoder,
        [library = std::string(libraryName)](DvStandard standard,
                                             QString* error) -> std::unique_ptr<DvEncoder> {
            return DvLibdvEncoder::create(standard, error, library.c_str());
        },
        1); // the library encodes one frame at a time, whatever the threads
}

} // namespace platform
