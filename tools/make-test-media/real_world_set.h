#pragma once

#include <QString>

// Media as cameras and phones make them, in the folder real_world/ of the test set:
//   late_sound.mp4 / .ts / .mkv   3 s of picture (clip id 12); the sound starts 1 s after the
//                                 picture (an edit list in MP4) and lasts 2 s: tone 12 in its
//                                 first second, tone 13 in its second, beeps at whole seconds
//                                 of the file's time
//   portrait.mp4                  1 s, clip id 15, stored turned a quarter to the left; its
//                                 display matrix turns it back a quarter to the right
//   portrait_exif.jpg             a portrait photo stored on its side with EXIF orientation 6
//                                 (picture number 30)
//   interlaced_tff.mpg / _bff.mpg 1 s of 1920x1080 interlaced MPEG-2, top or bottom field
//                                 first; every line of the top field is light grey, every line
//                                 of the bottom field dark grey
//   huge.png                      a 9600 x 9600 grey picture (picture number 31)

namespace testmedia {

// Writes the set into `folder`/real_world. Throws std::runtime_error on failure.
void writeRealWorldSet(const QString& folder);

// Grey levels of the two fields of the interlaced clips.
inline constexpr int kTopFieldGrey = 200;
inline constexpr int kBottomFieldGrey = 40;

} // namespace testmedia
