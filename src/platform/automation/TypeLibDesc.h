#pragma once

#include <array>
#include <initializer_list>
#include <span>
#include <string_view>

#include "AutoTypes.h"
#include "Guid.h"
#include "Variant.h"

namespace platform {

// A type library as data: it drives GetIDsOfNames, Invoke, registration and the tests, in
// place of a compiled type library file.

struct InterfaceDesc;

// Parameter types: VT_I4, VT_R8, VT_DATE, VT_BSTR, VT_DISPATCH (with the interface it points
// at) and VT_BYREF | VT_I4 for an [in, out] integer.
struct ParamDesc {
    const char* name = "";
    VARTYPE type = VT_EMPTY;
    const InterfaceDesc* iface = nullptr;
};

class ParamList {
public:
    static constexpr size_t kMax = 12;

    constexpr ParamList() = default;
    // Compile time only, so a list longer than kMax is a compile error.
    consteval ParamList(std::initializer_list<ParamDesc> params) : count_(params.size()) {
        size_t i = 0;
        for (const ParamDesc& param : params) {
            items_[i++] = param;
        }
    }

    constexpr const ParamDesc* begin() const { return items_.data(); }
    constexpr const ParamDesc* end() const { return items_.data() + count_; }
    constexpr size_t size() const { return count_; }
    constexpr const ParamDesc& operator[](size_t i) const { return items_[i]; }

private:
    std::array<ParamDesc, kMax> items_{};
    size_t count_ = 0;
};

enum class MemberKind { Method, PropertyGet, PropertyPut };

// One slot of an interface's table. A property's get and put are two slots with one DISPID.
// params are the [in] and [in, out] parameters in order; result is the [out, retval]
// parameter (type VT_EMPTY for a put, which has none).
struct MemberDesc {
    int slot;
    DISPID dispid;
    MemberKind kind;
    const char* name;
    ParamList params;
    ParamDesc result;
};

// A dual interface derived from IDispatch: its first member sits in slot 7.
struct InterfaceDesc {
    const char* name;
    IID iid;
    const char* helpString;
    std::span<const MemberDesc> members;
};

struct CoClassDesc {
    const char* name;
    CLSID clsid;
    const char* helpString;
    const InterfaceDesc* defaultInterface;
};

struct TypeLibDesc {
    const char* name;
    GUID libid;
    WORD majorVersion;
    WORD minorVersion;
    LCID lcid;
    const char* helpString;
    std::span<const CoClassDesc> coclasses;
};

inline constexpr int kFirstMemberSlot = 7;

// A read-write property as two table slots, the get at getSlot and the put right after it.
struct PropertyDesc {
    int getSlot;
    DISPID dispid;
    const char* name;
    VARTYPE type;
};

// The members of an interface made only of read-write properties, in the order given.
template <size_t N>
consteval std::array<MemberDesc, 2 * N> PropertyMembers(const PropertyDesc (&properties)[N]) {
    std::array<MemberDesc, 2 * N> members{};
    for (size_t i = 0; i < N; ++i) {
        const PropertyDesc& p = properties[i];
        members[2 * i] = {p.getSlot, p.dispid, MemberKind::PropertyGet,
                          p.name,    {},       {"Value", p.type}};
        members[2 * i + 1] = {p.getSlot + 1, p.dispid,       MemberKind::PropertyPut,
                              p.name,        {{"", p.type}}, {}};
    }
    return members;
}

// Names compare without regard to ASCII case, as late-bound clients expect.
const MemberDesc* FindMember(const InterfaceDesc& iface, std::u16string_view name);
// The first member (in slot order) with the DISPID whose kind the Invoke flags allow.
const MemberDesc* FindMember(const InterfaceDesc& iface, DISPID dispid, WORD flags);

}  // namespace platform
