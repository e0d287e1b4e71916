#pragma once

#include <string>

namespace platform {

// The module's "FileVersion" text: the build's project version in four parts ("1.0.0.1").
std::string ModuleFileVersion();

// The full path of the module this code was linked into: the shared library's file when it is
// part of one, otherwise the program's file. Never shortened.
std::string ModuleFileName();

}  // namespace platform
