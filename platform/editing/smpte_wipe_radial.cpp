#include "platform/editing/smpte_wipe_families.h"

#include <algorithm>
#include <cmath>
#include <numbers>

// Hands turn at constant angular speed about a pivot. Angles are measured on the display (x
// scaled by the display aspect), clockwise from 12 o'clock as seen on screen.

namespace platform::wipe_detail {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2.0;

constexpr double kUp = 0.0;
constexpr double kRight = kHalfPi;
constexpr double kDown = kPi;
constexpr double kLeft = 3.0 * kHalfPi;

double positiveMod(double a, double b) {
    const double r = std::fmod(a, b);
    return r < 0.0 ? r + b : r;
}

// Angle geometry about one pivot for one point.
class Hand {
public:
    Hand(double x, double y, double px, double py, double aspect)
        : theta_(positiveMod(std::atan2((x - px) * aspect, -(y - py)), kTwoPi)) {}

    // How far the hand has turned clockwise / counter-clockwise from direction s.
    double cw(double s) const { return positiveMod(theta_ - s, kTwoPi); }
    double ccw(double s) const { return positiveMod(s - theta_, kTwoPi); }
    // Angular distance from direction s either way, for fans.
    double delta(double s) const { return std::min(cw(s), ccw(s)); }

private:
    double theta_;
};

} // namespace

