#pragma once

#include "Kalvora_TLB.h"

// The in-process server of the library: the kept class factories of its classes, which the
// exports and the members that create data objects use.
const platform::ComServer& KalvoraServer();
