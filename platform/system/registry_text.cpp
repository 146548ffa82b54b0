#include "platform/system/registry_text.h"

#include <optional>

namespace platform::registry_text {

namespace {

bool isControl(char16_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0x2028 || c == 0x2029;
}

// True when the UTF-16 unit at index is half of a surrogate pair with no other half.
bool isUnpairedSurrogate(const QString& text, qsizetype index) {
    const QChar c = text[index];
    if (c.isHighSurrogate()) {
        return index + 1 >= text.size() || !text[index + 1].isLowSurrogate();
    }
    if (c.isLowSurrogate()) {
        return index == 0 || !text[index - 1].isHighSurrogate();
    }
    return false;
}

// The reader drops white space at either end of a line and of a key name (any character Qt
// counts as space, U+2000 and U+3000 too), so such a character at an edge is written escaped.
bool isEdgeBlank(const QString& text, qsizetype index) {
    return text[index].isSpace() && (index == 0 || index == text.size() - 1);
}

void appendHex4(QString& out, char16_t c) {
    out += QString::number(c, 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'A' && c <= u'F') {
        return c - u'A' + 10;
    }
    if (c >= u'a' && c <= u'f') {
        return c - u'a' + 10;
    }
    return -1;
}

std::optional<char16_t> parseHex4(const QString& text, qsizetype index) {
    if (index + 4 > text.size()) {
        return std::nullopt;
    }
    int code = 0;
    for (qsizetype k = index; k < index + 4; ++k) {
        const int digit = hexDigit(text[k].unicode());
        if (digit < 0) {
            return std::nullopt;
        }
        code = code * 16 + digit;
    }
    return static_cast<char16_t>(code);
}

QString escapeText(const QString& text, bool isName) {
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\') {
            out += QLatin1String("\\\\");
        } else if (c == u'\n') {
            out += QLatin1String("\\n");
        } else if (c == u'\r') {
            out += QLatin1String("\\r");
        } else if (c == u'\t') {
            out += QLatin1String("\\t");
        } else if (isControl(c) || isUnpairedSurrogate(text, i) || isEdgeBlank(text, i) ||
                   (isName && c == u'=') ||
                   (isName && i == 0 && (c == u'[' || c == u';' || c == u'#'))) {
            out += QLatin1String("\\u");
            appendHex4(out, c);
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

QString escapeName(const QString& name) {
    return escapeText(name, true);
}

QString escapeValue(const QString& value) {
    return escapeText(value, false);
}

QString unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char16_t next = text[i + 1].unicode();
        if (next == u'n') {
            out += QLatin1Char('\n');
            ++i;
        } else if (next == u'r') {
            out += QLatin1Char('\r');
            ++i;
        } else if (next == u't') {
            out += QLatin1Char('\t');
            ++i;
        } else if (next == u'u') {
            if (const auto code = parseHex4(text, i + 2)) {
                out += QChar(*code);
                i += 5;
            } else {
                out += QLatin1Char('u');
                ++i;
            }
        } else {
            out += text[i + 1];
            ++i;
        }
    }
    return out;
}

QString escapeKeyName(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c == u'%' || c == u'[' || c == u']' || c == u'\\' || isControl(c) ||
            isUnpairedSurrogate(name, i) || isEdgeBlank(name, i)) {
            out += QLatin1Char('%');
            appendHex4(out, c);
        } else {
            out += name[i];
        }
    }
    return out;
}

QString unescapeKeyName(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('%')) {
            if (const auto code = parseHex4(text, i + 1)) {
                out += QChar(*code);
                i += 4;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace platform::registry_text
