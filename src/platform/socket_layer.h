#pragma once
// What stands for starting the socket library at the main window's first
// showing: on Linux the step stays, and only asks whether sockets may be used.

namespace quillmar {

// Linux has no socket library to start; this checks instead that the process
// may open an IPv4 datagram socket at all (a sandbox may forbid it). Returns 0
// or the errno of the failure.
int checkSocketLayer();

}  // namespace quillmar
