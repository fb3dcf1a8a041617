#pragma once
// The modules' command port (TCP 5001): the log-in line ("$LOG" alone, or with
// the 16-digit token of the module's password), then one of the commands
// "$SYCR" (reboot), "$SYCS" (hand over to the serial loader) and "$SYCN"
// (accept a web image). How a module answers the log-in and its commands is
// chosen per module, so that tests meet refusals, malformed replies and
// silence. Every line received is logged with its length.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "event_loop.h"
#include "request_log.h"

namespace quillmar::sim {

// How the module answers a log-in line.
enum class LoginReply {
    Check,      // "%LOGOK" for the right token (or "$LOG" alone without a password), else "%LOGERR"
    Refuse,     // "%LOGERR" always
    OkPlus,     // "%LOGOK,..." (the payload goes on after LOGOK)
    Empty,      // "%" and CR LF: an empty payload
    NoPercent,  // "LOGOK" and CR LF, without the leading "%"
    LfOnly,     // "%LOGOK" and LF without CR
    Silent,     // nothing
};

struct SessionBehaviour {
    std::uint32_t address = 0;  // host order; the port listens on address:5001
    std::string password;       // empty: the module has none
    LoginReply login = LoginReply::Check;
    bool answerCommands = true;
};

// "address=A.B.C.D[,password=P][,login=check|refuse|okplus|empty|nopercent|lfonly|silent]
// [,command=answer|silent]" as --session takes it.
std::optional<SessionBehaviour> parseSessionOption(const std::string& option, std::string& error);

class CommandPorts {
public:
    // Called with the module's address when a logged-in client sends "$SYCS".
    using HandOver = std::function<void(std::uint32_t moduleAddress)>;

    CommandPorts(RequestLog& log, EventLoop& loop, HandOver handOver);
    ~CommandPorts();
    CommandPorts(const CommandPorts&) = delete;
    CommandPorts& operator=(const CommandPorts&) = delete;

    // Listens for every behaviour; false (with `error`) when a port cannot be opened.
    bool open(const std::vector<SessionBehaviour>& behaviours, std::string& error);
    // Called with the module's address when a logged-in client sends "$SYCN".
    void setWebUploadReady(HandOver ready) { webUploadReady_ = std::move(ready); }

private:
    struct Listener;
    struct Client;
    void accept(Listener& listener);
    void serve(int fd);
    void reply(Client& client, const std::string& bytes);
    void drop(int fd);

    RequestLog& log_;
    EventLoop& loop_;
    HandOver handOver_;
    HandOver webUploadReady_;
    std::vector<std::unique_ptr<Listener>> listeners_;
    std::map<int, std::unique_ptr<Client>> clients_;
};

// Bytes outside 0x21-0x7E (and '%') written as %HH.
std::string escapedBytes(const std::string& bytes);

}  // namespace quillmar::sim
