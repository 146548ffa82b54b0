#include "platform/editing/smpte_wipe_families.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

// Matrix wipes reveal an 8 x 8 grid of tiles in a fixed order; each tile fills smoothly in the
// direction the snake travels through it. Waterfalls pour columns (rows) with a lag of one tile.

namespace platform::wipe_detail {
namespace {

constexpr int kColumns = 8;
constexpr int kRows = 8;
// Strips of the diagonal snakes: one per tile anti-diagonal of the grid.
constexpr int kDiagonalStrips = kColumns + kRows - 1;
// Strips per half of the diagonal parallel snakes.
constexpr int kParallelDiagonalStrips = 8;

int cell(double t, int count) {
    return std::clamp(static_cast<int>(std::floor(t * count)), 0, count - 1);
}

bool isEven(int n) {
    return n % 2 == 0;
}

// Directions in clockwise order on screen (y down).
enum class Direction { Right, Down, Left, Up };

Direction turned(Direction d, bool clockwise) {
    const int step = clockwise ? 1 : 3;
    return static_cast<Direction>((static_cast<int>(d) + step) % 4);
}

int dx(Direction d) {
    return d == Direction::Right ? 1 : d == Direction::Left ? -1 : 0;
}
int dy(Direction d) {
    return d == Direction::Down ? 1 : d == Direction::Up ? -1 : 0;
}

// Step numbers and fill directions of a spiral walk over a grid of columns x rows tiles.
class SpiralOrder {
public:
    SpiralOrder(int columns, int rows, int start_column, int start_row, Direction first,
                bool clockwise)
        : columns_(columns), rows_(rows), step_(index(columns, rows), -1),
          fill_(index(columns, rows), first) {
        int c = start_column;
        int r = start_row;
        Direction heading = first;
        Direction entry = first;
        for (int k = 0; k < columns * rows; ++k) {
            step_[index(c, r)] = k;
            fill_[index(c, r)] = entry;
            bool moved = false;
            for (int attempt = 0; attempt < 2 && !moved; ++attempt) {
                const int nc = c + dx(heading);
                const int nr = r + dy(heading);
                if (nc >= 0 && nc < columns && nr >= 0 && nr < rows && step_[index(nc, nr)] < 0) {
                    c = nc;
                    r = nr;
                    entry = heading;
                    moved = true;
                } else {
                    heading = turned(heading, clockwise);
                }
            }
            if (!moved) {
                break;
            }
        }
    }

    // Threshold at (x, y); the tile size is that of the full frame grid, the walk covers only
    // the first columns_ x rows_ tiles.
    double threshold(double x, double y) const {
        const int c = std::min(cell(x, kColumns), columns_ - 1);
        const int r = std::min(cell(y, kRows), rows_ - 1);
        const double fx = std::clamp(x * kColumns - c, 0.0, 1.0);
        const double fy = std::clamp(y * kRows - r, 0.0, 1.0);
        double u = 0.0;
        switch (fill_[index(c, r)]) {
        case Direction::Right:
            u = fx;
            break;
        case Direction::Left:
            u = 1.0 - fx;
            break;
        case Direction::Down:
            u = fy;
            break;
        case Direction::Up:
            u = 1.0 - fy;
            break;
        }
        return (step_[index(c, r)] + u) / (columns_ * rows_);
    }

private:
    std::size_t index(int c, int r) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(c);
    }

    int columns_;
    int rows_;
    std::vector<int> step_;
    std::vector<Direction> fill_;
};

ThresholdFn spiral(int columns, int rows, bool right_corner, bool bottom_corner, Direction first,
                   bool clockwise) {
    auto order =
        std::make_shared<const SpiralOrder>(columns, rows, right_corner ? columns - 1 : 0,
                                            bottom_corner ? rows - 1 : 0, first, clockwise);
    return [order](double x, double y) { return order->threshold(x, y); };
}

// Spiral in the primary region (left half, top half or top-left quadrant), mirrored into the
// other regions so that all spirals run at once.
ThresholdFn boxSnakes(bool split_columns, bool split_rows, bool right_corner, bool bottom_corner,
                      Direction first, bool clockwise) {
    const int columns = split_columns ? kColumns / 2 : kColumns;
    const int rows = split_rows ? kRows / 2 : kRows;
    auto primary = spiral(columns, rows, right_corner, bottom_corner, first, clockwise);
    return [primary, split_columns, split_rows](double x, double y) {
        const double px = (split_columns && x >= 0.5) ? 1.0 - x : x;
        const double py = (split_rows && y >= 0.5) ? 1.0 - y : y;
        return primary(px, py);
    };
}

// Boustrophedon snake of the left half's columns, starting at the top-left corner.
double columnSnakeHalf(double x, double y) {
    const int c = cell(x, kColumns);
    return (c + (isEven(c) ? y : 1.0 - y)) / (kColumns / 2);
}

// Boustrophedon snake of the top half's rows, starting at the top-left corner.
double rowSnakeHalf(double x, double y) {
    const int r = cell(y, kRows);
    return (r + (isEven(r) ? x : 1.0 - x)) / (kRows / 2);
}

// Frame area behind an anti-diagonal front x + y = s.
double areaBehind(double s) {
    return s <= 1.0 ? s * s / 2.0 : 1.0 - (2.0 - s) * (2.0 - s) / 2.0;
}

// Diagonal snake from the top-left corner in strips parallel to the anti-diagonal, each strip
// taking time in proportion to its area.
double diagonalSnake(double x, double y) {
    const double sigma = x + y;
    const int m =
        std::min(static_cast<int>(std::floor(sigma * kDiagonalStrips / 2.0)), kDiagonalStrips - 1);
    const double s0 = 2.0 * m / kDiagonalStrips;
    const double s1 = 2.0 * (m + 1) / kDiagonalStrips;
    const double x_low = std::max(0.0, sigma - 1.0);
    const double x_high = std::min(1.0, sigma);
    const double span = x_high - x_low;
    const double w = span > 0.0 ? std::clamp((x - x_low) / span, 0.0, 1.0) : 0.0;
    const double u = isEven(m) ? w : 1.0 - w;
    return areaBehind(s0) + u * (areaBehind(s1) - areaBehind(s0));
}

// Two snakes starting at the bottom-left and top-right corners, moving out from the
// bottom-left/top-right diagonal in strips parallel to it.
double diagonalParallelSnakes(double x, double y) {
    if (x + y > 1.0) {
        x = 1.0 - x;
        y = 1.0 - y;
    }
    constexpr int B = kParallelDiagonalStrips;
    const double sigma = x + y;
    const int b = std::min(static_cast<int>(std::floor((1.0 - sigma) * B)), B - 1);
    const double s1 = 1.0 - static_cast<double>(b) / B;
    const double s0 = std::max(0.0, 1.0 - static_cast<double>(b + 1) / B);
    const double w = sigma > 0.0 ? std::clamp(x / sigma, 0.0, 1.0) : 0.0;
    const double u = isEven(b) ? w : 1.0 - w;
    return (1.0 - s1 * s1) + u * (s1 * s1 - s0 * s0);
}

} // namespace

