#pragma once
// The simulator's sockets on one of its addresses: non-blocking, closed on
// exec, and bound even while an earlier run's connections linger.
#include <cstdint>

namespace quillmar::sim {

// A socket of `type` (SOCK_DGRAM, SOCK_STREAM) bound to address:port (port 0:
// any); -1 with errno set when it cannot be.
int boundSocket(int type, std::uint32_t address, std::uint16_t port);

// A TCP socket listening on address:port; -1 with errno set when it cannot.
int listeningSocket(std::uint32_t address, std::uint16_t port);

}  // namespace quillmar::sim
