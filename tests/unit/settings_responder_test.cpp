// The simulated printer's side of the direct settings exchange, fed directly.
#include <gtest/gtest.h>

#include "settings_responder.h"

namespace quillmar::sim {
namespace {

const std::vector<unsigned char> kRead{0x1D, 0x67, 0x57, 0x47};
const std::vector<unsigned char> kWrite{0x1D, 0x67, 0x57, 0x53};

TEST(SettingsResponderTest, AWriteThatStopsPartWayIsDroppedAndTheNextCommandIsAnswered)
{
    std::string error;
    const std::optional<SettingsPrinter> printer = parseSettingsPrinter("deviceName=Bar\\,Counter", error);
    ASSERT_TRUE(printer) << error;
    SettingsResponder responder(*printer, kSerialLeadingBytes, nullptr, "test");
    const auto start = SettingsResponder::Clock::now();

    // Garbage, then a write whose record never completes.
    std::vector<unsigned char> sent{0x00, 0x41};
    sent.insert(sent.end(), kWrite.begin(), kWrite.end());
    sent.insert(sent.end(), 100, 'x');
    EXPECT_TRUE(responder.receive(sent.data(), sent.size(), start).empty());

    // Long after, a read: the half record is not stored, the read is answered
    // with the record as it was.
    const std::vector<unsigned char> reply = responder.receive(
        kRead.data(), kRead.size(), start + SettingsResponder::kRecordGap + std::chrono::milliseconds(1));
    ASSERT_EQ(reply.size(), kSerialLeadingBytes + kDeviceEntrySize);
    EXPECT_EQ(responder.writesStored(), 0u);
    EXPECT_EQ(responder.record().text(DeviceField::DeviceName), "Bar,Counter");
    EXPECT_EQ(DeviceEntry::fromBytes(reply.data() + kSerialLeadingBytes, kDeviceEntrySize), responder.record());

    // A command split over several arrivals still counts.
    std::vector<unsigned char> record(kDeviceEntrySize, 0);
    record[0] = 'M';
    EXPECT_TRUE(responder.receive(kWrite.data(), 2, start + SettingsResponder::kRecordGap * 2).empty());
    EXPECT_TRUE(responder.receive(kWrite.data() + 2, 2, start + SettingsResponder::kRecordGap * 2).empty());
    EXPECT_TRUE(responder.receive(record.data(), record.size(), start + SettingsResponder::kRecordGap * 2).empty());
    EXPECT_EQ(responder.writesStored(), 1u);
    EXPECT_EQ(responder.record().text(DeviceField::ModelName), "M");

    for (const char* bad : {"fault=loud", "shortLength=256", "colour=red"})
        EXPECT_FALSE(parseSettingsPrinter(bad, error)) << bad;
}

}  // namespace
}  // namespace quillmar::sim
