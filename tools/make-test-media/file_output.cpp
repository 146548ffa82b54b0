#include "tools/make-test-media/file_output.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QSaveFile>

#include <stdexcept>

namespace testmedia {
namespace {

constexpr int kJpegQuality = 90;

[[noreturn]] void fail(const QString& path, const QString& reason) {
    throw std::runtime_error((path + QStringLiteral(": ") + reason).toStdString());
}

} // namespace

void writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        fail(path, file.errorString());
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        fail(path, file.errorString());
    }
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(path, file.errorString());
    }
    return file.readAll();
}

void savePicture(const QImage& image, const QString& path) {
    QImageWriter writer(path);
    // Quality means compression speed for PNG, where the default is the better choice.
    if (writer.format() == "jpg" || writer.format() == "jpeg") {
        writer.setQuality(kJpegQuality);
    }
    if (!writer.write(image)) {
        fail(path, writer.errorString());
    }
}

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
        throw std::runtime_error("encoding a PNG picture failed");
    }
    return bytes;
}

QDir makeFolder(const QString& path, bool fresh) {
    QDir folder(path);
    if (fresh && folder.exists() && !folder.removeRecursively()) {
        fail(path, QStringLiteral("cannot empty the folder"));
    }
    if (!folder.mkpath(QStringLiteral("."))) {
        fail(path, QStringLiteral("cannot create the folder"));
    }
    return folder;
}

} // namespace testmedia
