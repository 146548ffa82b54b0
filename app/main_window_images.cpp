#include "app/main_window_images.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace app {

namespace {

const QColor kInk(40, 40, 40);

QPixmap transparentPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A film frame with perforations along its top and bottom edges, inside `frame`.
void drawFilm(QPainter& painter, const QRectF& frame, const QColor& body) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kInk);
    painter.drawRect(frame);
    painter.setBrush(body);
    painter.drawRect(frame.adjusted(1, 3, -1, -3));
    painter.setBrush(Qt::white);
    for (qreal x = frame.left() + 1; x + 1 < frame.right(); x += 3) {
        painter.drawRect(QRectF(x, frame.top() + 1, 1.5, 1));
        painter.drawRect(QRectF(x, frame.bottom() - 2, 1.5, 1));
    }
}

// A landscape picture: sky, sun and a hill, inside `frame`.
void drawPicture(QPainter& painter, const QRectF& frame) {
    painter.setPen(QPen(kInk, 1));
    painter.setBrush(QColor(150, 200, 245));
    painter.drawRect(frame.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 200, 40));
    painter.drawEllipse(QPointF(frame.right() - 4, frame.top() + 3.5), 1.8, 1.8);
    QPainterPath hill;
    hill.moveTo(frame.left() + 1, frame.bottom() - 1);
    hill.quadTo(frame.center().x() - 1, frame.top() + 3, frame.right() - 1, frame.bottom() - 1);
    hill.closeSubpath();
    painter.setBrush(QColor(60, 150, 60));
    painter.drawPath(hill);
}

QPixmap cantPlayIcon() {
    QPixmap pixmap = transparentPixmap(kVideoListIconWidth_px, kVideoListIconHeight_px);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawFilm(painter, QRectF(2, 0, 14, 13), QColor(170, 170, 170));
    painter.setPen(QPen(QColor(210, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(4, 2), QPointF(14, 11));
    painter.drawLine(QPointF(14, 2), QPointF(4, 11));
    return pixmap;
}

QPixmap videoIcon(bool withSound) {
    QPixmap pixmap = transparentPixmap(kVideoListIconWidth_px, kVideoListIconHeight_px);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawFilm(painter, QRectF(0, 0, 13, 13), QColor(70, 130, 210));
    if (withSound) {
        // A note beside the film.
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInk);
        painter.drawEllipse(QPointF(15.5, 10.5), 2, 1.6);
        painter.drawRect(QRectF(16.6, 2, 1.2, 8.5));
        painter.drawRect(QRectF(16.6, 2, 3, 1.4));
    }
    return pixmap;
}

QPixmap pictureIcon() {
    QPixmap pixmap = transparentPixmap(kVideoListIconWidth_px, kVideoListIconHeight_px);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawPicture(painter, QRectF(2, 0, 16, 13));
    return pixmap;
}

QPixmap sequenceIcon() {
    QPixmap pixmap = transparentPixmap(kVideoListIconWidth_px, kVideoListIconHeight_px);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kInk, 1));
    painter.setBrush(QColor(230, 230, 230));
    painter.drawRect(QRectF(6.5, 0.5, 13, 9));
    painter.drawRect(QRectF(3.5, 2, 13, 9));
    drawPicture(painter, QRectF(0, 3.5, 14, 9.5));
    return pixmap;
}

