#include "Interfaces.h"

#include "BStr.h"

namespace platform {

void ClearExcepInfo(EXCEPINFO* info) {
    if (!info) {
        return;
    }
    SysFreeString(info->bstrSource);
    SysFreeString(info->bstrDescription);
    SysFreeString(info->bstrHelpFile);
    *info = EXCEPINFO{};
}

}  // namespace platform
