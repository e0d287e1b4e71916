#pragma once

// The automation runtime: types, interfaces, BSTR, VARIANT, DATE, the client calls and the
// server helpers.
#include "AutoDate.h"
#include "AutoObject.h"
#include "AutoProperty.h"
#include "AutoTypes.h"
#include "BStr.h"
#include "ComClient.h"
#include "ComPtr.h"
#include "ComServer.h"
#include "Dispatch.h"
#include "ErrorInfo.h"
#include "Guid.h"
#include "Interfaces.h"
#include "TypeLibDesc.h"
#include "Variant.h"
