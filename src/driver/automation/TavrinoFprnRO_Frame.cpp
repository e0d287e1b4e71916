#include "TavrinoFprnRO_Frame.h"

#include <charconv>
#include <cstdio>

#include "CodePage.h"
#include "ConstUnit.h"
#include "KalvoraServer.h"

std::string AnsiText(BSTR Text) {
    return platform::BSTRToAnsi(Text);
}

std::string Utf8Text(BSTR Text) {
    return platform::Utf16ToUtf8(platform::BSTRView(Text));
}

BSTR WideText(const std::string& Text) {
    return platform::AnsiToBSTR(Text);
}

std::string QuotedStr(const std::string& S) {
    std::string Result = "'";
    for (char C : S) {
        Result += C;
        if (C == '\'') {
            Result += C;
        }
    }
    return Result + "'";
}

std::string UpperCase(const std::string& S) {
    std::string Result = S;
    for (char& C : Result) {
        if (C >= 'a' && C <= 'z') {
            C = static_cast<char>(C - 'a' + 'A');
        }
    }
    return Result;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) {
    const char* First = S.data();
    const char* Last = S.data() + S.size();
    if (First != Last && *First == '+') {
        ++First;
    }
    int64_t Read = 0;
    const auto [End, Error] = std::from_chars(First, Last, Read);
    if (First == Last || Error != std::errc() || End != Last) {
        return false;
    }
    Value = Read;
    return true;
}

std::string AmountText(double Amount) {
    return DecimalCommas(FormatFloat("0.00", Amount));
}

std::string DecimalCommas(std::string Line) {
    for (char& C : Line) {
        if (C == '.') {
            C = ',';
        }
    }
    return Line;
}

bool CentsAbove(double A, double B) {
    return RoundMoney(A) > RoundMoney(B);
}

int32_t TaxLetterNumber(char Letter) {
    return Letter == 'H' ? 8 : TaxGroupNumber(Letter);
}

void* NewDataObject(const platform::CLSID& Class, const platform::IID& Iid) {
    platform::IClassFactory* Factory = KalvoraServer().Factory(Class);
    void* Object = nullptr;
    const HRESULT Result = Factory ? Factory->CreateInstance(nullptr, Iid, &Object)
                                   : platform::CLASS_E_CLASSNOTAVAILABLE;
    if (platform::FAILED(Result)) {
        char Text[64];
        std::snprintf(Text, sizeof Text, "Data object not created (0x%08X).",
                      static_cast<unsigned>(Result));
        throw EAbort(Text);
    }
    return Object;
}

void Put(HRESULT Result) {
    if (platform::FAILED(Result)) {
        char Text[64];
        std::snprintf(Text, sizeof Text, "Data object property not set (0x%08X).",
                      static_cast<unsigned>(Result));
        throw EAbort(Text);
    }
}