ThresholdFn matrixThreshold(int code) {
    using D = Direction;
    switch (code) {
    case 301:
        return [](double x, double y) {
            const int r = cell(y, kRows);
            return (r + (isEven(r) ? x : 1.0 - x)) / kRows;
        };
    case 302:
        return [](double x, double y) {
            const int c = cell(x, kColumns);
            return (c + (isEven(c) ? y : 1.0 - y)) / kColumns;
        };
    case 303:
        return [](double x, double y) { return diagonalSnake(x, y); };
    case 304:
        return [](double x, double y) { return diagonalSnake(1.0 - x, y); };
    case 305:
        return [](double x, double y) { return diagonalSnake(1.0 - x, 1.0 - y); };
    case 306:
        return [](double x, double y) { return diagonalSnake(x, 1.0 - y); };
    case 310:
        return spiral(kColumns, kRows, false, false, D::Right, true);
    case 311:
        return spiral(kColumns, kRows, true, false, D::Down, true);
    case 312:
        return spiral(kColumns, kRows, true, true, D::Left, true);
    case 313:
        return spiral(kColumns, kRows, false, true, D::Up, true);
    case 314:
        return spiral(kColumns, kRows, false, false, D::Down, false);
    case 315:
        return spiral(kColumns, kRows, true, false, D::Left, false);
    case 316:
        return spiral(kColumns, kRows, true, true, D::Up, false);
    case 317:
        return spiral(kColumns, kRows, false, true, D::Right, false);
    case 320:
        return [](double x, double y) {
            return x < 0.5 ? columnSnakeHalf(x, y) : columnSnakeHalf(1.0 - x, y);
        };
    case 321:
        return [](double x, double y) {
            return x < 0.5 ? columnSnakeHalf(x, 1.0 - y) : columnSnakeHalf(1.0 - x, 1.0 - y);
        };
    case 322:
        return [](double x, double y) {
            return x < 0.5 ? columnSnakeHalf(x, y) : columnSnakeHalf(1.0 - x, 1.0 - y);
        };
    case 323:
        return [](double x, double y) {
            return x < 0.5 ? columnSnakeHalf(x, 1.0 - y) : columnSnakeHalf(1.0 - x, y);
        };
    case 324:
        return [](double x, double y) {
            return y < 0.5 ? rowSnakeHalf(x, y) : rowSnakeHalf(x, 1.0 - y);
        };
    case 325:
        return [](double x, double y) {
            return y < 0.5 ? rowSnakeHalf(1.0 - x, y) : rowSnakeHalf(1.0 - x, 1.0 - y);
        };
    case 326:
        return [](double x, double y) {
            return y < 0.5 ? rowSnakeHalf(x, y) : rowSnakeHalf(1.0 - x, 1.0 - y);
        };
    case 327:
        return [](double x, double y) {
            return y < 0.5 ? rowSnakeHalf(1.0 - x, y) : rowSnakeHalf(x, 1.0 - y);
        };
    case 328:
        return [](double x, double y) { return diagonalParallelSnakes(x, y); };
    case 329:
        return [](double x, double y) { return diagonalParallelSnakes(1.0 - x, y); };
    case 340:
        return boxSnakes(true, false, false, false, D::Down, false);
    case 341:
        return boxSnakes(true, false, false, true, D::Up, true);
    case 342:
        return boxSnakes(false, true, false, false, D::Right, true);
    case 343:
        return boxSnakes(false, true, true, false, D::Left, false);
    case 344:
        return boxSnakes(true, true, false, false, D::Down, false);
    case 345:
        return boxSnakes(true, true, false, false, D::Right, true);
    case 350:
    case 351:
    case 352:
    case 353: {
        constexpr double steps = kColumns + kRows - 1;
        switch (code) {
        case 350:
            return [](double x, double y) { return (cell(x, kColumns) + y * kRows) / steps; };
        case 351:
            return [](double x, double y) { return (cell(1.0 - x, kColumns) + y * kRows) / steps; };
        case 352:
            return [](double x, double y) { return (cell(y, kRows) + x * kColumns) / steps; };
        default:
            return
                [](double x, double y) { return (cell(y, kRows) + (1.0 - x) * kColumns) / steps; };
        }
    }
    default:
        return {};
    }
}

} // namespace platform::wipe_detail
