#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <string>
#include <sys/stat.h>

#include "config/configuration_export.h"
#include "config/key_file_import.h"
#include "config/key_file_report.h"
#include "config/save_records.h"
#include "record/config_block.h"
#include "support/file_contents.h"
#include "support/file_size_limit.h"
#include "support/temp_directory.h"

using namespace quillmar;
using quillmar::test::contentOf;
using quillmar::test::writeFile;

namespace {

class ScriptedExportPrompts : public ExportPrompts {
public:
    explicit ScriptedExportPrompts(bool overwrite = true) : overwrite_(overwrite) {}
    bool confirmOverwrite() override
    {
        ++questions;
        return overwrite_;
    }
    void showAnotherNameNotice() override { ++notices; }
    void showError(const QString& text) override { errors.append(text); }

    int questions = 0;
    int notices = 0;
    QStringList errors;

private:
    bool overwrite_;
};

ConfigBlock exportBlock()
{
    ConfigBlock block;
    block.setText(DeviceField::ModelName, "RX7000 WI-FI");
    block.setText(DeviceField::DeviceName, std::string(16, 'n'));
    block.setText(DeviceField::MacAddress, "00-11-22-AA-BB-CC");
    block.setText(DeviceField::IpAddress, "192.0.2.20");
    block.setText(DeviceField::WpaPsk, std::string(72, 'k'));
    block.setText(ConfigField::OpModeCode, "UD");
    return block;
}

QStringList importLines(const QByteArray& text, ImportOutcome* outcome = nullptr)
{
    KeyFileReport report;
    const ImportOutcome result = applyKeyFileText(text, report);
    if (outcome)
        *outcome = result;
    return report.lines();
}

}  // namespace

TEST(ConfigurationExport, FileIsTheRecordOf256BytesWithFullWidthFields)
{
    test::TempDirectory dir;
    const QString path = dir.file("printer.bin");
    ScriptedExportPrompts prompts;
    ASSERT_EQ(exportData(path, exportBlock(), prompts), 0);
    EXPECT_EQ(prompts.questions, 0);
    const QByteArray content = contentOf(path);
    ASSERT_EQ(content.size(), 256);
    EXPECT_EQ(content, blockRecordBytes(exportBlock()));
    EXPECT_EQ(content.mid(24, 16), QByteArray(16, 'n'));  // device name runs up to the MAC
    EXPECT_EQ(content.mid(40, 17), "00-11-22-AA-BB-CC");
    EXPECT_EQ(content.mid(184), QByteArray(72, 'k'));  // no terminator after the WPA key
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"printer.bin"});
}

TEST(ConfigurationExport, ExistingFileIsReplacedOnlyAfterYes)
{
    test::TempDirectory dir;
    const QString path = dir.file("printer.bin");
    writeFile(path, "old content");

    ScriptedExportPrompts no(false);
    EXPECT_EQ(exportData(path, exportBlock(), no), -1);
    EXPECT_EQ(no.questions, 1);
    EXPECT_EQ(no.notices, 1);
    EXPECT_TRUE(no.errors.isEmpty());
    EXPECT_EQ(contentOf(path), "old content");

    ScriptedExportPrompts yes(true);
    EXPECT_EQ(exportData(path, exportBlock(), yes), 0);
    EXPECT_EQ(yes.notices, 0);
    EXPECT_EQ(contentOf(path), blockRecordBytes(exportBlock()));
}

TEST(ConfigurationExport, FailedWriteLeavesTheOldFileAsItWas)
{
    test::TempDirectory dir;
    const QString path = dir.file("printer.bin");
    writeFile(path, "old content");
    ScriptedExportPrompts prompts(true);
    int result = 0;
    {
        const test::FileSizeLimit limit(100);
        result = exportData(path, exportBlock(), prompts);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(prompts.errors, QStringList{"write file failed"});
    EXPECT_EQ(contentOf(path), "old content");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"printer.bin"});
}

TEST(ConfigurationExport, MissingDirectoryIsACreateFailure)
{
    test::TempDirectory dir;
    ScriptedExportPrompts prompts;
    EXPECT_EQ(exportData(dir.file("no/such/dir/printer.bin"), exportBlock(), prompts), -1);
    EXPECT_EQ(prompts.errors, QStringList{"create file failed"});
}

TEST(ConfigurationExport, OnlyARegularFileIsReplacedAndANewOneIsTheOwnersAlone)
{
    test::TempDirectory dir;
    const QString fifo = dir.file("pipe.bin");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    ScriptedExportPrompts prompts(true);
    EXPECT_EQ(exportData(fifo, exportBlock(), prompts), -1);
    EXPECT_EQ(prompts.errors, QStringList{"create file failed"});
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));  // left as it was

    const QString path = dir.file("printer.bin");
    ASSERT_EQ(exportData(path, exportBlock(), prompts), 0);
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    // A key file that is a FIFO is not waited on.
    KeyFileReport report;
    EXPECT_EQ(importKeyFile(fifo, report).message, QStringLiteral("open file failed"));
}

