#pragma once

namespace quillmar::cli {

// quillmar-cli discover [--ip ADDRESS] [--family 1|2] [--json]
int runDiscover(int argc, char** argv);

}  // namespace quillmar::cli
