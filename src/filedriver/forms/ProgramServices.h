#pragma once

#include <string>

#include "MainUnit.h"

// Creates the driver object through the registry, reads its DriverVersion and releases it.
std::string ReadDriverVersion();

// What the program block hands the main window: the driver, the printer access object and the
// serial-port list of the engine, and the dialogs that exist.
TMainFormServices ProgramServices();
