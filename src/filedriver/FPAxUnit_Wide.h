#pragma once

#include <string>

#include "BStr.h"

// An 8-bit text handed to the driver as a BSTR for the length of one call.
class TWideText {
public:
    explicit TWideText(const std::string& Text) : FText(platform::AnsiToBSTR(Text)) {}
    ~TWideText() { platform::SysFreeString(FText); }
    TWideText(const TWideText&) = delete;
    TWideText& operator=(const TWideText&) = delete;
    operator platform::BSTR() const { return FText; }

private:
    platform::BSTR FText;
};

// A BSTR the driver handed out, as 8-bit text; frees it.
inline std::string TakeText(platform::BSTR Text) {
    std::string result = platform::BSTRToAnsi(Text);
    platform::SysFreeString(Text);
    return result;
}
