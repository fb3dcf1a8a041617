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

// The keys, given as options or (as playbooks did) among the fields, reach
// quillmar-cli on its standard input only: never its command line, never the
// module's result, whose other values are still shown; one given twice is
// refused before anything runs.
TEST(AnsibleModule, KeysGoOnStandardInputOnlyAndNeverIntoTheResult)
{
    if (runProgram({kPython, "-c", "import ansible.module_utils.basic"}).status != 0)
        GTEST_SKIP() << "Ansible is not installed (scripts/install-deps.sh installs ansible-core)";
    test::TempDirectory dir;
    const QString cli = dir.file("quillmar-cli");
    {
        QFile file(cli);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n"
                   "printf '%s\\n' \"$@\" >> \"$0.args\"\n"
                   "case \" $* \" in *' --secrets - '*) cat >> \"$0.stdin\";; esac\n"
                   "echo '[{\"verdict\": \"would save\", \"changes\": {\"ssid\": {\"from\": \"Shop1\", \"to\": "
                   "\"Shop2\"}}}]'\n");
        ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const auto run = [&](const QByteArray& arguments) {
        QFile::remove(cli + ".args");
        QFile::remove(cli + ".stdin");
        QFile file(dir.file("arguments.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(R"({"ANSIBLE_MODULE_ARGS": {"mac": "00:1f:7c:00:02:14", "_ansible_check_mode": true, )"
                   R"("_ansible_diff": true, "cli": ")"
                   + QFile::encodeName(cli) + "\", " + arguments + "}}");
        file.close();
        return runProgram({kPython, QUILLMAR_ANSIBLE_MODULES "/quillmar_printer.py",
                           QFile::encodeName(file.fileName()).toStdString()});
    };
    const auto contents = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };

    const struct {
        QByteArray arguments;
        QByteArray secrets;  // what quillmar-cli reads on standard input
    } given[] = {
        {R"("fields": {"ssid": "Shop2"}, "wpaPsk": "option-key-1")", "wpaPsk=option-key-1\n"},
        {R"("fields": {"ssid": "Shop2", "WPAPSK": "option-key-1"})", "wpaPsk=option-key-1\n"},
        {R"("fields": {"ssid": "Shop2", "key": "option-key-1"}, "wpa_psk": "option-key-2")",
         "key=option-key-1\nwpaPsk=option-key-2\n"},
    };
    for (const auto& c : given) {
        SCOPED_TRACE(c.arguments.toStdString());
        const test::ProgramRun result = run(c.arguments);
        EXPECT_EQ(result.status, 0) << result.out << result.err;
        EXPECT_EQ(result.out.find("option-key"), std::string::npos) << result.out;
        const QJsonObject answer = QJsonDocument::fromJson(QByteArray::fromStdString(result.out)).object();
        EXPECT_TRUE(answer.value("changed").toBool()) << result.out;
        // The fields that are no key are shown as given.
        EXPECT_EQ(answer.value("invocation")
                      .toObject()
                      .value("module_args")
                      .toObject()
                      .value("fields")
                      .toObject()
                      .value("ssid"),
                  QJsonValue("Shop2"))
            << result.out;
        EXPECT_EQ(contents(cli + ".stdin"), c.secrets);
        EXPECT_FALSE(contents(cli + ".args").contains("option-key"));
        EXPECT_TRUE(contents(cli + ".args").contains("--secrets\n-\n"));
    }

    const test::ProgramRun twice = run(R"("fields": {"wpapsk": "option-key-1"}, "wpaPsk": "option-key-2")");
    EXPECT_EQ(twice.status, 1);
    EXPECT_NE(twice.out.find("wpaPsk is given twice"), std::string::npos) << twice.out;
    EXPECT_EQ(twice.out.find("option-key"), std::string::npos) << twice.out;
    EXPECT_FALSE(QFile::exists(cli + ".args"));
}

}  // namespace
}  // namespace quillmar
