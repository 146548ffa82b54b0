#include "playlist/playlist_file.h"

#include "platform/system/profile.h"

#include <QFile>

namespace playlist {

namespace {

const QString kFileKey = QStringLiteral("File");
const QString kCheckedKey = QStringLiteral("Checked");

[[noreturn]] void throwUnableToWrite(const QString& fileName, const QString& reason = QString()) {
    QString message = QStringLiteral("Unable to write to %1").arg(fileName);
    if (!reason.isEmpty()) {
        message += QStringLiteral(": ") + reason;
    }
    throw platform::EIniFileException(message);
}

// Why the file cannot keep text as it stands, or empty when it can: the reader ends a value at
// a line break and drops blanks at either end of it.
QString unstorableReason(const QString& text) {
    if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))) {
        return QStringLiteral("it holds a line break");
    }
    if (!text.isEmpty() &&
        (platform::isProfileBlank(text.front()) || platform::isProfileBlank(text.back()))) {
        return QStringLiteral("it begins or ends with a blank");
    }
    return QString();
}

} // namespace

void SavePlayList(const QString& fileName, const CheckList& list) {
    // Refuse before anything is touched, so that an old playlist stays as it was.
    for (int i = 0; i < list.count(); ++i) {
        const QString reason = unstorableReason(list.text(i));
        if (!reason.isEmpty()) {
            throwUnableToWrite(
                fileName, QStringLiteral("item %1 (\"%2\") cannot be stored in a playlist, %3.")
                              .arg(i + 1)
                              .arg(list.text(i).simplified(), reason));
        }
    }
    if (list.isEmpty()) {
        if (QFile::exists(fileName) && !QFile::remove(fileName)) {
            throwUnableToWrite(fileName);
        }
        return;
    }
    platform::ProfileFile file;
    for (int i = 0; i < list.count(); ++i) {
        const int section = file.appendSection(QString::number(i));
        if (!file.setValue(section, kFileKey, platform::ProfileValueText(list.text(i))) ||
            !file.setValue(section, kCheckedKey,
                           list.checked(i) ? QStringLiteral("1") : QStringLiteral("0"))) {
            throwUnableToWrite(fileName);
        }
    }
    if (!file.save(fileName)) {
        throwUnableToWrite(fileName);
    }
}

void LoadPlayList(const QString& fileName, CheckList& list) {
    platform::ProfileFile file;
    if (!file.load(fileName)) {
        return;
    }
    // Every section name in file order, each looked up by its name: a name that occurs twice
    // gives the values of its first section twice, as the profile functions answer.
    const QStringList sections = file.sectionNames();
    for (const QString& section : sections) {
        list.add(file.value(section, kFileKey).value_or(QString()),
                 checkedFromText(file.value(section, kCheckedKey)));
    }
}

bool checkedFromText(const std::optional<QString>& value) {
    if (!value) {
        return true;
    }
    const std::optional<qint64> number = parseProfileInteger(*value);
    return !number || *number != 0;
}

std::optional<qint64> parseProfileInteger(const QString& text) {
    QStringView rest(text);
    bool negative = false;
    if (rest.startsWith(QLatin1Char('+')) || rest.startsWith(QLatin1Char('-'))) {
        negative = rest.front() == QLatin1Char('-');
        rest = rest.sliced(1);
    }
    int base = 10;
    if (rest.startsWith(QLatin1Char('$'))) {
        base = 16;
        rest = rest.sliced(1);
    } else if (rest.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        rest = rest.sliced(2);
    }
    if (rest.isEmpty()) {
        return std::nullopt;
    }
    constexpr qint64 kLimit = 0xFFFFFFFF;
    qint64 magnitude = 0;
    for (const QChar c : rest) {
        const char16_t u = c.unicode();
        int digit = -1;
        if (u >= u'0' && u <= u'9') {
            digit = u - u'0';
        } else if (base == 16 && u >= u'a' && u <= u'f') {
            digit = u - u'a' + 10;
        } else if (base == 16 && u >= u'A' && u <= u'F') {
            digit = u - u'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    return negative ? -magnitude : magnitude;
}

bool isPlayListFile(const QString& path) {
    const QStringView name = QStringView(path).sliced(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && name.sliced(dot).toString().toLower() == QLatin1String(".plst");
}

QString WithPlayListExtension(const QString& fileName) {
    const QStringView name =
        QStringView(fileName).sliced(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty() || name.contains(QLatin1Char('.'))) {
        return fileName;
    }
    return fileName + QStringLiteral(".plst");
}

void AddFiles(const QStringList& paths, CheckList& list) {
    for (const QString& path : paths) {
        if (isPlayListFile(path)) {
            LoadPlayList(path, list);
        } else {
            list.add(path, true);
        }
    }
}

} // namespace playlist
