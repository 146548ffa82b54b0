#pragma once

#include <QString>

// Escaping of the registry's backing file. Names and values may hold any text; in the file they
// become single lines that survive editors which trim blanks.
namespace platform::registry_text {

// A value name or value data: "\" becomes "\\", line feed "\n", carriage return "\r", tab "\t";
// other control characters, unpaired surrogates and blanks at either end become "\uXXXX".
// For names also "=" anywhere and "[", ";" or "#" at the start become "\uXXXX".
QString escapeName(const QString& name);
QString escapeValue(const QString& value);
// Reverses escapeName and escapeValue; an unknown escape keeps its character.
QString unescape(const QString& text);

// One component of a key path inside a "[...]" header: "%", "[", "]", "\", control characters,
// unpaired surrogates and blanks at either end become "%XXXX" (four hexadecimal digits).
QString escapeKeyName(const QString& name);
QString unescapeKeyName(const QString& text);

} // namespace platform::registry_text
