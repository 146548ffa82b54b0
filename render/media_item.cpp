#include "render/media_item.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>
#include <QTime>

#include <cmath>
#include <limits>

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
    // The locale's long time format, without the time-zone part that Qt adds to it.
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    format = format.trimmed();
    const QString timeOfDay =
        QLocale::system().toString(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), format);
    return wholeDays > 0 ? QString::number(wholeDays) + QLatin1Char('.') + timeOfDay : timeOfDay;
}

} // namespace render
