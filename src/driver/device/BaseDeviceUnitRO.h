#pragma once

#include "BaseDeviceUnit.h"

// The device of the printer's Romanian variant: both transports derive from it, and its command
// operations run on either of them.
class TBaseDeviceRO : public TBaseDevice {
public:
    // Command operations of the Romanian variant.
};
