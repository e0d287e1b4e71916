#include "Version.h"

namespace platform {

std::string ModuleFileVersion() {
    return KALVORA_FILE_VERSION;
}

}  // namespace platform
