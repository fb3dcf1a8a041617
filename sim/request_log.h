#pragma once
// One line per datagram the simulator receives or sends, for tests and for
// watching a demonstration: "<event> t=<monotonic ms> key=value ...".
#include <cstdio>
#include <string>

namespace quillmar::sim {

class RequestLog {
public:
    RequestLog() = default;
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    // Appends to `path`; "-" writes to standard output. False when it cannot open.
    bool open(const std::string& path);
    void write(const std::string& event, const std::string& details);

private:
    std::FILE* file_ = nullptr;
    bool owned_ = false;
};

// "A.B.C.D:PORT".
std::string endpointText(std::uint32_t address, std::uint16_t port);

}  // namespace quillmar::sim
