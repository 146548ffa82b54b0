#include "platform/editing/smpte_wipe_families.h"

#include <algorithm>
#include <cmath>

namespace platform::wipe_detail {
namespace {

// Sawtooth: ten teeth along the edge, each one tenth of the travel deep.
constexpr double kTeeth = 10.0;
constexpr double kToothDepth = 1.0 / kTeeth;

// Triangle wave across the teeth: 0 at a tooth tip, 1 in a notch.
double tri(double t) {
    return std::abs(2.0 * frac(kTeeth * t) - 1.0);
}

double ax(double x) {
    return std::abs(2.0 * x - 1.0);
}

} // namespace

ThresholdFn edgeThreshold(int code) {
    constexpr double d = kToothDepth;
    switch (code) {
    case 1:
        return [](double x, double) { return x; };
    case 2:
        return [](double, double y) { return y; };
    case 3:
        return [](double x, double y) { return std::max(x, y); };
    case 4:
        return [](double x, double y) { return std::max(1.0 - x, y); };
    case 5:
        return [](double x, double y) { return std::max(1.0 - x, 1.0 - y); };
    case 6:
        return [](double x, double y) { return std::max(x, 1.0 - y); };
    case 7:
        return [](double x, double y) { return 1.0 - std::min(ax(x), ax(y)); };
    case 8:
        return [](double x, double y) { return std::max(ax(frac(2.0 * x)), ax(frac(2.0 * y))); };
    case 21:
        return [](double x, double) { return ax(x); };
    case 22:
        return [](double, double y) { return ax(y); };
    case 23:
        return [](double x, double y) { return std::max(ax(x), y); };
    case 24:
        return [](double x, double y) { return std::max(1.0 - x, ax(y)); };
    case 25:
        return [](double x, double y) { return std::max(ax(x), 1.0 - y); };
    case 26:
        return [](double x, double y) { return std::max(x, ax(y)); };
    case 41:
        return [](double x, double y) { return (x + y) / 2.0; };
    case 42:
        return [](double x, double y) { return (1.0 - x + y) / 2.0; };
    case 43:
        return [](double x, double y) { return (ax(x) + 1.0 - ax(y)) / 2.0; };
    case 44:
        return [](double x, double y) { return (ax(y) + 1.0 - ax(x)) / 2.0; };
    case 45:
        return [](double x, double y) { return std::abs(x + y - 1.0); };
    case 46:
        return [](double x, double y) { return std::abs(x - y); };
    case 47:
        return [](double x, double y) { return std::abs(ax(x) - ax(y)); };
    case 48:
        return [](double x, double y) { return std::abs(ax(x) + ax(y) - 1.0); };
    case 61:
        return [](double x, double y) { return (ax(x) + y) / 2.0; };
    case 62:
        return [](double x, double y) { return (ax(y) + 1.0 - x) / 2.0; };
    case 63:
        return [](double x, double y) { return (ax(x) + 1.0 - y) / 2.0; };
    case 64:
        return [](double x, double y) { return (ax(y) + x) / 2.0; };
    case 65:
        return [](double x, double y) { return std::abs(1.0 - ax(x) - y); };
    case 66:
        return [](double x, double y) { return std::abs(ax(y) - x); };
    case 67:
        return [](double x, double y) { return std::abs(ax(x) - y); };
    case 68:
        return [](double x, double y) { return std::abs(1.0 - ax(y) - x); };
    case 71:
        return [d](double x, double y) { return (x + d * tri(y)) / (1.0 + d); };
    case 72:
        return [d](double x, double y) { return (y + d * tri(x)) / (1.0 + d); };
    case 73:
        // One zig-zag line splitting into two parallel copies: the gap has constant width.
        return [d](double x, double y) {
            return std::abs(x - 0.5 - d * (tri(y) - 0.5)) / (0.5 + d / 2.0);
        };
    case 74:
        return [d](double x, double y) {
            return std::abs(y - 0.5 - d * (tri(x) - 0.5)) / (0.5 + d / 2.0);
        };
    default:
        return {};
    }
}

} // namespace platform::wipe_detail
