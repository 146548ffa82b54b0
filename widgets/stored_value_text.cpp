#include "widgets/stored_value_text.h"

#include <QLocale>

#include <cmath>

namespace widgets::stored_text {

QString fromInteger(qlonglong value) {
    return QString::number(value);
}

QString fromBoolean(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

QString fromFloat(double value) {
    // QString::number never uses the locale; 'g' drops trailing zeros and the point.
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString fromFlag(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

std::optional<qlonglong> toInteger(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<bool> toBoolean(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return std::nullopt;
}

std::optional<double> toFloat(const QString& text) {
    bool ok = false;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    const double value = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace widgets::stored_text
