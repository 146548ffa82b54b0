#include "render/media_item.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <cmath>
#include <limits>
#include <vector>

namespace render {

std::optional<TrailingNumber> SplitTrailingNumber(const QString& name) {
    qsizetype first = name.size();
    while (first > 0 && name[first - 1] >= QLatin1Char('0') &&
           name[first - 1] <= QLatin1Char('9')) {
        --first;
    }
    if (first == name.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (qsizetype i = first; i < name.size(); ++i) {
        value = value * 10 + static_cast<std::uint64_t>(name[i].unicode() - u'0');
        if (value > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    TrailingNumber result;
    result.prefix = name.left(first);
    result.number = static_cast<std::uint32_t>(value);
    result.width = static_cast<int>(name.size() - first);
    return result;
}

QString SequenceFileName(const QString& prefix, std::uint32_t number, int width,
                         const QString& extension) {
    return prefix + QStringLiteral("%1").arg(number, width, 10, QLatin1Char('0')) + extension;
}

QString ExtractFileExt(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash) {
        return QString();
    }
    return fileName.mid(dot);
}

QStringList SequenceFileNames(const QString& fileName) {
    QStringList names{fileName};
    const QString extension = ExtractFileExt(fileName);
    const auto split = SplitTrailingNumber(fileName.left(fileName.size() - extension.size()));
    if (!split) {
        return names;
    }
    for (std::uint64_t n = std::uint64_t{split->number} + 1;
         n <= std::numeric_limits<std::uint32_t>::max(); ++n) {
        QString next =
            SequenceFileName(split->prefix, static_cast<std::uint32_t>(n), split->width, extension);
        if (!QFileInfo(next).isFile()) {
            break;
        }
        names.append(std::move(next));
    }
    return names;
}

int SequenceFileCount(const QString& fileName) {
    const auto names = SequenceFileNames(fileName);
    return names.size() > 1 ? static_cast<int>(names.size()) : 0;
}

namespace {

// Which characters of a time format are quoted text (the quotes included); '' outside quotes
// is a literal quote and counts as quoted.
std::vector<bool> quotedCharacters(const QString& format) {
    std::vector<bool> quoted(static_cast<std::size_t>(format.size()), false);
    bool inside = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == QLatin1Char('\'')) {
            quoted[static_cast<std::size_t>(i)] = true;
            inside = !inside;
        } else {
            quoted[static_cast<std::size_t>(i)] = inside;
        }
    }
    return quoted;
}

bool opensZone(QChar c) {
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char('(') || c == QLatin1Char('[');
}

bool closesZone(QChar c) {
    return c.isSpace() || c == QLatin1Char(',') || c == QLatin1Char(')') || c == QLatin1Char(']');
}

} // namespace

QString TimeFormatWithoutZone(const QString& format) {
    QString result = format;
    const std::vector<bool> quoted = quotedCharacters(format);
    const auto isZone = [&](qsizetype i) {
        return !quoted[static_cast<std::size_t>(i)] && format[i] == QLatin1Char('t');
    };
    const auto isFree = [&](qsizetype i) { return !quoted[static_cast<std::size_t>(i)]; };
    // From the end, so the positions still to visit keep their place in `result`.
    qsizetype end = format.size();
    while (end > 0) {
        if (!isZone(end - 1)) {
            --end;
            continue;
        }
        qsizetype begin = end - 1;
        while (begin > 0 && isZone(begin - 1)) {
            --begin;
        }
        qsizetype first = begin;
        while (first > 0 && isFree(first - 1) && opensZone(format[first - 1])) {
            --first;
        }
        qsizetype last = end;
        while (last < format.size() && isFree(last) && closesZone(format[last])) {
            ++last;
        }
        // A zone between two fields leaves one space between them.
        const bool between = first > 0 && last < format.size();
        result.replace(first, last - first, between ? QStringLiteral(" ") : QString());
        end = first;
    }
    return result.trimmed();
}

QString DurationText(double days) {
    constexpr std::int64_t msPerDay = 24LL * 60 * 60 * 1000;
    if (!std::isfinite(days) || days < 0) {
        days = 0;
    }
    std::int64_t wholeDays = static_cast<std::int64_t>(std::floor(days));
    std::int64_t ms = std::llround((days - static_cast<double>(wholeDays)) * msPerDay);
    if (ms >= msPerDay) {
        ++wholeDays;
        ms -= msPerDay;
    }
    // The locale's long time format, without the time-zone field that Qt adds to it.
    const QString format = TimeFormatWithoutZone(QLocale::system().timeFormat(QLocale::LongFormat));
    const QString timeOfDay =
        QLocale::system().toString(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), format);
    return wholeDays > 0 ? QString::number(wholeDays) + QLatin1Char('.') + timeOfDay : timeOfDay;
}

} // namespace render
