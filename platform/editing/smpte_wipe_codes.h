#pragma once

#include <cstddef>
#include <span>

namespace platform {

// Number of SMPTE wipe codes ("MaskNum" values) the wipe transition understands.
inline constexpr std::size_t kSmpteWipeCodeCount = 134;

// Every supported wipe code, in ascending order.
std::span<const int> smpteWipeCodes();

// True when `code` is one of smpteWipeCodes().
bool isValidWipeCode(int code);

} // namespace platform
