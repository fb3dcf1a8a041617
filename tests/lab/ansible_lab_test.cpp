// The Ansible module quillmar_printer, run by ansible-playbook (connection
// local) in the lab's PC against a simulated module: check mode reports the
// change and sends nothing, the real run changes the printer, a second run
// changes nothing.
#include <gtest/gtest.h>

#include <QFile>

#include <unistd.h>

#include "lab/save_lab.h"
#include "support/state_home.h"
#include "support/temp_directory.h"

using namespace quillmar;
using namespace quillmar::test;

TEST_F(SaveLabTest, APlaybookChecksThenChangesThenFindsNothingToChange)
{
    if (::access("/usr/bin/ansible-playbook", X_OK) != 0)
        GTEST_SKIP() << "ansible-playbook is not installed (scripts/install-deps.sh installs ansible-core)";
    // Back 33 s after a save: silent at its probe, there for the second run.
    ASSERT_TRUE(startModule("save=restart,restartAfter=33").ready()) << sim->error;
    ScopedStateHome home;
    TempDirectory directory;
    const QString playbook = directory.file("printer.yml");
    {
        QFile file(playbook);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("- hosts: localhost\n"
                                  "  connection: local\n"
                                  "  gather_facts: false\n"
                                  "  tasks:\n"
                                  "    - name: the receipt printer joins the shop's Wi-Fi\n"
                                  "      quillmar_printer:\n"
                                  "        mac: \"00:1f:7c:00:02:14\"\n"
                                  "        fields: {ssid: PlayNet, deviceName: FRONT-2}\n"
                                  "        quick: true\n"
                                  "        cli: %1\n")
                       .arg(QStringLiteral(QUILLMAR_CLI_PATH))
                       .toUtf8());
    }
    const auto play = [&](const std::string& mode, std::string& out) {
        out.clear();
        std::vector<std::string> argv{"env",
                                      "HOME=" + directory.path().toStdString(),
                                      "ANSIBLE_LIBRARY=" QUILLMAR_ANSIBLE_MODULES,
                                      "ANSIBLE_NOCOLOR=1",
                                      "ANSIBLE_LOCALHOST_WARNING=0",
                                      "ansible-playbook",
                                      "-i",
                                      "localhost,",
                                      "-e",
                                      "ansible_python_interpreter=/usr/bin/python3"};
        if (!mode.empty())
            argv.push_back(mode);
        argv.push_back("--diff");
        argv.push_back(playbook.toStdString());
        return lab->run("pc", argv, &out);
    };
    std::string out;

    ASSERT_EQ(play("--check", out), 0) << out;
    EXPECT_NE(out.find("changed=1"), std::string::npos) << out;
    EXPECT_NE(out.find("+    \"ssid\": \"PlayNet\""), std::string::npos) << out;  // the diff
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());

    ASSERT_EQ(play("", out), 0) << out;
    EXPECT_NE(out.find("changed=1"), std::string::npos) << out;
    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::Ssid), "PlayNet");
    EXPECT_EQ(stored.text(DeviceField::DeviceName), "FRONT-2");

    // Wait for the module to come back from its restart, then nothing is left to change.
    for (int i = 0; i < 40 && sim->lines("restarted").empty(); ++i)
        ::sleep(1);
    ASSERT_EQ(play("", out), 0) << out;
    EXPECT_NE(out.find("changed=0"), std::string::npos) << out;
    EXPECT_EQ(sim->lines("request", "kind", "save-header").size(), 1u);
}
