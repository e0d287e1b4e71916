#include "DispCall.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <vector>

#include "CodePage.h"

using namespace platform;

namespace {

// The interface of the type library that the object answers to, or null.
const InterfaceDesc* Describe(IDispatch* object, const TypeLibDesc& typeLib) {
    for (const CoClassDesc& coclass : typeLib.coclasses) {
        ComPtr<IUnknown> probe;
        if (object->QueryInterface(coclass.defaultInterface->iid, probe.ReceiveVoid()) == S_OK) {
            return coclass.defaultInterface;
        }
    }
    return nullptr;
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string JsonString(BSTR text) {
    return JsonString(Utf16ToUtf8(BSTRView(text)));
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) {
        return "null";  // JSON has no infinity or NaN
    }
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

struct Invoked {
    HRESULT hr = S_OK;
    VARIANT result{};
    std::string error;  // the description of a failing member, UTF-8
};

Invoked Invoke(IDispatch* object, const std::u16string& name, WORD flags,
               std::vector<VARIANT>& args) {
    Invoked call;
    VariantInit(&call.result);
    LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
    DISPID id = DISPID_UNKNOWN;
    call.hr = object->GetIDsOfNames(IID_NULL, names, 1, 0x409, &id);
    if (FAILED(call.hr)) {
        return call;
    }
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    const bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()),
                      put ? 1u : 0u};
    EXCEPINFO excep{};
    call.hr = object->Invoke(id, IID_NULL, 0x409, flags, &params, &call.result, &excep, nullptr);
    if (call.hr == DISP_E_EXCEPTION) {
        call.hr = excep.scode;
        call.error = Utf16ToUtf8(BSTRView(excep.bstrDescription));
    }
    ClearExcepInfo(&excep);
    return call;
}

std::string JsonValue(const VARIANT& value, const TypeLibDesc& typeLib);

// An interface result shows the object's properties by name, read late-bound.
std::string JsonObject(IDispatch* object, const TypeLibDesc& typeLib) {
    if (!object) {
        return "null";
    }
    const InterfaceDesc* desc = Describe(object, typeLib);
    std::string out = "{";
    for (const MemberDesc& member : desc ? desc->members : std::span<const MemberDesc>()) {
        if (member.kind != MemberKind::PropertyGet) {
            continue;
        }
        std::vector<VARIANT> none;
        Invoked get = Invoke(object, Utf8ToUtf16(member.name), DISPATCH_PROPERTYGET, none);
        if (out.size() > 1) {
            out += ',';
        }
        out += JsonString(member.name) + ":" +
               (SUCCEEDED(get.hr) ? JsonValue(get.result, typeLib) : "null");
        VariantClear(&get.result);
    }
    return out + "}";
}

std::string JsonValue(const VARIANT& value, const TypeLibDesc& typeLib) {
    switch (value.vt) {
        case VT_I4:
            return std::to_string(value.lVal);
        case VT_R8:
            return JsonNumber(value.dblVal);
        case VT_DATE:
            return JsonString(DateToText(value.date));
        case VT_BSTR:
            return JsonString(value.bstrVal);
        case VT_BOOL:
            return value.boolVal ? "true" : "false";
        case VT_DISPATCH:
            return JsonObject(value.pdispVal, typeLib);
        default:
            return "null";
    }
}

struct Token {
    bool quoted;
    std::string text;
};

std::optional<std::vector<Token>> Tokenize(const std::string& line) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i == line.size()) {
            return tokens;
        }
        if (line[i] != '"') {
            const size_t end = line.find_first_of(" \t", i);
            tokens.push_back({false, line.substr(i, end - i)});
            i = end == std::string::npos ? line.size() : end;
            continue;
        }
        Token token{true, {}};
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                ++i;
            }
            token.text += line[i];
        }
        if (i == line.size()) {
            return std::nullopt;  // no closing quote
        }
        ++i;
        tokens.push_back(std::move(token));
    }
}

std::optional<VARIANT> Argument(const Token& token) {
    VARIANT value;
    VariantInit(&value);
    if (token.quoted) {
        value.vt = VT_BSTR;
        const std::u16string text = Utf8ToUtf16(token.text);
        value.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return value;
    }
    const std::string& text = token.text;
    const char* end = text.data() + text.size();
    if (text.find('.') == std::string::npos) {
        const auto [stop, ec] = std::from_chars(text.data(), end, value.lVal);
        if (ec == std::errc() && stop == end) {
            value.vt = VT_I4;
            return value;
        }
        if (ec != std::errc::result_out_of_range) {
            return std::nullopt;
        }
    }
    // A double, or an integer too large for I4, which Invoke then reports as an overflow.
    const auto [stop, ec] =
        std::from_chars(text.data(), end, value.dblVal, std::chars_format::fixed);
    if (ec != std::errc() || stop != end) {
        return std::nullopt;
    }
    value.vt = VT_R8;
    return value;
}

