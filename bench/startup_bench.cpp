// Start-up of the manager against a minimal Qt 6 Widgets window: the time from
// starting the program to the first paint of its first window (the model
// chooser, for the manager) and the resident memory at that moment. Each
// program runs RUNS times, the two in turn, each in an empty working directory
// of its own, with startup_probe loaded into it (LD_PRELOAD) to report the
// paint; the first run of each warms the caches and is not counted. Prints the
// medians and the ratios against the targets (time at most 1.05 times the
// minimal window's, memory at most 15 MB above it).
// Usage: quillmar-startup-bench PROBE_LIBRARY MANAGER MINIMAL_WINDOW [RUNS]
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double kTimeTarget = 1.05;
constexpr double kMemoryTargetMb = 15.0;
constexpr int kReportWaitMs = 30000;

struct Sample {
    double milliseconds = 0;
    long residentKb = 0;
    std::string window;
};

std::optional<Sample> parse(const std::string& line)
{
    Sample sample;
    char window[128] = {};
    if (std::sscanf(line.c_str(), "first-paint ms=%lf rss_kb=%ld window=%127s", &sample.milliseconds,
                    &sample.residentKb, window)
        != 3)
        return std::nullopt;
    sample.window = window;
    return sample;
}

// Starts `program` with the probe in a fresh directory and waits for its line.
std::optional<Sample> runOnce(const std::string& probe, const std::string& program)
{
    const std::filesystem::path directory = std::filesystem::temp_directory_path()
                                            / ("quillmar-startup-" + std::to_string(::getpid()));
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    int report[2];
    if (::pipe(report) != 0)
        return std::nullopt;
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        if (::chdir(directory.c_str()) != 0)
            _exit(126);
        const std::string startNs = std::to_string(static_cast<long long>(start.tv_sec) * 1000000000LL + start.tv_nsec);
        ::setenv("QUILLMAR_BENCH_START_NS", startNs.c_str(), 1);
        ::setenv("QUILLMAR_BENCH_FD", std::to_string(report[1]).c_str(), 1);
        ::setenv("LD_PRELOAD", probe.c_str(), 1);
        // Qt wants a private runtime directory; the working one serves. It is
        // the configuration directory too, so that no choice the user keeps in
        // ~/.config/quillmar changes what the manager does at start.
        ::chmod(directory.c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", directory.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", directory.c_str(), 1);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ::close(report[1]);
    std::string line;
    pollfd readable{report[0], POLLIN, 0};
    while (::poll(&readable, 1, kReportWaitMs) > 0) {
        char buffer[256];
        const ssize_t length = ::read(report[0], buffer, sizeof buffer);
        if (length <= 0)
            break;
        line.append(buffer, static_cast<std::size_t>(length));
        if (line.find('\n') != std::string::npos)
            break;
    }
    ::close(report[0]);
    // The probe ends the program after its paint; one that never painted is stopped.
    for (int i = 0; i < 50 && ::waitpid(child, nullptr, WNOHANG) == 0; ++i)
        ::usleep(100000);
    if (::waitpid(child, nullptr, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    std::filesystem::remove_all(directory);
    return parse(line);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Summary {
    double milliseconds = 0;
    double residentMb = 0;
    std::string window;
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROBE_LIBRARY MANAGER MINIMAL_WINDOW [RUNS]\n", argv[0]);
        return 2;
    }
    const std::string probe = std::filesystem::absolute(argv[1]);
    // Each program starts in a directory of its own, so the paths are made absolute.
    const std::string programs[2] = {std::filesystem::absolute(argv[3]), std::filesystem::absolute(argv[2])};
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 10;

    std::vector<double> times[2], memory[2];
    std::string windows[2];
    for (int run = 0; run <= runs; ++run) {
        for (int which = 0; which < 2; ++which) {
            // The order alternates, so neither program always follows the other.
            const int index = run % 2 ? 1 - which : which;
            const std::optional<Sample> sample = runOnce(probe, programs[index]);
            if (!sample) {
                std::fprintf(stderr, "%s did not report its first paint\n", programs[index].c_str());
                return 1;
            }
            windows[index] = sample->window;
            if (run == 0)
                continue;
            times[index].push_back(sample->milliseconds);
            memory[index].push_back(sample->residentKb / 1024.0);
        }
    }
    Summary minimal{median(times[0]), median(memory[0]), windows[0]};
    Summary manager{median(times[1]), median(memory[1]), windows[1]};
    const double timeRatio = manager.milliseconds / minimal.milliseconds;
    const double extraMb = manager.residentMb - minimal.residentMb;
    std::printf("runs: %d of each (medians; a first run of each not counted)\n", runs);
    std::printf("minimal window (%s): first paint %.1f ms, resident %.1f MB\n", minimal.window.c_str(),
                minimal.milliseconds, minimal.residentMb);
    std::printf("manager (%s): first paint %.1f ms, resident %.1f MB\n", manager.window.c_str(), manager.milliseconds,
                manager.residentMb);
    std::printf("time ratio: %.3f (target <= %.2f) %s\n", timeRatio, kTimeTarget,
                timeRatio <= kTimeTarget ? "within target" : "OVER TARGET");
    std::printf("memory: %+.1f MB over the minimal window (target <= %.0f MB) %s\n", extraMb, kMemoryTargetMb,
                extraMb <= kMemoryTargetMb ? "within target" : "OVER TARGET");
    return 0;
}
