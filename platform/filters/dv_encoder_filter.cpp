#include "platform/filters/dv_encoder_filter.h"

#include "platform/filters/dv_video_encoder.h"
#include "platform/streaming/streaming_errors.h"

#include <string>

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

} // namespace

DvEncoderFilter::DvEncoderFilter(QString name, const CLSID& clsid, DvEncoderFactory factory)
    : TransformFilterBase(std::move(name), clsid), streaming_(factory),
      compressor_(std::move(factory)) {}

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

HRESULT DvEncoderFilter::CheckInputType(const AM_MEDIA_TYPE& input) {
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

HRESULT DvEncoderFilter::GetOutputType(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output) {
    const auto format = dvInputFormatOf(input);
    if (!format) {
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    *output = makeDvsdType(format->standard);
    return S_OK;
}

HRESULT DvEncoderFilter::Transform(const IMediaSample& in, IMediaSample& out) {
    const auto format = dvInputFormatOf(inputPin().mediaType());
    if (!format) {
        return VFW_E_NOT_CONNECTED;
    }
    const std::size_t frame_bytes = dvFrameBytes(format->standard);
    if (static_cast<std::size_t>(out.GetSize()) < frame_bytes) {
        return VFW_E_BUFFER_OVERFLOW;
    }
    QString error;
    if (!streaming_.encode(*format, in.GetPointer(),
                           static_cast<std::size_t>(in.GetActualDataLength()),
                           std::span(out.GetPointer(), frame_bytes), &error)) {
        setLastError(error);
        return E_FAIL;
    }
    out.SetSyncPoint(true);
    return out.SetActualDataLength(static_cast<long>(frame_bytes));
}

void DvEncoderFilter::onDeactivate() {
    streaming_.reset();
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
    status.frames_encoded = streaming_.framesEncoded() + compressor_.framesEncoded();
    status.frames_reused = streaming_.framesReused() + compressor_.framesReused();
    return status;
}

void DvEncoderFilter::setLastError(const QString& error) {
    const std::lock_guard lock(mutex_);
    last_error_ = error;
}

std::shared_ptr<DvEncoderFilter> CreateDvVideoEncoderFilter() {
    return std::make_shared<DvEncoderFilter>(
        QStringLiteral("DV Video Encoder"), CLSID_DVVideoEnc,
        [](DvStandard standard, QString* error) -> std::unique_ptr<DvEncoder> {
            return DvVideoEncoder::create(standard, error);
        });
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
        });
}

} // namespace platform
