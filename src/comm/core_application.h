#pragma once
// Qt's sockets and serial ports run on an event loop, which wants an
// application object. A program without windows (the command line) gets one
// here on first use, living until the process ends; the manager has its own.

namespace quillmar {

void ensureCoreApplication();

}  // namespace quillmar
