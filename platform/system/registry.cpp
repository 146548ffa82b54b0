#include "platform/system/registry.h"

#include "platform/system/registry_text.h"
#include "platform/system/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtGlobal>

#include <map>
#include <utility>
#include <vector>

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

namespace {

QStringList splitPath(const QString& key) {
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

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

Registry::Registry(QString filePath)
    : filePath_(std::move(filePath)), root_(std::make_unique<Node>()) {
    readFile();
}

Registry::~Registry() = default;

QString Registry::defaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return QDir(base).filePath(QStringLiteral("quintape/registry.ini"));
}

bool Registry::isLoaded() const {
    const std::lock_guard lock(mutex_);
    return loaded_;
}

QString Registry::errorString() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

bool Registry::createKey(const QString& key) {
    const std::lock_guard lock(mutex_);
    if (find(key) != nullptr) {
        return true;
    }
    if (!loaded_) {
        return false;
    }
    findOrCreate(key);
    return changed();
}

std::optional<RegistryKey> Registry::openKey(const QString& key, bool create) {
    if (create ? createKey(key) : keyExists(key)) {
        return RegistryKey(*this, key);
    }
    return std::nullopt;
}

bool Registry::keyExists(const QString& key) const {
    const std::lock_guard lock(mutex_);
    return find(key) != nullptr;
}

bool Registry::eraseKey(const QString& key) {
    const std::lock_guard lock(mutex_);
    QStringList parts = splitPath(key);
    if (parts.isEmpty()) {
        return false;
    }
    const QString last = parts.takeLast();
    Node* parent = find(parts.join(QLatin1Char('\\')));
    if (parent == nullptr || parent->child(last, false) == nullptr) {
        return true;
    }
    if (!loaded_) {
        return false;
    }
    parent->subkeys.erase(last.toCaseFolded());
    return changed();
}

QStringList Registry::subKeyNames(const QString& key) const {
    const std::lock_guard lock(mutex_);
    QStringList names;
    if (const Node* node = find(key)) {
        for (const auto& [folded, child] : node->subkeys) {
            names.append(child->name);
        }
    }
    return names;
}

QStringList Registry::valueNames(const QString& key) const {
    const std::lock_guard lock(mutex_);
    QStringList names;
    if (const Node* node = find(key)) {
        for (const auto& value : node->values) {
            names.append(value.first);
        }
    }
    return names;
}

std::optional<QString> Registry::readString(const QString& key, const QString& name) const {
    const std::lock_guard lock(mutex_);
    if (Node* node = find(key)) {
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
    if (!loaded_) {
        return false;
    }
    Node* node = findOrCreate(key);
    if (auto* existing = node->findValue(name)) {
        existing->second = value;
    } else {
        node->values.emplace_back(name, value);
    }
    return changed();
}

bool Registry::deleteValue(const QString& key, const QString& name) {
    const std::lock_guard lock(mutex_);
    Node* node = find(key);
    const auto* value = node != nullptr ? node->findValue(name) : nullptr;
    if (value == nullptr) {
        return true;
    }
    if (!loaded_) {
        return false;
    }
    node->values.erase(node->values.begin() + (value - node->values.data()));
    return changed();
}

bool Registry::flush() {
    const std::lock_guard lock(mutex_);
    return !dirty_ || writeFile();
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
    return registry_.batchDepth_ > 0 || !registry_.dirty_ || registry_.writeFile();
}

Registry::Node* Registry::find(const QString& key) const {
    Node* node = root_.get();
    for (const QString& part : splitPath(key)) {
        node = node->child(part, false);
        if (node == nullptr) {
            return nullptr;
        }
    }
    return node;
}

Registry::Node* Registry::findOrCreate(const QString& key) {
    Node* node = root_.get();
    for (const QString& part : splitPath(key)) {
        node = node->child(part, true);
    }
    return node;
}

bool Registry::changed() {
    dirty_ = true;
    return batchDepth_ > 0 || writeFile();
}

bool Registry::writeFile() {
    if (!loaded_) {
        return false;
    }
    QByteArray bytes;
    appendNode(QString(), *root_, true, bytes);
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QDir().mkpath(folder)) {
        error_ = QStringLiteral("Cannot create the folder %1").arg(folder);
        return false;
    }
    QSaveFile file(filePath_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error_ = file.errorString();
        return false;
    }
    dirty_ = false;
    return true;
}

void Registry::readFile() {
    QFile file(filePath_);
    if (!file.exists()) {
        return;
    }
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    }
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        loaded_ = false;
        error_ = file.errorString();
        return;
    }
    // A byte-order mark (from an editor) starts the file, not its first name.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
    }
    Node* current = nullptr;
    for (const QByteArray& rawLine : bytes.split('\n')) {
        QString line = decodeUtf8OrWindows1252(rawLine);
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = root_.get();
            for (const QString& part : line.mid(1, line.size() - 2).split(QLatin1Char('\\'))) {
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
}

} // namespace platform
