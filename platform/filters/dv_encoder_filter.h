#pragma once

#include "platform/editing/dv_frame_compressor.h"
#include "platform/filters/dv_encode_queue.h"
#include "platform/filters/dv_encoder_filter_frames.h"
#include "platform/filters/dv_encoder_filter_interfaces.h"
#include "platform/filters/dv_libdv_encoder.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/pin_base.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// The DV video encoder filter: uncompressed pictures in (RGB24 per VIDEOINFOHEADER, or the
// planar YUV types of dv_media_types.h), one DV25 frame per picture out. The video format set
// through IDVEnc decides which input it accepts; until one is set it follows its input. A
// picture whose bytes equal the previous one is not encoded again. Paced by a clock (live
// output) it encodes each picture as it is asked for; rendering as fast as possible it pulls a
// few pictures ahead and encodes them at once on its own threads, keeping their order. The
// same encoding is offered to the smart render engine through IDvFrameCompressor.
namespace platform {

// The class of the libdv-backed encoder, as the stored encoder reference names it.
inline constexpr CLSID CLSID_MainConceptDVVideoEncoder{
    0xE8AC42C1, 0x0810, 0x11D5, {0x80, 0x62, 0x00, 0x00, 0x1C, 0x0B, 0x1B, 0x7F}};
// The property page of the encoder filters.
inline constexpr CLSID CLSID_DvEncoderPropertyPage{
    0x5A1C3E20, 0x7D4B, 0x4C61, {0x9E, 0x2F, 0x41, 0x0B, 0x6D, 0x8A, 0x33, 0x01}};

class DvEncoderFilter final : public FilterBase,
                              public IDVEnc,
                              public IDvFrameCompressor,
                              public ISpecifyPropertyPages {
public:
    // `factory` makes single-threaded encoders; `threads` of them encode at once when the
    // filter renders as fast as possible.
    DvEncoderFilter(QString name, const CLSID& clsid, DvEncoderFactory factory, int threads);
    ~DvEncoderFilter() override;

    InputPinBase& inputPin();
    OutputPinBase& outputPin();
    void onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                      double rate) override;

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
    void onDeactivate() override;

private:
    class Input;
    class Output;

    HRESULT checkInputType(const AM_MEDIA_TYPE& input);
    HRESULT outputTypeFor(const AM_MEDIA_TYPE& input, AM_MEDIA_TYPE* output);
    HRESULT checkOutputType(const AM_MEDIA_TYPE& output);
    // The next DV frame for the output pin.
    HRESULT produce(std::shared_ptr<IMediaSample>* sample);
    // The chosen format, else that of the input, else PAL. Called with mutex_ held.
    DvStandard currentStandard();
    void setLastError(const QString& error);

    std::unique_ptr<Input> input_;
    std::unique_ptr<Output> output_;
    mutable std::mutex mutex_;
    std::optional<DvStandard> chosen_;
    std::optional<DvStandard> compressor_standard_;
    std::optional<DVINFO> dv_info_;
    QString last_error_;
    DvFrameEncoding compressor_;

    // Streaming (the output pin's calls, one at a time).
    const int threads_;
    DvEncodeQueue queue_;
    std::atomic<bool> restart_{true}; // forget what was queued before a flush or a stop
    bool upstream_ended_ = false;
    std::optional<SampleAllocator> allocator_;
};

// The encoder over FFmpeg, registered as the system's "DV Video Encoder".
std::shared_ptr<DvEncoderFilter> CreateDvVideoEncoderFilter();
// The encoder over libdv; null when the library `libraryName` cannot be loaded.
std::shared_ptr<DvEncoderFilter>
CreateLibdvEncoderFilter(const char* libraryName = kLibdvLibraryName);

} // namespace platform
