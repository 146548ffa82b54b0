#pragma once

#include "platform/editing/dv_frame_compressor.h"
#include "platform/filters/dv_encoder_filter_frames.h"
#include "platform/filters/dv_encoder_filter_interfaces.h"
#include "platform/filters/dv_libdv_encoder.h"
#include "platform/streaming/transform_filter.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// The DV video encoder filter: uncompressed pictures in (RGB24 per VIDEOINFOHEADER, or the
// planar YUV types of dv_media_types.h), one DV25 frame per picture out. The video format set
// through IDVEnc decides which input it accepts; until one is set it follows its input. A
// picture whose bytes equal the previous one is not encoded again. The same encoding is
// offered to the smart render engine through IDvFrameCompressor.
namespace platform {

// The class of the libdv-backed encoder, as the stored encoder reference names it.
inline constexpr CLSID CLSID_MainConceptDVVideoEncoder{
    0xE8AC42C1, 0x0810, 0x11D5, {0x80, 0x62, 0x00, 0x00, 0x1C, 0x0B, 0x1B, 0x7F}};
// The property page of the encoder filters.
inline constexpr CLSID CLSID_DvEncoderPropertyPage{
    0x5A1C3E20, 0x7D4B, 0x4C61, {0x9E, 0x2F, 0x41, 0x0B, 0x6D, 0x8A, 0x33, 0x01}};

class DvEncoderFilter final : public TransformFilterBase,
                              public IDVEnc,
                              public IDvFrameCompressor,
                              public ISpecifyPropertyPages {
public:
    DvEncoderFilter(QString name, const CLSID& clsid, DvEncoderFactory factory);

    HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution, bool dvInfo,
                                  DVINFO* info) override;
    HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool dvInfo,
                                  DVINFO* info) override;

    HRESULT CompressFrame(const AM_MEDIA_TYPE& inputType, const std::uint8_t* data,
                          std::size_t length, std::vector<std::uint8_t>* dvFrame) override;
    HRESULT SetDvStandard(bool ntsc) override;

    HRESULT GetPages(CAUUID* pages) override;

    // What the property page shows.
    struct Status {
        DvStandard standard = DvStandard::Pal;
        bool format_chosen = false;
        QString input;
        std::uint64_t frames_encoded = 0;
        std::uint64_t frames_reused = 0;
        QString last_error;
    };
    Status status();

protected:
    HRESULT CheckInputType(const AM_MEDIA_TYPE& input) override;
    HRESULT GetOutputType(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output) override;
    HRESULT Transform(const IMediaSample& in, IMediaSample& out) override;
    void onDeactivate() override;

private:
    // The chosen format, else that of the input, else PAL. Called with mutex_ held.
    DvStandard currentStandard();
    void setLastError(const QString& error);

    mutable std::mutex mutex_;
    std::optional<DvStandard> chosen_;
    std::optional<DvStandard> compressor_standard_;
    std::optional<DVINFO> dv_info_;
    QString last_error_;
    DvFrameEncoding streaming_;
    DvFrameEncoding compressor_;
};

// The encoder over FFmpeg, registered as the system's "DV Video Encoder".
std::shared_ptr<DvEncoderFilter> CreateDvVideoEncoderFilter();
// The encoder over libdv; null when the library `libraryName` cannot be loaded.
std::shared_ptr<DvEncoderFilter>
CreateLibdvEncoderFilter(const char* libraryName = kLibdvLibraryName);

} // namespace platform