void ClearAll(std::vector<VARIANT>& values) {
    for (VARIANT& value : values) {
        VariantClear(&value);
    }
}

}  // namespace

TDispCall::TDispCall(ComPtr<IDispatch> object, const TypeLibDesc& typeLib)
    : FObject(std::move(object)), FTypeLib(typeLib), FDesc(Describe(FObject.Get(), typeLib)) {}

bool TDispCall::RunLine(const std::string& line, std::ostream& out) {
    const std::optional<std::vector<Token>> tokens = Tokenize(line);
    if (!tokens) {
        out << "{\"line\":" << JsonString(line) << ",\"error\":\"Unterminated string\"}\n";
        return false;
    }
    if (tokens->empty()) {
        return true;
    }
    const std::string& first = (*tokens)[0].text;
    const bool property =
        tokens->size() >= 2 && !(*tokens)[0].quoted && (first == "get" || first == "put");
    const std::string kind = property ? first : "call";
    const std::string name = property ? (*tokens)[1].text : first;
    const WORD flags = !property        ? DISPATCH_METHOD
                       : first == "get" ? DISPATCH_PROPERTYGET
                                        : DISPATCH_PROPERTYPUT;
    out << "{" << JsonString(kind) << ":" << JsonString(name);

    const MemberDesc* member = FDesc ? FindMember(*FDesc, Utf8ToUtf16(name)) : nullptr;
    std::vector<VARIANT> args;
    std::vector<LONG> references(tokens->size());  // stable storage for [in, out] integers
    for (size_t i = property ? 2 : 1; i < tokens->size(); ++i) {
        std::optional<VARIANT> arg = Argument((*tokens)[i]);
        if (!arg) {
            ClearAll(args);
            out << ",\"error\":" << JsonString("Bad argument: " + (*tokens)[i].text) << "}\n";
            return false;
        }
        const size_t index = args.size();
        const bool inOut = member && flags == DISPATCH_METHOD && index < member->params.size() &&
                           member->params[index].type == (VT_BYREF | VT_I4) && arg->vt == VT_I4;
        if (inOut) {
            references[index] = arg->lVal;
            arg->vt = VT_BYREF | VT_I4;
            arg->plVal = &references[index];
        }
        args.push_back(*arg);
    }

    Invoked call = Invoke(FObject.Get(), Utf8ToUtf16(name), flags, args);
    out << ",\"hr\":" << call.hr;
    if (!call.error.empty()) {
        out << ",\"error\":" << JsonString(call.error);
    }
    if (SUCCEEDED(call.hr) && flags != DISPATCH_PROPERTYPUT) {
        out << "," << (property ? "\"value\"" : "\"Res\"") << ":"
            << JsonValue(call.result, FTypeLib);
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].vt == (VT_BYREF | VT_I4)) {
            out << "," << JsonString(member->params[i].name) << ":" << references[i];
        }
    }
    VariantClear(&call.result);
    ClearAll(args);
    if (flags == DISPATCH_METHOD) {
        for (const char16_t* state : {u"LastErrorCode", u"LastErrorMsg"}) {
            std::vector<VARIANT> none;
            Invoked get = Invoke(FObject.Get(), state, DISPATCH_PROPERTYGET, none);
            if (SUCCEEDED(get.hr)) {
                out << "," << JsonString(Utf16ToUtf8(state)) << ":"
                    << JsonValue(get.result, FTypeLib);
            }
            VariantClear(&get.result);
        }
    }
    out << "}\n";
    return SUCCEEDED(call.hr);
}

ComPtr<IDispatch> CreateByProgID(const std::string& progID, std::ostream& out) {
    CLSID clsid{};
    ComPtr<IDispatch> object;
    HRESULT hr = CLSIDFromProgID(Utf8ToUtf16(progID).c_str(), &clsid);
    if (SUCCEEDED(hr)) {
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              object.ReceiveVoid());
    }
    if (FAILED(hr)) {
        out << "{\"create\":" << JsonString(progID) << ",\"hr\":" << hr;
        const std::string reason = AnsiToUtf8(TakeErrorDescription());
        if (!reason.empty()) {
            out << ",\"error\":" << JsonString(reason);
        }
        out << "}\n";
    }
    return object;
}
