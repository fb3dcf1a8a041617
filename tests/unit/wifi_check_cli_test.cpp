// The Wi-Fi check of a write, against a mock NetworkManager on a bus of the
// test's own and quillmar-sim on loopback: an SSID this PC does not see, or
// one offering other security than the printer would use, is refused; the
// right one is sent; without NetworkManager the write says so and goes on.
#include <gtest/gtest.h>

#include "support/cli_runner.h"
#include "support/sim_process.h"
#include "support/wifi_bus.h"

namespace quillmar {
namespace {

using test::runVerbs;

TEST(WifiCheck, ASsidThePcDoesNotSeeOrOtherSecurityIsRefusedAndTheRightOneSent)
{
    test::WifiBus wifi;
    ASSERT_TRUE(wifi.up()) << "no private bus with a mock NetworkManager";
    ASSERT_TRUE(wifi.addAccessPoint("shop", "ShopNet", 0x188));  // WPA/WPA2-PSK with AES
    ASSERT_TRUE(wifi.addAccessPoint("office", "Office", 0x1));   // WEP
    test::SimProcess sim(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.1", "--module", "address=127.0.0.1"});
    ASSERT_TRUE(sim.ready()) << sim.error;

    const struct {
        QStringList words;
        int status;
        const char* says;
    } cases[] = {
        {{"ssid=ShopNet2"},
         2,
         "SSID ShopNet2 is not seen by this PC's Wi-Fi (seen: ShopNet, Office); --ssid-not-seen-ok to send it "
         "anyway"},
        {{"ssid=Office"},
         2,
         "SSID Office offers WEP, not WPA2-PSK (AES) as the printer would join it; --ssid-not-seen-ok to send it "
         "anyway"},
        {{"ssid=ShopNet2", "--ssid-not-seen-ok", "--dry-run"}, 0, "Wi-Fi: SSID ShopNet2 is not seen"},
        {{"ssid=ShopNet", "--dry-run"}, 0, "Wi-Fi: SSID ShopNet is seen by this PC's Wi-Fi with WPA2-PSK (AES)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.join(u' ').toStdString());
        const auto run = runVerbs(QStringList{"config", "set", "127.0.0.1"} + c.words + QStringList{"--tick-ms", "5"});
        EXPECT_EQ(run.status, c.status) << run.err.toStdString();
        EXPECT_TRUE((run.out + run.err).contains(QLatin1String(c.says))) << (run.out + run.err).toStdString();
    }
    EXPECT_TRUE(sim.lines("stored").empty());

    auto run = runVerbs({"config", "set", "127.0.0.1", "ssid=ShopNet", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_EQ(sim.lines("stored").size(), 1u);
    EXPECT_EQ(sim.lines("stored")[0].fields.at("ssid"), "ShopNet");

    // NetworkManager gone: said, and the write goes on.
    wifi.stopManager();
    test::SimProcess other(QUILLMAR_SIM_PATH, {"--bind", "127.0.0.2", "--module", "address=127.0.0.2"});
    ASSERT_TRUE(other.ready()) << other.error;
    run = runVerbs({"config", "set", "127.0.0.2", "ssid=Elsewhere", "--tick-ms", "5"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("SSID Elsewhere could not be checked: NetworkManager does not answer on the system "
                                 "bus"))
        << run.err.toStdString();
    EXPECT_EQ(other.lines("stored").size(), 1u);
}

}  // namespace
}  // namespace quillmar
