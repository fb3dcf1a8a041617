#pragma once
// The modules one simulator process runs, and which of them a datagram is for.
#include <cstdint>
#include <string>
#include <vector>

#include "module_record.h"

namespace quillmar::sim {

class ModuleSet {
public:
    explicit ModuleSet(std::vector<SimModule> modules) : modules_(std::move(modules)) {}

    // Finds each module's interface and broadcast address among this host's
    // addresses; false (with `error`) when a module's address is not here, as
    // it could then not answer from it.
    bool resolveInterfaces(std::string& error);
    // The same for one module (after it moved to another address); false when
    // its address is not on this host.
    bool locate(SimModule& module);

    // A datagram to a module's own address is for that module alone; one to
    // 255.255.255.255 or a subnet broadcast is for every module whose address
    // is on the interface it arrived on.
    std::vector<SimModule*> addressedBy(std::uint32_t destination, unsigned interfaceIndex);

    std::vector<SimModule>& modules() { return modules_; }

private:
    std::vector<SimModule> modules_;
};

}  // namespace quillmar::sim
