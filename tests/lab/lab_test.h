#pragma once
// The fixture every lab test starts from: the lab's network is up (the PC's
// namespace with links a and b), or the test is skipped when this machine
// cannot make namespaces. Derived fixtures add their hosts and simulators.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "lab/lab_network.h"

namespace quillmar::test {

class LabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!LabNetwork::available(why))
            GTEST_SKIP() << why;
        lab = std::make_unique<LabNetwork>();
        ASSERT_TRUE(lab->up()) << lab->error;
    }
    void TearDown() override { lab.reset(); }

    // Whether a derived SetUp may go on after LabTest::SetUp.
    bool labIsUp() const { return !IsSkipped() && !HasFatalFailure(); }

    std::unique_ptr<LabNetwork> lab;
};

}  // namespace quillmar::test
