#include "EnumPorts.h"

#include <sys/stat.h>

#include "ComPorts.h"

std::vector<std::string> EnumSerialPorts() {
    std::vector<std::string> names;
    for (const platform::ComPortEntry& port : platform::ListComPorts()) {
        struct stat info {};
        if (::stat(port.Path.c_str(), &info) == 0 && S_ISCHR(info.st_mode)) {
            names.push_back(port.Name);
        }
    }
    return names;
}
