// quillmar-sim: simulated printer modules for demonstrations and tests.
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: quillmar-sim [--help] [--version] [OPTIONS]\n"
    "\n"
    "Runs simulated Quillmar printer modules.\n";

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("quillmar-sim 1.12");
            return 0;
        }
    }
    std::fputs(kUsage, stderr);
    return 2;
}
