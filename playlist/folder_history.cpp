#include "playlist/folder_history.h"

#include "platform/system/registry.h"

#include <QDir>
#include <QFileInfo>

namespace playlist {

namespace {

QString valueName(int position) {
    return QStringLiteral("MRU%1").arg(position);
}

} // namespace

void FolderHistory::add(const QString& folder) {
    if (folder.isEmpty()) {
        return;
    }
    const QString fullPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i].compare(fullPath, Qt::CaseInsensitive) == 0) {
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