ThresholdFn radialThreshold(int code, double aspect) {
    const double A = aspect;
    const auto at = [A](double x, double y, double px, double py) { return Hand(x, y, px, py, A); };
    switch (code) {
    case 201:
    case 202:
    case 203:
    case 204: {
        const double start = kUp + kHalfPi * (code - 201);
        return [at, start](double x, double y) { return at(x, y, 0.5, 0.5).cw(start) / kTwoPi; };
    }
    case 205:
        return
            [at](double x, double y) { return positiveMod(at(x, y, 0.5, 0.5).cw(kUp), kPi) / kPi; };
    case 206:
        return [at](double x, double y) {
            return positiveMod(at(x, y, 0.5, 0.5).cw(kRight), kPi) / kPi;
        };
    case 207:
        return [at](double x, double y) {
            return positiveMod(at(x, y, 0.5, 0.5).cw(kUp), kHalfPi) / kHalfPi;
        };
    case 211:
        return [at](double x, double y) { return at(x, y, 0.5, 0.5).delta(kUp) / kPi; };
    case 212:
        return [at](double x, double y) { return at(x, y, 0.5, 0.5).delta(kRight) / kPi; };
    case 213:
        return [at](double x, double y) {
            const Hand h = at(x, y, 0.5, 0.5);
            return std::min(h.delta(kUp), h.delta(kDown)) / kHalfPi;
        };
    case 214:
        return [at](double x, double y) {
            const Hand h = at(x, y, 0.5, 0.5);
            return std::min(h.delta(kRight), h.delta(kLeft)) / kHalfPi;
        };
    case 221:
        return [at](double x, double y) { return at(x, y, 0.5, 0.0).cw(kRight) / kPi; };
    case 222:
        return [at](double x, double y) { return at(x, y, 1.0, 0.5).cw(kDown) / kPi; };
    case 223:
        return [at](double x, double y) { return at(x, y, 0.5, 1.0).cw(kLeft) / kPi; };
    case 224:
        return [at](double x, double y) { return at(x, y, 0.0, 0.5).cw(kUp) / kPi; };
    case 225:
        return [at](double x, double y) {
            return x >= 0.5 ? at(x, y, 0.5, 0.0).cw(kRight) / kHalfPi
                            : at(x, y, 0.5, 1.0).cw(kLeft) / kHalfPi;
        };
    case 226:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.0, 0.5).cw(kUp) / kHalfPi
                           : at(x, y, 1.0, 0.5).cw(kDown) / kHalfPi;
        };
    case 227:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.5, 0.0).cw(kRight) / kPi
                           : at(x, y, 0.5, 1.0).ccw(kRight) / kPi;
        };
    case 228:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.0, 0.5).cw(kUp) / kPi : at(x, y, 1.0, 0.5).ccw(kUp) / kPi;
        };
    case 231:
        return [at](double x, double y) { return at(x, y, 0.5, 0.0).delta(kDown) / kHalfPi; };
    case 232:
        return [at](double x, double y) { return at(x, y, 1.0, 0.5).delta(kLeft) / kHalfPi; };
    case 233:
        return [at](double x, double y) { return at(x, y, 0.5, 1.0).delta(kUp) / kHalfPi; };
    case 234:
        return [at](double x, double y) { return at(x, y, 0.0, 0.5).delta(kRight) / kHalfPi; };
    case 235:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.5, 0.0).delta(kDown) / kHalfPi
                           : at(x, y, 0.5, 1.0).delta(kUp) / kHalfPi;
        };
    case 236:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.0, 0.5).delta(kRight) / kHalfPi
                           : at(x, y, 1.0, 0.5).delta(kLeft) / kHalfPi;
        };
    case 241:
        return [at](double x, double y) { return at(x, y, 0.0, 0.0).cw(kRight) / kHalfPi; };
    case 242:
        return [at](double x, double y) { return at(x, y, 0.0, 1.0).ccw(kRight) / kHalfPi; };
    case 243:
        return [at](double x, double y) { return at(x, y, 1.0, 1.0).cw(kLeft) / kHalfPi; };
    case 244:
        return [at](double x, double y) { return at(x, y, 1.0, 0.0).ccw(kLeft) / kHalfPi; };
    case 245: {
        // Each hand sweeps from its frame edge to the top-left/bottom-right diagonal.
        const double phi = std::atan(1.0 / A);
        return [at, phi](double x, double y) {
            return y < x ? at(x, y, 0.0, 0.0).cw(kRight) / phi : at(x, y, 1.0, 1.0).cw(kLeft) / phi;
        };
    }
    case 246: {
        const double psi = std::atan(A);
        return [at, psi](double x, double y) {
            return x + y < 1.0 ? at(x, y, 0.0, 1.0).cw(kUp) / psi
                               : at(x, y, 1.0, 0.0).cw(kDown) / psi;
        };
    }
    case 251:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.0, 0.0).cw(kRight) / kHalfPi
                           : at(x, y, 1.0, 0.0).ccw(kLeft) / kHalfPi;
        };
    case 252:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.0, 0.0).ccw(kDown) / kHalfPi
                           : at(x, y, 0.0, 1.0).cw(kUp) / kHalfPi;
        };
    case 253:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.0, 1.0).ccw(kRight) / kHalfPi
                           : at(x, y, 1.0, 1.0).cw(kLeft) / kHalfPi;
        };
    case 254:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 1.0, 0.0).cw(kDown) / kHalfPi
                           : at(x, y, 1.0, 1.0).ccw(kUp) / kHalfPi;
        };
    case 261:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.5, 0.25).ccw(kDown) / kTwoPi
                           : at(x, y, 0.5, 0.75).cw(kUp) / kTwoPi;
        };
    case 262:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.25, 0.5).ccw(kRight) / kTwoPi
                           : at(x, y, 0.75, 0.5).cw(kLeft) / kTwoPi;
        };
    case 263:
        return [at](double x, double y) {
            return y < 0.5 ? at(x, y, 0.5, 0.25).delta(kUp) / kPi
                           : at(x, y, 0.5, 0.75).delta(kDown) / kPi;
        };
    case 264:
        return [at](double x, double y) {
            return x < 0.5 ? at(x, y, 0.25, 0.5).delta(kLeft) / kPi
                           : at(x, y, 0.75, 0.5).delta(kRight) / kPi;
        };
    default:
        return {};
    }
}

} // namespace platform::wipe_detail
