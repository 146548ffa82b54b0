#include "tools/make-test-media/picture_painter.h"

#include "tools/make-test-media/frame_mark.h"

#include <QFont>
#include <QPainter>

namespace testmedia {
namespace {

QColor textColourOn(const QColor& background) {
    return background.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

QFont fontOfHeight(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(6, pixelSize));
    font.setBold(bold);
    return font;
}

// Draws the upper and lower text of a picture, clear of the frame mark band in the middle.
QImage paintPicture(QSize size, const QColor& background, const QString& upper,
                    const QString& lower, FrameMark mark) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setPen(textColourOn(background));
        const int height = size.height();
        const QRect upperArea(0, height * 5 / 100, size.width(), height * 33 / 100);
        const QRect lowerArea(0, height * 62 / 100, size.width(), height * 30 / 100);
        // Large, but narrow enough for the text to fit the width.
        const int widthLimit = size.width() * 3 / (2 * std::max<int>(1, upper.size()));
        painter.setFont(fontOfHeight(std::min(upperArea.height() * 8 / 10, widthLimit), true));
        painter.drawText(upperArea, Qt::AlignCenter, upper);
        painter.setFont(fontOfHeight(std::min(lowerArea.height() / 3, size.width() / 16), false));
        painter.drawText(lowerArea, Qt::AlignCenter | Qt::TextWordWrap, lower);
    }
    drawFrameMark(image, mark);
    return image;
}

} // namespace

QImage paintClipFrame(const ClipLook& look, QSize size, int frameNumber) {
    return paintPicture(size, look.background, QString::number(frameNumber), look.label,
                        FrameMark{look.clipId, frameNumber});
}

QImage paintStillPicture(QSize size, const QColor& background, const QString& label,
                         int pictureNumber) {
    return paintPicture(size, background, label,
                        QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()),
                        FrameMark{kStillPictures, pictureNumber});
}

} // namespace testmedia
