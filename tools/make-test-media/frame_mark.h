#pragma once

#include "tools/make-test-media/clip_ids.h"
#include "tools/make-test-media/tone_mark.h"

#include <QImage>
#include <QRect>

#include <optional>

// A machine-readable mark in every generated picture, telling which clip and which frame it is.
//
// Layout: a band across the full width of the picture, centred vertically, one tenth of the
// picture's height tall, split into kFrameMarkCells equal cells, each black or white:
//   cell 0      black  (start)
//   cell 1      white  (start)
//   cells 2-5   clip id, 4 bits, most significant first (white = 1)
//   cells 6-17  frame number, 12 bits, most significant first
//   cell 18     parity: white when the 16 data bits hold an odd number of ones
//   cell 19     black  (stop)
// The reader samples the centre of each cell only, so the mark survives scaling of the picture
// into an area of the output frame, letterboxing and DV compression.

namespace testmedia {

inline constexpr int kFrameMarkCells = 20;
inline constexpr int kMaxFrameNumber = 4095;

struct FrameMark {
    int clipId;
    int frameNumber;
    bool operator==(const FrameMark&) const = default;
};

// The band of the mark inside a picture area.
QRect frameMarkBand(QRect area);

// Draws the mark over the band of the whole image. Throws std::out_of_range for a clip id outside
// 0..15 or a frame number outside 0..4095.
void drawFrameMark(QImage& image, FrameMark mark);

// Reads the mark of a picture that was scaled into activeArea of the image. Gives nothing when
// the band does not hold a well-formed mark.
std::optional<FrameMark> readFrameMark(const QImage& image, QRect activeArea);

} // namespace testmedia
