#include "playlist/folder_history.h"

#include "platform/system/registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace playlist {

namespace {

QString valueName(int position) {
    return QStringLiteral("MRU%1").arg(position);
}

// Two spellings name the same folder when they are equal, or when the file system resolves
// both to one folder (a case-insensitive mount, a link). Names that differ only in case are
// two folders on a case-sensitive file system.
bool sameFolder(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

void FolderHistory::add(const QString& folder) {
    if (folder.isEmpty()) {
        return;
    }
    const QString fullPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (sameFolder(entries_[i], fullPath)) {
            entries_.removeAt(i);
            break;
        }
    }
    entries_.prepend(fullPath);
    while (entries_.size() > kMaxEntries) {
        entries_.removeLast();
    }
}

void FolderHistory::load(const platform::Registry& registry) {
    entries_.clear();
    for (int position = 1; position <= kMaxEntries; ++position) {
        const QString folder = registry.readString(registryKey(), valueName(position), QString());
        if (!folder.isEmpty()) {
            entries_.append(folder);
        }
    }
}

bool FolderHistory::store(platform::Registry& registry) const {
    platform::Registry::Batch batch(registry);
    bool written = true;
    for (int position = 1; position <= kMaxEntries; ++position) {
        written =
            (position <= count()
                 ? registry.writeString(registryKey(), valueName(position), entries_[position - 1])
                 : registry.deleteValue(registryKey(), valueName(position))) &&
            written;
    }
    return batch.commit() && written;
}

} // namespace playlist
