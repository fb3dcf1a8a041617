#pragma once
// Verbs that use Qt's sockets need a QCoreApplication for their event loops; the
// first such verb creates one that lives until the process ends.

namespace quillmar::cli {

void ensureCoreApplication();

}  // namespace quillmar::cli
