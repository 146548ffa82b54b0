#pragma once

#include <QByteArrayView>
#include <QString>

namespace platform {

// True when bytes is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);

// Decodes bytes as Windows-1252. The five byte values that code page leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, as Windows does.
QString decodeWindows1252(QByteArrayView bytes);

// Decodes one line of text: as UTF-8 when the bytes are valid UTF-8, otherwise as
// Windows-1252 (text written by programs that used the Western ANSI code page).
QString decodeUtf8OrWindows1252(QByteArrayView bytes);

} // namespace platform
