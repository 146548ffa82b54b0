#pragma once

#include "platform/editing/ffmpeg_ptr.h"
#include "platform/system/hresult.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

// Reads the DV frames of a file as they are stored, without decoding them, for frames that
// pass through the smart render engine unchanged. Only consumer DV25 (IEC 61834) frames of
// the wanted standard are taken; anything else reports !usable().
class DvFrameReader {
public:
    DvFrameReader(const QString& path, bool ntsc);

    bool usable() const { return usable_; }
    // The frame at a media time of the file (the frame nearest to it); false when it cannot be
    // read (the reader is then no longer usable).
    bool read(REFERENCE_TIME mediaTime, std::vector<std::uint8_t>& frame);

private:
    bool readPacket(std::vector<std::uint8_t>& frame, std::int64_t* index);
    bool isWantedFrame(const AVPacket& packet) const;

    const bool ntsc_;
    const std::size_t frameBytes_;
    ffmpeg::InputFormatPtr input_;
    ffmpeg::PacketPtr packet_;
    int stream_ = -1;
    AVRational timeBase_{1, 1};
    AVRational frameRate_{25, 1};
    std::int64_t nextIndex_ = -1; // index of the packet the next read gives, -1 unknown
    bool usable_ = false;
};

} // namespace platform
