#pragma once

#include <QString>
#include <QStringList>

namespace platform {
class Registry;
}

namespace playlist {

// The folders from which the user last took files, most recent first, at most 27.
class FolderHistory {
public:
    static constexpr int kMaxEntries = 27;
    // Registry key of the stored history; values "MRU1" (most recent) to "MRU27".
    static QString registryKey() {
        return QStringLiteral("Software\\Zarnit\\Quintape.3\\MRUPlayList");
    }

    // Puts folder, expanded to a clean absolute path, at the top. An entry naming the same
    // folder as the file system sees it (the same text, or another spelling that resolves to
    // the same folder, as on a case-insensitive mount) moves to the top and takes the new text;
    // otherwise the entry beyond the 27th is dropped. An empty text changes nothing.
    void add(const QString& folder);

    const QStringList& entries() const { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }

    // Replaces the history with the stored one, skipping empty and missing positions.
    void load(const platform::Registry& registry);
    // Stores one value per entry and deletes the values of the empty positions up to 27.
    // False when the registry could not be written.
    bool store(platform::Registry& registry) const;

private:
    QStringList entries_;
};

} // namespace playlist
