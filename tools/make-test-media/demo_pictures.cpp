#include "tools/make-test-media/demo_pictures.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace testmedia {
namespace {

QImage verticalGradient(QSize size, const QColor& top, const QColor& bottom) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, size.height());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QFont font(int pixelSize, bool bold) {
    QFont result(QStringLiteral("DejaVu Sans"));
    result.setPixelSize(pixelSize);
    result.setBold(bold);
    return result;
}

void drawCaption(QPainter& painter, QRect area, const QString& text, int pixelSize) {
    painter.setFont(font(pixelSize, true));
    painter.setPen(QColor(0, 0, 0, 110));
    painter.drawText(area.translated(3, 3), Qt::AlignCenter, text);
    painter.setPen(Qt::white);
    painter.drawText(area, Qt::AlignCenter, text);
}

} // namespace

QImage paintTitleCard(QSize size) {
    QImage image = verticalGradient(size, QColor(25, 30, 70), QColor(110, 40, 90));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int height = size.height();
    drawCaption(painter, QRect(0, height / 3, size.width(), height / 5), QStringLiteral("Quintape"),
                height / 7);
    painter.setFont(font(height / 22, false));
    painter.setPen(QColor(230, 230, 240));
    painter.drawText(QRect(0, height * 56 / 100, size.width(), height / 10), Qt::AlignCenter,
                     QStringLiteral("A short demonstration playlist"));
    painter.setPen(QPen(QColor(255, 255, 255, 150), 3));
    painter.drawLine(size.width() / 4, height * 55 / 100, size.width() * 3 / 4, height * 55 / 100);
    return image;
}

QImage paintSunrise(QSize size) {
    QImage image = verticalGradient(size, QColor(250, 140, 60), QColor(120, 30, 60));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF sunCentre(size.width() / 2.0, size.height() * 0.62);
    QRadialGradient sun(sunCentre, size.height() * 0.22);
    sun.setColorAt(0.0, QColor(255, 250, 200));
    sun.setColorAt(0.6, QColor(255, 210, 90));
    sun.setColorAt(1.0, QColor(255, 160, 60, 0));
    painter.fillRect(image.rect(), sun);
    painter.fillRect(QRectF(0, size.height() * 0.7, size.width(), size.height() * 0.3),
                     QColor(40, 20, 40));
    drawCaption(painter, QRect(0, size.height() / 10, size.width(), size.height() / 6),
                QStringLiteral("Sunrise"), size.height() / 10);
    return image;
}

QImage paintOcean(QSize size) {
    QImage image = verticalGradient(size, QColor(120, 190, 240), QColor(10, 50, 120));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int wave = 0; wave < 6; ++wave) {
        QPainterPath path;
        const double baseline = size.height() * (0.5 + wave * 0.08);
        path.moveTo(0, baseline);
        for (int x = 0; x <= size.width(); x += 8) {
            path.lineTo(x, baseline + 12 * std::sin(x / 60.0 + wave));
        }
        painter.setPen(QPen(QColor(255, 255, 255, 90 + wave * 20), 3));
        painter.drawPath(path);
    }
    drawCaption(painter, QRect(0, size.height() / 10, size.width(), size.height() / 6),
                QStringLiteral("Ocean"), size.height() / 10);
    return image;
}

QImage paintForest(QSize size) {
    QImage image = verticalGradient(size, QColor(200, 230, 200), QColor(30, 90, 40));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int tree = 0; tree < 9; ++tree) {
        const double x = size.width() * (tree + 0.5) / 9.0;
        const double treeHeight = size.height() * (0.35 + 0.1 * ((tree * 7) % 3));
        const double bottom = size.height() * 0.95;
        QPolygonF triangle;
        triangle << QPointF(x, bottom - treeHeight) << QPointF(x - size.width() / 16.0, bottom)
                 << QPointF(x + size.width() / 16.0, bottom);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 70 + tree * 8, 30));
        painter.drawPolygon(triangle);
    }
    drawCaption(painter, QRect(0, size.height() / 10, size.width(), size.height() / 6),
                QStringLiteral("Forest"), size.height() / 10);
    return image;
}

QImage paintSlide(QSize size, int number, int count) {
    const int hue = (200 + number * 40) % 360;
    QImage image =
        verticalGradient(size, QColor::fromHsv(hue, 120, 90), QColor::fromHsv(hue, 160, 40));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawCaption(painter, QRect(0, size.height() / 3, size.width(), size.height() / 4),
                QStringLiteral("Slide %1 of %2").arg(number).arg(count), size.height() / 9);
    return image;
}

QImage paintDemoClipBackground(QSize size) {
    return verticalGradient(size, QColor(30, 40, 90), QColor(200, 110, 80));
}

QImage paintDemoClipFrame(const QImage& background, int frameNumber, int frameCount) {
    QImage image = background.copy();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double progress = static_cast<double>(frameNumber) / std::max(1, frameCount - 1);
    const double x = image.width() * (0.1 + 0.8 * progress);
    const double y = image.height() * (0.5 - 0.3 * std::sin(progress * 3 * std::numbers::pi));
    const double radius = image.height() * 0.08;
    QRadialGradient ball(QPointF(x - radius / 3, y - radius / 3), radius * 1.3);
    ball.setColorAt(0.0, QColor(255, 255, 230));
    ball.setColorAt(1.0, QColor(240, 180, 60));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ball);
    painter.drawEllipse(QPointF(x, y), radius, radius);
    return image;
}

} // namespace testmedia