// The drawn glyph of a command, `size` pixels square.
QPixmap drawnGlyph(TGlyph glyph, int size) {
    QPixmap pixmap = transparentPixmap(size, size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(50, 60, 70));
    const auto triangle = [&](qreal left, qreal right, bool pointsRight) {
        QPainterPath path;
        if (pointsRight) {
            path.moveTo(left, 3);
            path.lineTo(right, 8);
            path.lineTo(left, 13);
        } else {
            path.moveTo(right, 3);
            path.lineTo(left, 8);
            path.lineTo(right, 13);
        }
        path.closeSubpath();
        painter.drawPath(path);
    };
    switch (glyph) {
    case TGlyph::Previous:
        painter.drawRect(QRectF(3, 3, 2, 10));
        triangle(5, 13, false);
        break;
    case TGlyph::Play:
        triangle(4, 13, true);
        break;
    case TGlyph::Pause:
        painter.drawRect(QRectF(4, 3, 3, 10));
        painter.drawRect(QRectF(9, 3, 3, 10));
        break;
    case TGlyph::Stop:
        painter.drawRect(QRectF(4, 4, 8, 8));
        break;
    case TGlyph::Next:
        triangle(3, 11, true);
        painter.drawRect(QRectF(11, 3, 2, 10));
        break;
    case TGlyph::Open: {
        painter.setBrush(QColor(220, 170, 60));
        painter.setPen(QPen(QColor(120, 80, 20), 0.8));
        QPainterPath folder;
        folder.moveTo(1.5, 3.5);
        folder.lineTo(6, 3.5);
        folder.lineTo(7.5, 5);
        folder.lineTo(14.5, 5);
        folder.lineTo(14.5, 13.5);
        folder.lineTo(1.5, 13.5);
        folder.closeSubpath();
        painter.drawPath(folder);
        break;
    }
    case TGlyph::List:
        for (int row = 0; row < 4; ++row) {
            painter.drawRect(QRectF(2, 3 + row * 3, 2, 2));
            painter.drawRect(QRectF(5, 3 + row * 3, 9, 2));
        }
        break;
    case TGlyph::Properties:
        painter.setBrush(Qt::white);
        painter.setPen(QPen(QColor(50, 60, 70), 1));
        painter.drawRect(QRectF(2.5, 1.5, 11, 13));
        for (int row = 0; row < 4; ++row) {
            painter.drawLine(QPointF(4.5, 4.5 + row * 2.5), QPointF(11.5, 4.5 + row * 2.5));
        }
        break;
    case TGlyph::Application: {
        // A tape cassette.
        painter.setBrush(QColor(40, 70, 120));
        painter.drawRoundedRect(QRectF(0.5, 3, 15, 10), 1.5, 1.5);
        painter.setBrush(QColor(235, 235, 235));
        painter.drawRect(QRectF(2.5, 5, 11, 4));
        painter.setBrush(QColor(40, 70, 120));
        painter.drawEllipse(QPointF(5.5, 7), 1.3, 1.3);
        painter.drawEllipse(QPointF(10.5, 7), 1.3, 1.3);
        break;
    }
    }
    return pixmap;
}

const char* themeName(TGlyph glyph) {
    switch (glyph) {
    case TGlyph::Previous:
        return "media-skip-backward";
    case TGlyph::Play:
        return "media-playback-start";
    case TGlyph::Pause:
        return "media-playback-pause";
    case TGlyph::Stop:
        return "media-playback-stop";
    case TGlyph::Next:
        return "media-skip-forward";
    case TGlyph::Open:
        return "document-open";
    case TGlyph::List:
        return "view-list-details";
    case TGlyph::Properties:
        return "document-properties";
    case TGlyph::Application:
        return "quintape";
    }
    return "";
}

} // namespace

std::vector<QPixmap> VideoListIcons() {
    return {cantPlayIcon(), videoIcon(false), videoIcon(true), pictureIcon(), sequenceIcon()};
}

QPixmap ConnectionErrorImage() {
    QPixmap pixmap = transparentPixmap(32, 13);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Two plugs apart, with a red flash between them.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 90, 90));
    painter.drawRect(QRectF(0, 4, 9, 5));
    painter.drawRect(QRectF(9, 5, 3, 1));
    painter.drawRect(QRectF(9, 7, 3, 1));
    painter.drawRect(QRectF(23, 4, 9, 5));
    painter.drawRect(QRectF(20, 5.5, 3, 2));
    QPainterPath flash;
    flash.moveTo(17, 0);
    flash.lineTo(14, 7);
    flash.lineTo(16.5, 7);
    flash.lineTo(15, 13);
    flash.lineTo(19, 5.5);
    flash.lineTo(16.5, 5.5);
    flash.closeSubpath();
    painter.setBrush(QColor(220, 30, 30));
    painter.drawPath(flash);
    return pixmap;
}

QIcon GlyphIcon(TGlyph glyph) {
    QIcon drawn;
    for (const int size : std::array{16, 22, 24, 32, 48}) {
        drawn.addPixmap(drawnGlyph(glyph, size));
    }
    return QIcon::fromTheme(QString::fromLatin1(themeName(glyph)), drawn);
}

} // namespace app
