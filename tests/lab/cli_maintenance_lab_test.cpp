// quillmar-cli reboot and upgrade as programs in the lab's PC namespace, with
// the real route and neighbour tables and the real timing: the module on
// 203.0.113.0/24 is reached only through the PC's second interface, and the
// PC's tables are the same after every outcome as before it.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <fstream>

#include "lab/maintenance_lab.h"

using namespace quillmar::test;

namespace {

using CliMaintenanceLab = MaintenanceLabTest;

TEST_F(CliMaintenanceLab, RebootThroughTheSecondInterface)
{
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule + ",password=lab1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    const HostTablesSnapshot before = tables();

    std::string out;
    const int status = lab->run("pc", {QUILLMAR_CLI_PATH, "reboot", kLinkBModule, kLinkBMac, "--password", "lab1"},
                                &out);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.rfind("Device rebooting now! \n", 0), 0u) << out;
    EXPECT_EQ(sim.lines("command", "does", "reboot").size(), 1u);
    const auto opened = sim.lines("session-open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].fields.at("from").rfind("198.51.100.1:", 0), 0u);
    EXPECT_EQ(tables(), before);
}

// A signal before the hand-over (the first interface still being tried) and
// one during the download: the session's entries go, the program ends with
// 130, and only the second says the printer stays in its loader.
TEST_F(CliMaintenanceLab, AStoppedUpgradeSaysWhetherThePrinterStaysInItsLoader)
{
    const std::string link = dir + "/com3";
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule, "--loader-pty",
                                           link + ",image=" + dir + "/received.bin"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::ofstream(dir + "/firmware.bin", std::ios::binary) << std::string(128 * 40, '\xA5');
    const HostTablesSnapshot before = tables();
    // A job started with & ignores SIGINT unless told otherwise. The file is
    // emptied first, so that the wait never sees the case before's lines.
    const std::string script =
        ": >\"$5\"\n"
        "QUILLMAR_COM3=\"$1\" env --default-signal=INT \"$0\" upgrade \"$2\" \"$3\" \"$4\" --port COM3 2>\"$5\" &\n"
        "pid=$!; i=0; until grep -q \"$7\" \"$5\" || [ $i -ge 300 ]; do sleep 0.1; i=$((i+1)); done\n"
        "kill -\"$6\" $pid; wait $pid; echo status=$?; cat \"$5\"\n";
    const std::string stopped =
        "quillmar-cli upgrade: stopped before the end; nothing is left in the PC's route and neighbour tables\n";
    const std::string staysInLoader = "The printer will stay in its loader until an upgrade completes.\n";
    struct Case {
        const char* signal;
        const char* after;
        bool handedOver;
    };
    for (const Case& c : {Case{"TERM", "^connect to device", false}, Case{"INT", "blocks$", true}}) {
        std::string out;
        lab->run("pc",
                 {"/bin/sh", "-c", script, QUILLMAR_CLI_PATH, link, kLinkBModule, kLinkBMac, dir + "/firmware.bin",
                  dir + "/err.txt", c.signal, c.after},
                 &out);
        EXPECT_NE(out.find("status=130\n"), std::string::npos) << out;
        EXPECT_NE(out.find("\nstopping...\n"), std::string::npos) << out;
        EXPECT_NE(out.find(c.handedOver ? stopped + staysInLoader : stopped), std::string::npos) << out;
        EXPECT_EQ(out.find("stay in its loader") != std::string::npos, c.handedOver) << out;
        EXPECT_EQ(tables(), before) << c.signal;
    }
    EXPECT_EQ(sim.lines("command", "does", "loader").size(), 1u);
    const std::size_t blocks = sim.lines("loader-block").size();
    EXPECT_GT(blocks, 0u);
    EXPECT_LT(blocks, 40u);
    EXPECT_TRUE(sim.lines("loader-image").empty());
}

// A session that ends abnormally, and tables that hold a route or entry for
// the module already: afterwards the PC's tables are as they were (an
// administrator's route and permanent entry kept), and the next reboot works.
// Before, a signal or a broken pipe ended the program with its route in
// place, and every later session failed at once on "exists".
TEST_F(CliMaintenanceLab, AbnormalEndsAndRoutesAlreadyThereLeaveTheModuleReachable)
{
    const std::string link = dir + "/com3";
    SimProcess& sim = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule, "--loader-pty",
                                           link + ",image=" + dir + "/received.bin"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::ofstream(dir + "/firmware.bin", std::ios::binary) << std::string(128 * 40, '\xB6');
    // The file is emptied before the job starts: the job's own redirection
    // runs in the child, and a look at the file before the child got that far
    // found the line of the run before, so the signal reached a program that
    // had not yet started (ended by the signal itself, status 130, nothing said).
    const std::string waitFor =
        "err=\"$5\"; : >\"$err\"; waitfor() { i=0; until grep -q \"$1\" \"$err\" 2>/dev/null || [ $i -ge 300 ]; do "
        "sleep 0.1; i=$((i+1)); done; }\n";
    // A job started with & ignores SIGINT unless told otherwise.
    const std::string upgrade =
        "QUILLMAR_COM3=\"$1\" env --default-signal=INT \"$0\" upgrade \"$2\" \"$3\" \"$4\" --port COM3";
    const std::string reboot = "\"$0\" reboot \"$2\" \"$3\" 2>\"$5\"; echo status=$?; cat \"$5\"\n";
    const std::vector<std::string> planted{"203.0.113.20/32", "dev", "eth1", "src", "198.51.100.1", "scope", "link"};
    const auto with = [](std::vector<std::string> words, std::vector<std::string> more) {
        words.insert(words.end(), more.begin(), more.end());
        return words;
    };
    using Commands = std::vector<std::vector<std::string>>;
    struct Case {
        const char* name;
        Commands earlierRun;     // what a run that ended abnormally left behind
        Commands administrator;  // what the administrator set; kept
        std::string script;
        std::vector<std::string> said;  // in what the script printed
        bool imageArrives;
    };
    const Case cases[] = {
        // The terminal closes while the first interface is tried: the
        // program is the session leader of a pseudo-terminal that goes.
        {"SIGHUP",
         {},
         {},
         waitFor
             + "script -qec \"echo \\$\\$ > '$6/pid'; exec '$0' reboot '$2' '$3'\" /dev/null >\"$5\" 2>&1 &\n"
               "s=$!; waitfor 'connect to device'; kill -KILL $s; wait $s 2>/dev/null\n"
               "alive() { [ -r /proc/$1/stat ] && [ \"$(cut -d' ' -f3 /proc/$1/stat)\" != Z ]; }\n"
               "p=$(cat \"$6/pid\"); i=0; while alive $p && [ $i -lt 150 ]; do sleep 0.1; i=$((i+1)); done\n"
               "alive $p && echo still-running || echo ended\n",
         {"ended"},
         false},
        // A reader that stops after four lines (the image's size and hash, the
        // serial port, the connect, the log-in), once "$SYCS" is out: the
        // upgrade goes on to its end.
        {"SIGPIPE",
         {},
         {},
         "{ " + upgrade + " 2>&1; echo $? >\"$6/status\"; } | head -4 >\"$5\"; cat \"$5\"\n",
         {"login to device...\n"},
         true},
        // Two Ctrl-C 0.3 s apart while the first interface is tried (its
        // connect attempts take two seconds): the second came before the
        // release and ended the program with the route in place.
        {"SIGINT twice",
         {},
         {},
         waitFor + upgrade
             + " 2>\"$5\" &\npid=$!; waitfor 'connect to device'; kill -INT $pid; sleep 0.3; kill -INT $pid; "
               "wait $pid; echo status=$?; cat \"$5\"\n",
         {"status=130\n", "stopped before the end"},
         false},
        {"a route and entry an earlier run left",
         {with({"ip", "route", "add"}, with(planted, {"proto", "81"})),
          {"ip", "neigh", "replace", kLinkBModule, "lladdr", kLinkBMac, "dev", "eth1", "nud", "reachable"}},
         {},
         reboot,
         {"status=0\n", "host route to 203.0.113.20 left by an earlier run: replaced"},
         false},
        {"the administrator's route",
         {},
         {with({"ip", "route", "add"}, planted)},
         reboot,
         {"status=0\n", "host route to 203.0.113.20 set by the administrator: used as it is"},
         false},
        {"the administrator's permanent entry",
         {},
         {{"ip", "neigh", "replace", kLinkBModule, "lladdr", kLinkBMac, "dev", "eth1", "nud", "permanent"}},
         reboot,
         {"status=0\n", "neighbour entry of 203.0.113.20 on interface", "set by the administrator: used as it is"},
         false},
    };
    // Through the administrator's route the kernel learns the module's MAC
    // by itself, as for any neighbour; such an entry is not the session's.
    const auto sessionsOwn = [](HostTablesSnapshot tables) {
        std::erase_if(tables.neighbours, [](const std::string& line) {
            return line.starts_with(std::string(kLinkBModule) + " ") && line.find("PERMANENT") == std::string::npos;
        });
        return tables;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& command : c.administrator)
            ASSERT_EQ(lab->run("pc", command), 0);
        const HostTablesSnapshot before = sessionsOwn(tables());
        for (const auto& command : c.earlierRun)
            ASSERT_EQ(lab->run("pc", command), 0);
        const std::size_t images = sim.lines("loader-image").size();
        std::string out;
        lab->run("pc",
                 {"/bin/sh", "-c", c.script, QUILLMAR_CLI_PATH, link, kLinkBModule, kLinkBMac, dir + "/firmware.bin",
                  dir + "/err.txt", dir},
                 &out);
        for (const std::string& text : c.said)
            EXPECT_NE(out.find(text), std::string::npos) << text << " in:\n" << out;
        EXPECT_EQ(sim.lines("loader-image").size(), images + (c.imageArrives ? 1 : 0)) << out;
        EXPECT_EQ(sessionsOwn(tables()), before);

        out.clear();
        lab->run("pc",
                 {"/bin/sh", "-c", reboot, QUILLMAR_CLI_PATH, link, kLinkBModule, kLinkBMac, "", dir + "/err.txt"},
                 &out);
        EXPECT_EQ(out.rfind("Device rebooting now! \n", 0), 0u) << "the next reboot:\n" << out;
        EXPECT_NE(out.find("status=0\n"), std::string::npos) << out;
        EXPECT_EQ(sessionsOwn(tables()), before);
        for (const auto& command : c.administrator) {
            std::vector<std::string> removal = command;
            removal[2] = "del";
            if (removal[1] == "neigh")
                removal = {"ip", "neigh", "del", kLinkBModule, "dev", "eth1"};
            lab->run("pc", removal);
        }
    }
}

