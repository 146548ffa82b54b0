#pragma once

// Sources for the device tests: DV frames (encoded and multiplexed with a tone) and PCM, as
// filters that stamp one frame (or chunk) after the other; a QApplication main for the window.
#include "platform/filters/dv_format.h"
#include "platform/streaming/filter_base.h"
#include "platform/streaming/source_pin.h"

#include <cstdint>
#include <vector>

namespace devicestest {

using Frames = std::vector<std::vector<std::uint8_t>>;

// `count` complete DV frames, each picture different (seeded), carrying a 1 kHz stereo tone at
// 48 kHz; `pcm` (optional) receives the interleaved sound that went in.
Frames makeDvFrames(platform::DvStandard standard, int count,
                    std::vector<std::int16_t>* pcm = nullptr);

// Hands out fixed buffers, one per frame time, as samples of a media type; `loop` starts over
// after the last one, without end.
class BufferSource final : public platform::FilterBase {
public:
    BufferSource(const platform::AM_MEDIA_TYPE& type, Frames buffers,
                 platform::REFERENCE_TIME duration_each, bool loop = false);
    ~BufferSource() override;
    platform::SourceOutputPin& pin();

private:
    class Pin;
    std::unique_ptr<Pin> pin_;
};

platform::AM_MEDIA_TYPE dvFrameType(platform::DvStandard standard);
platform::AM_MEDIA_TYPE pcmType(int sample_rate_hz, int channels);

} // namespace devicestest
