#pragma once

#include <exception>
#include <new>
#include <string>
#include <type_traits>

#include "AutoTypes.h"

namespace platform {

// The text of the last failure of an interface member on this thread (8-bit ANSI text), kept
// for its caller: Invoke puts it into EXCEPINFO, an early-bound caller takes it itself.
void SetErrorDescription(std::string text);
// Returns the kept text and forgets it.
std::string TakeErrorDescription();

// Runs the body of an interface member so that no C++ exception crosses the slot: an
// exception becomes a failing HRESULT with its message kept by SetErrorDescription. The body
// returns an HRESULT or nothing (S_OK).
template <class Body>
HRESULT SafeCall(Body&& body) noexcept {
    try {
        if constexpr (std::is_void_v<std::invoke_result_t<Body>>) {
            body();
            return S_OK;
        } else {
            return body();
        }
    } catch (const std::bad_alloc&) {
        SetErrorDescription("Out of memory");
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        SetErrorDescription(e.what());
        return E_FAIL;
    } catch (...) {
        // Not a standard exception: there is no message to keep.
        SetErrorDescription("Unknown exception");
        return E_UNEXPECTED;
    }
}

}  // namespace platform
