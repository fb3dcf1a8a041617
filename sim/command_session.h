#pragma once
// One client of a module's command port, without its socket: the bytes the
// client sends go in, the module's replies come out, one string per send. The
// lines are logged, the log-in is checked against the module's behaviour, and
// a logged-in client's "$SYCS" and "$SYCN" are handed on.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "command_port.h"
#include "request_log.h"

namespace quillmar::sim {

class CommandSession {
public:
    // Called with the module's address.
    using Notify = std::function<void(std::uint32_t moduleAddress)>;

    // A line that runs on this long without its LF is taken as it is: no
    // client of a module sends more than a few dozen bytes at once.
    static constexpr std::size_t kLongestLine = 512;

    CommandSession(const SessionBehaviour& behaviour, RequestLog& log, std::string peer, Notify handOver,
                   Notify webUploadReady);

    // Bytes the client sent; the replies to send back, in order.
    std::vector<std::string> receive(std::string_view bytes);

    const std::string& peer() const { return peer_; }

private:
    void handleLine(const std::string& line, std::vector<std::string>& replies);

    const SessionBehaviour& behaviour_;
    RequestLog& log_;
    std::string peer_;
    Notify handOver_;
    Notify webUploadReady_;
    std::string pending_;  // bytes of a line not yet ended
    bool loggedIn_ = false;
};

}  // namespace quillmar::sim
