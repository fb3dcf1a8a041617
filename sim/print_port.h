#pragma once
// The modules' print port (their record's tcpPort, 9100 by default): a job
// sent there is what the printer would print. Each connection's bytes are
// logged, when it closes, as one "print-job" line with the address it reached
// (the module's), its length, whether it ends with a paper cut, and its text,
// so that a test reads what a slip said.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "request_log.h"

namespace quillmar::sim {

class PrintPorts {
public:
    PrintPorts(RequestLog& log, EventLoop& loop);
    ~PrintPorts();
    PrintPorts(const PrintPorts&) = delete;
    PrintPorts& operator=(const PrintPorts&) = delete;

    // Listens on each address (the simulator's --bind ones) at each port.
    bool open(const std::vector<std::uint32_t>& addresses, const std::vector<std::uint16_t>& ports, std::string& error);

private:
    struct Job {
        std::string to;
        std::string bytes;
    };
    void accept(int listener);
    void serve(int fd);

    RequestLog& log_;
    EventLoop& loop_;
    std::vector<int> listeners_;
    std::map<int, Job> jobs_;
};

}  // namespace quillmar::sim
