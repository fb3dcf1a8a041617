#pragma once
// Every verb of quillmar-cli, in the order --help lists them.
#include <memory>
#include <vector>

#include "verb.h"

namespace quillmar::cli {

std::vector<std::unique_ptr<Verb>> makeVerbs();

}  // namespace quillmar::cli
