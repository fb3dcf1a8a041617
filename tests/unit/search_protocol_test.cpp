#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "discovery/search_engine.h"
#include "discovery/search_protocol.h"

using namespace quillmar;

namespace {

// A 256-byte reply with every field filled the way a module fills it.
std::vector<char> fullReply()
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
    entry.setText(DeviceField::DeviceName, "PRN");
    entry.setText(DeviceField::MacAddress, "00:11:22:33:44:55");
    entry.setText(DeviceField::IpAddress, "192.0.2.99");
    entry.setText(DeviceField::TcpPort, "9100");
    entry.setText(DeviceField::UdpPort, "5000");
    entry.setText(DeviceField::Ssid, "net");
    entry.setText(DeviceField::WpaPsk, "secret");
    return {entry.data(), entry.data() + DeviceEntry::size()};
}

}  // namespace

TEST(SearchProtocol, RequestIsTheThreeMarkerBytes)
{
    EXPECT_EQ(std::vector<int>(SearchRequest.begin(), SearchRequest.end()), (std::vector<int>{0x55, 0x11, 0xAA}));
    EXPECT_EQ(kModulePort, 5000);
    EXPECT_EQ(kSearchLocalPortBase, 16384);
}

TEST(SearchProtocol, AReplyNeedsSeventyFiveBytesAndShortOnesReadAsZero)
{
    const std::vector<char> reply = fullReply();
    EXPECT_FALSE(parseSearchReply(reply.data(), 0));
    EXPECT_FALSE(parseSearchReply(reply.data(), 58));
    EXPECT_FALSE(parseSearchReply(reply.data(), 74));
    const std::optional<DeviceEntry> shortest = parseSearchReply(reply.data(), 75);
    ASSERT_TRUE(shortest);
    EXPECT_EQ(shortest->text(DeviceField::MacAddress), "00:11:22:33:44:55");
    EXPECT_EQ(shortest->text(DeviceField::TcpPort), "9");
    // Nothing past the datagram's end is taken from the buffer it came in.
    for (std::size_t i = 75; i < DeviceEntry::size(); ++i)
        ASSERT_EQ(shortest->data()[i], 0) << i;
    const std::optional<DeviceEntry> full = parseSearchReply(reply.data(), reply.size());
    ASSERT_TRUE(full);
    EXPECT_EQ(std::memcmp(full->data(), reply.data(), reply.size()), 0);
}

TEST(SearchProtocol, LeadingFieldsAreKeptByteForByteAndWifiTextsEndAtTheirNul)
{
    std::vector<char> reply = fullReply();
    // Bytes after a terminator: kept in the model name, dropped in the SSID.
    std::memcpy(reply.data() + 13, "junk", 4);
    std::memcpy(reply.data() + 122, "ab\0cd", 5);
    std::memcpy(reply.data() + 24, "EXACTLY-16-CHARS", 16);
    std::memset(reply.data() + 184, 'w', 72);
    const std::optional<DeviceEntry> entry = parseSearchReply(reply.data(), reply.size());
    ASSERT_TRUE(entry);
    EXPECT_EQ(std::memcmp(entry->data() + 13, "junk", 4), 0);
    EXPECT_EQ(entry->text(DeviceField::ModelName), "RX7000 WI-FI");
    EXPECT_EQ(entry->text(DeviceField::Ssid), "ab");
    EXPECT_EQ(entry->data()[122 + 3], 0);
    EXPECT_EQ(entry->text(DeviceField::DeviceName), "EXACTLY-16-CHARS");
    EXPECT_EQ(entry->text(DeviceField::WpaPsk), std::string(72, 'w'));
}

TEST(SearchProtocol, TheSendersAddressReplacesTheRecordsOwn)
{
    const std::vector<char> reply = fullReply();
    std::optional<DeviceEntry> entry = parseSearchReply(reply.data(), reply.size());
    ASSERT_TRUE(entry);
    setSourceAddress(*entry, 0xCB00710Au);
    EXPECT_EQ(entry->text(DeviceField::IpAddress), "203.0.113.10");
    EXPECT_EQ(formatSourceAddress(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ(formatSourceAddress(0x00000000u), "0.0.0.0");
}

TEST(SearchProtocol, SearchByIpNeverGoesToAnyOrTheLimitedBroadcast)
{
    EXPECT_TRUE(isSearchableAddress("192.0.2.10"));
    EXPECT_FALSE(isSearchableAddress(""));
    EXPECT_FALSE(isSearchableAddress("0.0.0.0"));
    EXPECT_FALSE(isSearchableAddress("255.255.255.255"));
    EXPECT_FALSE(isSearchableAddress("192.0.2"));
    EXPECT_FALSE(isSearchableAddress("printer"));
}
