// The machine's serial devices. The 8250 driver creates ttyS nodes for every possible port,
// present or not; those without a UART report type 0 ("unknown") in sysfs and are passed over.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "ComPortNames.h"

namespace platform {

namespace {

// The number after the prefix, or nothing when the name is not prefix + digits.
std::optional<unsigned long> DeviceNumber(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.size() - prefix.size() > 6) {
        return std::nullopt;
    }
    const std::string digits = name.substr(prefix.size());
    if (!std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    return std::stoul(digits);
}

bool HasUart(const std::string& sysTtyDir, const std::string& name) {
    std::ifstream typeFile(sysTtyDir + "/" + name + "/type");
    long type = 0;
    return static_cast<bool>(typeFile >> type) && type != 0;
}

}  // namespace

std::vector<std::string> ScanSerialDevices(const std::string& devDir,
                                           const std::string& sysTtyDir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(devDir, error)) {
        names.push_back(entry.path().filename().string());
    }
    std::vector<std::string> devices;
    for (const std::string prefix : {"ttyS", "ttyUSB", "ttyACM"}) {
        std::vector<std::pair<unsigned long, std::string>> group;
        for (const std::string& name : names) {
            if (std::optional<unsigned long> number = DeviceNumber(name, prefix)) {
                if (prefix != "ttyS" || HasUart(sysTtyDir, name)) {
                    group.emplace_back(*number, name);
                }
            }
        }
        std::sort(group.begin(), group.end());
        for (const auto& [number, name] : group) {
            devices.push_back(devDir + "/" + name);
        }
    }
    return devices;
}

}  // namespace platform
