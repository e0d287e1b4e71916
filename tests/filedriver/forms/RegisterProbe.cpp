// Answers DllRegisterServer with the status in PROBE_HRESULT (decimal, default 0) and leaves a
// mark in the file named by PROBE_MARK, so a test sees that it was called.
#include <cstdint>
#include <cstdlib>
#include <fstream>

extern "C" __attribute__((visibility("default"))) int32_t DllRegisterServer() {
    if (const char* mark = std::getenv("PROBE_MARK")) {
        std::ofstream(mark) << "registered";
    }
    const char* status = std::getenv("PROBE_HRESULT");
    return status ? static_cast<int32_t>(std::strtoll(status, nullptr, 10)) : 0;
}
