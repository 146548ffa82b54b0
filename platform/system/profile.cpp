#include "platform/system/profile.h"

#include "platform/system/text_codec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

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

bool isLineEnd(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// Calls visit with every line of the file's text. A line ends at LF, at CR LF or at a lone CR.
// A file that starts with a UTF-16 byte-order mark is decoded as UTF-16 as a whole; any other
// file line by line as UTF-8, or as Windows-1252 where a line is not valid UTF-8.
template <typename Visit> void forEachLine(QByteArrayView bytes, Visit visit) {
    const auto startsWith = [&bytes](const char* mark, qsizetype size) {
        return bytes.startsWith(QByteArrayView(mark, size));
    };
    std::optional<QStringDecoder::Encoding> wide;
    if (startsWith("\xFF\xFE", 2)) {
        wide = QStringDecoder::Utf16LE;
    } else if (startsWith("\xFE\xFF", 2)) {
        wide = QStringDecoder::Utf16BE;
    }
    if (wide) {
        QStringDecoder decoder(*wide);
        const QString text = decoder(bytes.sliced(2));
        qsizetype start = 0;
        while (start < text.size()) {
            qsizetype end = start;
            while (end < text.size() && !isLineEnd(text[end].unicode())) {
                ++end;
            }
            visit(text.mid(start, end - start));
            start = end + 1;
        }
        return;
    }
    if (startsWith("\xEF\xBB\xBF", 3)) {
        bytes = bytes.sliced(3);
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') {
            ++end;
        }
        visit(decodeUtf8OrWindows1252(bytes.sliced(start, end - start)));
        start = end + 1;
    }
}

// The profile reader drops one pair of matching quotes, single or double, around a value.
bool isQuoted(const QString& value) {
    return value.size() >= 2 &&
           (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
           value.back() == value.front();
}

QString unquoted(const QString& value) {
    return isQuoted(value) ? value.mid(1, value.size() - 2) : value;
}

} // namespace

bool isProfileBlank(QChar c) {
    return isBlank(c);
}

QString ProfileValueText(const QString& value) {
    return isQuoted(value) ? QLatin1Char('"') + value + QLatin1Char('"') : value;
}

EIniFileException::EIniFileException(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

ProfileFile ProfileFile::parse(QByteArrayView bytes) {
    ProfileFile file;
    Section* current = nullptr;
    forEachLine(bytes, [&file, &current](const QString& rawLine) {
        const QString line = trimBlanks(rawLine);
        if (line.isEmpty() || line.front() == QLatin1Char(';')) {
            return;
        }
        if (line.front() == QLatin1Char('[')) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            if (close > 0) {
                const int index = file.appendSectionUnchecked(trimBlanks(line.mid(1, close - 1)));
                current = &file.sections_[static_cast<std::size_t>(index)];
                return;
            }
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current == nullptr || equals < 0) {
            return;
        }
        addEntry(*current, trimBlanks(line.left(equals)), trimBlanks(line.mid(equals + 1)));
    });
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
    return unquoted(section.entries[static_cast<std::size_t>(*found)].value);
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
