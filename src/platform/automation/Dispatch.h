#pragma once

#include "Interfaces.h"
#include "TypeLibDesc.h"

namespace platform {

// IDispatch::GetIDsOfNames for a described interface: the first name is the member's; further
// (parameter) names are not known, since Invoke takes no named arguments.
HRESULT DispGetIDsOfNames(const InterfaceDesc& iface, REFIID riid, LPOLESTR* rgszNames, UINT cNames,
                          DISPID* rgDispId);

// IDispatch::Invoke for a described interface: finds the member, fits each argument to its
// declared type, calls the member's slot in object's table and hands back its [out, retval]
// value. A slot that fails gives DISP_E_EXCEPTION with its code and the text SafeCall kept
// in pExcepInfo (its code itself when pExcepInfo is null). object must be the interface
// pointer whose table iface describes.
HRESULT DispInvoke(void* object, const InterfaceDesc& iface, DISPID dispIdMember, REFIID riid,
                   WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                   UINT* puArgErr);

}  // namespace platform
