#pragma once

#include "platform/filters/dv_media_types.h"
#include "platform/system/hresult.h"

// The settings interface of a DV video encoder filter and its values.
namespace platform {

enum DVENCODERVIDEOFORMAT : int {
    DVENCODERVIDEOFORMAT_NTSC = 2000,
    DVENCODERVIDEOFORMAT_PAL = 2001,
};

enum DVENCODERFORMAT : int {
    DVENCODERFORMAT_DVSD = 2007,
    DVENCODERFORMAT_DVHD = 2008,
    DVENCODERFORMAT_DVSL = 2009,
};

enum DVENCODERRESOLUTION : int {
    DVENCODERRESOLUTION_720x480 = 2012,
    DVENCODERRESOLUTION_360x240 = 2013,
    DVENCODERRESOLUTION_180x120 = 2014,
    DVENCODERRESOLUTION_88x60 = 2015,
};

inline constexpr CLSID CLSID_DVVideoEnc{
    0x13AA3650, 0xBB6F, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}};

// Video format (PAL/NTSC), DV format and resolution of a DV encoder. Only full-resolution
// consumer DV (DVENCODERFORMAT_DVSD, DVENCODERRESOLUTION_720x480, the name of the full size
// for both standards) is produced. `dvInfo` asks for (get) or supplies (put) the DVINFO block;
// a supplied block is kept and handed back, it does not change the encoding.
class IDVEnc {
public:
    virtual ~IDVEnc() = default;
    virtual HRESULT get_IFormatResolution(int* videoFormat, int* dvFormat, int* resolution,
                                          bool dvInfo, DVINFO* info) = 0;
    // E_INVALIDARG for values outside those above; VFW_E_NOT_STOPPED while streaming and
    // VFW_E_ALREADY_CONNECTED when a connected pin would no longer fit the new standard.
    virtual HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution,
                                          bool dvInfo, DVINFO* info) = 0;
};

} // namespace platform
