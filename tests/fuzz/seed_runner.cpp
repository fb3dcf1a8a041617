// Runs a fuzz target over its checked-in seeds once each, as an ordinary test
// of the normal build: every seed must pass the target's checks.
// Usage: quillmar-fuzz-seeds TARGET SEED...
// TARGET is a target's name (search_reply, key_file, ...); the seeds are the
// files of the directories (or the files) named after it; a run that finds no
// seed fails, so a missing corpus cannot pass for a clean one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const auto& targets = fuzzTargets();
    const auto target = std::find_if(targets.begin(), targets.end(), [&](const FuzzTarget& candidate) {
        return argc > 1 && candidate.name == argv[1];
    });
    if (target == targets.end()) {
        std::fprintf(stderr, "usage: %s TARGET SEED...\ntargets:", argv[0]);
        for (const FuzzTarget& known : targets)
            std::fprintf(stderr, " %.*s", int(known.name.size()), known.name.data());
        std::fprintf(stderr, "\n");
        return 2;
    }
    if (target->initialize)
        target->initialize(&argc, &argv);
    std::vector<fs::path> seeds;
    for (int i = 2; i < argc; ++i) {
        const fs::path named(argv[i]);
        if (fs::is_directory(named)) {
            for (const fs::directory_entry& entry : fs::directory_iterator(named)) {
                if (entry.is_regular_file())
                    seeds.push_back(entry.path());
            }
        } else if (fs::is_regular_file(named)) {
            seeds.push_back(named);
        } else {
            std::fprintf(stderr, "no seeds at %s\n", argv[i]);
            return 1;
        }
    }
    std::sort(seeds.begin(), seeds.end());
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds given\n");
        return 1;
    }
    for (const fs::path& seed : seeds) {
        std::ifstream file(seed, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        std::printf("%s (%zu bytes)\n", seed.filename().c_str(), bytes.size());
        std::fflush(stdout);
        // An empty vector's data() may be null; the targets get a valid pointer.
        static const std::uint8_t nothing = 0;
        target->testOneInput(bytes.empty() ? &nothing : reinterpret_cast<const std::uint8_t*>(bytes.data()),
                             bytes.size());
    }
    std::printf("%zu seeds passed\n", seeds.size());
    return 0;
}
