#pragma once
// The lab most discovery tests share: modules on both of the PC's links, one on
// a subnet the PC does not have, and modules whose replies must not be listed.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lab/lab_test.h"

namespace quillmar::test {

class DiscoveryLabTest : public LabTest {
protected:
    void SetUp() override
    {
        LabTest::SetUp();
        if (!labIsUp())
            return;
        ASSERT_TRUE(lab->addHost("ma", 'a', {"192.0.2.10/24", "192.0.2.11/24", "203.0.113.10/24"})) << lab->error;
        ASSERT_TRUE(
            lab->addHost("mb", 'b', {"198.51.100.10/24", "198.51.100.11/24", "198.51.100.12/24", "198.51.100.13/24"}))
            << lab->error;
        linkA = &lab->startSim("ma", {
                                         "--module",
                                         "address=192.0.2.10,deviceName=ALPHA,ipAddress=192.0.2.250",
                                         "--module",
                                         "address=192.0.2.11,deviceName=BRAVO,answer=first",
                                         "--module",
                                         "address=203.0.113.10,deviceName=FOREIGN,modelName=RX_WIFI_IFBOARD",
                                     });
        ASSERT_TRUE(linkA->ready()) << linkA->error;
        linkB = &lab->startSim("mb", {
                                         "--module",
                                         "address=198.51.100.10,deviceName=SHORT75,length=75",
                                         "--module",
                                         "address=198.51.100.11,deviceName=SHORT74,length=74",
                                         "--module",
                                         "address=198.51.100.12,deviceName=FAMILY1,modelName=RX4100 WI-FI",
                                         "--module",
                                         "address=198.51.100.13,deviceName=DEVICE-NAME-16CH",
                                     });
        ASSERT_TRUE(linkB->ready()) << linkB->error;
    }

    SimProcess* linkA = nullptr;
    SimProcess* linkB = nullptr;
};

}  // namespace quillmar::test
