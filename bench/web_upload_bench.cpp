// A 1 MiB web image to quillmar-sim's TFTP server, by the manager's upload and
// by curl's TFTP upload (`curl -T FILE tftp://ADDRESS/`) of the same file to
// the same server, one after the other in one run. The upload's wall time is
// given whole (session, "$SYCN", the fixed pauses of 1 s and 0.5 s before the
// request) and for its transfer alone (first data block to last
// acknowledgement), each as a ratio to curl's wall time.
// Usage: quillmar-web-upload-bench ADDRESS MAC WORK_DIR   (as the lab's PC,
// with the simulator's module at ADDRESS storing into WORK_DIR/received.anf:
// see web_upload_bench.sh)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>

#include "maintenance/session_tables.h"
#include "maintenance/web_image_format.h"
#include "maintenance/web_upload_steps.h"
#include "platform/local_addresses.h"

using namespace quillmar;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kImageBytes = 1024 * 1024;

class Progress final : public MaintenanceProgress {
public:
    void setText(const std::string& text) override
    {
        if (text == "send packet 1" && transferBegan == Clock::time_point{})
            transferBegan = Clock::now();
    }
    void log(const std::string& line) override { std::fprintf(stderr, "log: %s\n", line.c_str()); }
    Clock::time_point transferBegan;
};

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The simulator stores the image a moment after its last acknowledgement.
bool receivedIntact(const std::string& path, const std::string& image)
{
    for (int i = 0; i < 100; ++i) {
        if (readFile(path) == image)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

double seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s ADDRESS MAC WORK_DIR\n", argv[0]);
        return 2;
    }
    const std::string address = argv[1];
    const std::string work = argv[3];
    const std::string imagePath = work + "/site.anf";
    const std::string received = work + "/received.anf";
    const WebImageHeader& header = webImageHeader();
    std::string image(header.begin(), header.end());
    for (std::size_t i = image.size(); i < kImageBytes; ++i)
        image.push_back(static_cast<char>(i * 31 + i / 512));
    std::ofstream(imagePath, std::ios::binary) << image;

    SessionTables tables(nullptr, [](const std::string&) {});
    Progress progress;
    SessionEnvironment environment = tables.environment(IfaddrsAddressSource().read().addresses, {});
    environment.progress = &progress;
    const Clock::time_point uploadBegan = Clock::now();
    const int result = runWebUploadSteps({"", address, argv[2], "", imagePath}, environment);
    const Clock::time_point uploadEnded = Clock::now();
    const bool uploadIntact = result == 0 && receivedIntact(received, image);
    std::remove(received.c_str());

    const std::string url = "tftp://" + address + "/";
    const Clock::time_point curlBegan = Clock::now();
    const pid_t curl = fork();
    if (curl == 0) {
        execlp("curl", "curl", "-sS", "-T", imagePath.c_str(), url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(curl, &status, 0);
    const Clock::time_point curlEnded = Clock::now();
    const bool curlIntact = WIFEXITED(status) && WEXITSTATUS(status) == 0 && receivedIntact(received, image);

    const double whole = seconds(uploadEnded - uploadBegan);
    const double transfer = seconds(uploadEnded - progress.transferBegan);
    const double byCurl = seconds(curlEnded - curlBegan);
    std::printf("image: %zu bytes, %zu blocks of 512\n", kImageBytes, kImageBytes / 512);
    std::printf("upload result: %d, received intact: %s\n", result, uploadIntact ? "yes" : "no");
    std::printf("curl exit: %d, received intact: %s\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                curlIntact ? "yes" : "no");
    std::printf("upload wall time: %.3f s whole, %.3f s transfer\n", whole, transfer);
    std::printf("curl wall time:   %.3f s\n", byCurl);
    std::printf("ratio upload/curl: %.2f whole, %.2f transfer\n", whole / byCurl, transfer / byCurl);
    return uploadIntact && curlIntact ? 0 : 1;
}
