#pragma once

#include <QString>

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

// A 128-bit identifier with the Windows text form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::array<std::uint8_t, 8> Data4{};

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
    friend constexpr auto operator<=>(const GUID&, const GUID&) = default;

    constexpr bool isNull() const { return *this == GUID{}; }

    // Upper-case text form with braces.
    QString toString() const;
    // Parses the text form, braces optional, case-insensitive.
    static std::optional<GUID> fromString(std::string_view text);
};

using CLSID = GUID;
using IID = GUID;

inline constexpr GUID GUID_NULL{};

} // namespace platform
