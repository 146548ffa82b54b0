#pragma once

#include <QString>

// Hostile media for robustness tests: files a user may drop onto the playlist that are broken,
// misnamed, tiny, huge or in formats far from DV (names are a contract of the tests).
//   truncated_clip.avi   the first 40 % of a clip (no index)
//   truncated_head.mp4   the head of an MP4 whose index comes last (unplayable)
//   empty.mp4, empty.jpg zero bytes
//   avi_named.mp4        an AVI clip named .mp4
//   png_named.jpg        a PNG picture named .jpg
//   text.jpg             plain text named .jpg
//   tiny_1x1.png         a picture of one pixel
//   huge_9600.png        a picture of 9600 x 9600 pixels
//   surround_96k.wav     96 kHz, six channels (5.1), 16-bit
//   eight_bit.wav        22.05 kHz mono, 8-bit unsigned
//   variable_rate.mkv    frames 20, 60 and then 500 ms apart
//   yuv444p10.mkv        10-bit 4:4:4 video (FFV1)
//   animated.gif         an animated GIF of 20 frames
//   victim.avi           a clip that tests delete or truncate while it plays
namespace testmedia {

// Writes the hostile set into folder (created if needed, existing files replaced). Throws
// std::runtime_error on failure.
void writeHostileSet(const QString& folder);

} // namespace testmedia
