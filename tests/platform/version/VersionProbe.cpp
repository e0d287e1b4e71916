#include <cstring>

#include "Version.h"

// The caller frees the copy with free().
extern "C" char* ProbeModuleFileName() {
    return strdup(platform::ModuleFileName().c_str());
}
