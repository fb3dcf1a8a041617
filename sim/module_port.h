#pragma once
// UDP port 5000 of the simulated modules: one socket per listening address
// (0.0.0.0 hears broadcasts too). Every datagram is handed to the handlers in
// turn until one takes it; replies leave from the answering module's own
// address, whichever socket the request came in on.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace quillmar::sim {

class EventLoop;

struct Datagram {
    std::vector<unsigned char> payload;
    std::uint32_t sourceAddress = 0;
    std::uint16_t sourcePort = 0;
    std::uint32_t destinationAddress = 0;  // as the IP header had it
    unsigned interfaceIndex = 0;           // where it arrived
    int socket = -1;
    // False for another copy of a broadcast that already arrived on another
    // of the host's devices (each module on a device of its own hears it
    // there): it is answered, but logged once.
    bool firstCopy = true;
};

class ModulePort {
public:
    using Handler = std::function<bool(const Datagram&)>;

    ~ModulePort();

    // Binds every address to `port`; returns false and sets `error` on failure.
    bool open(const std::vector<std::uint32_t>& addresses, std::uint16_t port, EventLoop& loop, std::string& error);
    void addHandler(Handler handler) { handlers_.push_back(std::move(handler)); }

    // Sends `bytes` back to the datagram's sender from `fromAddress`; returns
    // false (errno set) when the send fails.
    // From `fromAddress`, out of the device `viaInterface` that holds it (0: the
    // routing table's choice), so that the answer carries the module's own MAC.
    bool reply(const Datagram& request, std::uint32_t fromAddress, const std::vector<unsigned char>& bytes,
               unsigned viaInterface = 0);

private:
    void receive(int socket);

    std::vector<int> sockets_;
    std::vector<Handler> handlers_;
    // The last datagram: what it was, the device it came in on, and when.
    std::optional<std::tuple<std::tuple<std::uint32_t, std::uint16_t, std::uint32_t, std::vector<unsigned char>>,
                             unsigned, std::chrono::steady_clock::time_point>>
        lastCopy_;
};

}  // namespace quillmar::sim
