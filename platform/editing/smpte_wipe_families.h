#pragma once

// Threshold functions of the wipe families, used by the map builder. Coordinates are normalised
// pixel centres (x, y in (0, 1), y pointing down); a function returns the progress at which the
// incoming picture reaches that point.

#include <cmath>
#include <functional>

namespace platform::wipe_detail {

using ThresholdFn = std::function<double(double x, double y)>;

// Bars, boxes, diagonals, wedges and sawtooth edges (codes 1..74); empty for other codes.
ThresholdFn edgeThreshold(int code);

// Shapes grown from the centre (codes 101..131); empty for other codes. The result is a gauge
// that the caller divides by its maximum over the frame unless `normalised` is already true.
struct FigureGauge {
    ThresholdFn gauge;
    bool normalised = false;
};
FigureGauge figureGauge(int code, double display_aspect);

// Clock hands, fans and sweeps (codes 201..264); empty for other codes.
ThresholdFn radialThreshold(int code, double display_aspect);

// Tile orders: snakes, spirals, parallel and box snakes, waterfalls (codes 301..353); empty for
// other codes.
ThresholdFn matrixThreshold(int code);

// Shared helpers.
inline double frac(double t) {
    return t - std::floor(t);
}

} // namespace platform::wipe_detail
