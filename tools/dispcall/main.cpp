#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "DispCall.h"

int main(int argc, char** argv) {
    std::string progID;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--registry") == 0 && i + 1 < argc) {
            setenv("KALVORA_REGISTRY", argv[++i], 1);
        } else if (progID.empty() && argv[i][0] != '-') {
            progID = argv[i];
        } else {
            progID.clear();
            break;
        }
    }
    if (progID.empty()) {
        std::cerr << "usage: dispcall [--registry FILE] PROGID < calls\n";
        return 2;
    }
    platform::ComPtr<platform::IDispatch> object = CreateByProgID(progID, std::cout);
    if (!object) {
        return 1;
    }
    TDispCall client(std::move(object));
    bool allInvoked = true;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        allInvoked = client.RunLine(line, std::cout) && allInvoked;
        std::cout.flush();
    }
    return allInvoked ? 0 : 1;
}
