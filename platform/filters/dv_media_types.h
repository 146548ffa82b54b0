#pragma once

#include "platform/filters/dv_format.h"
#include "platform/streaming/media_type.h"

#include <cstdint>
#include <optional>

// Media types around the DV video encoder and the DV multiplexer. Header only, so that the
// render engine can offer the encoder's native input types without linking the filters.
//
// Inputs of the encoder (720 pixels wide, 576 lines PAL / 480 lines NTSC, FORMAT_VideoInfo):
//   MEDIASUBTYPE_RGB24 - B,G,R bytes, bottom-up when biHeight > 0, top-down when biHeight < 0;
//   MEDIASUBTYPE_I420  - planar 4:2:0 Y,U,V (PAL native), limited range BT.601;
//   MEDIASUBTYPE_YV12  - planar 4:2:0 Y,V,U;
//   MEDIASUBTYPE_Y41B  - planar 4:1:1 Y,U,V (NTSC native): chroma planes a quarter wide, full
//                        height.
// Planar types are always top-down, with tightly packed planes.
// Output: MEDIATYPE_Video / MEDIASUBTYPE_dvsd / FORMAT_VideoInfo (biCompression 'dvsd'), one
// complete DV25 frame of 144000 (PAL) or 120000 (NTSC) bytes per sample.
namespace platform {

inline constexpr GUID MEDIASUBTYPE_Y41B = fourccGuid(makeFourcc('Y', '4', '1', 'B'));

// The DV frame description that rides along with a DV stream (its AAUX and VAUX source and
// control packs; zero where unknown).
struct DVINFO {
    std::uint32_t dwDVAAuxSrc = 0;
    std::uint32_t dwDVAAuxCtl = 0;
    std::uint32_t dwDVAAuxSrc1 = 0;
    std::uint32_t dwDVAAuxCtl1 = 0;
    std::uint32_t dwDVVAuxSrc = 0;
    std::uint32_t dwDVVAuxCtl = 0;
    std::uint32_t dwDVReserved[2] = {0, 0};
};
static_assert(sizeof(DVINFO) == 32);

enum class DvInputKind { Rgb24BottomUp, Rgb24TopDown, I420, Yv12, Y41b };

inline constexpr REFERENCE_TIME dvAvgTimePerFrame(DvStandard standard) {
    return standard == DvStandard::Pal ? 400000 : 333667;
}

inline constexpr std::uint32_t dvInputSampleBytes(DvStandard standard, DvInputKind kind) {
    const auto pixels = static_cast<std::uint32_t>(kDvWidth * dvHeight(standard));
    switch (kind) {
    case DvInputKind::Rgb24BottomUp:
    case DvInputKind::Rgb24TopDown:
        return pixels * 3;
    case DvInputKind::I420:
    case DvInputKind::Yv12:
    case DvInputKind::Y41b:
        return pixels * 3 / 2;
    }
    return 0;
}

inline AM_MEDIA_TYPE makeDvVideoInfoType(const GUID& subtype, std::uint32_t compression,
                                         std::uint16_t bitCount, int height,
                                         std::uint32_t sampleBytes, DvStandard standard) {
    AM_MEDIA_TYPE mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = sampleBytes;
    VIDEOINFOHEADER vih;
    vih.rcSource = RECT{0, 0, kDvWidth, dvHeight(standard)};
    vih.rcTarget = vih.rcSource;
    vih.AvgTimePerFrame = dvAvgTimePerFrame(standard);
    vih.dwBitRate = static_cast<std::uint32_t>(std::uint64_t{sampleBytes} * 8 * UNITS /
                                               static_cast<std::uint64_t>(vih.AvgTimePerFrame));
    vih.bmiHeader.biWidth = kDvWidth;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = bitCount;
    vih.bmiHeader.biCompression = compression;
    vih.bmiHeader.biSizeImage = sampleBytes;
    mt.setFormat(FORMAT_VideoInfo, vih);
    return mt;
}

// An input type of the encoder for `standard`.
inline AM_MEDIA_TYPE makeDvEncoderInputType(DvStandard standard, DvInputKind kind) {
    const int height = dvHeight(standard);
    const std::uint32_t bytes = dvInputSampleBytes(standard, kind);
    switch (kind) {
    case DvInputKind::Rgb24BottomUp:
        return makeDvVideoInfoType(MEDIASUBTYPE_RGB24, 0, 24, height, bytes, standard);
    case DvInputKind::Rgb24TopDown:
        return makeDvVideoInfoType(MEDIASUBTYPE_RGB24, 0, 24, -height, bytes, standard);
    case DvInputKind::I420:
        return makeDvVideoInfoType(MEDIASUBTYPE_I420, makeFourcc('I', '4', '2', '0'), 12, height,
                                   bytes, standard);
    case DvInputKind::Yv12:
        return makeDvVideoInfoType(MEDIASUBTYPE_YV12, makeFourcc('Y', 'V', '1', '2'), 12, height,
                                   bytes, standard);
    case DvInputKind::Y41b:
        return makeDvVideoInfoType(MEDIASUBTYPE_Y41B, makeFourcc('Y', '4', '1', 'B'), 12, height,
                                   bytes, standard);
    }
    return {};
}

// The native planar input of a standard: I420 for PAL, Y41B for NTSC.
inline constexpr DvInputKind dvNativeInputKind(DvStandard standard) {
    return standard == DvStandard::Pal ? DvInputKind::I420 : DvInputKind::Y41b;
}

// The DV video type (encoder output, multiplexer input and output).
inline AM_MEDIA_TYPE makeDvsdType(DvStandard standard) {
    const auto bytes = static_cast<std::uint32_t>(dvFrameBytes(standard));
    return makeDvVideoInfoType(MEDIASUBTYPE_dvsd, makeFourcc('d', 'v', 's', 'd'), 24,
                               dvHeight(standard), bytes, standard);
}

// The input kind and standard of an encoder input type; none when it is not one of them
// (wrong subtype, format block, width or height, or a sample size too small).
struct DvInputFormat {
    DvStandard standard;
    DvInputKind kind;
};
inline std::optional<DvInputFormat> dvInputFormatOf(const AM_MEDIA_TYPE& mt) {
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo) {
        return std::nullopt;
    }
    const auto vih = mt.formatAs<VIDEOINFOHEADER>();
    if (!vih || vih->bmiHeader.biWidth != kDvWidth) {
        return std::nullopt;
    }
    const int height = vih->bmiHeader.biHeight;
    const int lines = height < 0 ? -height : height;
    std::optional<DvStandard> standard;
    if (lines == dvHeight(DvStandard::Pal)) {
        standard = DvStandard::Pal;
    } else if (lines == dvHeight(DvStandard::Ntsc)) {
        standard = DvStandard::Ntsc;
    } else {
        return std::nullopt;
    }
    std::optional<DvInputKind> kind;
    if (mt.subtype == MEDIASUBTYPE_RGB24 && vih->bmiHeader.biBitCount == 24) {
        kind = height > 0 ? DvInputKind::Rgb24BottomUp : DvInputKind::Rgb24TopDown;
    } else if (mt.subtype == MEDIASUBTYPE_I420) {
        kind = DvInputKind::I420;
    } else if (mt.subtype == MEDIASUBTYPE_YV12) {
        kind = DvInputKind::Yv12;
    } else if (mt.subtype == MEDIASUBTYPE_Y41B) {
        kind = DvInputKind::Y41b;
    } else {
        return std::nullopt;
    }
    return DvInputFormat{*standard, *kind};
}

// The standard of a dvsd type by its picture height; none for another type.
inline std::optional<DvStandard> dvStandardOfDvsdType(const AM_MEDIA_TYPE& mt) {
    if (mt.subtype != MEDIASUBTYPE_dvsd || mt.formattype != FORMAT_VideoInfo) {
        return std::nullopt;
    }
    const auto vih = mt.formatAs<VIDEOINFOHEADER>();
    if (!vih) {
        return std::nullopt;
    }
    const int lines =
        vih->bmiHeader.biHeight < 0 ? -vih->bmiHeader.biHeight : vih->bmiHeader.biHeight;
    if (lines == dvHeight(DvStandard::Pal)) {
        return DvStandard::Pal;
    }
    if (lines == dvHeight(DvStandard::Ntsc)) {
        return DvStandard::Ntsc;
    }
    return std::nullopt;
}

} // namespace platform
