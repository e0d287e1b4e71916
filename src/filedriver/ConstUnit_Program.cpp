#include "ConstUnit_Program.h"

#include <algorithm>

#include "ConstUnit.h"

int CompareText(const std::string& A, const std::string& B) {
    const auto lower = [](char c) {
        return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    };
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        if (lower(A[i]) != lower(B[i])) {
            return lower(A[i]) < lower(B[i]) ? -1 : 1;
        }
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool SameText(const std::string& A, const std::string& B) {
    return CompareText(A, B) == 0;
}

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void ResetSettings() {
    Settings() = TSettings{};
}

std::string AppIniFileName() {
    return ChangeFileExt(GetModulePath(false), ".ini");
}

std::string AppLngFileName() {
    return ChangeFileExt(GetModulePath(false), ".Lng");
}