// Three printers on two networks, one of them silent (nobody has its address),
// rebooted in one run: two rebooted, one failed with its own message, exit 1,
// an audit line each, and the PC's tables as they were. Then the same by the
// site's table: the rows' MACs found by a search, a row nobody answers for
// "not found".
TEST_F(CliMaintenanceLab, ThreePrintersOnTwoNetworksOneSilent)
{
    SimProcess& a = lab->startSim("ma", {"--session", "address=203.0.113.11", "--module",
                                         std::string("address=203.0.113.11,macAddress=") + kLinkAMac});
    SimProcess& b = lab->startSim("mb", {"--session", std::string("address=") + kLinkBModule, "--module",
                                         std::string("address=") + kLinkBModule + ",macAddress=" + kLinkBMac});
    ASSERT_TRUE(a.ready()) << a.error;
    ASSERT_TRUE(b.ready()) << b.error;
    const HostTablesSnapshot before = tables();
    const std::string silentMac = "02:51:cb:00:71:1e";

    std::string out;
    const int status = lab->run("pc",
                                {"env", "XDG_STATE_HOME=" + dir, QUILLMAR_CLI_PATH, "reboot", "203.0.113.11", kLinkAMac,
                                 kLinkBModule, kLinkBMac, "203.0.113.30", silentMac, "--json"},
                                &out);
    EXPECT_EQ(status, 1) << out;
    const QJsonArray verdicts = QJsonDocument::fromJson(QByteArray::fromStdString(out)).array();
    ASSERT_EQ(verdicts.size(), 3) << out;
    const std::pair<const char*, const char*> expected[] = {{"203.0.113.11", "Device rebooting now! "},
                                                            {kLinkBModule, "Device rebooting now! "},
                                                            {"203.0.113.30", "connect to device failed 4"}};
    for (int i = 0; i < 3; ++i) {
        const QJsonObject verdict = verdicts[i].toObject();
        EXPECT_EQ(verdict.value("address").toString().toStdString(), expected[i].first);
        EXPECT_EQ(verdict.value("message").toString().toStdString(), expected[i].second);
        EXPECT_EQ(verdict.value("ok").toBool(), i < 2);
    }
    EXPECT_EQ(a.lines("command", "does", "reboot").size(), 1u);
    EXPECT_EQ(b.lines("command", "does", "reboot").size(), 1u);
    EXPECT_EQ(tables(), before);
    std::ifstream audit(dir + "/quillmar/audit.jsonl");
    std::size_t lines = 0;
    for (std::string line; std::getline(audit, line);)
        lines += line.find("\"operation\":\"reboot\"") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 3u);

    std::ofstream(dir + "/site.csv") << "macAddress,deviceName\n"
                                     << kLinkAMac << ",A\n"
                                     << kLinkBMac << ",B\n"
                                     << silentMac << ",C\n";
    out.clear();
    EXPECT_EQ(lab->run("pc",
                       {"sh", "-c", "XDG_STATE_HOME=\"$1\" \"$0\" reboot --map \"$1/site.csv\" 2>/dev/null",
                        QUILLMAR_CLI_PATH, dir},
                       &out),
              1)
        << out;
    EXPECT_NE(out.find("203.0.113.11  02-51-CB-00-71-0A  Device rebooting now!"), std::string::npos) << out;
    EXPECT_NE(out.find(std::string(kLinkBModule) + "  02-51-CB-00-71-14  Device rebooting now!"), std::string::npos)
        << out;
    EXPECT_NE(out.find("02-51-CB-00-71-1E  (line 4): not found; nothing is sent"), std::string::npos) << out;
    EXPECT_EQ(a.lines("command", "does", "reboot").size(), 2u);
    EXPECT_EQ(b.lines("command", "does", "reboot").size(), 2u);
    EXPECT_EQ(tables(), before);
}

}  // namespace
