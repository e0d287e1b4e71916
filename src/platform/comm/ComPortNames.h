#pragma once

// Private: the COM name map (ComPorts.h), built from its three sources.

#include <optional>
#include <string>
#include <vector>

#include "ComPorts.h"

namespace platform {

struct PortMapSources {
    std::string environment;           // value of KALVORA_PORTS
    std::string mapFile;               // text of ports.ini
    std::vector<std::string> devices;  // the machine's serial devices, in default order
};

std::vector<ComPortEntry> BuildPortMap(const PortMapSources& sources);

// The canonical "COMn" for a name in any letter case, or nothing when it is no COM name.
std::optional<std::string> CanonicalComName(const std::string& name);

// Serial devices under devDir in default order: ttyS* whose UART type (sysTtyDir/ttySn/type)
// is known, then ttyUSB*, then ttyACM*, each by number.
std::vector<std::string> ScanSerialDevices(const std::string& devDir, const std::string& sysTtyDir);

// The sources of this machine and user, read from the environment now.
PortMapSources CurrentPortMapSources();

}  // namespace platform
