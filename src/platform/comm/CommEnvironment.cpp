// Everything the comm layer takes from the environment, read in this one place.

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ComPortNames.h"

namespace platform {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadTextFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace

PortMapSources CurrentPortMapSources() {
    PortMapSources sources;
    sources.environment = Variable("KALVORA_PORTS");
    std::string configHome = Variable("XDG_CONFIG_HOME");
    if (configHome.empty() && !Variable("HOME").empty()) {
        configHome = Variable("HOME") + "/.config";
    }
    if (!configHome.empty()) {
        sources.mapFile = ReadTextFile(configHome + "/kalvora/ports.ini");
    }
    sources.devices = ScanSerialDevices("/dev", "/sys/class/tty");
    return sources;
}

}  // namespace platform
