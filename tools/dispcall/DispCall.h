#pragma once

#include <iosfwd>
#include <string>

#include "Automation.h"
#include "Kalvora_TLB.h"

// A late-bound automation client for tests and scripted checks. Each input line is one call:
//   Name arg arg ...   a method
//   get Name           a property get
//   put Name value     a property put
// An argument in double quotes is a string (\" and \\ escape), a number with "." a double,
// any other number an integer; Invoke fits them to the declared types. Each call writes one
// JSON object (UTF-8) on a line.
class TDispCall {
public:
    // typeLib describes the classes whose interface results are shown by their properties.
    explicit TDispCall(platform::ComPtr<platform::IDispatch> object,
                       const platform::TypeLibDesc& typeLib = KalvoraTypeLib);

    // Runs one line and writes its JSON line; false when the line could not be invoked.
    bool RunLine(const std::string& line, std::ostream& out);

private:
    platform::ComPtr<platform::IDispatch> FObject;
    const platform::TypeLibDesc& FTypeLib;
    // The object's interface in the type library, when it is one of its classes: it tells
    // which integer parameters are [in, out].
    const platform::InterfaceDesc* FDesc;
};

// Creates the object by ProgID through the registry; writes a JSON line and returns null when
// that fails.
platform::ComPtr<platform::IDispatch> CreateByProgID(const std::string& progID, std::ostream& out);
