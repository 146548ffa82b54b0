#pragma once

#include <array>

// The file extensions the media fuzz target gives its input, picked by the input's first byte.
namespace fuzzsupport {

inline constexpr std::array<const char*, 14> kMediaExtensions = {
    ".mp4", ".avi", ".mkv", ".mpg", ".dv",  ".wav", ".mp3",
    ".MP3", ".jpg", ".png", ".bmp", ".gif", ".ts",  ".txt"};

} // namespace fuzzsupport
