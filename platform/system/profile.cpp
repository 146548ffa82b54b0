#include "platform/system/profile.h"

#include "platform/system/text_codec.h"

#include <QFile>
#include <QSaveFile>

namespace platform {

namespace {

// Blanks that the profile functions strip around names and values (0x1A: end-of-file mark).
bool isBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\v' || u == u'\f' || u == u'\r' || u == 0x1A;
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

QString fold(const QString& name) {
    return name.toCaseFolded();
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool isWritableName(const QString& name) {
    return !name.isEmpty() && !hasLineBreak(name) && !isBlank(name.front()) &&
           !isBlank(name.back());
}

bool isWritableSectionName(const QString& name) {
    return isWritableName(name);
}

bool isWritableKeyName(const QString& name) {
    return isWritableName(name) && !name.contains(QLatin1Char('=')) &&
           !name.startsWith(QLatin1Char('[')) && !name.startsWith(QLatin1Char(';'));
}

} // namespace

EIniFileException::EIniFileException(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

ProfileFile ProfileFile::parse(QByteArrayView bytes) {
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    if (bytes.startsWith(QByteArrayView(kBom, 3))) {
        bytes = bytes.sliced(3);
    }
    ProfileFile file;
    Section* current = nullptr;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            end = bytes.size();
        }
        const QString line = trimBlanks(decodeUtf8OrWindows1252(bytes.sliced(start, end - start)));
        start = end + 1;
        if (line.isEmpty() || line.front() == QLatin1Char(';')) {
            continue;
        }
        if (line.front() == QLatin1Char('[')) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            if (close > 0) {
                const int index = file.appendSectionUnchecked(trimBlanks(line.mid(1, close - 1)));
                current = &file.sections_[static_cast<std::size_t>(index)];
                continue;
            }
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current == nullptr || equals < 0) {
            continue;
        }
        addEntry(*current, trimBlanks(line.left(equals)), trimBlanks(line.mid(equals + 1)));
    }
    return file;
}

bool ProfileFile::load(const QString& path) {
    *this = ProfileFile();
    QFile file(path);
    if (!file.exists()) {
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    *this = parse(bytes);
    return true;
}

QByteArray ProfileFile::serialize() const {
    QByteArray bytes;
    for (const Section& section : sections_) {
        bytes += '[';
        bytes += section.name.toUtf8();
        bytes += "]\r\n";
        for (const Entry& entry : section.entries) {
            bytes += entry.key.toUtf8();
            bytes += '=';
            bytes += entry.value.toUtf8();
            bytes += "\r\n";
        }
    }
    return bytes;
}

bool ProfileFile::save(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray bytes = serialize();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QStringList ProfileFile::sectionNames() const {
    QStringList names;
    names.reserve(static_cast<qsizetype>(sections_.size()));
    for (const Section& section : sections_) {
        names.append(section.name);
    }
    return names;
}

std::optional<QString> ProfileFile::value(int sectionIndex, const QString& key) const {
    if (sectionIndex < 0 || sectionIndex >= sectionCount()) {
        return std::nullopt;
    }
    const Section& section = sections_[static_cast<std::size_t>(sectionIndex)];
    const auto found = section.firstEntry.constFind(fold(key));
    if (found == section.firstEntry.cend()) {
        return std::nullopt;
    }
    return section.entries[static_cast<std::size_t>(*found)].value;
}

std::optional<QString> ProfileFile::value(const QString& section, const QString& key) const {
    return value(findSection(section), key);
}

QString ProfileFile::value(const QString& section, const QString& key,
                           const QString& defaultValue) const {
    return value(section, key).value_or(defaultValue);
}

bool ProfileFile::setValue(const QString& section, const QString& key, const QString& value) {
    if (!isWritableSectionName(section) || !isWritableKeyName(key) || hasLineBreak(value)) {
        return false;
    }
    int index = findSection(section);
    if (index < 0) {
        index = appendSectionUnchecked(section);
    }
    return setValue(index, key, value);
}

int ProfileFile::appendSection(const QString& name) {
    return isWritableSectionName(name) ? appendSectionUnchecked(name) : -1;
}

bool ProfileFile::setValue(int sectionIndex, const QString& key, const QString& value) {
    if (sectionIndex < 0 || sectionIndex >= sectionCount() || !isWritableKeyName(key) ||
        hasLineBreak(value)) {
        return false;
    }
    Section& section = sections_[static_cast<std::size_t>(sectionIndex)];
    const auto found = section.firstEntry.constFind(fold(key));
    if (found != section.firstEntry.cend()) {
        section.entries[static_cast<std::size_t>(*found)].value = value;
    } else {
        addEntry(section, key, value);
    }
    return true;
}

int ProfileFile::findSection(const QString& name) const {
    return firstSection_.value(fold(trimBlanks(name)), -1);
}

int ProfileFile::appendSectionUnchecked(const QString& name) {
    const int index = sectionCount();
    sections_.push_back(Section{name, {}, {}});
    const QString folded = fold(name);
    if (!firstSection_.contains(folded)) {
        firstSection_.insert(folded, index);
    }
    return index;
}

void ProfileFile::addEntry(Section& section, const QString& key, const QString& value) {
    const int index = static_cast<int>(section.entries.size());
    section.entries.push_back(Entry{key, value});
    const QString folded = fold(key);
    if (!section.firstEntry.contains(folded)) {
        section.firstEntry.insert(folded, index);
    }
}

QStringList GetPrivateProfileSectionNames(const QString& fileName) {
    ProfileFile file;
    file.load(fileName);
    return file.sectionNames();
}

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName) {
    ProfileFile file;
    file.load(fileName);
    return file.value(section, key, defaultValue);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName) {
    ProfileFile file;
    return file.load(fileName) && file.setValue(section, key, value) && file.save(fileName);
}

} // namespace platform
