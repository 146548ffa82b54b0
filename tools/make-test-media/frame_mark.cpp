#include "tools/make-test-media/frame_mark.h"

#include <QPainter>

#include <array>
#include <cmath>
#include <stdexcept>

namespace testmedia {
namespace {

constexpr int kDataBits = 16;
constexpr int kFirstDataCell = 2;
constexpr int kParityCell = 18;
constexpr int kStopCell = 19;
// Luminance limits of a clear cell: anything between them is unreadable.
constexpr int kBlackMax = 90;
constexpr int kWhiteMin = 165;

std::array<bool, kFrameMarkCells> cellsOf(FrameMark mark) {
    std::array<bool, kFrameMarkCells> white{};
    white[1] = true;
    const int data = (mark.clipId << 12) | mark.frameNumber;
    int ones = 0;
    for (int bit = 0; bit < kDataBits; ++bit) {
        const bool set = ((data >> (kDataBits - 1 - bit)) & 1) != 0;
        white[static_cast<size_t>(kFirstDataCell + bit)] = set;
        ones += set ? 1 : 0;
    }
    white[kParityCell] = (ones % 2) == 1;
    return white;
}

// Left edge of a cell in a band, so that cells tile the band without gaps.
double cellLeft(const QRectF& band, int cell) {
    return band.left() + band.width() * cell / kFrameMarkCells;
}

// Mean luminance of the middle half (both ways) of a cell.
std::optional<int> cellLuminance(const QImage& image, const QRectF& band, int cell) {
    const double left = cellLeft(band, cell);
    const double width = band.width() / kFrameMarkCells;
    const int x0 = static_cast<int>(std::floor(left + width * 0.25));
    const int x1 = static_cast<int>(std::ceil(left + width * 0.75));
    const int y0 = static_cast<int>(std::floor(band.top() + band.height() * 0.25));
    const int y1 = static_cast<int>(std::ceil(band.top() + band.height() * 0.75));
    long long sum = 0;
    long long count = 0;
    for (int y = std::max(0, y0); y < std::min(image.height(), y1); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = std::max(0, x0); x < std::min(image.width(), x1); ++x) {
            sum += qGray(line[x]);
            ++count;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    return static_cast<int>(sum / count);
}

} // namespace

QRect frameMarkBand(QRect area) {
    const int height = std::max(2, area.height() / 10);
    const int top = area.top() + (area.height() - height) / 2;
    return {area.left(), top, area.width(), height};
}

void drawFrameMark(QImage& image, FrameMark mark) {
    if (mark.clipId < 0 || mark.clipId > kMaxClipId) {
        throw std::out_of_range("frame mark clip id out of range");
    }
    if (mark.frameNumber < 0 || mark.frameNumber > kMaxFrameNumber) {
        throw std::out_of_range("frame mark frame number out of range");
    }
    const QRectF band = frameMarkBand(image.rect());
    const std::array<bool, kFrameMarkCells> white = cellsOf(mark);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int cell = 0; cell < kFrameMarkCells; ++cell) {
        const int left = static_cast<int>(std::lround(cellLeft(band, cell)));
        const int right = static_cast<int>(std::lround(cellLeft(band, cell + 1)));
        painter.fillRect(QRect(left, static_cast<int>(band.top()), right - left,
                               static_cast<int>(band.height())),
                         white[static_cast<size_t>(cell)] ? Qt::white : Qt::black);
    }
}

std::optional<FrameMark> readFrameMark(const QImage& image, QRect activeArea) {
    if (image.isNull() || activeArea.width() < kFrameMarkCells * 2 || activeArea.height() < 20) {
        return std::nullopt;
    }
    const QImage rgb =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB32);
    // The band is located with the same arithmetic as when drawing, in floating point so that
    // scaling does not shift it.
    const double bandHeight = std::max(2.0, activeArea.height() / 10.0);
    const QRectF band(activeArea.left(), activeArea.top() + (activeArea.height() - bandHeight) / 2,
                      activeArea.width(), bandHeight);
    std::array<bool, kFrameMarkCells> white{};
    for (int cell = 0; cell < kFrameMarkCells; ++cell) {
        const std::optional<int> luminance = cellLuminance(rgb, band, cell);
        if (!luminance || (*luminance > kBlackMax && *luminance < kWhiteMin)) {
            return std::nullopt;
        }
        white[static_cast<size_t>(cell)] = *luminance >= kWhiteMin;
    }
    if (white[0] || !white[1] || white[kStopCell]) {
        return std::nullopt;
    }
    int data = 0;
    int ones = 0;
    for (int bit = 0; bit < kDataBits; ++bit) {
        const bool set = white[static_cast<size_t>(kFirstDataCell + bit)];
        data = (data << 1) | (set ? 1 : 0);
        ones += set ? 1 : 0;
    }
    if (white[kParityCell] != ((ones % 2) == 1)) {
        return std::nullopt;
    }
    return FrameMark{data >> 12, data & kMaxFrameNumber};
}

} // namespace testmedia
