#pragma once
// The fuzz targets the seed program (quillmar-fuzz-seeds) runs by name. In the
// ordinary build each target's LLVMFuzzerTestOneInput and LLVMFuzzerInitialize
// are renamed after the target, so that all of them link into one program;
// the table is written by tests/fuzz/CMakeLists.txt.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct FuzzTarget {
    std::string_view name;
    int (*testOneInput)(const std::uint8_t* data, std::size_t size);
    int (*initialize)(int* argc, char*** argv);  // null when the target has none
};

const std::vector<FuzzTarget>& fuzzTargets();
