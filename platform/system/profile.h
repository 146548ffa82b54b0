#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <vector>

namespace platform {

// Raised when an INI file cannot be written; the text names the file ("Unable to write to %s").
class EIniFileException : public std::runtime_error {
public:
    explicit EIniFileException(const QString& message);
    QString message() const { return message_; }

private:
    QString message_;
};

// An INI document read and written with the rules of the Windows profile functions:
//
// * A line whose first non-blank character is "[" and that holds a "]" starts a section; its
//   name is the text up to the last "]", without surrounding blanks. Sections keep file order;
//   a name may occur more than once.
// * Any other line with an "=" is a key: the name is the text before the first "=", the value
//   the whole rest of the line, both without surrounding blanks.
// * Lines before the first section, lines without "=" and lines starting with ";" are ignored.
// * Names are compared without regard to case. Looking a key up by section name searches the
//   first section of that name only, and the first key of that name in it; a later section of
//   the same name is listed but never answers a lookup.
// * A value read is stripped of one pair of matching quotes around it ("x" or 'x' reads x);
//   the document keeps the text as it stands, so a rewritten file keeps its quotes.
// * Every section and the whole of every value are read; there is no length limit.
// * Lines end at CR LF, LF or a lone CR. A file with a UTF-16 byte-order mark (little- or
//   big-endian) is read as UTF-16; any other file line by line as UTF-8 (with or without
//   byte-order mark), or as Windows-1252 when the line is not valid UTF-8.
// * Writing uses CR LF line ends and UTF-8 without byte-order mark, with no blank lines.
class ProfileFile {
public:
    // Parses the bytes of an INI file.
    static ProfileFile parse(QByteArrayView bytes);

    // Replaces the document with the contents of the file. A file that does not exist gives an
    // empty document and true; a file that exists but cannot be read gives false.
    bool load(const QString& path);

    // The file's bytes as save() writes them.
    QByteArray serialize() const;

    // Writes the document to a new file and puts it in place of path in one step, so a failed
    // save leaves an earlier file untouched. False when the file cannot be written.
    bool save(const QString& path) const;

    int sectionCount() const { return static_cast<int>(sections_.size()); }
    QString sectionName(int index) const { return sections_.at(index).name; }
    QStringList sectionNames() const;

    // The value of key in the section at index, without enclosing quotes; nullopt when the
    // section lacks the key.
    std::optional<QString> value(int sectionIndex, const QString& key) const;
    // The value of key in the first section named section; nullopt when there is none.
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString value(const QString& section, const QString& key, const QString& defaultValue) const;

    // Sets key in the first section named section, appending the section or key when absent.
    // False (and nothing changed) when the text would break the file's structure: a line
    // break anywhere, an empty name, a key name with "=" or starting with "[" or ";", or blanks
    // at either end of a name. Blanks at either end of a value are written but, as on
    // Windows, not read back.
    bool setValue(const QString& section, const QString& key, const QString& value);

    // Appends a new section even when one of that name exists; returns its index, or -1 when
    // the name cannot be written (see setValue).
    int appendSection(const QString& name);
    // Sets key in the section at index; same rules as setValue.
    bool setValue(int sectionIndex, const QString& key, const QString& value);

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        std::vector<Entry> entries;
        QHash<QString, int> firstEntry; // folded key name -> index of its first entry
    };

    int findSection(const QString& name) const;
    int appendSectionUnchecked(const QString& name);
    static void addEntry(Section& section, const QString& key, const QString& value);

    std::vector<Section> sections_;
    QHash<QString, int> firstSection_; // folded section name -> index of its first section
};

// Whether the reader strips c around names and values (blanks, tabs, the end-of-file mark).
bool isProfileBlank(QChar c);

// The text to write for value so that the reader gives value back: a value that is itself
// enclosed in a matching pair of quotes is written inside one more pair. Blanks at either end
// and line breaks cannot be kept by any text.
QString ProfileValueText(const QString& value);

// Thin per-call profile functions over ProfileFile, named after their Windows counterparts.
// The names of every section of the file in file order; empty when the file is missing.
QStringList GetPrivateProfileSectionNames(const QString& fileName);
// The value of key in section, or defaultValue when the file, section or key is missing.
QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName);
// Reads the file, sets the key and writes the file back. False when it cannot be written.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName);

} // namespace platform
