#include "platform/system/registry.h"

#include "platform/system/registry_text.h"
#include "platform/system/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

struct Registry::Node {
    QString name;
    std::vector<std::pair<QString, QString>> values;  // name, data; in order of first write
    std::map<QString, std::unique_ptr<Node>> subkeys; // by case-folded name

    std::pair<QString, QString>* findValue(const QString& valueName) {
        for (auto& value : values) {
            if (value.first.compare(valueName, Qt::CaseInsensitive) == 0) {
                return &value;
            }
        }
        return nullptr;
    }

    Node* child(const QString& childName, bool create) {
        const QString folded = childName.toCaseFolded();
        const auto found = subkeys.find(folded);
        if (found != subkeys.end()) {
            return found->second.get();
        }
        if (!create) {
            return nullptr;
        }
        auto node = std::make_unique<Node>();
        node->name = childName;
        return subkeys.emplace(folded, std::move(node)).first->second.get();
    }
};

// One change as the caller asked for it, kept until it is in the file so that it can be
// applied again to what another writer stored meanwhile.
struct Registry::Change {
    enum class Kind { CreateKey, EraseKey, WriteValue, DeleteValue };
    Kind kind;
    QString key;
    QString name;
    QString value;
};

namespace {

QStringList splitPath(const QString& key) {
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

template <typename NodeT> NodeT* findNode(NodeT& root, const QString& key) {
    NodeT* node = &root;
    for (const QString& part : splitPath(key)) {
        node = node->child(part, false);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

template <typename NodeT> NodeT* findOrCreateNode(NodeT& root, const QString& key) {
    NodeT* node = &root;
    for (const QString& part : splitPath(key)) {
        node = node->child(part, true);
    }
    return node;
}

QString systemError(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

// An exclusive lock on the lock file beside the registry file, held while the file is read
// again and replaced. flock() locks belong to the open file, so two Registry objects of one
// process exclude each other as well as two processes do; the lock ends with the process.
class FileLock {
public:
    explicit FileLock(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            error_ = systemError(QStringLiteral("Cannot open the lock file"), path);
            return;
        }
        int result = 0;
        do {
            result = ::flock(fd_, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            error_ = systemError(QStringLiteral("Cannot lock"), path);
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FileLock() {
        if (fd_ >= 0) {
            ::close(fd_); // releases the lock
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool isLocked() const { return fd_ >= 0; }
    QString errorString() const { return error_; }

private:
    int fd_ = -1;
    QString error_;
};

} // namespace

// Each key is one "[path]" section followed by its "name=value" lines; keys without values
// are written too, so that they persist.
void Registry::appendNode(const QString& path, const Node& node, bool isRoot, QByteArray& out) {
    if (!isRoot || !node.values.empty()) {
        out += '[';
        out += path.toUtf8();
        out += "]\n";
        for (const auto& [name, data] : node.values) {
            out += registry_text::escapeName(name).toUtf8();
            out += '=';
            out += registry_text::escapeValue(data).toUtf8();
            out += '\n';
        }
    }
    for (const auto& [folded, child] : node.subkeys) {
        const QString childPath = (isRoot ? QString() : path + QLatin1Char('\\')) +
                                  registry_text::escapeKeyName(child->name);
        appendNode(childPath, *child, false, out);
    }
}

// Blanks at either end of a line are never written (they are escaped inside names, values and
// key names), so they are dropped, also around the parts of a key path. A line that starts a
// header but does not end it belongs to no key: its values are skipped rather than filed under
// the key before it.
std::unique_ptr<Registry::Node> Registry::parse(const QByteArray& bytes) {
    auto root = std::make_unique<Node>();
    Node* current = nullptr;
    // A byte-order mark (from an editor) starts the file, not its first name.
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = decodeUtf8OrWindows1252(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']'))) {
                current = nullptr;
                continue;
            }
            current = root.get();
            for (const QString& rawPart : line.mid(1, line.size() - 2).split(QLatin1Char('\\'))) {
                const QString part = rawPart.trimmed();
                if (!part.isEmpty()) {
                    current = current->child(registry_text::unescapeKeyName(part), true);
                }
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current == nullptr || equals < 0) {
            continue;
        }
        const QString name = registry_text::unescape(line.left(equals));
        const QString data = registry_text::unescape(line.mid(equals + 1));
        if (auto* existing = current->findValue(name)) {
            existing->second = data;
        } else {
            current->values.emplace_back(name, data);
        }
    }
    return root;
}

void Registry::apply(Node& root, const Change& change) {
    switch (change.kind) {
    case Change::Kind::CreateKey:
        findOrCreateNode(root, change.key);
        break;
    case Change::Kind::EraseKey: {
        QStringList parts = splitPath(change.key);
        if (parts.isEmpty()) {
            break;
        }
        const QString last = parts.takeLast();
        if (Node* parent = findNode(root, parts.join(QLatin1Char('\\')))) {
            parent->subkeys.erase(last.toCaseFolded());
        }
        break;
    }
    case Change::Kind::WriteValue: {
        Node* node = findOrCreateNode(root, change.key);
        if (auto* existing = node->findValue(change.name)) {
            existing->second = change.value;
        } else {
            node->values.emplace_back(change.name, change.value);
        }
        break;
    }
    case Change::Kind::DeleteValue:
        if (Node* node = findNode(root, change.key)) {
            if (const auto* value = node->findValue(change.name)) {
                node->values.erase(node->values.begin() + (value - node->values.data()));
            }
        }
        break;
    }
}

Registry::FileStamp Registry::stampOf(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return {};
    }
    constexpr qint64 kNsPerSecond = 1'000'000'000;
    return {true,
            static_cast<quint64>(info.st_dev),
            static_cast<quint64>(info.st_ino),
            static_cast<qint64>(info.st_size),
            static_cast<qint64>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec,
            static_cast<qint64>(info.st_ctim.tv_sec) * kNsPerSecond + info.st_ctim.tv_nsec};
}

std::unique_ptr<Registry::Node> Registry::readTree(FileStamp& stamp, QString& error) const {
    // The stamp is taken before reading: should the file be replaced in between, the next
    // refresh sees a different stamp and reads it again.
    stamp = stampOf(filePath_);
    QFile file(filePath_);
    if (!stamp.exists && !file.exists()) {
        return std::make_unique<Node>();
    }
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return nullptr;
    }
    return parse(bytes);
}

Registry::Registry(QString filePath)
    : filePath_(std::move(filePath)), root_(std::make_unique<Node>()) {
    const std::lock_guard lock(mutex_);
    refresh();
}

Registry::~Registry() = default;

QString Registry::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir(base).filePath(QStringLiteral("quintape/registry.ini"));
}

void Registry::refresh() const {
    if (loaded_ && stampOf(filePath_) == stamp_) {
        return; // the version read last (or still no file)
    }
    FileStamp stamp;
    QString error;
    std::unique_ptr<Node> tree = readTree(stamp, error);
    if (tree == nullptr) {
        loaded_ = false;
        error_ = error;
        return;
    }
    for (const Change& change : pending_) {
        apply(*tree, change);
    }
    root_ = std::move(tree);
    stamp_ = stamp;
    loaded_ = true;
}

bool Registry::isLoaded() const {
    const std::lock_guard lock(mutex_);
    return loaded_;
}

QString Registry::errorString() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

bool Registry::record(Change change) {
    if (!loaded_) {
        return false;
    }
    apply(*root_, change);
    pending_.push_back(std::move(change));
    return batchDepth_ > 0 || writeFile();
}

bool Registry::createKey(const QString& key) {
    const std::lock_guard lock(mutex_);
    refresh();
    if (findNode(*root_, key) != nullptr) {
        return true;
    }
    return record({Change::Kind::CreateKey, key, {}, {}});
}

std::optional<RegistryKey> Registry::openKey(const QString& key, bool create) {
    if (create ? createKey(key) : keyExists(key)) {
        return RegistryKey(*this, key);
    }
    return std::nullopt;
}

bool Registry::keyExists(const QString& key) const {
    const std::lock_guard lock(mutex_);
    refresh();
    return findNode(*root_, key) != nullptr;
}

bool Registry::eraseKey(const QString& key) {
    const std::lock_guard lock(mutex_);
    if (splitPath(key).isEmpty()) {
        return false;
    }
    refresh();
    if (findNode(*root_, key) == nullptr) {
        return true;
    }
    return record({Change::Kind::EraseKey, key, {}, {}});
}

QStringList Registry::subKeyNames(const QString& key) const {
    const std::lock_guard lock(mutex_);
    refresh();
    QStringList names;
    if (const Node* node = findNode(*root_, key)) {
        for (const auto& [folded, child] : node->subkeys) {
            names.append(child->name);
        }
    }
    return names;
}

QStringList Registry::valueNames(const QString& key) const {
    const std::lock_guard lock(mutex_);
    refresh();
    QStringList names;
    if (const Node* node = findNode(*root_, key)) {
        for (const auto& value : node->values) {
            names.append(value.first);
        }
    }
    return names;
}

std::optional<QString> Registry::readString(const QString& key, const QString& name) const {
    const std::lock_guard lock(mutex_);
    refresh();
    if (Node* node = findNode(*root_, key)) {
        if (const auto* value = node->findValue(name)) {
            return value->second;
        }
    }
    return std::nullopt;
}

QString Registry::readString(const QString& key, const QString& name,
                             const QString& defaultValue) const {
    return readString(key, name).value_or(defaultValue);
}

bool Registry::valueExists(const QString& key, const QString& name) const {
    return readString(key, name).has_value();
}

bool Registry::writeString(const QString& key, const QString& name, const QString& value) {
    const std::lock_guard lock(mutex_);
    refresh();
    return record({Change::Kind::WriteValue, key, name, value});
}

bool Registry::deleteValue(const QString& key, const QString& name) {
    const std::lock_guard lock(mutex_);
    refresh();
    Node* node = findNode(*root_, key);
    if (node == nullptr || node->findValue(name) == nullptr) {
        return true;
    }
    return record({Change::Kind::DeleteValue, key, name, {}});
}

bool Registry::flush() {
    const std::lock_guard lock(mutex_);
    return pending_.empty() || writeFile();
}

Registry::Batch::Batch(Registry& registry) : registry_(registry) {
    const std::lock_guard lock(registry_.mutex_);
    ++registry_.batchDepth_;
}

Registry::Batch::~Batch() {
    if (open_ && !commit()) {
        qWarning("Registry: unable to write %s: %s", qUtf8Printable(registry_.filePath()),
                 qUtf8Printable(registry_.errorString()));
    }
}

bool Registry::Batch::commit() {
    if (!open_) {
        return true;
    }
    open_ = false;
    const std::lock_guard lock(registry_.mutex_);
    --registry_.batchDepth_;
    return registry_.batchDepth_ > 0 || registry_.pending_.empty() || registry_.writeFile();
}

bool Registry::writeFile() {
    if (!loaded_) {
        return false;
    }
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QDir().mkpath(folder)) {
        error_ = QStringLiteral("Cannot create the folder %1").arg(folder);
        return false;
    }
    const FileLock fileLock(filePath_ + QStringLiteral(".lock"));
    if (!fileLock.isLocked()) {
        error_ = fileLock.errorString();
        return false;
    }
    FileStamp readStamp;
    std::unique_ptr<Node> tree = readTree(readStamp, error_);
    if (tree == nullptr) {
        return false;
    }
    for (const Change& change : pending_) {
        apply(*tree, change);
    }
    QByteArray bytes;
    appendNode(QString(), *tree, true, bytes);
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error_ = file.errorString();
        return false;
    }
    root_ = std::move(tree);
    stamp_ = stampOf(filePath_); // still under the lock, so this is the file just written
    pending_.clear();
    return true;
}

} // namespace platform
