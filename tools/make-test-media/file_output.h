#pragma once

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QString>

// Writing plain files and pictures; every function throws std::runtime_error on failure.

namespace testmedia {

void writeBytes(const QString& path, const QByteArray& bytes);
QByteArray readBytes(const QString& path);
// Saves a picture in the format of the file's extension (JPEG at a fixed quality).
void savePicture(const QImage& image, const QString& path);
QByteArray encodePng(const QImage& image);
// Creates a folder with its parents; removes everything in it first when fresh is true.
QDir makeFolder(const QString& path, bool fresh);

} // namespace testmedia
