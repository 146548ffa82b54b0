#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

class RegistryKey;

// The current user's registry: a tree of keys, each with string values, kept in one INI-like
// file. Keys are addressed by backslash paths ("Software\Zarnit\Quintape.3\TfmMain"; empty
// parts are skipped, the empty path is the root). Key and value names are compared without
// regard to case and keep the spelling first written. Values may hold any text.
//
// Several Registry objects, in this process or in other running copies of the program, may
// share one file. A change touches only what it names: under an exclusive lock on a lock file
// beside the file ("<file>.lock") the file is read again, the change is applied to what it holds
// and a new file is renamed over it, so the file is always complete and no writer loses another
// one's values. Reads see what other writers stored: when the file was replaced since it was
// last read, it is read again first.
//
// Every change is written before the call returns (unless a Batch is open). A call that changes
// something returns false when the file could not be written; the change then stays in memory
// and goes to disk with the next successful write. While the file exists but cannot be read,
// every change is refused, so that it is never overwritten with less.
//
// All members may be called from any thread.
class Registry {
public:
    // Uses the backing file at filePath, reading it when it exists.
    explicit Registry(QString filePath);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // The program's backing file: $XDG_CONFIG_HOME/quintape/registry.ini, with
    // XDG_CONFIG_HOME defaulting to ~/.config when unset or not absolute.
    static QString defaultPath();

    QString filePath() const { return filePath_; }
    // False when the backing file existed but could not be read.
    bool isLoaded() const;
    // The text of the last failure to read or write the backing file.
    QString errorString() const;

    // Creates the key and its missing parents.
    bool createKey(const QString& key);
    // The key, created first when create is set; nullopt when it does not exist or cannot be
    // created.
    std::optional<RegistryKey> openKey(const QString& key, bool create);
    bool keyExists(const QString& key) const;
    // Deletes the key with all its subkeys and values. True when the key is gone afterwards
    // (also when it never existed). The root cannot be erased.
    bool eraseKey(const QString& key);
    // Subkey names in case-insensitive alphabetical order, as Windows lists them.
    QStringList subKeyNames(const QString& key) const;
    // Value names in the order they were first written.
    QStringList valueNames(const QString& key) const;

    // nullopt when the key or value does not exist.
    std::optional<QString> readString(const QString& key, const QString& name) const;
    QString readString(const QString& key, const QString& name, const QString& defaultValue) const;
    bool valueExists(const QString& key, const QString& name) const;
    // Creates the key when needed.
    bool writeString(const QString& key, const QString& name, const QString& value);
    // True when the value is gone afterwards (also when it never existed).
    bool deleteValue(const QString& key, const QString& name);

    // Writes pending changes; true when nothing is pending or the write succeeded.
    bool flush();

    // Holds back writes to the file until commit(), so that many changes cost one write.
    // Changes made meanwhile return true; commit() reports whether they reached the file.
    // Batches nest; the outermost one writes.
    class Batch {
    public:
        explicit Batch(Registry& registry);
        // Commits when commit() was not called; a failure there can only be logged.
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        bool commit();

    private:
        Registry& registry_;
        bool open_ = true;
    };

private:
    struct Node;
    struct Change;
    // Identifies one version of the file: every write replaces the file, so a new version has
    // another inode or other times.
    struct FileStamp {
        bool exists = false;
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };

    static void appendNode(const QString& path, const Node& node, bool isRoot, QByteArray& out);
    static std::unique_ptr<Node> parse(const QByteArray& bytes);
    static void apply(Node& root, const Change& change);
    static FileStamp stampOf(const QString& path);
    // Reads the file into a new tree; nullptr (and error) when it exists but cannot be read.
    std::unique_ptr<Node> readTree(FileStamp& stamp, QString& error) const;
    // Takes in what other writers stored since the file was last read.
    void refresh() const;
    // Applies change in memory and queues it for the file; writes unless a batch is open.
    bool record(Change change);
    bool writeFile();

    const QString filePath_;
    mutable std::mutex mutex_;
    mutable std::unique_ptr<Node> root_;
    mutable FileStamp stamp_;
    mutable bool loaded_ = true;
    std::vector<Change> pending_;
    int batchDepth_ = 0;
    mutable QString error_;
};

// An open key of a Registry: the same operations with the key path bound.
class RegistryKey {
public:
    RegistryKey(Registry& registry, QString path) : registry_(&registry), path_(std::move(path)) {}

    QString path() const { return path_; }
    std::optional<QString> readString(const QString& name) const {
        return registry_->readString(path_, name);
    }
    QString readString(const QString& name, const QString& defaultValue) const {
        return registry_->readString(path_, name, defaultValue);
    }
    bool valueExists(const QString& name) const { return registry_->valueExists(path_, name); }
    bool writeString(const QString& name, const QString& value) {
        return registry_->writeString(path_, name, value);
    }
    bool deleteValue(const QString& name) { return registry_->deleteValue(path_, name); }
    QStringList valueNames() const { return registry_->valueNames(path_); }
    QStringList subKeyNames() const { return registry_->subKeyNames(path_); }

private:
    Registry* registry_;
    QString path_;
};

} // namespace platform
