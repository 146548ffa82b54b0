#include "platform/editing/smpte_wipe_families.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

// Figures are shapes S = {P : g(P) <= 1} scaled about the frame centre. g is a gauge (g(tP) =
// t g(P)), evaluated in display units with Y pointing up, so that circles come out round.

namespace platform::wipe_detail {
namespace {

using Gauge = std::function<double(double X, double Y)>;

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// Convex polygon given by the angles of its outward edge normals, every edge at distance 1.
Gauge convexPolygon(const std::vector<double>& normal_degrees) {
    std::vector<std::pair<double, double>> normals;
    for (const double a : normal_degrees) {
        normals.emplace_back(std::cos(radians(a)), std::sin(radians(a)));
    }
    return [normals](double X, double Y) {
        double g = -std::numeric_limits<double>::infinity();
        for (const auto& [c, s] : normals) {
            g = std::max(g, X * c + Y * s);
        }
        return g;
    };
}

Gauge ellipse(double a, double b) {
    return [a, b](double X, double Y) { return std::hypot(X / a, Y / b); };
}

// Disc with centre (cx, cy) and squared radius r2 that contains the origin (r2 >= |c|^2).
Gauge disc(double cx, double cy, double r2) {
    const double k = r2 - (cx * cx + cy * cy);
    return [cx, cy, k](double X, double Y) {
        const double q = X * cx + Y * cy;
        const double p2 = X * X + Y * Y;
        if (k > 0.0) {
            return (-q + std::sqrt(q * q + k * p2)) / k;
        }
        // Origin on the rim: points behind the tangent are never covered.
        return q > 0.0 ? p2 / (2.0 * q) : std::numeric_limits<double>::infinity();
    };
}

// Star with `points` tips of radius 1 (one pointing up) and inner vertices of radius `inner`.
Gauge star(int points, double inner) {
    const int vertex_count = 2 * points;
    const double step = 2.0 * std::numbers::pi / vertex_count;
    // Per edge m (vertex m to m+1, counter-clockwise), the coefficients (a, b) with g = aX + bY.
    std::vector<std::pair<double, double>> edges;
    for (int m = 0; m < vertex_count; ++m) {
        const auto vertex = [&](int k) {
            const double r = (k % 2 == 0) ? 1.0 : inner;
            const double angle = std::numbers::pi / 2.0 + step * k;
            return std::pair{r * std::cos(angle), r * std::sin(angle)};
        };
        const auto [x0, y0] = vertex(m);
        const auto [x1, y1] = vertex((m + 1) % vertex_count);
        const double nx = y1 - y0;
        const double ny = -(x1 - x0);
        const double distance = nx * x0 + ny * y0;
        edges.emplace_back(nx / distance, ny / distance);
    }
    return [edges, step, vertex_count](double X, double Y) {
        double relative = std::atan2(Y, X) - std::numbers::pi / 2.0;
        relative = std::fmod(relative, 2.0 * std::numbers::pi);
        if (relative < 0.0) {
            relative += 2.0 * std::numbers::pi;
        }
        const int m = std::min(static_cast<int>(relative / step), vertex_count - 1);
        const auto& [a, b] = edges[static_cast<std::size_t>(m)];
        return a * X + b * Y;
    };
}

// Rectangle of half-size a x b with corners rounded by radius r (the radius scales along).
Gauge roundedRectangle(double a, double b, double r) {
    return [a, b, r](double X, double Y) {
        const double u = std::abs(X);
        const double v = std::abs(Y);
        const double t1 = std::max(u / a, v / b);
        const double ca = a - r;
        const double cb = b - r;
        if (u > t1 * ca && v > t1 * cb) {
            const double q = ca * ca + cb * cb - r * r;
            const double s = u * ca + v * cb;
            const double p2 = u * u + v * v;
            if (q == 0.0) {
                return p2 / (2.0 * s);
            }
            return (s - std::sqrt(std::max(0.0, s * s - q * p2))) / q;
        }
        return t1;
    };
}

Gauge unionOf(std::vector<Gauge> parts) {
    return [parts = std::move(parts)](double X, double Y) {
        double g = std::numeric_limits<double>::infinity();
        for (const auto& part : parts) {
            g = std::min(g, part(X, Y));
        }
        return g;
    };
}

Gauge intersectionOf(Gauge first, Gauge second) {
    return [first = std::move(first), second = std::move(second)](double X, double Y) {
        return std::max(first(X, Y), second(X, Y));
    };
}

enum class Pointing { Up, Right, Down, Left };

// Turns a shape defined pointing up into the given direction.
Gauge pointing(Gauge up, Pointing direction) {
    switch (direction) {
    case Pointing::Up:
        return up;
    case Pointing::Right:
        return [up = std::move(up)](double X, double Y) { return up(-Y, X); };
    case Pointing::Down:
        return [up = std::move(up)](double X, double Y) { return up(-X, -Y); };
    case Pointing::Left:
        return [up = std::move(up)](double X, double Y) { return up(Y, -X); };
    }
    return up;
}

// Equilateral triangle, apex up, centroid at the origin.
Gauge triangleUp() {
    return convexPolygon({-90.0, 30.0, 150.0});
}

// The triangle with a V notch cut into its base; the notch vertex is at (0, -0.5).
Gauge arrowHeadUp() {
    const double slope = 1.0 / std::sqrt(12.0);
    return intersectionOf(triangleUp(),
                          [slope](double X, double Y) { return -2.0 * (Y + std::abs(X) * slope); });
}

std::vector<double> regularNormals(double first_degrees, int count) {
    std::vector<double> normals;
    for (int k = 0; k < count; ++k) {
        normals.push_back(first_degrees + 360.0 / count * k);
    }
    return normals;
}

Gauge figureGaugeInDisplaySpace(int code) {
    switch (code) {
    case 103:
    case 104:
    case 105:
    case 106:
        return pointing(triangleUp(), static_cast<Pointing>(code - 103));
    case 107:
    case 108:
    case 109:
    case 110:
        return pointing(arrowHeadUp(), static_cast<Pointing>(code - 107));
    case 111:
        return convexPolygon(regularNormals(-90.0, 5));
    case 112:
        return convexPolygon(regularNormals(90.0, 5));
    case 113:
        return convexPolygon(regularNormals(30.0, 6));
    case 114:
        return convexPolygon(regularNormals(0.0, 6));
    case 119:
        return ellipse(1.0, 1.0);
    case 120:
        return ellipse(2.0, 1.0);
    case 121:
        return ellipse(1.0, 2.0);
    case 122:
        return intersectionOf(disc(0.0, 1.0, 4.0), disc(0.0, -1.0, 4.0));
    case 123:
        return intersectionOf(disc(1.0, 0.0, 4.0), disc(-1.0, 0.0, 4.0));
    case 124:
        return roundedRectangle(2.0, 1.0, 0.5);
    case 125:
        return roundedRectangle(1.0, 2.0, 0.5);
    case 127:
        return star(4, 0.5);
    case 128:
        return star(5, 0.381966);
    case 129:
        return star(6, 1.0 / std::sqrt(3.0));
    case 130:
        // A square on its corner with two half-discs on its upper sides; point down.
        return unionOf({[](double X, double Y) { return std::abs(X) + std::abs(Y); },
                        disc(0.5, 0.5, 0.5), disc(-0.5, 0.5, 0.5)});
    case 131:
        // A disc above a tall triangle whose base flares out below.
        return unionOf({[](double X, double Y) {
                            return std::max({-Y, 4.0 * X + Y, -4.0 * X + Y});
                        },
                        disc(0.0, 0.5, 0.25)});
    default:
        return {};
    }
}

double ax(double x) {
    return std::abs(2.0 * x - 1.0);
}

} // namespace

FigureGauge figureGauge(int code, double display_aspect) {
    if (code == 101) {
        return {[](double x, double y) { return std::max(ax(x), ax(y)); }, true};
    }
    if (code == 102) {
        return {[](double x, double y) { return (ax(x) + ax(y)) / 2.0; }, true};
    }
    Gauge gauge = figureGaugeInDisplaySpace(code);
    if (!gauge) {
        return {};
    }
    return {[gauge = std::move(gauge), display_aspect](double x, double y) {
                return gauge((x - 0.5) * display_aspect, 0.5 - y);
            },
            false};
}

} // namespace platform::wipe_detail
