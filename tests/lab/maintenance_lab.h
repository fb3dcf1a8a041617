#pragma once
// The lab the maintenance tests share: modules on 203.0.113.0/24, a subnet the
// PC does not have, on link a (one host, one address per log-in behaviour) and
// on link b (reached only through the PC's second interface, with a serial
// loader on a pty). Two neighbour entries of other hosts are in the PC's table
// from the start; the PC's route and neighbour tables are read with `ip` so
// that a test compares them before and after an outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "lab/lab_test.h"
#include "support/temp_directory.h"

namespace quillmar::test {

inline constexpr const char* kLinkAMac = "02:51:cb:00:71:0a";
inline constexpr const char* kLinkBModule = "203.0.113.20";
inline constexpr const char* kLinkBMac = "02:51:cb:00:71:14";

// The PC's main routes and neighbour entries as "ip -o" lines, neighbour states
// left out (the kernel moves an entry from reachable to stale by itself).
struct HostTablesSnapshot {
    std::set<std::string> routes;
    std::set<std::string> neighbours;
    bool operator==(const HostTablesSnapshot&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const HostTablesSnapshot& tables)
{
    for (const std::string& line : tables.routes)
        out << "\n  route " << line;
    for (const std::string& line : tables.neighbours)
        out << "\n  neigh " << line;
    return out;
}

class MaintenanceLabTest : public LabTest {
protected:
    void SetUp() override
    {
        LabTest::SetUp();
        if (!labIsUp())
            return;
        ASSERT_TRUE(lab->addHost("ma", 'a',
                                 {"203.0.113.11/24", "203.0.113.12/24", "203.0.113.13/24", "203.0.113.14/24",
                                  "203.0.113.15/24", "203.0.113.16/24", "203.0.113.17/24", "203.0.113.18/24"},
                                 kLinkAMac))
            << lab->error;
        ASSERT_TRUE(lab->addHost("mb", 'b', {std::string(kLinkBModule) + "/24"}, kLinkBMac)) << lab->error;
        // Entries of other hosts, which no session may remove.
        ASSERT_EQ(lab->run("pc", {"ip", "neigh", "add", "192.0.2.99", "lladdr", "02:00:00:00:00:99", "dev", "eth0",
                                  "nud", "permanent"}),
                  0);
        ASSERT_EQ(lab->run("pc", {"ip", "neigh", "add", "198.51.100.99", "lladdr", "02:00:00:00:00:98", "dev", "eth1",
                                  "nud", "reachable"}),
                  0);
        dir = temp.native();
    }

    HostTablesSnapshot tables() const
    {
        HostTablesSnapshot snapshot;
        std::string output;
        lab->run("pc", {"ip", "-o", "route", "show", "table", "main"}, &output);
        std::istringstream routes(output);
        for (std::string line; std::getline(routes, line);)
            snapshot.routes.insert(line);
        output.clear();
        lab->run("pc", {"ip", "-o", "neigh", "show"}, &output);
        std::istringstream neighbours(output);
        for (std::string line; std::getline(neighbours, line);) {
            static const std::set<std::string> states{"REACHABLE", "STALE", "DELAY", "PROBE", "NOARP"};
            std::istringstream words(line);
            std::string kept;
            for (std::string word; words >> word;) {
                if (!states.count(word))
                    kept += word + " ";
            }
            snapshot.neighbours.insert(kept);
        }
        return snapshot;
    }

    TempDirectory temp;
    std::string dir;
};

}  // namespace quillmar::test
