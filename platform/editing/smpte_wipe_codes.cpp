#include "platform/editing/smpte_wipe_codes.h"

#include <algorithm>
#include <array>

namespace platform {
namespace {

constexpr std::array<int, kSmpteWipeCodeCount> kCodes = {
    // Simple
    1, 2, 3, 4, 5, 6, 7, 8, 21, 22, 23, 24, 25, 26, 41, 42, 43, 44, 45, 46, 47, 48,
    // Wedge
    61, 62, 63, 64, 65, 66, 67, 68,
    // Sawtooth
    71, 72, 73, 74,
    // Figure
    101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 119, 120, 121, 122, 123,
    124, 125, 127, 128, 129, 130, 131,
    // Radial
    201, 202, 203, 204, 205, 206, 207, 211, 212, 213, 214, 221, 222, 223, 224, 225, 226, 227, 228,
    231, 232, 233, 234, 235, 236, 241, 242, 243, 244, 245, 246, 251, 252, 253, 254, 261, 262, 263,
    264,
    // Matrix
    301, 302, 303, 304, 305, 306, 310, 311, 312, 313, 314, 315, 316, 317, 320, 321, 322, 323, 324,
    325, 326, 327, 328, 329, 340, 341, 342, 343, 344, 345,
    // Waterfall
    350, 351, 352, 353,
    // Random mask
    409};

static_assert(std::is_sorted(kCodes.begin(), kCodes.end()));
static_assert(std::adjacent_find(kCodes.begin(), kCodes.end()) == kCodes.end());

} // namespace

std::span<const int> smpteWipeCodes() {
    return kCodes;
}

bool isValidWipeCode(int code) {
    return std::binary_search(kCodes.begin(), kCodes.end(), code);
}

} // namespace platform
