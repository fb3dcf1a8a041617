// The Ansible module quillmar_printer, run by ansible-playbook (connection
// local) in the lab's PC against a simulated module: check mode reports the
// change and sends nothing, the real run changes the printer, a second run
// changes nothing; and at -vvv, with the system log the module writes to
// captured, the Wi-Fi key reaches the printer and nothing else.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonObject>

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

// At -vvv ansible-playbook shows every result with the module's arguments, and
// the module writes "Invoked with ..." to the managed host's system log. Here
// /dev/log is a socket of the test's own, in a mount namespace of its own with
// /dev under an overlay, so the host's /dev and log are never touched; the
// key is in neither, nor in the diff, and the printer has it.
TEST_F(SaveLabTest, APlaybookAtHighVerbosityLogsNoKeyAnywhere)
{
    if (::access("/usr/bin/ansible-playbook", X_OK) != 0)
        GTEST_SKIP() << "ansible-playbook is not installed (scripts/install-deps.sh installs ansible-core)";
    ASSERT_TRUE(startModule("save=restart,restartAfter=40").ready()) << sim->error;
    ScopedStateHome home;
    TempDirectory directory;
    const QString playbook = directory.file("printer.yml");
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    // A key as the option, checked only; then one (as playbooks had it)
    // among the fields, saved.
    write(playbook, QStringLiteral("- hosts: localhost\n"
                                   "  connection: local\n"
                                   "  gather_facts: false\n"
                                   "  vars: {shop_key: lab-secret-key-77, other_key: lab-other-key-5}\n"
                                   "  tasks:\n"
                                   "    - quillmar_printer:\n"
                                   "        mac: \"00:1f:7c:00:02:14\"\n"
                                   "        fields: {ssid: SecretNet, authMode: WPA2PSK, encryType: AES}\n"
                                   "        wpaPsk: \"{{ other_key }}\"\n"
                                   "        quick: true\n"
                                   "        cli: %1\n"
                                   "      check_mode: true\n"
                                   "    - quillmar_printer:\n"
                                   "        mac: \"00:1f:7c:00:02:14\"\n"
                                   "        fields: {ssid: SecretNet, authMode: WPA2PSK, encryType: AES, "
                                   "wpaPsk: \"{{ shop_key }}\"}\n"
                                   "        quick: true\n"
                                   "        cli: %1\n")
                        .arg(QStringLiteral(QUILLMAR_CLI_PATH))
                        .toUtf8());
    write(directory.file("syslog.py"), "import socket, sys\n"
                                       "s = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)\n"
                                       "s.bind('/dev/log')\n"
                                       "with open(sys.argv[1], 'ab', buffering=0) as out:\n"
                                       "    while True:\n"
                                       "        out.write(s.recv(65536) + b'\\n')\n");
    QDir(directory.path()).mkpath(QStringLiteral("upper"));
    QDir(directory.path()).mkpath(QStringLiteral("work"));
    const std::string dir = directory.path().toStdString();
    const std::string script = "set -e\n"
                               "mount -t overlay overlay -o lowerdir=/dev,upperdir="
                               + dir + "/upper,workdir=" + dir
                               + "/work /dev\n"
                                 "python3 "
                               + dir + "/syslog.py " + dir
                               + "/syslog.txt & listener=$!\n"
                                 "for i in $(seq 100); do [ -S /dev/log ] && break; sleep 0.05; done\n"
                                 "status=0\n"
                                 "env HOME="
                               + dir
                               + " ANSIBLE_LIBRARY=" QUILLMAR_ANSIBLE_MODULES " ANSIBLE_NOCOLOR=1 "
                                 "ANSIBLE_LOCALHOST_WARNING=0 ansible-playbook -vvv --diff -i localhost, "
                                 "-e ansible_python_interpreter=/usr/bin/python3 "
                               + playbook.toStdString()
                               + " || status=$?\n"
                                 "sleep 0.3\n"
                                 "kill $listener\n"
                                 "exit $status\n";
    std::string out;
    ASSERT_EQ(lab->run("pc", {"unshare", "--mount", "sh", "-c", script}, &out), 0) << out;
    QFile syslog(directory.file("syslog.txt"));
    ASSERT_TRUE(syslog.open(QIODevice::ReadOnly));
    const QByteArray logged = syslog.readAll();

    // What was captured is what the module logs: its invocation, with no key.
    EXPECT_TRUE(logged.contains("Invoked with")) << logged.toStdString();
    EXPECT_TRUE(logged.contains("NOT_LOGGING_PARAMETER")) << logged.toStdString();
    EXPECT_NE(out.find("\"module_args\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"ssid\": \"SecretNet\""), std::string::npos) << out;  // the diff, and the arguments
    EXPECT_NE(out.find("changed=2"), std::string::npos) << out;
    EXPECT_EQ(sim->lines("request", "kind", "save-header").size(), 1u) << "the checked task saved nothing";
    for (const char* key : {"lab-secret-key-77", "lab-other-key-5"}) {
        EXPECT_EQ(out.find(key), std::string::npos) << key << "\n" << out;
        EXPECT_FALSE(logged.contains(key)) << key << "\n" << logged.toStdString();
    }
    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::WpaPsk), "lab-secret-key-77");
    EXPECT_EQ(stored.text(DeviceField::Ssid), "SecretNet");
    // The audit log keeps the change as a keyed mask only.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_FALSE(audit.isEmpty());
    EXPECT_TRUE(audit.last().value("changes").toObject().value("wpaPsk").toObject().value("to").toString().startsWith(
        QLatin1String("hmac:")));
}
