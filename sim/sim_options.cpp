#include "sim_options.h"

#include <cstring>

#include "record/ipv4_text.h"

namespace quillmar::sim {

const char kUsage[] = "Usage: quillmar-sim [OPTIONS]\n"
                      "\n"
                      "Runs simulated Quillmar printer modules. Each module answers the search request\n"
                      "(55 11 AA on UDP port 5000) from its own address with its 256-byte settings record.\n"
                      "\n"
                      "Options:\n"
                      "  --module KEYS        one module; KEYS is key=value,... with address=A.B.C.D (the\n"
                      "                       module's own address, which must be on this host) and any of\n"
                      "                       the record fields modelName, deviceName, macAddress, ipAddress,\n"
                      "                       tcpPort, udpPort, ipMode, wifiMode, authMode, encryType, ssid,\n"
                      "                       key, wpaPsk; length=N sends only the first N bytes (1-256),\n"
                      "                       or the record and zeros up to N (257-1024);\n"
                      "                       answer=every|first|never. Write \\, for a comma in a value.\n"
                      "                       A module stores a saved record (AA 11 55, then the 256-byte\n"
                      "                       record) and then, by save=: restart (silent for restartAfter=\n"
                      "                       seconds, default 40, then answering from the record's address,\n"
                      "                       which must be on this host), keep (keeps answering at its old\n"
                      "                       address) or never (answers nothing more); answerSave=1 answers\n"
                      "                       the record with the new record first; storeSsid=TEXT stores\n"
                      "                       TEXT instead of the saved record's SSID (a module that does\n"
                      "                       not keep what it was sent).\n"
                      "  --generate N,KEYS    N modules from address= onwards, one address each, with MAC\n"
                      "                       and device name derived from the address\n"
                      "  --bind ADDRESS       listen on ADDRESS:5000 (repeatable); without it only on\n"
                      "                       127.0.0.1, so that a demonstration never answers a real\n"
                      "                       network's searches. --bind 0.0.0.0 hears every network,\n"
                      "                       broadcasts included\n"
                      "  --settings-pty LINK[,KEYS]\n"
                      "                       a printer's settings port on a pseudo-terminal whose name is\n"
                      "                       linked at LINK (set QUILLMAR_COMn to LINK); it answers the\n"
                      "                       direct settings read and stores a written record. KEYS: record\n"
                      "                       fields as for --module, fault=none|silent|lead|short|again\n"
                      "                       (no reply, the 6 leading bytes only, shortLength= record bytes\n"
                      "                       only, model name \";1\"), faultReads=N (only the first N reads)\n"
                      "  --session KEYS       a command port on ADDRESS:5001 (log-in, $SYCR, $SYCS, $SYCN).\n"
                      "                       KEYS: address=A.B.C.D (on this host), password=P (checked\n"
                      "                       through the log-in token), login=check|refuse|okplus|empty|\n"
                      "                       nopercent|lfonly|silent, command=answer|silent\n"
                      "  --loader-pty LINK[,KEYS]\n"
                      "                       a serial loader on a pseudo-terminal linked at LINK; \"$SYCS\"\n"
                      "                       shows its menu, \"U\" starts an XMODEM receive. KEYS:\n"
                      "                       address=A.B.C.D (only that module's $SYCS), image=FILE (store\n"
                      "                       the image), menu=update|plain, nak=never|N (NAK the first\n"
                      "                       block N times), stray=1 (junk before answers), drop=K (silent\n"
                      "                       after K blocks), nakEvery=MS (default 1000), eot=ack|nakonce|\n"
                      "                       silent (how the EOT that ends a transfer is answered)\n"
                      "  --tftp KEYS          a web image TFTP server on ADDRESS:69 that answers a write\n"
                      "                       request from a port of its own and acknowledges 512-byte\n"
                      "                       blocks. KEYS: address=A.B.C.D (on this host), image=FILE\n"
                      "                       (store the image), armed=sycn|always (a request is taken\n"
                      "                       only after $SYCN on the module's command port, the default,\n"
                      "                       or always), fault=none|silent|duplicate|error|otherport at\n"
                      "                       faultBlock=N (default 1; 0 is the request): no answer, the\n"
                      "                       previous block's acknowledgement, an error datagram, or\n"
                      "                       acknowledgements from yet another port from block N on\n"
                      "  --log FILE           append one line per request and reply to FILE (- for stdout)\n"
                      "                       Each module also takes print jobs on its tcpPort (9100 by\n"
                      "                       default) at the --bind addresses, logged as print-job lines.\n"
                      "  --help, --version\n"
                      "\n"
                      "The simulator prints \"ready\" on standard output once it listens, and ends on\n"
                      "SIGINT or SIGTERM.\n"
                      "\n"
                      "Example:\n"
                      "  quillmar-sim --bind 127.0.0.1 --module address=127.0.0.1,modelName=RX7000 WI-FI\n";

std::optional<SimOptions> parseSimOptions(int argc, char** argv, std::string& error)
{
    SimOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            options.help = true;
            return options;
        }
        if (option == "--version") {
            options.version = true;
            return options;
        }
        if (option != "--module" && option != "--generate" && option != "--bind" && option != "--log"
            && option != "--settings-pty" && option != "--session" && option != "--loader-pty" && option != "--tftp") {
            error = "unknown option '" + option + "'";
            return std::nullopt;
        }
        if (i + 1 >= argc) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string value = argv[++i];
        if (option == "--module") {
            std::optional<SimModule> module = parseModuleOption(value, error);
            if (!module)
                return std::nullopt;
            options.modules.push_back(*module);
        } else if (option == "--generate") {
            std::optional<std::vector<SimModule>> modules = parseGeneratedModules(value, error);
            if (!modules)
                return std::nullopt;
            options.modules.insert(options.modules.end(), modules->begin(), modules->end());
        } else if (option == "--bind") {
            const std::optional<std::uint32_t> address = parseIpv4(value);
            if (!address) {
                error = "--bind needs a dotted IPv4 address, got '" + value + "'";
                return std::nullopt;
            }
            options.bindAddresses.push_back(*address);
        } else if (option == "--settings-pty") {
            std::optional<SettingsPortOptions> port = parseSettingsPortOptions(value, error);
            if (!port)
                return std::nullopt;
            options.settingsPorts.push_back(*port);
        } else if (option == "--session") {
            std::optional<SessionBehaviour> session = parseSessionOption(value, error);
            if (!session)
                return std::nullopt;
            options.sessions.push_back(*session);
        } else if (option == "--tftp") {
            std::optional<TftpSetup> tftp = parseTftpOption(value, error);
            if (!tftp)
                return std::nullopt;
            options.tftpServers.push_back(*tftp);
        } else if (option == "--loader-pty") {
            std::optional<LoaderSetup> loader = parseLoaderOption(value, error);
            if (!loader)
                return std::nullopt;
            options.loaders.push_back(*loader);
        } else {
            options.logPath = value;
        }
    }
    if (options.modules.empty() && options.settingsPorts.empty() && options.sessions.empty() && options.loaders.empty()
        && options.tftpServers.empty()) {
        error = "no module given (--module, --generate, --settings-pty, --session, --loader-pty or --tftp)";
        return std::nullopt;
    }
    return options;
}

}  // namespace quillmar::sim
