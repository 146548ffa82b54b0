// fuzz-seeds: writes the seed corpus of every fuzz target: the generated test media for the
// media probe (each behind the byte that names its extension), and small valid inputs for the
// text and multiplexer targets.
#include "fuzz/media_extensions.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr qint64 kMaxMediaSeedBytes = 200000;

bool writeSeed(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "fuzz-seeds: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

char extensionByte(const QString& fileName) {
    const QString suffix = QLatin1Char('.') + QFileInfo(fileName).suffix();
    for (std::size_t i = 0; i < fuzzsupport::kMediaExtensions.size(); ++i) {
        if (suffix == QLatin1String(fuzzsupport::kMediaExtensions[i])) {
            return static_cast<char>(i);
        }
    }
    return static_cast<char>(fuzzsupport::kMediaExtensions.size() - 1);
}

QByteArray littleEndian(quint16 value) {
    return QByteArray(1, static_cast<char>(value & 0xff)) +
           QByteArray(1, static_cast<char>(value >> 8));
}

bool writeTextSeeds(const QDir& out) {
    const QByteArray playlist = "[0]\r\nFile=/media/clip one.mp4\r\nChecked=1\r\n"
                                "[1]\r\nFile=/media/Image001.jpg\r\nChecked=0\r\n"
                                "[2]\r\nFile= spaced \r\nChecked=$0\r\n";
    const QByteArray odd = "\xEF\xBB\xBF; comment\n[ a ]\nkey = value = more\n[a]\nx\n[\xE9t\xE9]\n"
                           "File=caf\xE9\nChecked=0x10\n[[b]]\nFile=\n";
    const QByteArray registry =
        "[Software\\Zarnit\\Quintape.3\\TfmMain]\ncbVideoOut_ItemIndex=2\n"
        "Caption=line\\none\\ttab\\\\slash\\u0001\n[Software\\Zarnit\\Quintape.3\\MRUPlayList]\n"
        "0=/home/user/a.plst\n[%0041bc\\x%005D]\n\\u0020lead=1\n";
    return writeSeed(out.filePath(QStringLiteral("fuzz_profile")), QStringLiteral("playlist"),
                     playlist) &&
           writeSeed(out.filePath(QStringLiteral("fuzz_profile")), QStringLiteral("odd"), odd) &&
           writeSeed(out.filePath(QStringLiteral("fuzz_playlist")), QStringLiteral("playlist"),
                     playlist) &&
           writeSeed(out.filePath(QStringLiteral("fuzz_playlist")), QStringLiteral("odd"), odd) &&
           writeSeed(out.filePath(QStringLiteral("fuzz_registry")), QStringLiteral("registry"),
                     registry) &&
           writeSeed(out.filePath(QStringLiteral("fuzz_sequence_names")), QStringLiteral("a"),
                     "seq3/Image001.jpg") &&
           writeSeed(out.filePath(QStringLiteral("fuzz_sequence_names")), QStringLiteral("b"),
                     "/a.b/Photo4294967295") &&
           writeSeed(out.filePath(QStringLiteral("fuzz_sequence_names")), QStringLiteral("c"),
                     "x9.tar.gz");
}

bool writeMuxSeeds(const QDir& out) {
    const QString folder = out.filePath(QStringLiteral("fuzz_dv_mux"));
    // Set-up byte: bit 0 NTSC, bit 1 sound, bits 2-4 the rate, bit 5 mono. Then operations:
    // 0 sound (count, samples), 1 an encoded frame (patch count, patches), 2 raw bytes, 3 query.
    QByteArray pal(1, '\x02');
    for (int frame = 0; frame < 3; ++frame) {
        pal += '\x00' + littleEndian(1920) + QByteArray(1920 * 4, static_cast<char>(frame * 40));
        pal += QByteArray("\x01\x00", 2);
    }
    QByteArray ntsc(1, '\x03');
    ntsc += '\x00' + littleEndian(4000) + QByteArray(4000 * 4, '\x11');
    for (int frame = 0; frame < 5; ++frame) {
        ntsc += QByteArray("\x01\x01", 2) + littleEndian(77) + QByteArray(1, '\x33') + '\x03';
    }
    QByteArray mono(1, static_cast<char>(0x02 | (1 << 2) | 0x20));
    mono += '\x00' + littleEndian(700) + QByteArray(700 * 2, '\x7f') +
            QByteArray("\x01\x00\x02", 3) + littleEndian(480) + QByteArray(480, '\x1f');
    return writeSeed(folder, QStringLiteral("pal"), pal) &&
           writeSeed(folder, QStringLiteral("ntsc"), ntsc) &&
           writeSeed(folder, QStringLiteral("mono"), mono);
}

bool writeMediaSeeds(const QString& media, const QDir& out) {
    const QString folder = out.filePath(QStringLiteral("fuzz_media_probe"));
    int written = 0;
    QDirIterator files(media, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if (QFileInfo(path).fileName().startsWith(QLatin1Char('.'))) {
            continue;
        }
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray seed = QByteArray(1, extensionByte(path)) + file.read(kMaxMediaSeedBytes);
        const QString name =
            QDir(media).relativeFilePath(path).replace(QLatin1Char('/'), QLatin1Char('_'));
        if (!writeSeed(folder, name, seed)) {
            return false;
        }
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "fuzz-seeds: no media in %s\n", qPrintable(media));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: fuzz-seeds MEDIA-DIR OUT-DIR\n");
        return 2;
    }
    const QDir out(arguments[2]);
    QDir().mkpath(out.path());
    return writeTextSeeds(out) && writeMuxSeeds(out) && writeMediaSeeds(arguments[1], out) ? 0 : 1;
}
