#include "platform/system/guid.h"

#include <cstdio>

namespace platform {

QString GUID::toString() const {
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1,
                  Data2, Data3, Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5],
                  Data4[6], Data4[7]);
    return QString::fromLatin1(text);
}

namespace {

std::optional<std::uint64_t> parseHex(std::string_view text) {
    if (text.empty() || text.size() > 16) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
    }
    return value;
}

} // namespace

std::optional<GUID> GUID::fromString(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    const auto d1 = parseHex(text.substr(0, 8));
    const auto d2 = parseHex(text.substr(9, 4));
    const auto d3 = parseHex(text.substr(14, 4));
    if (!d1 || !d2 || !d3) {
        return std::nullopt;
    }
    GUID guid;
    guid.Data1 = static_cast<std::uint32_t>(*d1);
    guid.Data2 = static_cast<std::uint16_t>(*d2);
    guid.Data3 = static_cast<std::uint16_t>(*d3);
    const std::string_view tail[8] = {text.substr(19, 2), text.substr(21, 2), text.substr(24, 2),
                                      text.substr(26, 2), text.substr(28, 2), text.substr(30, 2),
                                      text.substr(32, 2), text.substr(34, 2)};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto byte = parseHex(tail[i]);
        if (!byte) {
            return std::nullopt;
        }
        guid.Data4[i] = static_cast<std::uint8_t>(*byte);
    }
    return guid;
}

} // namespace platform
