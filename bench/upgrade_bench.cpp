// A 64 KiB firmware upgrade over a pseudo-terminal against quillmar-sim's
// serial loader (its command port on 127.0.0.1:5001), with the real timing.
// XMODEM pauses 100 ms after every block, so 512 blocks cannot take less than
// 51.2 s: the wall time is printed against that floor, and the CPU time the
// sending process used against the wall time (the serial reads wait on the
// port, so it should stay a small fraction).
// Usage: quillmar-upgrade-bench SIM_PATH WORK_DIR   (in a network namespace of
// its own with loopback up: see upgrade_bench.sh)
#include <net/if.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>

#include "maintenance/host_table_helpers.h"
#include "maintenance/maintenance_steps.h"

using namespace quillmar;

namespace {

constexpr int kImageBytes = 64 * 1024;
constexpr int kBlocks = kImageBytes / 128;

// Loopback needs no route or neighbour entry.
class NoTables final : public HostTables {
public:
    bool mayChangeTables() override { return true; }
    int addHostRoute(std::uint32_t, std::uint32_t, unsigned, RouteAdd) override { return 0; }
    int readRoutes(std::vector<RouteRow>& rows) override
    {
        rows.clear();
        return 0;
    }
    int deleteRoute(const RouteRow&) override { return 0; }
    int setNeighbour(std::uint32_t, const MacBytes&, unsigned) override { return 0; }
    int readNeighbours(std::vector<NeighbourRow>& rows) override
    {
        rows.clear();
        return 0;
    }
    int restoreNeighbour(const NeighbourRow&) override { return 0; }
    int deleteNeighbour(const NeighbourRow&) override { return 0; }
};

class Progress final : public MaintenanceProgress {
public:
    void setText(const std::string& text) override
    {
        if (text == "downloading...")
            downloadBegan = std::chrono::steady_clock::now();
    }
    void log(const std::string& line) override { std::fprintf(stderr, "log: %s\n", line.c_str()); }
    std::chrono::steady_clock::time_point downloadBegan;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SIM_PATH WORK_DIR\n", argv[0]);
        return 2;
    }
    const std::string work = argv[2];
    const std::string link = work + "/com5";
    std::string image(kImageBytes, '\0');
    for (int i = 0; i < kImageBytes; ++i)
        image[static_cast<std::size_t>(i)] = static_cast<char>(i * 31 + i / 256);
    std::ofstream(work + "/firmware.bin", std::ios::binary) << image;

    int ready[2];
    if (pipe(ready) != 0)
        return 1;
    const pid_t sim = fork();
    if (sim == 0) {
        dup2(ready[1], STDOUT_FILENO);
        execl(argv[1], argv[1], "--session", "address=127.0.0.1", "--loader-pty",
              (link + ",image=" + work + "/received.bin").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    char banner[64] = {};
    if (read(ready[0], banner, sizeof banner - 1) <= 0) {
        std::fprintf(stderr, "quillmar-sim did not start\n");
        return 1;
    }
    setenv("QUILLMAR_COM5", link.c_str(), 1);

    NoTables tables;
    Progress progress;
    HostTableHelpers helpers(tables, [](const std::string&) {});
    SessionEnvironment environment{{{0x7F000001u, if_nametoindex("lo")}}, &helpers, &progress, nullptr, {}};

    const double cpuBefore = cpuSeconds();
    const int result = runUpgradeSteps({"COM5", "127.0.0.1", "02:51:7f:00:00:01", "", work + "/firmware.bin"},
                                       environment);
    const auto ended = std::chrono::steady_clock::now();
    const double cpu = cpuSeconds() - cpuBefore;
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);

    std::ifstream received(work + "/received.bin", std::ios::binary);
    const std::string stored{std::istreambuf_iterator<char>(received), std::istreambuf_iterator<char>()};
    const double wall = std::chrono::duration<double>(ended - progress.downloadBegan).count();
    const double floor = kBlocks * 0.1;
    std::printf("result: %d\n", result);
    std::printf("image received intact: %s\n", stored == image ? "yes" : "no");
    std::printf("blocks: %d\n", kBlocks);
    std::printf("download wall time: %.2f s (floor %.1f s at 100 ms per block), ratio %.3f\n", wall, floor,
                wall / floor);
    std::printf("sender CPU time: %.3f s, ratio to wall time %.4f\n", cpu, cpu / wall);
    return result == 0 && stored == image ? 0 : 1;
}
