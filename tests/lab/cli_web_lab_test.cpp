// quillmar-cli web build and web upload as programs in the lab's PC namespace,
// with the real route and neighbour tables and the real timing: an image built
// from a directory goes to a module on 203.0.113.0/24, and a module whose
// acknowledgement comes twice fails the upload; the PC's tables are the same
// after each.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "lab/maintenance_lab.h"
#include "support/program_run.h"
#include "support/temp_directory.h"

using namespace quillmar::test;

namespace {

using CliWebLab = MaintenanceLabTest;

TEST_F(CliWebLab, BuildThenUploadAndAFailedUploadWithItsJson)
{
    SimProcess& sim = lab->startSim(
        "ma", {"--session", "address=203.0.113.11,password=lab1", "--tftp",
               "address=203.0.113.11,image=" + dir + "/received.anf", "--session", "address=203.0.113.12", "--tftp",
               "address=203.0.113.12,fault=duplicate,faultBlock=1", "--session", "address=203.0.113.13", "--tftp",
               "address=203.0.113.13,image=" + dir + "/received13.anf", "--session", "address=203.0.113.14", "--tftp",
               "address=203.0.113.14,image=" + dir + "/received14.anf"});
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

    // Three modules in one run, in parallel: two take the image, one fails.
    out.clear();
    EXPECT_EQ(lab->run("pc",
                       {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.13", kLinkAMac, "203.0.113.12", kLinkAMac,
                        "203.0.113.14", kLinkAMac, image},
                       &out),
              1);
    EXPECT_NE(out.find("203.0.113.13  " + std::string(kLinkAMac) + "  Upload finished\n"), std::string::npos) << out;
    EXPECT_NE(out.find("203.0.113.12  " + std::string(kLinkAMac) + "  tftp put failed\n"), std::string::npos) << out;
    EXPECT_NE(out.find("203.0.113.14  " + std::string(kLinkAMac) + "  Upload finished\n"), std::string::npos) << out;
    for (const char* file : {"/received13.anf", "/received14.anf"}) {
        std::ifstream stored(dir + file, std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(stored), {}) == sent) << file;
    }
    EXPECT_EQ(tables(), before);

    // What is no image is refused before anything is sent: text (2, naming what it
    // looks like), or bytes without the image's marks (1).
    std::ofstream(dir + "/site/noise.bin") << std::string(1500, '\x01');
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.12", kLinkAMac, dir + "/site/logo.png"}),
              2);
    EXPECT_EQ(lab->run("pc", {QUILLMAR_CLI_PATH, "web", "upload", "203.0.113.12", kLinkAMac, dir + "/site/noise.bin"}),
              1);
    // The single upload's and the three-module run's, none for the refused files.
    EXPECT_EQ(sim.lines("session-open", "module", "203.0.113.12").size(), 2u);
}

// web build needs no network: a link out of the directory is left out with a
// note, a failure names its file, and --json gives names as the system's
// bytes read as UTF-8 where they are.
TEST(CliWebBuild, LinksOutAreLeftOutAndFailuresNameTheirFile)
{
    TempDirectory top;
    const std::string site = top.path().toStdString() + "/site";
    std::filesystem::create_directory(site);
    std::ofstream(site + "/index.html") << "<html>x</html>";
    std::ofstream(site + "/caf\xC3\xA9.htm") << "caf\xC3\xA9";
    ASSERT_EQ(::symlink("/etc/shadow", (site + "/shadow").c_str()), 0);
    const std::string image = top.path().toStdString() + "/\xC3\xBC.anf";

    ProgramRun run = runProgram({QUILLMAR_CLI_PATH, "web", "build", site, image, "--json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "quillmar-cli web build: web image: link shadow -> /etc/shadow skipped: its target is no file "
                       "of the source directory\n");
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
    EXPECT_EQ(json.value("image").toString(), QString::fromUtf8(image.c_str()));
    const QJsonArray entries = json.value("entries").toArray();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].toObject().value("name").toString(), QStringLiteral("/caf\u00E9.htm"));
    EXPECT_EQ(json.value("skippedLinks").toArray().first().toString(), QStringLiteral("shadow -> /etc/shadow"));
    std::ifstream built(image, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(built), std::istreambuf_iterator<char>()};
    EXPECT_EQ(bytes.find("root:"), std::string::npos);

    // An empty file before the index: the window says "index.html not found"
    // alone; here the file that failed comes first.
    std::ofstream(site + "/a.txt").flush();
    run = runProgram({QUILLMAR_CLI_PATH, "web", "build", site, image});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.ends_with("quillmar-cli web build: convert file failed: a.txt; index.html not found\n"))
        << run.err;
}

// SIGINT or SIGTERM while the image is being written: the build stops, the
// earlier image stays whole and the temporary file goes. A directory of many
// earlier images (each left out) keeps the build busy long enough to be
// stopped in the middle.
TEST(CliWebBuild, AStoppedBuildLeavesNoTemporaryFile)
{
    TempDirectory top;
    const std::string site = top.path().toStdString() + "/site";
    const std::string out = top.path().toStdString() + "/out";
    std::filesystem::create_directory(site);
    std::filesystem::create_directory(out);
    std::ofstream(site + "/index.html") << "<html>x</html>";
    for (int i = 0; i < 100000; ++i)
        std::ofstream(site + "/old" + std::to_string(i) + ".anf").flush();
    std::ofstream(out + "/site.anf") << "the image that was there";
    const std::string script =
        "env --default-signal=INT \"$0\" web build \"$1\" \"$2/site.anf\" 2>\"$2/../err.txt\" &\n"
        "pid=$!; out=\"$2\"; signal=\"$3\"; i=0\n"
        "until set -- \"$out\"/.quillmar-web-*; [ -e \"$1\" ] || [ $i -ge 1000000 ]; do i=$((i+1)); done\n"
        "kill -\"$signal\" $pid; wait $pid; echo status=$?\n";
    for (const char* signal : {"INT", "TERM"}) {
        SCOPED_TRACE(signal);
        const ProgramRun run = runProgram({"/bin/sh", "-c", script, QUILLMAR_CLI_PATH, site, out, signal});
        EXPECT_EQ(run.out, "status=130\n");
        std::ifstream err(top.path().toStdString() + "/err.txt");
        const std::string said{std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>()};
        EXPECT_EQ(said, "quillmar-cli web build: stopped before the end; no image was written\n");
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(out))
            left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, std::vector<std::string>{"site.anf"});
        std::ifstream image(out + "/site.anf");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(image), std::istreambuf_iterator<char>()),
                  "the image that was there");
    }
}

}  // namespace
