#pragma once

#include <QString>

#include <optional>

// The text of stored settings values. Every value is a string; numbers never depend on the
// user's locale, so a file written under one locale reads back under any other.
namespace widgets::stored_text {

// Decimal, with a leading "-" when negative.
QString fromInteger(qlonglong value);
// "True" or "False".
QString fromBoolean(bool value);
// The shortest general-format text that reads back as exactly the same number (at most 17
// significant digits), always with "." as the decimal separator: "1.5", "7", "100", "0.3".
QString fromFloat(double value);
// "1" or "0", the form of the placement and toolbar flags.
QString fromFlag(bool value);

// The readers trim the text and give nullopt when it does not convert.
// Decimal digits with an optional sign.
std::optional<qlonglong> toInteger(const QString& text);
// "True" or "False" in any case.
std::optional<bool> toBoolean(const QString& text);
// A finite number with "." as the decimal separator, in plain or exponent form.
std::optional<double> toFloat(const QString& text);

} // namespace widgets::stored_text
