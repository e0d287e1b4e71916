#pragma once

#include <string>

namespace platform {

// Opens a folder or a web address with the desktop's handler, "xdg-open" or the command named by
// the environment variable KALVORA_SHELL_OPEN, and does not wait for it. The target is passed as
// one argument, never through a shell. True once the handler has been started.
bool ShellOpen(const std::string& Target);

}  // namespace platform
