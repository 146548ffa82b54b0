// The DV multiplexer's input: any options (rates it cannot carry included), sound in chunks of
// any size, and video frames of any size and content (encoded frames with bytes patched in).
// Every frame it makes is whole and of its standard, and a refused input is an error, never a
// crash.
#include "fuzz/fuzz_support.h"
#include "platform/filters/dv_muxer.h"
#include "platform/filters/dv_video_encoder.h"

#include <array>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return position_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[position_++]; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }
    std::size_t take(std::uint8_t* out, std::size_t wanted) {
        const std::size_t count = std::min(wanted, size_ - std::min(position_, size_));
        std::copy(data_ + position_, data_ + position_ + count, out);
        position_ += count;
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// One encoded grey frame per standard, made once.
const std::vector<std::uint8_t>& encodedFrame(platform::DvStandard standard) {
    static const std::array<std::vector<std::uint8_t>, 2> frames = [] {
        std::array<std::vector<std::uint8_t>, 2> made;
        for (const auto standard : {platform::DvStandard::Pal, platform::DvStandard::Ntsc}) {
            const int height = platform::dvHeight(standard);
            const int chroma_width = standard == platform::DvStandard::Pal ? 360 : 180;
            const int chroma_height = standard == platform::DvStandard::Pal ? height / 2 : height;
            std::vector<std::uint8_t> luma(static_cast<std::size_t>(platform::kDvWidth * height),
                                           128);
            std::vector<std::uint8_t> chroma(static_cast<std::size_t>(chroma_width * chroma_height),
                                             128);
            platform::DvPicture picture;
            picture.layout = platform::dvNativeLayout(standard);
            picture.planes = {luma.data(), chroma.data(), chroma.data()};
            picture.strides_bytes = {platform::kDvWidth, chroma_width, chroma_width};
            QString error;
            auto encoder = platform::DvVideoEncoder::create(standard, &error, 1);
            std::vector<std::uint8_t> frame(platform::dvFrameBytes(standard));
            if (!encoder || !encoder->encode(picture, frame, &error)) {
                fuzzsupport::fail("the grey frame can be encoded");
            }
            made[standard == platform::DvStandard::Pal ? 0 : 1] = std::move(frame);
        }
        return made;
    }();
    return frames[standard == platform::DvStandard::Pal ? 0 : 1];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const std::uint8_t setup = input.byte();
    platform::DvMuxerOptions options;
    options.standard = (setup & 1) != 0 ? platform::DvStandard::Ntsc : platform::DvStandard::Pal;
    constexpr std::array<int, 6> kRates = {48000, 44100, 32000, 22050, 96000, 0};
    if ((setup & 2) != 0) {
        options.audio = platform::DvAudioFormat{kRates[(setup >> 2) % kRates.size()],
                                                (setup & 0x20) != 0 ? 1 : 2};
    }
    if ((setup & 0x40) != 0) {
        options.start_timecode =
            QString::fromLatin1(reinterpret_cast<const char*>(data),
                                static_cast<qsizetype>(std::min<std::size_t>(size, 11)));
    }
    QString error;
    auto muxer = platform::DvMuxer::create(options, &error);
    if (!muxer) {
        fuzzsupport::require(!error.isEmpty(), "a refused set-up says why");
        return 0;
    }
    const std::size_t frame_bytes = platform::dvFrameBytes(options.standard);
    std::vector<std::uint8_t> out(frame_bytes);
    std::vector<std::int16_t> sound;
    for (int operations = 0; !input.empty() && operations < 64; ++operations) {
        switch (input.byte() % 4) {
        case 0: { // sound, any amount
            const std::size_t channels =
                options.audio ? static_cast<std::size_t>(options.audio->channels) : 2;
            const std::size_t frames = input.word() % 8192;
            sound.assign(frames * channels, 0);
            input.take(reinterpret_cast<std::uint8_t*>(sound.data()),
                       sound.size() * sizeof(std::int16_t));
            const bool pushed = muxer->pushAudio(sound.data(), frames, &error);
            fuzzsupport::require(pushed || !error.isEmpty(), "refused sound says why");
            break;
        }
        case 1: { // an encoded frame with bytes patched in
            std::vector<std::uint8_t> video = encodedFrame(options.standard);
            const std::size_t patches = input.byte() % 16;
            for (std::size_t i = 0; i < patches; ++i) {
                const std::size_t at = (static_cast<std::size_t>(input.word()) * 3) % video.size();
                video[at] = input.byte();
            }
            error.clear();
            if (muxer->muxFrame(video, out, &error)) {
                fuzzsupport::require(platform::dvStandardOfFrame(out.data()) == options.standard,
                                     "a muxed frame is of the muxer's standard");
            } else {
                fuzzsupport::require(!error.isEmpty(), "a refused frame says why");
            }
            break;
        }
        case 2: { // a frame of any size, made of the input's bytes
            std::vector<std::uint8_t> video(input.word() % (frame_bytes + 16));
            input.take(video.data(), video.size());
            error.clear();
            if (!muxer->muxFrame(video, out, &error)) {
                fuzzsupport::require(!error.isEmpty(), "a refused frame says why");
            }
            break;
        }
        default:
            fuzzsupport::require(muxer->samplesForNextFrame() >= 0, "a frame carries samples");
            muxer->bufferedSampleFrames();
            muxer->audioNote();
            break;
        }
    }
    return 0;
}
