#pragma once

// Serial port names. "COMn" maps to a device path, first by the environment variable
// KALVORA_PORTS ("COM7=/dev/pts/3,COM8=/dev/ttyUSB0"), then by the [Ports] section of
// $XDG_CONFIG_HOME/kalvora/ports.ini (~/.config when XDG_CONFIG_HOME is not set), then by the
// machine's serial devices: the /dev/ttyS* ports that have a UART, then /dev/ttyUSB*, then
// /dev/ttyACM*, each in number order. Those devices take COM1, COM2, ... in that order, skipping
// the names and devices mapped explicitly. Names compare without regard to case.

#include <string>
#include <vector>

namespace platform {

struct ComPortEntry {
    std::string Name;  // "COM3"
    std::string Path;  // "/dev/ttyUSB0"

    bool operator==(const ComPortEntry&) const = default;
};

// Every mapped port, in COM number order. Goes through the current CommApi, so a test can list
// ports of its own.
std::vector<ComPortEntry> ListComPorts();

}  // namespace platform
