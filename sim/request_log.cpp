#include "request_log.h"

#include <cstdint>
#include <ctime>

#include "record/ipv4_text.h"

namespace quillmar::sim {

RequestLog::~RequestLog()
{
    if (file_ && owned_)
        std::fclose(file_);
}

bool RequestLog::open(const std::string& path)
{
    if (path == "-") {
        file_ = stdout;
        return true;
    }
    file_ = std::fopen(path.c_str(), "a");
    owned_ = true;
    return file_ != nullptr;
}

void RequestLog::write(const std::string& event, const std::string& details)
{
    if (!file_)
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ms = static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    std::fprintf(file_, "%s t=%lld %s\n", event.c_str(), ms, details.c_str());
    std::fflush(file_);
}

std::string endpointText(std::uint32_t address, std::uint16_t port)
{
    return formatIpv4(address) + ":" + std::to_string(port);
}

}  // namespace quillmar::sim
