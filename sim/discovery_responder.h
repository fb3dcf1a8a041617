#pragma once
// The modules' side of the search: the three bytes 55 11 AA on port 5000 are
// answered with the module's record (the same request reads the configuration).
#include "module_port.h"
#include "module_set.h"
#include "request_log.h"

namespace quillmar::sim {

class DiscoveryResponder {
public:
    DiscoveryResponder(ModuleSet& modules, ModulePort& port, RequestLog& log)
        : modules_(modules), port_(port), log_(log)
    {
    }

    // A ModulePort handler: true when the datagram was a search request.
    bool handle(const Datagram& datagram);

private:
    ModuleSet& modules_;
    ModulePort& port_;
    RequestLog& log_;
};

}  // namespace quillmar::sim
