#pragma once

namespace quillmar {

// Linux has no socket library to start; this checks instead that the process
// may open an IPv4 datagram socket at all (a sandbox may forbid it). Returns 0
// or the errno of the failure.
int checkSocketLayer();

}  // namespace quillmar
