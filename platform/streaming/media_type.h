#pragma once

#include "platform/system/guid.h"
#include "platform/system/hresult.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace platform {

// Builds the media subtype GUID that corresponds to a FOURCC code.
constexpr GUID fourccGuid(std::uint32_t fourcc) {
    return GUID{fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
constexpr std::uint32_t makeFourcc(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}

inline constexpr GUID MEDIATYPE_Video = fourccGuid(makeFourcc('v', 'i', 'd', 's'));
inline constexpr GUID MEDIATYPE_Audio = fourccGuid(makeFourcc('a', 'u', 'd', 's'));
inline constexpr GUID MEDIATYPE_Interleaved = fourccGuid(makeFourcc('i', 'a', 'v', 's'));
inline constexpr GUID MEDIATYPE_Text = fourccGuid(makeFourcc('t', 'x', 't', 's'));
inline constexpr GUID MEDIATYPE_Stream{
    0xE436EB83, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

inline constexpr GUID MEDIASUBTYPE_RGB24{
    0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_RGB32{
    0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
inline constexpr GUID MEDIASUBTYPE_PCM = fourccGuid(0x00000001);
inline constexpr GUID MEDIASUBTYPE_dvsd = fourccGuid(makeFourcc('d', 'v', 's', 'd'));
inline constexpr GUID MEDIASUBTYPE_YV12 = fourccGuid(makeFourcc('Y', 'V', '1', '2'));
inline constexpr GUID MEDIASUBTYPE_I420 = fourccGuid(makeFourcc('I', '4', '2', '0'));
inline constexpr GUID MEDIASUBTYPE_YUY2 = fourccGuid(makeFourcc('Y', 'U', 'Y', '2'));

inline constexpr GUID FORMAT_None{
    0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr GUID FORMAT_VideoInfo{
    0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_WaveFormatEx{
    0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
inline constexpr GUID FORMAT_DvInfo{
    0x05589F84, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};

struct RECT {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct BITMAPINFOHEADER {
    std::uint32_t biSize = 40;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The video format block: 88 bytes, laid out as the platform's consumers expect.
struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    std::uint32_t dwBitRate = 0;
    std::uint32_t dwBitErrorRate = 0;
    REFERENCE_TIME AvgTimePerFrame = 0;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER) == 88);

#pragma pack(push, 1)
struct WAVEFORMATEX {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    std::uint32_t nSamplesPerSec = 0;
    std::uint32_t nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18);

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// A media type with its own format block. Copying copies the block.
struct AM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    std::uint32_t lSampleSize = 0;
    GUID formattype;
    std::vector<std::uint8_t> pbFormat;

    std::uint32_t cbFormat() const { return static_cast<std::uint32_t>(pbFormat.size()); }
    bool isEmpty() const { return majortype.isNull() && subtype.isNull() && formattype.isNull(); }

    friend bool operator==(const AM_MEDIA_TYPE&, const AM_MEDIA_TYPE&) = default;

    // Typed view of the format block; nullopt when the block is too short.
    template <typename Block> std::optional<Block> formatAs() const {
        if (pbFormat.size() < sizeof(Block)) {
            return std::nullopt;
        }
        Block block;
        std::memcpy(&block, pbFormat.data(), sizeof(Block));
        return block;
    }
    template <typename Block> void setFormat(const GUID& type, const Block& block) {
        formattype = type;
        pbFormat.resize(sizeof(Block));
        std::memcpy(pbFormat.data(), &block, sizeof(Block));
    }
};

// Releases the format block and clears the record (the platform's FreeMediaType).
inline void FreeMediaType(AM_MEDIA_TYPE& mt) {
    mt = AM_MEDIA_TYPE{};
}

} // namespace platform

namespace platform {

// Short readable name of a well-known type GUID, or its text form.
QString guidName(const GUID& guid);
// One-line description of a media type for diagnostics and graph dumps.
QString describeMediaType(const AM_MEDIA_TYPE& mt);

} // namespace platform
