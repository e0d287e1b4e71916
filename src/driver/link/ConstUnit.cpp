#include "ConstUnit.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "Version.h"

std::string Trim(const std::string& S) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    size_t first = 0;
    size_t last = S.size();
    while (first < last && blank(S[first])) {
        ++first;
    }
    while (last > first && blank(S[last - 1])) {
        --last;
    }
    return S.substr(first, last - first);
}

std::string ExtractFileName(const std::string& FileName) {
    const size_t slash = FileName.rfind('/');
    return slash == std::string::npos ? FileName : FileName.substr(slash + 1);
}

std::string ExtractFileDir(const std::string& FileName) {
    const size_t slash = FileName.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return FileName.substr(0, slash == 0 ? 1 : slash);
}

std::string ChangeFileExt(const std::string& FileName, const std::string& Extension) {
    const size_t slash = FileName.rfind('/');
    const size_t dot = FileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return FileName + Extension;
    }
    return FileName.substr(0, dot) + Extension;
}

std::string GetModuleVersion() {
    return platform::ModuleFileVersion();
}

std::string GetModulePath(bool StripPath) {
    const std::string path = platform::ModuleFileName();
    return StripPath ? ExtractFileName(path) : path;
}

bool IsValidIP(const std::string& S) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start <= S.size()) {
        size_t dot = S.find('.', start);
        if (dot == std::string::npos) {
            dot = S.size();
        }
        if (dot > start) {
            words.push_back(S.substr(start, dot - start));
        }
        start = dot + 1;
    }
    if (words.size() != 4) {
        return false;
    }
    for (const std::string& word : words) {
        int32_t value = -1;
        if (!TryStrToInt(word, value) || value < 0 || value > 255) {
            return false;
        }
    }
    return true;
}

std::string PadBetween(const std::string& Left, const std::string& Right, int Width) {
    const std::string left = Trim(Left);
    const std::string right = Trim(Right);
    const int length = static_cast<int>(left.size() + 1 + right.size());
    const size_t blanks = 1 + static_cast<size_t>(Width > length ? Width - length : 0);
    return left + std::string(blanks, ' ') + right;
}

std::string PayTypeLetter(int PayType) {
    static constexpr char kLetters[] = "PPNCDIJKLMQR";
    if (PayType < 0 || PayType > 11) {
        throw EAbort("Invalid pay type nom: " + std::to_string(PayType) + ".");
    }
    return std::string(1, kLetters[PayType]);
}

char TaxGroupLetter(int TaxGroup) {
    if (TaxGroup < 0 || TaxGroup > 7) {
        throw EAbort("Invalid TAX nom: " + std::to_string(TaxGroup) + ".");
    }
    return TaxGroup == 0 ? 'A' : static_cast<char>('A' + TaxGroup - 1);
}

int TaxGroupNumber(char TaxChar) {
    if (TaxChar < 'A' || TaxChar > 'G') {
        throw EAbort("Invalid TAX char: " + std::string(1, TaxChar) + ".");
    }
    return TaxChar - 'A' + 1;
}
