// A broadcast search from this process's own addresses, timed: how many devices
// were listed, the wall time and the CPU time the search cost this process.
// Meant to run inside the lab's PC namespace (discovery_bench.sh does that); it
// refuses to search from any address outside the lab's documentation subnets.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "discovery/search_engine.h"
#include "platform/local_addresses.h"
#include "record/ipv4_text.h"

namespace {

using Clock = std::chrono::steady_clock;

bool isLabAddress(std::uint32_t address)
{
    const std::uint32_t subnet = address & 0xFFFFFF00u;
    return subnet == 0xC0000200u || subnet == 0xC6336400u || subnet == 0xCB007100u;
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Timing final : public quillmar::SearchProgress {
public:
    explicit Timing(Clock::time_point start) : start_(start) {}
    void addRow(const quillmar::DeviceEntry&) override { lastReply = Clock::now() - start_; }
    void showError(const std::string& text) override { std::fprintf(stderr, "error: %s\n", text.c_str()); }
    Clock::duration lastReply{};

private:
    Clock::time_point start_;
};

}  // namespace

int main(int argc, char** argv)
{
    using namespace quillmar;
    const bool parallel = argc > 1 && std::strcmp(argv[1], "--parallel") == 0;
    const LocalAddressReading reading = IfaddrsAddressSource().read();
    if (reading.error != 0 || reading.addresses.empty()) {
        std::fprintf(stderr, "no local address\n");
        return 1;
    }
    for (const LocalAddress& local : reading.addresses) {
        if (!isLabAddress(local.address)) {
            std::fprintf(stderr, "refusing to search from %s: not a lab address\n", formatIpv4(local.address).c_str());
            return 1;
        }
    }

    const double cpuBefore = cpuSeconds();
    const Clock::time_point start = Clock::now();
    Timing timing(start);
    SearchEngine engine(timing, 2);
    const SearchResult result = parallel
                                    ? engine.searchAllAddressesInParallel(reading.addresses, SearchTarget::everyone())
                                    : engine.searchAllAddresses(reading.addresses, SearchTarget::everyone());
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;

    std::printf("mode: %s over %zu local addresses\n",
                parallel ? "parallel (quillmar-cli)" : "one after another (manager)", reading.addresses.size());
    std::printf("listed: %zu\n", engine.listedCount());
    std::printf("wall: %.3f s (last reply after %.3f s)\n", wall,
                std::chrono::duration<double>(timing.lastReply).count());
    std::printf("cpu: %.3f s\n", cpu);
    return result == SearchResult::Done ? 0 : 1;
}
