#include "ConstUnit_Program.h"

#include <algorithm>

#include "ConstUnit.h"

namespace {

unsigned char LowerAscii(char c) {
    return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
}

}  // namespace

int CompareText(const std::string& A, const std::string& B) {
    const size_t n = std::min(A.size(), B.size());
    for (size_t i = 0; i < n; ++i) {
        if (LowerAscii(A[i]) != LowerAscii(B[i])) {
            return LowerAscii(A[i]) < LowerAscii(B[i]) ? -1 : 1;
        }
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool SameText(const std::string& A, const std::string& B) {
    return CompareText(A, B) == 0;
}

bool IsWantedDevice(const std::string& Serial, const std::string& DevicesToWorkWith) {
    const auto same = [](char a, char b) { return LowerAscii(a) == LowerAscii(b); };
    return !Serial.empty() &&
           std::search(DevicesToWorkWith.begin(), DevicesToWorkWith.end(), Serial.begin(),
                       Serial.end(), same) != DevicesToWorkWith.end();
}

bool TLastFailure::IsNew(const std::string& Text) {
    if (FText == Text) {
        return false;
    }
    FText = Text;
    return true;
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
