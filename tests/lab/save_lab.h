#pragma once
// The lab the save tests share: one simulated module host on link a whose
// namespace holds the module's address and the address a save moves it to, so
// that a restarted module can answer from its new address.
#include <gtest/gtest.h>

#include <QByteArray>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "lab/lab_test.h"
#include "record/device_entry.h"
#include "support/sim_fields.h"
#include "support/state_home.h"

namespace quillmar::test {

inline constexpr const char* kLabModule = "192.0.2.20";
inline constexpr const char* kLabModuleMoved = "192.0.2.21";
inline constexpr const char* kLabPcPort = "192.0.2.1:6000";
inline constexpr const char* kLabModuleMac = "00-1F-7C-00-02-14";

class SaveLabTest : public LabTest {
protected:
    void SetUp() override
    {
        LabTest::SetUp();
        if (!labIsUp())
            return;
        // The backups the saves take stay out of the real home.
        keepStateOutOfHome();
        ASSERT_TRUE(lab->addHost("ma", 'a', hostAddresses())) << lab->error;
    }

    // The module's host: as a printer's card does, the card carries the
    // module's MAC wherever a save moves it (192.0.2.21).
    virtual std::vector<std::string> hostAddresses() const
    {
        return {std::string("192.0.2.20/24@") + kLabModuleMac, std::string("192.0.2.21/24@") + kLabModuleMac};
    }

    // One module at 192.0.2.20; `keys` are extra module keys (save mode and so on).
    SimProcess& startModule(const std::string& keys)
    {
        sim = &lab->startSim("ma", {"--module", std::string("address=192.0.2.20,deviceName=LAB-20,macAddress=")
                                                    + kLabModuleMac + ",ssid=LabNet," + keys});
        return *sim;
    }

    // The record the module stored, from the simulator's log.
    DeviceEntry storedRecord() const { return storedRecordOf(*sim); }

    // Milliseconds between two log lines.
    static long long between(const SimLogLine& earlier, const SimLogLine& later)
    {
        return std::stoll(later.fields.at("t")) - std::stoll(earlier.fields.at("t"));
    }

    SimProcess* sim = nullptr;
};

// Two modules on one host, a card each: 192.0.2.20 with the first module's
// MAC and 192.0.2.21 with 00-1F-7C-00-02-15.
class TwoModuleLabTest : public SaveLabTest {
protected:
    std::vector<std::string> hostAddresses() const override
    {
        return {std::string("192.0.2.20/24@") + kLabModuleMac, "192.0.2.21/24@00-1F-7C-00-02-15"};
    }
};

}  // namespace quillmar::test
