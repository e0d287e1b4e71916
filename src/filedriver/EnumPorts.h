#pragma once

#include <string>
#include <vector>

// The COM names of the serial devices present on this machine, through the port mapping of the
// comm layer (KALVORA_PORTS, the user's ports.ini, the machine's devices), in COM number order.
// A name mapped to a device that is not there is left out.
std::vector<std::string> EnumSerialPorts();
