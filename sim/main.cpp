// quillmar-sim: simulated printer modules for demonstrations and tests.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "command_port.h"
#include "discovery/search_protocol.h"
#include "discovery_responder.h"
#include "event_loop.h"
#include "module_port.h"
#include "module_set.h"
#include "print_port.h"
#include "request_log.h"
#include "save_responder.h"
#include "serial_loader.h"
#include "settings_port.h"
#include "sim_options.h"
#include "tftp_server.h"

namespace {

constexpr std::uint32_t kLoopbackOnly = 0x7F000001u;  // 127.0.0.1

}  // namespace

int main(int argc, char** argv)
{
    using namespace quillmar::sim;
    std::string error;
    const std::optional<SimOptions> options = parseSimOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "quillmar-sim: %s (see --help)\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options->version) {
        std::puts("quillmar-sim " QUILLMAR_VERSION);
        return 0;
    }

    ModuleSet modules(options->modules);
    if (!modules.resolveInterfaces(error)) {
        std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
        return 1;
    }
    RequestLog log;
    if (!options->logPath.empty() && !log.open(options->logPath)) {
        std::fprintf(stderr, "quillmar-sim: cannot open log %s\n", options->logPath.c_str());
        return 1;
    }

    EventLoop loop;
    SettingsPorts settingsPorts(log);
    if (!settingsPorts.open(options->settingsPorts, loop, error)) {
        std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::unique_ptr<SerialLoader>> loaders;
    for (const LoaderSetup& setup : options->loaders) {
        loaders.push_back(std::make_unique<SerialLoader>(setup, log, loop));
        if (!loaders.back()->open(error)) {
            std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
            return 1;
        }
    }
    CommandPorts commandPorts(log, loop, [&loaders](std::uint32_t module) {
        for (const auto& loader : loaders)
            loader->handOver(module);
    });
    if (!commandPorts.open(options->sessions, error)) {
        std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
        return 1;
    }
    TftpServers tftpServers(log, loop);
    if (!tftpServers.open(options->tftpServers, error)) {
        std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
        return 1;
    }
    commandPorts.setWebUploadReady([&tftpServers](std::uint32_t module) { tftpServers.makeReady(module); });
    if (options->modules.empty()) {
        std::printf("ready %zu settings ports\n", settingsPorts.size());
        std::fflush(stdout);
        return loop.run();
    }
    ModulePort port;
    // The simulator ships with the manager: a demonstration must not answer the
    // searches of the network it happens to run on unless asked to.
    const std::vector<std::uint32_t> listen = options->bindAddresses.empty() ? std::vector<std::uint32_t>{kLoopbackOnly}
                                                                             : options->bindAddresses;
    if (options->bindAddresses.empty()) {
        std::printf("listening on 127.0.0.1:%u only; --bind ADDRESS (0.0.0.0 for every network) answers "
                    "searches elsewhere\n",
                    unsigned(quillmar::kModulePort));
    }
    if (!port.open(listen, quillmar::kModulePort, loop, error)) {
        std::fprintf(stderr, "quillmar-sim: %s\n", error.c_str());
        return 1;
    }
    // Print jobs (a slip that proves a write) on the modules' TCP ports.
    std::vector<std::uint16_t> printPorts;
    for (const SimModule& module : modules.modules()) {
        const std::uint16_t tcp = std::uint16_t(
            std::strtoul(module.record.text(quillmar::DeviceField::TcpPort).c_str(), nullptr, 10));
        if (tcp != 0 && std::find(printPorts.begin(), printPorts.end(), tcp) == printPorts.end())
            printPorts.push_back(tcp);
    }
    PrintPorts printing(log, loop);
    if (!printing.open(listen, printPorts, error))
        std::fprintf(stderr, "quillmar-sim: %s; print jobs are not taken\n", error.c_str());
    DiscoveryResponder discovery(modules, port, log);
    SaveResponder save(modules, port, log, loop);
    port.addHandler([&save](const Datagram& datagram) { return save.handle(datagram); });
    port.addHandler([&discovery](const Datagram& datagram) { return discovery.handle(datagram); });

    std::printf("ready %zu modules\n", modules.modules().size());
    std::fflush(stdout);
    return loop.run();
}
