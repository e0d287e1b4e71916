#include "BStr.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "CodePage.h"

namespace platform {

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

uint32_t& LengthPrefix(BSTR text) {
    return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

}  // namespace

BSTR SysAllocStringLen(LPCOLESTR text, UINT length) {
    const size_t bytes = size_t(length) * sizeof(OLECHAR);
    if (bytes > 0xFFFFFFF0u) {
        return nullptr;
    }
    char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block) {
        return nullptr;
    }
    BSTR result = reinterpret_cast<BSTR>(block + kPrefix);
    LengthPrefix(result) = static_cast<uint32_t>(bytes);
    if (text) {
        std::memcpy(result, text, bytes);
    } else {
        std::memset(result, 0, bytes);
    }
    result[length] = u'\0';
    return result;
}

BSTR SysAllocString(LPCOLESTR text) {
    if (!text) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<UINT>(std::char_traits<char16_t>::length(text)));
}

void SysFreeString(BSTR text) {
    if (text) {
        std::free(reinterpret_cast<char*>(text) - kPrefix);
    }
}

UINT SysStringLen(BSTR text) {
    return text ? LengthPrefix(text) / sizeof(OLECHAR) : 0;
}

std::u16string_view BSTRView(BSTR text) {
    return {text ? text : u"", SysStringLen(text)};
}

BSTR AnsiToBSTR(std::string_view text) {
    const std::u16string wide = AnsiToUtf16(text);
    BSTR result = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!result) {
        throw std::bad_alloc();
    }
    return result;
}

std::string BSTRToAnsi(BSTR text) {
    return Utf16ToAnsi(BSTRView(text));
}

}  // namespace platform
