#pragma once
// The modules' side of "Save to Module": the save header AA 11 55 announces a
// record, and the next datagram of 256 bytes from the same sender is stored as
// the module's settings. What the module does next is its save mode: restart
// (silent for a while, then back under the record's address), keep answering
// at its old address, or never answer again. It may answer the save itself
// with its new record first.
#include <cstdint>
#include <map>

#include "event_loop.h"
#include "module_port.h"
#include "module_set.h"
#include "request_log.h"

namespace quillmar::sim {

class SaveResponder {
public:
    // Makes one restart timer per module and watches it in `loop`.
    SaveResponder(ModuleSet& modules, ModulePort& port, RequestLog& log, EventLoop& loop);
    ~SaveResponder();
    SaveResponder(const SaveResponder&) = delete;
    SaveResponder& operator=(const SaveResponder&) = delete;

    // A ModulePort handler: true when the datagram was a save header or the
    // record that follows one.
    bool handle(const Datagram& datagram);

private:
    struct Sender {
        std::uint32_t address;
        std::uint16_t port;
    };

    void store(SimModule& module, const Datagram& datagram);
    void restart(SimModule& module);

    ModuleSet& modules_;
    ModulePort& port_;
    RequestLog& log_;
    std::map<SimModule*, Sender> headerFrom_;  // a header came; the record is awaited
    std::map<SimModule*, int> timers_;         // timerfd per module
};

}  // namespace quillmar::sim
