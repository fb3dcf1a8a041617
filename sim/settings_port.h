#pragma once
// Printers' settings ports on pseudo-terminals: each one makes a pty, links its
// slave's name at the path given (a test sets QUILLMAR_COMn to that path) and
// answers the direct settings exchange on it with a SettingsResponder.
#include <memory>
#include <string>
#include <vector>

#include "event_loop.h"
#include "request_log.h"
#include "settings_responder.h"

namespace quillmar::sim {

struct SettingsPortOptions {
    std::string linkPath;
    SettingsPrinter printer;
};

// "LINK[,key=value,...]" as --settings-pty takes it (see parseSettingsPrinter).
std::optional<SettingsPortOptions> parseSettingsPortOptions(const std::string& option, std::string& error);

class SettingsPorts {
public:
    explicit SettingsPorts(RequestLog& log);
    ~SettingsPorts();
    SettingsPorts(const SettingsPorts&) = delete;
    SettingsPorts& operator=(const SettingsPorts&) = delete;

    // Makes every port and watches it in `loop`; false (with `error`) when a
    // pty cannot be made or its link cannot be placed.
    bool open(const std::vector<SettingsPortOptions>& wanted, EventLoop& loop, std::string& error);
    std::size_t size() const { return ports_.size(); }

private:
    struct Port;
    void serve(Port& port);

    RequestLog& log_;
    std::vector<std::unique_ptr<Port>> ports_;
};

}  // namespace quillmar::sim
