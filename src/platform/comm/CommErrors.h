#pragma once

// Private: turning POSIX failures into Windows error numbers.

#include "CommTypes.h"

namespace platform {

DWORD ErrorFromErrno(int err);

// Sets the thread's last error and returns FALSE, for the usual failure exit of a call.
BOOL FailWith(DWORD error);

}  // namespace platform
