#include "CodePage.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace platform {

namespace {

constexpr const char* kDefaultCodePage = "CP1251";
constexpr const char* kUtf8 = "UTF-8";
// Explicit byte order: plain "UTF-16" would write a byte-order mark.
constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

std::mutex g_mutex;
std::optional<std::string> g_codePage;

// How the source encoding is stepped over when a character cannot be converted.
enum class Source { SingleByte, Utf8, Utf16 };

size_t CharacterLength(Source source, const char* in, size_t left) {
    switch (source) {
        case Source::SingleByte:
            return 1;
        case Source::Utf8: {
            const auto lead = static_cast<unsigned char>(in[0]);
            size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
            // Stop at the first byte that is not a continuation, so one bad byte costs one "?".
            for (size_t i = 1; i < length; ++i) {
                if (i >= left || (static_cast<unsigned char>(in[i]) & 0xC0) != 0x80) {
                    return i;
                }
            }
            return length;
        }
        case Source::Utf16: {
            if (left < 4) {
                return left < 2 ? left : 2;
            }
            char16_t unit;
            std::memcpy(&unit, in, 2);
            char16_t next;
            std::memcpy(&next, in + 2, 2);
            const bool pair = unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000;
            return pair ? 4 : 2;
        }
    }
    return 1;
}

class Converter {
public:
    Converter(const std::string& to, const std::string& from) {
        handle_ = iconv_open(to.c_str(), from.c_str());
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            const std::string unknown = to == kUtf8 || to == kUtf16 ? from : to;
            throw std::runtime_error("Code page \"" + unknown + "\" is not supported");
        }
    }
    ~Converter() { iconv_close(handle_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    std::string Run(std::string_view input, Source source, std::string_view replacement) {
        std::string out(input.size() * 2 + 16, '\0');
        size_t used = 0;
        char* in = const_cast<char*>(input.data());
        size_t inLeft = input.size();
        while (inLeft > 0) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            const size_t rc = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ (unmappable or malformed) or EINVAL (cut short at the end).
            const size_t skip = CharacterLength(source, in, inLeft);
            in += skip;
            inLeft -= skip;
            if (out.size() - used < replacement.size()) {
                out.resize(out.size() * 2);
            }
            std::memcpy(out.data() + used, replacement.data(), replacement.size());
            used += replacement.size();
        }
        // Flush any shift state of stateful encodings.
        for (;;) {
            char* outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            const size_t rc = iconv(handle_, nullptr, nullptr, &outPtr, &outLeft);
            used = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1) || errno != E2BIG) {
                break;
            }
            out.resize(out.size() * 2);
        }
        out.resize(used);
        return out;
    }

private:
    iconv_t handle_;
};

constexpr std::string_view kQuestion = "?";
const std::u16string_view kWideQuestion = u"?";

std::string_view Bytes(std::u16string_view text) {
    return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

std::u16string Wide(const std::string& bytes) {
    std::u16string out(bytes.size() / sizeof(char16_t), u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(char16_t));
    return out;
}

std::string Convert(const std::string& to, const std::string& from, std::string_view input,
                    Source source) {
    if (input.empty()) {
        return {};
    }
    const std::string_view replacement = to == kUtf16 ? Bytes(kWideQuestion) : kQuestion;
    return Converter(to, from).Run(input, source, replacement);
}

}  // namespace

std::string AnsiCodePage() {
    std::lock_guard lock(g_mutex);
    if (!g_codePage) {
        const char* env = std::getenv("KALVORA_CODEPAGE");
        std::string name = env && *env ? env : kDefaultCodePage;
        if (name.find_first_not_of("0123456789") == std::string::npos) {
            name = "CP" + name;
        }
        Converter check(kUtf8, name);  // throws for a name iconv does not know
        g_codePage = name;
    }
    return *g_codePage;
}

void ResetAnsiCodePage() {
    std::lock_guard lock(g_mutex);
    g_codePage.reset();
}

std::u16string AnsiToUtf16(std::string_view text) {
    return Wide(Convert(kUtf16, AnsiCodePage(), text, Source::SingleByte));
}

std::string Utf16ToAnsi(std::u16string_view text) {
    return Convert(AnsiCodePage(), kUtf16, Bytes(text), Source::Utf16);
}

std::string AnsiToUtf8(std::string_view text) {
    return Convert(kUtf8, AnsiCodePage(), text, Source::SingleByte);
}

std::string Utf8ToAnsi(std::string_view text) {
    return Convert(AnsiCodePage(), kUtf8, text, Source::Utf8);
}

std::u16string Utf8ToUtf16(std::string_view text) {
    return Wide(Convert(kUtf16, kUtf8, text, Source::Utf8));
}

std::string Utf16ToUtf8(std::u16string_view text) {
    return Convert(kUtf8, kUtf16, Bytes(text), Source::Utf16);
}

}  // namespace platform
