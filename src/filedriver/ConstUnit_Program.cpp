#include "ConstUnit_Program.h"

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void ResetSettings() {
    Settings() = TSettings{};
}
