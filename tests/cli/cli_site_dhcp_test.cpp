// quillmar-cli site dhcp as a process, each format's output given to the DHCP
// server's own configuration check where Debian has one: dnsmasq --test,
// dhcpd -t and kea-dhcp4 -t (the reservations included in a subnet's and in
// the global ones). Nothing is served: the servers only read the files.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/program_run.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

// The server's check program, or empty when it is not installed.
std::string tool(const char* name)
{
    for (const char* directory : {"/usr/sbin/", "/usr/bin/", "/sbin/"}) {
        const std::string path = std::string(directory) + name;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

class SiteDhcp : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An inventory as discover --csv writes it, device names a host name
        // cannot hold as they are included.
        std::ofstream(file("site.csv"))
            << "address,interface,modelName,deviceName,macAddress,ipAddress,ssid\n"
               "192.0.2.20,eth0,RX7000 WI-FI,Kasse 1,00:1F:7C:00:02:14,192.0.2.20,Shop\n"
               "192.0.2.21,eth0,RX7000 WI-FI,\"Bar, \"\"Main\"\"\",00-1F-7C-00-02-15,192.0.2.21,Shop\n"
               "192.0.2.22,eth0,RX7000 WI-FI,,001f7c000216,192.0.2.22,Shop\n";
    }
    std::string file(const char* name) const { return temp.file(QString::fromLatin1(name)).toStdString(); }

    test::ProgramRun dhcp(const char* format)
    {
        const std::string out = file(format);
        test::ProgramRun run = runProgram(
            {QUILLMAR_CLI_PATH, "site", "dhcp", file("site.csv"), "--format", format, "--output", out});
        std::ifstream written(out);
        std::stringstream text;
        text << written.rdbuf();
        run.out = text.str();
        return run;
    }

    test::TempDirectory temp;
};

TEST_F(SiteDhcp, EachFormatPassesItsServersOwnCheck)
{
    struct Case {
        const char* format;
        const char* checker;
        std::vector<std::string> arguments;  // FILE is replaced by the configuration's path
        const char* holds;
    };
    const std::string kea = file("kea-dhcp4.conf");
    const std::string keaGlobal = file("kea-global.conf");
    std::ofstream(kea) << "{\"Dhcp4\": {\"subnet4\": [{\"id\": 1, \"subnet\": \"192.0.2.0/24\", \"reservations\": "
                          "<?include \""
                              + file("kea") + "\"?>}]}}\n";
    std::ofstream(keaGlobal) << "{\"Dhcp4\": {\"reservations-global\": true, \"reservations\": <?include \""
                                    + file("kea") + "\"?>}}\n";
    const Case cases[] = {
        {"dnsmasq",
         "dnsmasq",
         {"--test", "--conf-file=" + file("dnsmasq")},
         "dhcp-host=00:1f:7c:00:02:15,192.0.2.21,Bar-Main\n"},
        {"isc", "dhcpd", {"-t", "-cf", file("isc")}, "  option host-name \"Kasse-1\";\n"},
        {"kea", "kea-dhcp4", {"-t", kea}, "\"hw-address\": \"00:1f:7c:00:02:16\""},
        {"kea", "kea-dhcp4", {"-t", keaGlobal}, "\"hostname\": \"Kasse-1\""},
        {"openwrt", nullptr, {}, "\nconfig host\n\toption name 'Bar-Main'\n\toption mac '00:1f:7c:00:02:15'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const test::ProgramRun run = dhcp(c.format);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(c.holds), std::string::npos) << run.out;
        EXPECT_NE(run.err.find("3 reservations written to"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("line 3: the device name 'Bar, \"Main\"' is the host name 'Bar-Main'"),
                  std::string::npos)
            << run.err;
        if (!c.checker)
            continue;
        const std::string checker = tool(c.checker);
        if (checker.empty()) {
            ADD_FAILURE() << c.checker << " is not installed (scripts/install-deps.sh installs it)";
            continue;
        }
        std::vector<std::string> argv{checker};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const test::ProgramRun checked = runProgram(argv);
        EXPECT_EQ(checked.status, 0) << c.checker << ":\n" << checked.out << checked.err;
    }
}

// A refused table writes nothing: the file that was there stays whole.
TEST_F(SiteDhcp, ARefusedTableLeavesTheOutputAsItWas)
{
    std::ofstream(file("site.csv")) << "macAddress,ip\n00:1F:7C:00:02:14,192.0.2.20\n00:1F:7C:00:02:15,\n";
    std::ofstream(file("dnsmasq")) << "# the server's own\n";
    const test::ProgramRun run = dhcp("dnsmasq");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("site.csv line 3: 00-1F-7C-00-02-15 has no ipAddress to reserve\n"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("quillmar-cli site dhcp: no reservation is written\n"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "# the server's own\n");

    const test::ProgramRun bad = runProgram({QUILLMAR_CLI_PATH, "site", "dhcp", file("site.csv"), "--format", "bind"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--format is dnsmasq, isc, kea or openwrt, not 'bind'"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace quillmar
