#pragma once

#include "platform/filters/dv_muxer.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/media_sample.h"
#include "platform/streaming/pin_base.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

// The DV multiplexer filter: DV video (dvsd) and 16-bit PCM sound in, DV frames with the sound
// inside out. It starts with one input pin that takes either stream; connecting it adds a
// second one for the other stream, so the first free input pin is always the one to connect
// next, and with video and sound connected no free input is left. Without sound the frames
// carry silence. The output pulls one video sample and that frame's share of sound per
// sample; seeking passes through to both inputs. With NTSC video the sound pin asks for
// 48000 Hz (the only rate NTSC DV carries) from an upstream that can give it; other rates are
// converted here.
namespace platform {

inline constexpr CLSID CLSID_DVMux{
    0x129D7E40, 0xC10D, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};
inline constexpr CLSID CLSID_DvMuxPropertyPage{
    0x5A1C3E21, 0x7D4B, 0x4C61, {0x9E, 0x2F, 0x41, 0x0B, 0x6D, 0x8A, 0x33, 0x01}};

// The PCM formats the multiplexer takes; none for another type.
std::optional<DvAudioFormat> dvMuxAudioFormatOf(const AM_MEDIA_TYPE& mt);

class DvMuxFilter final : public FilterBase, public ISpecifyPropertyPages {
public:
    DvMuxFilter();

    // Inputs first (in the order they appeared), then the output.
    std::vector<std::shared_ptr<IPin>> EnumPins() override;
    HRESULT GetPages(CAUUID* pages) override;
    void onNewSegment(PinBase& input, REFERENCE_TIME start, REFERENCE_TIME stop,
                      double rate) override;

    // What the property page shows.
    struct Status {
        std::optional<DvStandard> standard;
        std::optional<DvAudioFormat> audio;
        QString audio_note;
        std::uint64_t frames_muxed = 0;
        std::uint64_t silence_sample_frames = 0;
        QString last_error;
    };
    Status status();

protected:
    HRESULT onActivate() override;
    void onDeactivate() override;

private:
    enum class StreamKind { None, Video, Audio };

    class Input final : public InputPinBase {
    public:
        Input(DvMuxFilter& owner, QString name);
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
        HRESULT ReceiveConnection(const std::shared_ptr<IPin>& connector,
                                  const AM_MEDIA_TYPE& mediaType) override;
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override;

    protected:
        HRESULT CompleteConnect(const std::shared_ptr<IPin>& peer) override;

    private:
        DvMuxFilter& owner_;
    };

    class Output final : public OutputPinBase, public SeekingPassThrough {
    public:
        explicit Output(DvMuxFilter& owner);
        HRESULT CheckMediaType(const AM_MEDIA_TYPE& mediaType) override;
        std::vector<AM_MEDIA_TYPE> offeredMediaTypes() override;

    protected:
        HRESULT produceSample(std::shared_ptr<IMediaSample>* sample) override;
        void onBeginFlush() override;
        void onEndFlush() override;

    private:
        DvMuxFilter& owner_;
    };

    static StreamKind kindOf(const AM_MEDIA_TYPE& mt);
    HRESULT checkInput(const Input& pin, const AM_MEDIA_TYPE& mt);
    // With NTSC video, sound at a rate NTSC DV does not carry is refused when the upstream pin
    // can give it at 48000 Hz, so that it is not resampled a second time here.
    bool wantsCarriedRateInstead(const std::shared_ptr<IPin>& connector, const AM_MEDIA_TYPE& mt);
    void exposeSecondInput();
    Input* connectedInput(StreamKind kind);
    std::optional<DvStandard> videoStandard();
    DvMuxerOptions muxerOptions();
    HRESULT restartMuxer();
    HRESULT produce(std::shared_ptr<IMediaSample>* sample);
    HRESULT fillSound(Input& audio);
    HRESULT fail(const QString& error);

    Input first_;
    Input second_;
    Output output_;
    std::mutex pins_mutex_;
    bool second_exposed_ = false;

    // Streaming state, used by the output's streaming call; the mutex guards what the property
    // page reads.
    std::mutex muxer_mutex_;
    std::unique_ptr<DvMuxer> muxer_;
    QString last_error_;
    std::atomic<bool> restart_{true};
    bool audio_ended_ = false;
    std::optional<SampleAllocator> allocator_;
};

std::shared_ptr<DvMuxFilter> CreateDvMuxFilter();

} // namespace platform
