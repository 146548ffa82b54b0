#include "playlist/playlist_file.h"

#include "platform/system/profile.h"

#include <QFile>

namespace playlist {

namespace {

const QString kFileKey = QStringLiteral("File");
const QString kCheckedKey = QStringLiteral("Checked");

[[noreturn]] void throwUnableToWrite(const QString& fileName) {
    throw platform::EIniFileException(QStringLiteral("Unable to write to %1").arg(fileName));
}

} // namespace

void SavePlayList(const QString& fileName, const CheckList& list) {
    if (list.isEmpty()) {
        if (QFile::exists(fileName) && !QFile::remove(fileName)) {
            throwUnableToWrite(fileName);
        }
        return;
    }
    platform::ProfileFile file;
    for (int i = 0; i < list.count(); ++i) {
        const int section = file.appendSection(QString::number(i));
        if (!file.setValue(section, kFileKey, list.text(i)) ||
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
    for (int i = 0; i < file.sectionCount(); ++i) {
        list.add(file.value(i, kFileKey).value_or(QString()),
                 checkedFromText(file.value(i, kCheckedKey)));
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
