#include "playlist/play_list_pics.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>

namespace playlist {

namespace {

constexpr int kSide = 32;

// freedesktop icon names, by image index.
constexpr std::array<const char*, kPlayListPicCount> kThemeNames = {
    "list-add",         "list-remove",      "go-up",
    "go-down",          "folder-open",      "document-save",
    "document-open",    "view-list-icons",  "edit-clear",
    "edit-select-all",  "appointment-soon", "edit-select-invert",
    "checkbox-checked", "checkbox",
};

void drawPlus(QPainter& p, QPointF centre, qreal half) {
    p.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - half), QPointF(centre.x(), centre.y() + half));
}

void drawArrow(QPainter& p, bool up) {
    QPainterPath path;
    const qreal tip = up ? 5 : 27;
    const qreal base = up ? 17 : 15;
    path.moveTo(16, tip);
    path.lineTo(27, base);
    path.lineTo(20, base);
    path.lineTo(20, up ? 27 : 5);
    path.lineTo(12, up ? 27 : 5);
    path.lineTo(12, base);
    path.lineTo(5, base);
    path.closeSubpath();
    p.fillPath(path, QColor(40, 110, 200));
}

void drawFolder(QPainter& p) {
    p.setBrush(QColor(230, 180, 60));
    p.drawRect(QRectF(4, 10, 24, 16));
    p.drawRect(QRectF(4, 7, 10, 4));
}

void drawCheckBox(QPainter& p, bool checked) {
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 6, 20, 20));
    if (checked) {
        p.setPen(QPen(QColor(30, 140, 50), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(10, 16), QPointF(15, 21), QPointF(23, 10)}));
    }
}

QPixmap drawPic(int index) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPen outline(QColor(60, 60, 60), 1.5);
    const QPen thick(QColor(30, 140, 50), 5, Qt::SolidLine, Qt::RoundCap);
    p.setPen(outline);
    switch (index) {
    case piAdd:
        p.setPen(thick);
        drawPlus(p, QPointF(16, 16), 10);
        break;
    case piDelete:
        p.setPen(QPen(QColor(200, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 16), QPointF(26, 16));
        break;
    case piUp:
    case piDown:
        drawArrow(p, index == piUp);
        break;
    case piFolderHistory:
        drawFolder(p);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(22, 20), 7, 7);
        p.drawLine(QPointF(22, 20), QPointF(22, 15));
        p.drawLine(QPointF(22, 20), QPointF(26, 20));
        break;
    case piSavePlayList:
        p.setBrush(QColor(60, 90, 170));
        p.drawRoundedRect(QRectF(5, 5, 22, 22), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 5, 14, 8));
        p.drawRect(QRectF(9, 18, 14, 9));
        break;
    case piOpenPlayList:
        drawFolder(p);
        p.setBrush(QColor(250, 215, 110));
        p.drawPolygon(
            QPolygonF({QPointF(8, 14), QPointF(30, 14), QPointF(26, 26), QPointF(4, 26)}));
        break;
    case piViewStyle:
        p.setBrush(QColor(90, 130, 200));
        for (int row = 0; row < 2; ++row) {
            for (int column = 0; column < 2; ++column) {
                p.drawRect(QRectF(6 + column * 11, 6 + row * 11, 9, 9));
            }
        }
        break;
    case piDeleteAll:
        p.setPen(QPen(QColor(200, 40, 40), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    case piAddAll:
        p.setPen(QPen(QColor(30, 140, 50), 4, Qt::SolidLine, Qt::RoundCap));
        drawPlus(p, QPointF(11, 11), 6);
        drawPlus(p, QPointF(21, 21), 6);
        break;
    case piBusy:
        p.setBrush(QColor(255, 250, 220));
        p.drawEllipse(QPointF(16, 16), 12, 12);
        p.setPen(QPen(QColor(60, 60, 60), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16, 16), QPointF(16, 8));
        p.drawLine(QPointF(16, 16), QPointF(22, 19));
        break;
    case piInvertSelection:
        p.setBrush(QColor(40, 110, 200));
        p.drawRect(QRectF(5, 5, 11, 11));
        p.drawRect(QRectF(16, 16, 11, 11));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(16, 5, 11, 11));
        p.drawRect(QRectF(5, 16, 11, 11));
        break;
    case piCheck:
    case piUncheck:
        drawCheckBox(p, index == piCheck);
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace

QIcon PlayListPic(int index) {
    if (index < 0 || index >= kPlayListPicCount) {
        return QIcon();
    }
    return QIcon::fromTheme(QString::fromLatin1(kThemeNames[static_cast<std::size_t>(index)]),
                            QIcon(drawPic(index)));
}

} // namespace playlist
