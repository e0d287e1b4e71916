#include "EnumPorts.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>

#include "SettingsUnit.h"
#include "TestFolder.h"

namespace {

// The machine's own serial devices may appear too; the mapped ones must come in this order.
bool InOrder(const std::vector<std::string>& list, const std::vector<std::string>& wanted) {
    auto at = list.begin();
    for (const std::string& name : wanted) {
        at = std::find(at, list.end(), name);
        if (at == list.end()) {
            return false;
        }
        ++at;
    }
    return true;
}

class EnumPortsTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        std::string map;
        for (const char* name : {"COM10", "COM2"}) {
            const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
            ASSERT_GE(master, 0);
            ASSERT_EQ(::grantpt(master), 0);
            ASSERT_EQ(::unlockpt(master), 0);
            masters_.push_back(master);
            map += std::string(name) + "=" + ::ptsname(master) + ",";
        }
        map += "COM30=" + Path("unplugged");
        ::setenv("KALVORA_PORTS", map.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    }
    void TearDown() override {
        for (int master : masters_) {
            ::close(master);
        }
        ::unsetenv("KALVORA_PORTS");
        TestFolder::TearDown();
    }
    std::vector<int> masters_;
};

TEST_F(EnumPortsTest, MappedPseudoTerminalsArePorts) {
    const std::vector<std::string> serial = EnumSerialPorts();
    EXPECT_TRUE(InOrder(serial, {"COM2", "COM10"})) << ::testing::PrintToString(serial);
    EXPECT_EQ(std::count(serial.begin(), serial.end(), "COM30"), 0);

    std::vector<std::string> items{"stale"};
    EnumComPorts(items);
    EXPECT_TRUE(InOrder(items, {"COM10", "COM2"})) << ::testing::PrintToString(items);
    EXPECT_EQ(std::count(items.begin(), items.end(), "stale"), 0);
    EXPECT_EQ(items.size(), serial.size());
}

}  // namespace
