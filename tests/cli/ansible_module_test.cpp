// The Ansible module quillmar_printer run as Ansible runs it on the managed host
// (the interpreter, the module and a file of its arguments), with a stand-in
// for quillmar-cli that only leaves a mark when it is started. What the module
// refuses it refuses before anything runs; no network is involved.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/program_run.h"
#include "support/temp_directory.h"

namespace quillmar {
namespace {

using test::runProgram;

constexpr const char* kPython = "/usr/bin/python3";  // the interpreter the playbooks name

TEST(AnsibleModule, RefusesThePrintersOwnFieldsBeforeQuillmarCliRuns)
{
    if (runProgram({kPython, "-c", "import ansible.module_utils.basic"}).status != 0)
        GTEST_SKIP() << "Ansible is not installed (scripts/install-deps.sh installs ansible-core)";
    test::TempDirectory dir;
    const QString cli = dir.file("quillmar-cli");
    const QString mark = cli + QStringLiteral(".ran");
    {
        QFile file(cli);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\ntouch \"$0.ran\"\necho '[]'\n");
        ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const auto run = [&](const QByteArray& fields) {
        QFile arguments(dir.file("arguments.json"));
        EXPECT_TRUE(arguments.open(QIODevice::WriteOnly | QIODevice::Truncate));
        arguments.write(R"({"ANSIBLE_MODULE_ARGS": {"mac": "00:1f:7c:00:02:14", "cli": ")" + QFile::encodeName(cli)
                        + R"(", "fields": )" + fields + "}}");
        arguments.close();
        return runProgram({kPython, QUILLMAR_ANSIBLE_MODULES "/quillmar_printer.py",
                           QFile::encodeName(arguments.fileName()).toStdString()});
    };

    const struct {
        QByteArray fields;
        const char* message;
    } refused[] = {
        {R"({"macAddress": "00-1F-7C-00-02-15", "ssid": "Shop2"})", "fields: macAddress is the printer's own"},
        {R"({"MACADDRESS": "00-1F-7C-00-02-15"})", "fields: MACADDRESS is the printer's own"},
        {R"({"modelname": "RX9000", "deviceName": "FRONT"})", "fields: modelname is the printer's own"},
        {R"({"modelName": "RX9000", "macaddress": "00-1F-7C-00-02-15"})",
         "fields: macaddress, modelName are the printer's own"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.fields.toStdString());
        QFile::remove(mark);
        const test::ProgramRun result = run(c.fields);
        EXPECT_EQ(result.status, 1) << result.out << result.err;
        const QJsonObject answer = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
        EXPECT_TRUE(answer.value("failed").toBool()) << result.out;
        EXPECT_FALSE(answer.value("changed").toBool()) << result.out;
        EXPECT_TRUE(answer.value("msg").toString().startsWith(QLatin1String(c.message))) << result.out;
        EXPECT_FALSE(QFile::exists(mark));
    }

    // The stand-in does leave its mark when the fields are the printer's settings.
    QFile::remove(mark);
    run(R"({"ssid": "Shop2"})");
    EXPECT_TRUE(QFile::exists(mark));
}

}  // namespace
}  // namespace quillmar
