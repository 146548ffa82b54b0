#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

// Pictures of the test set: a solid background, large text and the frame mark.

namespace testmedia {

struct ClipLook {
    int clipId = 0;
    QColor background;
    QString label;
};

// One frame of a test clip: the frame number drawn large above the frame mark, the label below.
QImage paintClipFrame(const ClipLook& look, QSize size, int frameNumber);

// A still picture: its label drawn large, the frame mark of kStillPictures with pictureNumber.
QImage paintStillPicture(QSize size, const QColor& background, const QString& label,
                         int pictureNumber);

} // namespace testmedia
