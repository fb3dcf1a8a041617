// Reads the interface table of a private network namespace made by the test, so
// the host's own interfaces are never looked at or changed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <net/if.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/local_addresses.h"

using namespace quillmar;

namespace {

// Runs `body` in a child process inside a new network namespace; the body's
// gtest failures are turned into the child's exit status.
void inPrivateNetwork(void (*body)())
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNET) != 0)
            _exit(77);
        body();
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "cannot make a network namespace here (needs root)";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

void run(const char* command)
{
    ASSERT_EQ(std::system(command), 0) << command;
}

}  // namespace

TEST(IfaddrsAddressSource, NoAddressWhileEveryInterfaceIsDown)
{
    inPrivateNetwork([] {
        const LocalAddressReading reading = IfaddrsAddressSource().read();
        EXPECT_EQ(reading.error, 0);
        EXPECT_TRUE(reading.addresses.empty());
    });
}

TEST(IfaddrsAddressSource, LoopbackOnlyWhenThereIsNoOtherAddress)
{
    inPrivateNetwork([] {
        run("ip link set lo up");
        LocalAddressReading reading = IfaddrsAddressSource().read();
        ASSERT_EQ(reading.addresses.size(), 1u);
        EXPECT_EQ(reading.addresses[0].address, 0x7F000001u);
        EXPECT_EQ(reading.addresses[0].interfaceIndex, if_nametoindex("lo"));

        run("ip link add q0 type veth peer name q0p && ip addr add 192.0.2.9/24 dev q0 && ip link set q0 up");
        run("ip link add q1 type veth peer name q1p && ip addr add 198.51.100.9/24 dev q1");  // stays down; its peers stay down too
        reading = IfaddrsAddressSource().read();
        ASSERT_EQ(reading.addresses.size(), 1u);
        EXPECT_EQ(reading.addresses[0].address, 0xC0000209u);
        EXPECT_EQ(reading.addresses[0].interfaceIndex, if_nametoindex("q0"));

        run("ip link set q1 up");
        reading = IfaddrsAddressSource().read();
        ASSERT_EQ(reading.addresses.size(), 2u);
        EXPECT_EQ(reading.addresses[1].address, 0xC6336409u);
        EXPECT_EQ(reading.addresses[1].interfaceIndex, if_nametoindex("q1"));
    });
}
