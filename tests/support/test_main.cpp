// The main of each folder's test program (tests/unit, tests/gui, tests/cli,
// tests/lab). ctest runs every test case as a process of its own; the cases
// that must run in a network namespace of their own or under umockdev get
// --quillmar-wrap=private-network and/or umockdev, and the program then runs
// itself again under tests/support/private_network.sh and umockdev-wrapper,
// as a test program of its own ran under them before. A window program
// (QUILLMAR_TEST_WINDOWS) runs its tests in an offscreen QApplication. Settings
// files a window or a program writes go to a configuration directory of the
// process's own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/config_home.h"

#ifdef QUILLMAR_TEST_WINDOWS
#include <QApplication>
#endif

namespace {

constexpr char kWrapOption[] = "--quillmar-wrap=";

// Runs this program again under the wrappers named in `wraps`, without the
// option; returns only when that could not be done.
int runWrapped(const std::string& wraps, int argc, char** argv)
{
    std::vector<std::string> command;
    for (std::size_t start = 0; start <= wraps.size();) {
        const std::size_t comma = std::min(wraps.find(',', start), wraps.size());
        const std::string wrap = wraps.substr(start, comma - start);
        if (wrap == "private-network") {
            command.push_back(QUILLMAR_PRIVATE_NETWORK_SCRIPT);
        } else if (wrap == "umockdev") {
            command.push_back(QUILLMAR_UMOCKDEV_WRAPPER);
        } else {
            std::fprintf(stderr, "unknown wrapper '%s'\n", wrap.c_str());
            return 2;
        }
        start = comma + 1;
    }
    char self[4096] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::perror("/proc/self/exe");
        return 127;
    }
    command.emplace_back(self, std::size_t(length));
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kWrapOption, sizeof kWrapOption - 1) != 0)
            command.emplace_back(argv[i]);
    }
    std::vector<char*> words;
    for (std::string& word : command)
        words.push_back(word.data());
    words.push_back(nullptr);
    ::execv(words[0], words.data());
    std::perror(words[0]);
    return 127;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kWrapOption, sizeof kWrapOption - 1) == 0)
            return runWrapped(argv[i] + sizeof kWrapOption - 1, argc, argv);
    }
    quillmar::test::keepConfigOutOfHome();
#ifdef QUILLMAR_TEST_WINDOWS
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
