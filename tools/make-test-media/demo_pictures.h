#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// Painted pictures of the demo set.

namespace testmedia {

QImage paintTitleCard(QSize size);
QImage paintSunrise(QSize size);
QImage paintOcean(QSize size);
QImage paintForest(QSize size);
QImage paintSlide(QSize size, int number, int count);
// One frame of the demo clip: a ball gliding over an evening sky; background painted once.
QImage paintDemoClipFrame(const QImage& background, int frameNumber, int frameCount);
QImage paintDemoClipBackground(QSize size);

} // namespace testmedia
