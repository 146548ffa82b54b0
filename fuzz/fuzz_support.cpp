#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace fuzzsupport {

namespace {

// The folder's name outlives every static object, for the removal at exit.
std::array<char, PATH_MAX> g_folder = {};

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder.data(), ignored);
}

QString folder() {
    static const QString path = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        const QString own = QDir(base).filePath(QStringLiteral("quintape-fuzz-%1").arg(::getpid()));
        QDir().mkpath(own);
        const QByteArray name = QFile::encodeName(own);
        std::strncpy(g_folder.data(), name.constData(), g_folder.size() - 1);
        std::atexit(removeFolder);
        return own;
    }();
    return path;
}

} // namespace

QString scratchPath(const QString& name) {
    return QDir(folder()).filePath(name);
}

QString writeInputFile(const QString& name, const std::uint8_t* data, std::size_t size) {
    const QString path = scratchPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) !=
            static_cast<qint64>(size)) {
        std::fprintf(stderr, "fuzz: cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

void fail(const char* property) {
    std::fprintf(stderr, "fuzz: property broken: %s\n", property);
    std::abort();
}

} // namespace fuzzsupport
