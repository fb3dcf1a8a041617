// The simulator's module options and which modules a datagram is for.
#include <gtest/gtest.h>

#include <set>

#include "config/validation_rules.h"
#include "module_record.h"
#include "module_set.h"

using namespace quillmar;
using namespace quillmar::sim;

TEST(SimModule, EveryRecordFieldCanBeSetAndCommasEscaped)
{
    std::string error;
    const auto module = parseModuleOption(
        "address=192.0.2.10,modelName=RX_WIFI_IFBOARD,deviceName=A\\,B,ipAddress=192.0.2.250,"
        "tcpPort=9101,udpPort=9102,ipMode=DHCP,wifiMode=Adhoc,authMode=OPEN,encryType=NONE,"
        "ssid=lab,key=k,wpaPsk=p,length=75,answer=first",
        error);
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(module->address, 0xC000020Au);
    EXPECT_EQ(module->record.text(DeviceField::ModelName), "RX_WIFI_IFBOARD");
    EXPECT_EQ(module->record.text(DeviceField::DeviceName), "A,B");
    EXPECT_EQ(module->record.text(DeviceField::IpAddress), "192.0.2.250");
    EXPECT_EQ(module->record.text(DeviceField::IpMode), "DHCP");
    EXPECT_EQ(module->record.text(DeviceField::WpaPsk), "p");
    EXPECT_EQ(module->answer, AnswerMode::FirstOnly);
    EXPECT_EQ(replyBytes(*module).size(), 75u);
}

TEST(SimModule, DefaultsComeFromTheAddress)
{
    std::string error;
    const auto module = parseModuleOption("address=198.51.100.13", error);
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(module->record.text(DeviceField::MacAddress), "02-51-C6-33-64-0D");
    // The configuration window's MAC rule takes it, so a record saved back passes.
    EXPECT_EQ(checkMacAddress(QString::fromStdString(module->record.text(DeviceField::MacAddress))), std::nullopt);
    EXPECT_EQ(module->record.text(DeviceField::IpAddress), "198.51.100.13");
    EXPECT_EQ(module->record.text(DeviceField::ModelName), "RX7000 WI-FI");
    EXPECT_EQ(module->replyLength, 256u);
    EXPECT_EQ(module->answer, AnswerMode::Every);
}

TEST(SimModule, BadModuleOptionsSayWhatIsWrong)
{
    std::string error;
    EXPECT_FALSE(parseModuleOption("modelName=X", error));
    EXPECT_NE(error.find("address"), std::string::npos);
    EXPECT_FALSE(parseModuleOption("address=192.0.2.300", error));
    EXPECT_FALSE(parseModuleOption("address=192.0.2.1,length=1025", error));
    EXPECT_NE(error.find("length"), std::string::npos);
    EXPECT_FALSE(parseModuleOption("address=192.0.2.1,length=0", error));
    EXPECT_FALSE(parseModuleOption("address=192.0.2.1,answer=sometimes", error));
    EXPECT_FALSE(parseModuleOption("address=192.0.2.1,colour=red", error));
    EXPECT_NE(error.find("colour"), std::string::npos);
}

TEST(SimModule, GeneratedModulesHaveConsecutiveAddressesAndTheirOwnMacs)
{
    std::string error;
    const auto modules = parseGeneratedModules("100,address=192.0.2.100,modelName=RX_WIFI_IFBOARD", error);
    ASSERT_TRUE(modules) << error;
    ASSERT_EQ(modules->size(), 100u);
    std::set<std::string> macs;
    for (const SimModule& module : *modules) {
        macs.insert(module.record.text(DeviceField::MacAddress));
        EXPECT_EQ(module.record.text(DeviceField::ModelName), "RX_WIFI_IFBOARD");
    }
    EXPECT_EQ(macs.size(), 100u);
    EXPECT_EQ(modules->back().address, 0xC0000200u + 199);
    EXPECT_FALSE(parseGeneratedModules("0,address=192.0.2.1", error));
}

TEST(SimModule, UnicastIsForOneModuleAndBroadcastForTheModulesOfThatInterface)
{
    std::string error;
    std::vector<SimModule> modules;
    for (const char* options : {"address=192.0.2.10", "address=192.0.2.11", "address=198.51.100.10"})
        modules.push_back(*parseModuleOption(options, error));
    modules[0].interfaceIndex = modules[1].interfaceIndex = 2;
    modules[0].broadcastAddress = modules[1].broadcastAddress = 0xC00002FFu;
    modules[2].interfaceIndex = 3;
    modules[2].broadcastAddress = 0xC63364FFu;
    ModuleSet set(modules);

    auto addresses = [](const std::vector<SimModule*>& found) {
        std::vector<std::uint32_t> out;
        for (const SimModule* module : found)
            out.push_back(module->address);
        return out;
    };
    EXPECT_EQ(addresses(set.addressedBy(0xC000020Bu, 2)), std::vector<std::uint32_t>{0xC000020Bu});
    EXPECT_EQ(addresses(set.addressedBy(0xFFFFFFFFu, 2)), (std::vector<std::uint32_t>{0xC000020Au, 0xC000020Bu}));
    EXPECT_EQ(addresses(set.addressedBy(0xC63364FFu, 3)), std::vector<std::uint32_t>{0xC633640Au});
    EXPECT_TRUE(set.addressedBy(0xC0000263u, 2).empty());  // someone else's address
}
