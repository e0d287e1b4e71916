#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "AutoTypes.h"

namespace platform {

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

namespace guid_detail {

constexpr int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace guid_detail

// Reads the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (hex digits of either case).
constexpr std::optional<GUID> GUIDFromString(std::string_view text) {
    constexpr std::string_view kShape = "{........-....-....-....-............}";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    uint8_t bytes[16] = {};
    int nibble = 0;
    for (size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] != '.') {
            if (text[i] != kShape[i]) {
                return std::nullopt;
            }
            continue;
        }
        const int digit = guid_detail::HexDigit(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        bytes[nibble / 2] = static_cast<uint8_t>(bytes[nibble / 2] << 4 | digit);
        ++nibble;
    }
    GUID guid{};
    guid.Data1 =
        uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
    guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
    guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = bytes[8 + i];
    }
    return guid;
}

// A GUID constant; a malformed literal does not compile.
consteval GUID operator""_guid(const char* text, size_t length) {
    return GUIDFromString(std::string_view(text, length)).value();
}

// The registry form, upper-case hex digits in braces.
std::string GUIDToString(const GUID& guid);

inline constexpr GUID GUID_NULL = "{00000000-0000-0000-0000-000000000000}"_guid;
inline constexpr IID IID_NULL = GUID_NULL;
inline constexpr IID IID_IUnknown = "{00000000-0000-0000-C000-000000000046}"_guid;
inline constexpr IID IID_IClassFactory = "{00000001-0000-0000-C000-000000000046}"_guid;
inline constexpr IID IID_IDispatch = "{00020400-0000-0000-C000-000000000046}"_guid;

}  // namespace platform