TEST(KeyFileImport, FileSizeMustBeOneTo1023Bytes)
{
    test::TempDirectory dir;
    KeyFileReport report;

    ImportOutcome outcome = importKeyFile(dir.file("missing.txt"), report);
    EXPECT_EQ(outcome.status, ImportStatus::FileMissing);
    EXPECT_EQ(outcome.message, "file isn't exists");
    EXPECT_EQ(outcome.result(), -1);

    outcome = importKeyFile(dir.path(), report);
    EXPECT_EQ(outcome.message, "open file failed");
    EXPECT_EQ(outcome.result(), -1);

    writeFile(dir.file("empty.txt"), "");
    outcome = importKeyFile(dir.file("empty.txt"), report);
    EXPECT_EQ(outcome.message, "read file failed.");
    EXPECT_EQ(outcome.result(), -2);

    const QByteArray line = "$SBNmodel\r\n";
    QByteArray big(1024, '#');
    big.replace(0, line.size(), line);
    writeFile(dir.file("big.txt"), big);
    outcome = importKeyFile(dir.file("big.txt"), report);
    EXPECT_EQ(outcome.message, "read file failed.");
    EXPECT_EQ(outcome.result(), -2);
    EXPECT_TRUE(report.lines().isEmpty());

    writeFile(dir.file("max.txt"), big.left(1023));
    outcome = importKeyFile(dir.file("max.txt"), report);
    EXPECT_EQ(outcome.result(), 0);
    EXPECT_EQ(report.lines(), QStringList{"modelName = \"model\""});
}

TEST(KeyFileImport, OnlyCrLfEndedDollarSLinesCount)
{
    const QStringList lines = importLines("Quillmar settings\r\n"
                                          "$sbnlower\r\n"
                                          "$SBN  Model X \r\n"
                                          "$SXXunknown\r\n"
                                          "$SSB9600\n$SSDN81\r\n"
                                          "$SSFNONE\r\n"
                                          "$SSIRS-485");
    EXPECT_EQ(lines,
              (QStringList{"modelName = \"  Model X \"", "serialBaud = \"9600\n$SSDN81\"", "serialFlow = \"NONE\""}));
}

TEST(KeyFileImport, PackingKeys)
{
    EXPECT_EQ(importLines("$SOD101\r\n$SOD1\r\n"),
              (QStringList{"dpDelimOn = on", "dpTimeoutOn = off", "dpLengthOn = on", "dpDelimOn = on",
                           "dpTimeoutOn = off", "dpLengthOn = off"}));
    EXPECT_EQ(importLines("$SOS0D0\r\n$SOS0D\r\n$SOS0D0A\r\n"),
              (QStringList{"dpDelim = \"0D\"", "dpDelim = \"0D0A\""}));
    EXPECT_EQ(importLines("$SOT\r\n$SOL\r\n$SOT50\r\n$SOL128\r\n"),
              (QStringList{"dpTimeout = \"50\"", "dpLength = \"128\""}));
}

TEST(KeyFileImport, AddressKeys)
{
    EXPECT_EQ(importLines("$SLI192.0.2.40\r\n$SLI192.0.2\r\n$SLC1\r\n$SLCx\r\n"),
              (QStringList{"ipAddress = 192.0.2.40", "ipAddress = 255.255.255.255", "ipMode = \"DHCP\"",
                           "ipMode = \"STATIC\""}));
    // Without ':' the filter range is left alone; a side that parses to 0 is skipped.
    EXPECT_EQ(importLines("$SOF1\r\n$SOI192.0.2.1\r\n"), QStringList{"ipFilterOn = on"});
    EXPECT_EQ(importLines("$SOI0.0.0.0:192.0.2.9\r\n$SOI192.0.2.1:bad\r\n"),
              (QStringList{"ipFilterRange end = 192.0.2.9", "ipFilterRange start = 192.0.2.1",
                           "ipFilterRange end = 255.255.255.255"}));
    EXPECT_EQ(
        importLines("$SCI198.51.100.9\r\n$SCS192.0.2.53,192.0.2.54\r\n$SLN255.255.255.0\r\n"),
        (QStringList{"clientRemoteAddress (not in the record) = 198.51.100.9",
                     "primaryDns (not in the record) = 192.0.2.53", "secondaryDns (not in the record) = 192.0.2.54",
                     "subnetMask (not in the record) = 255.255.255.0"}));
}

TEST(KeyFileImport, OperationModeKeysAndTheValuesTheRecordDoesNotHold)
{
    EXPECT_EQ(importLines("$SOMUD\r\n$SUP7000\r\n$SOMTC\r\n$SCP9100\r\n$SCNhost.example\r\n$SOCTO\r\n$SOU300\r\n"),
              (QStringList{"opModeCode = \"UD\" (UDP)", "udpRemotePort (not in the record) = \"7000\"",
                           "opModeCode = \"TC\" (TCP Client)", "clientPort (not in the record) = \"9100\"",
                           "clientHostName (not in the record) = \"host.example\"",
                           "connectionTimeoutOn (not in the record) = on",
                           "connectionTimeout (not in the record) = \"300\""}));
    EXPECT_EQ(importLines("$SOMXX\r\n$SVP9100\r\n"), QStringList{"listenPort (not in the record) = \"9100\""});
}

TEST(KeyFileImport, TcpWindowValueThatIsNotANumberEndsTheImport)
{
    ImportOutcome outcome;
    const QStringList lines = importLines("$SOMUD\r\n$SLW2\r\n$SLWbig\r\n$SBNlater\r\n", &outcome);
    EXPECT_EQ(outcome.status, ImportStatus::ConversionFailed);
    EXPECT_EQ(outcome.message, "'big' is not a valid integer value");
    EXPECT_EQ(outcome.result(), -1);
    EXPECT_EQ(lines, (QStringList{"opModeCode = \"UD\" (UDP)", "tcpWindowIndex = 2"}));
}

TEST(KeyFileImport, NothingAfterANulByteIsRead)
{
    QByteArray text("$SBNfirst\r\n$SBNsec");
    text.append('\0');
    text.append("ond\r\n$SBNthird\r\n");
    EXPECT_EQ(importLines(text), QStringList{"modelName = \"first\""});
}
