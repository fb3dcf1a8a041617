// quillmar-cli web build and web upload as programs in the lab's PC namespace,
// with the real route and neighbour tables and the real timing: an image built
// from a directory goes to a module on 203.0.113.0/24, and a module whose
// acknowledgement comes twice fails the upload; the PC's tables are the same
// after each.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "lab/maintenance_lab.h"

using namespace quillmar::test;

namespace {

using CliWebLab = MaintenanceLabTest;

TEST_F(CliWebLab, BuildThenUploadAndAFailedUploadWithItsJson)
{
    SimProcess& sim = lab->startSim("ma", {"--session", "address=203.0.113.11,password=lab1", "--tftp",
                                           "address=203.0.113.11,image=" + dir + "/received.anf", "--session",
                                           "address=203.0.113.12", "--tftp",
                                           "address=203.0.113.12,fault=duplicate,faultBlock=1"});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::filesystem::create_directory(dir + "/site");
    std::ofstream(dir + "/site/index.html") << "<html>lab</html>";
    std::ofstream(dir + "/site/logo.png") << std::string(1500, 'p');
    const std::string image = dir + "/site.anf";
    const HostTablesSnapshot before = tables();

    std::string out;
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "web", "build", dir + "/site", image}, &out), 0);
    EXPECT_NE(out.find("    768  /index.html"), std::string::npos) << out;
    EXPECT_NE(out.find(" bytes free of 64640\nConvert finished\n"), std::string::npos) << out;

    out.clear();
    EXPECT_EQ(lab->run("pc",
                       {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.11", kLinkAMac, image, "--password", "lab1"},
                       &out),
              0);
    EXPECT_EQ(out, "Upload finished\n");
    std::ifstream built(image, std::ios::binary);
    const std::string sent{std::istreambuf_iterator<char>(built), std::istreambuf_iterator<char>()};
    std::string received;
    for (int i = 0; i < 100 && received != sent; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::ifstream stored(dir + "/received.anf", std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(stored), std::istreambuf_iterator<char>());
    }
    EXPECT_TRUE(received == sent);
    EXPECT_EQ(tables(), before);

    out.clear();
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.12", kLinkAMac, image, "--json"}, &out),
              1);
    EXPECT_NE(out.find("\"message\": \"tftp put failed\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"ok\": false"), std::string::npos) << out;
    EXPECT_EQ(tables(), before);

    // What is no image is refused before anything is sent.
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.12", kLinkAMac, dir + "/site/logo.png"}),
              1);
    EXPECT_EQ(sim.lines("session-open", "module", "203.0.113.12").size(), 1u);
}

}  // namespace
