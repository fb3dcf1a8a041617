#pragma once
// The simulator's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "command_port.h"
#include "module_record.h"
#include "serial_loader.h"
#include "settings_port.h"
#include "tftp_server.h"

namespace quillmar::sim {

struct SimOptions {
    std::vector<SimModule> modules;
    std::vector<SettingsPortOptions> settingsPorts;
    std::vector<SessionBehaviour> sessions;    // command ports (TCP 5001)
    std::vector<LoaderSetup> loaders;          // serial loaders on ptys
    std::vector<TftpSetup> tftpServers;        // web image servers (UDP 69)
    std::vector<std::uint32_t> bindAddresses;  // empty: 127.0.0.1 alone
    std::string logPath;                       // empty: no log
    bool help = false;
    bool version = false;
};

extern const char kUsage[];

// Returns nothing and sets `error` on a bad command line.
std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string& error);

}  // namespace quillmar::sim
