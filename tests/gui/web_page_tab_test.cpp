// The configuration window's web page tab with real clicks: the build from a
// directory and the upload to quillmar-sim's modules on loopback (command
// ports and TFTP servers on 127.0.0.1 and 127.0.0.2, so in a network namespace
// of its own), two windows on two modules. The route and neighbour tables are a
// recorder: loopback needs none.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <net/if.h>

#include <stdexcept>

#include "maintenance/device_session.h"
#include "maintenance/web_image_format.h"
#include "record/config_block.h"
#include "support/config_window_driver.h"
#include "support/file_contents.h"
#include "support/maintenance_run.h"
#include "support/recording_host_tables.h"
#include "support/sim_process.h"
#include "support/temp_directory.h"
#include "support/web_image_decoder.h"

using namespace quillmar;
using quillmar::test::contentOf;
using quillmar::test::controlIn;
using namespace std::chrono_literals;

namespace {

ConfigBlock webModule(const std::string& address, const std::string& mac, const std::string& key)
{
    DeviceEntry entry = test::kitchenPrinter(address, mac);
    entry.setText(DeviceField::Key, key);
    ConfigBlock block(entry);
    block.setFlag(ConfigField::HasWebPage, '1');
    return block;
}

class WebPageTab : public ::testing::Test {
protected:
    void SetUp() override
    {
        QDir().mkpath(directory.file("site"));
        writeFile("site/index.html", "<html>kitchen</html>");
        writeFile("site/logo.gif", "GIF89a");
        driver.adjustContext = [this](ConfigWindowContext& context) {
            context.webSourceDirectory = &rememberedSource;
            context.webImagePath = &rememberedImage;
            context.sessionEnvironment = [this] {
                SessionEnvironment environment;
                environment.localAddresses = {{0x7F000001u, if_nametoindex("lo")}};
                environment.tables = &helpers.helpers;
                environment.timing.connectPause = 50ms;
                environment.timing.replyWait = 300ms;
                environment.timing.tftp = {10ms, 10ms, 300ms, kTftpTries};
                return environment;
            };
        };
    }

    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile file(directory.file(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    TcfgForm& open(const ConfigBlock& block)
    {
        TcfgForm& form = driver.open(block);
        controlIn<QTabWidget>(form, "PageControl1")->setCurrentWidget(controlIn<QWidget>(form, "TabSheet_We"));
        return form;
    }

    void click(const char* button) { QTest::mouseClick(driver.button(button), Qt::LeftButton); }

    std::string path(const char* name) const { return directory.file(name).toStdString(); }

    test::TempDirectory directory;
    test::ConfigWindowDriver driver;
    test::RecordingHostTables tables;
    test::RecordingProgress progress;
    test::TestHelpers helpers{tables, progress};
    QString rememberedSource;
    QString rememberedImage;
};

}  // namespace

TEST_F(WebPageTab, ShownOnlyForAModuleThatDeclaresWebPagesWithTheRememberedPaths)
{
    rememberedSource = directory.file("site");
    rememberedImage = directory.file("old.anf");
    TcfgForm& plain = driver.open(ConfigBlock(test::kitchenPrinter("127.0.0.1")));
    EXPECT_FALSE(
        controlIn<QTabWidget>(plain, "PageControl1")
            ->isTabVisible(
                controlIn<QTabWidget>(plain, "PageControl1")->indexOf(controlIn<QWidget>(plain, "TabSheet_We"))));

    TcfgForm& web = open(webModule("127.0.0.1", "02-51-7F-00-00-01", "wepkey1"));
    EXPECT_TRUE(controlIn<QTabWidget>(web, "PageControl1")
                    ->isTabVisible(
                        controlIn<QTabWidget>(web, "PageControl1")->indexOf(controlIn<QWidget>(web, "TabSheet_We"))));
    EXPECT_EQ(controlIn<QLineEdit>(web, "Edit_srcDir")->text(), rememberedSource);
    EXPECT_EQ(controlIn<QLineEdit>(web, "Edit_outFile")->text(), rememberedImage);
    EXPECT_EQ(controlIn<QLineEdit>(web, "Edit_bin")->text(), rememberedImage);
    // QUILLMAR_SCREENSHOT_DIR: where to keep a picture of the tab.
    if (const QString pictures = qEnvironmentVariable("QUILLMAR_SCREENSHOT_DIR"); !pictures.isEmpty())
        web.grab().save(pictures + "/web_page_tab.png");
}

TEST_F(WebPageTab, ConvertChecksItsBoxesThenBuildsBehindTheProgressWindow)
{
    TcfgForm& form = open(webModule("127.0.0.1", "02-51-7F-00-00-01", "wepkey1"));
    rememberedSource = directory.file("start");
    driver.dialogs.paths = {directory.file("site"), directory.file("web.anf")};
    click("srcDir_Btn");
    click("outDir_Btn");
    ASSERT_EQ(driver.dialogs.requests.size(), 2u);
    EXPECT_EQ(driver.dialogs.requests[0].kind, test::ScriptedFileDialogs::Kind::Directory);
    EXPECT_EQ(driver.dialogs.requests[0].request.filter, directory.file("start")) << "starts where it was left";
    EXPECT_EQ(driver.dialogs.requests[1].request.title, "Save binary file...");
    EXPECT_EQ(driver.dialogs.requests[1].request.filter, "*.anf");
    EXPECT_EQ(driver.dialogs.requests[1].request.defaultSuffix, "anf");
    EXPECT_EQ(controlIn<QLineEdit>(form, "Edit_srcDir")->text(), directory.file("site"));
    EXPECT_EQ(controlIn<QLineEdit>(form, "Edit_outFile")->text(), directory.file("web.anf"));

    struct Refusal {
        QString source;
        QString output;
        const char* message;
    };
    const Refusal refusals[] = {
        {"", directory.file("web.anf"), "invalid source directory"},
        {directory.file("none"), directory.file("web.anf"), "invalid source directory"},
        {directory.file("site/index.html"), directory.file("web.anf"), "invalid source directory"},
        {directory.file("site"), "", "invalid output file"},
        {directory.file("site"), directory.file("web.ANF"), "invalid output file"},
    };
    for (const Refusal& r : refusals) {
        controlIn<QLineEdit>(form, "Edit_srcDir")->setText(r.source);
        controlIn<QLineEdit>(form, "Edit_outFile")->setText(r.output);
        driver.prompter.prompts.clear();
        click("convertBtn");
        ASSERT_EQ(driver.prompter.prompts.size(), 1u) << r.message;
        EXPECT_EQ(driver.prompter.prompts[0].text, r.message);
        EXPECT_EQ(driver.prompter.prompts[0].icon, PromptIcon::Warning);
    }
    EXPECT_FALSE(QFile::exists(directory.file("web.anf")));

    controlIn<QLineEdit>(form, "Edit_srcDir")->setText(directory.file("site"));
    controlIn<QLineEdit>(form, "Edit_outFile")->setText(directory.file("web.anf"));
    controlIn<QLineEdit>(form, "Edit_bin")->clear();
    driver.prompter.prompts.clear();
    click("convertBtn");
    ASSERT_EQ(driver.prompter.prompts.size(), 1u);
    EXPECT_EQ(driver.prompter.prompts[0].title, "Finished");
    EXPECT_EQ(driver.prompter.prompts[0].text, "Convert finished");
    EXPECT_EQ(driver.prompter.prompts[0].icon, PromptIcon::Information);
    EXPECT_EQ(controlIn<QLineEdit>(form, "Edit_bin")->text(), directory.file("web.anf"));
    EXPECT_EQ(rememberedSource, directory.file("site"));
    EXPECT_EQ(rememberedImage, directory.file("web.anf"));
    const test::DecodedImage image = test::decodeWebImage(contentOf(directory.file("web.anf")).toStdString());
    ASSERT_EQ(image.error, "");
    ASSERT_EQ(image.records.size(), 2u);
    EXPECT_EQ(image.records[0].name, "/index.html");

    // A failed build keeps the image it would have replaced.
    QFile::remove(directory.file("site/index.html"));
    driver.prompter.prompts.clear();
    click("convertBtn");
    ASSERT_EQ(driver.prompter.prompts.size(), 1u);
    EXPECT_EQ(driver.prompter.prompts[0].text, "index.html not found");
    EXPECT_EQ(test::decodeWebImage(contentOf(directory.file("web.anf")).toStdString()).records.size(), 2u);
}

TEST_F(WebPageTab, EachWindowUploadsToItsOwnModule)
{
    test::SimProcess sim(test::simPath(),
                         {"--session", "address=127.0.0.1,password=wepkey1", "--tftp",
                          "address=127.0.0.1,image=" + path("got-1.anf"), "--session",
                          "address=127.0.0.2,password=shop2key", "--tftp",
                          "address=127.0.0.2,fault=duplicate,faultBlock=1,image=" + path("got-2.anf")});
    ASSERT_TRUE(sim.ready()) << sim.error;
    std::string image(kWebImageHeaderBytes, '\0');
    const WebImageHeader& header = webImageHeader();
    image.assign(header.begin(), header.end());
    image += std::string(900, 'w');
    writeFile("site.anf", QByteArray::fromStdString(image));
    writeFile("notes.anf", QByteArray(200, 'n'));
    writeFile("junk.anf", QByteArray(200, '\x01'));

    TcfgForm& first = open(webModule("127.0.0.1", "02-51-7F-00-00-01", "wepkey1"));
    TcfgForm& second = open(webModule("127.0.0.2", "02-51-7F-00-00-02", "shop2key"));

    struct Refusal {
        QString file;
        const char* message;
    };
    const Refusal refusals[] = {{"", "file can't be blank"},
                                {directory.file("none.anf"), "file isn't exists"},
                                {directory.file("junk.anf"), "file can't be recognised"},
                                {directory.file("notes.anf"), "This file is a text file, not a web image"}};
    for (const Refusal& r : refusals) {
        controlIn<QLineEdit>(first, "Edit_bin")->setText(r.file);
        driver.prompter.prompts.clear();
        QTest::mouseClick(controlIn<QPushButton>(first, "uploadBtn"), Qt::LeftButton);
        ASSERT_EQ(driver.prompter.prompts.size(), 1u) << r.message;
        EXPECT_EQ(driver.prompter.prompts[0].text, r.message);
    }

    // Bin_Btn fills the box; No to the question sends nothing.
    driver.dialogs.paths = {directory.file("site.anf")};
    QTest::mouseClick(controlIn<QPushButton>(first, "bin_Btn"), Qt::LeftButton);
    EXPECT_EQ(driver.dialogs.requests.back().request.title, "Open binary file...");
    EXPECT_EQ(controlIn<QLineEdit>(first, "Edit_bin")->text(), directory.file("site.anf"));
    driver.prompter.prompts.clear();
    QTest::mouseClick(controlIn<QPushButton>(first, "uploadBtn"), Qt::LeftButton);
    ASSERT_EQ(driver.prompter.prompts.size(), 1u);
    EXPECT_EQ(driver.prompter.prompts[0].text, "Are you sure to upload this file?");
    EXPECT_EQ(driver.prompter.prompts[0].icon, PromptIcon::Question);
    EXPECT_TRUE(sim.lines("session-open").empty());

    driver.prompter.prompts.clear();
    driver.prompter.answers = {PromptAnswer::Yes};
    QTest::mouseClick(controlIn<QPushButton>(first, "uploadBtn"), Qt::LeftButton);
    ASSERT_EQ(driver.prompter.prompts.size(), 2u);
    EXPECT_EQ(driver.prompter.prompts[1].title, "Finished");
    EXPECT_EQ(driver.prompter.prompts[1].text, "Upload finished");
    EXPECT_EQ(rememberedImage, directory.file("site.anf"));
    EXPECT_TRUE(test::waitUntil([&] { return contentOf(directory.file("got-1.anf")).toStdString() == image; }, 3000));
    EXPECT_EQ(sim.lines("login", "token", "right").size(), 1u) << "the key text is the password";
    // The main window's log has the write, success included.
    EXPECT_TRUE(driver.logLines.contains(QStringLiteral("Web upload to 127.0.0.1: Upload finished")))
        << driver.logLines.join('|').toStdString();

    // The second window's module acknowledges the first block twice.
    driver.prompter.prompts.clear();
    driver.prompter.answers = {PromptAnswer::Yes};
    controlIn<QLineEdit>(second, "Edit_bin")->setText(directory.file("site.anf"));
    QTest::mouseClick(controlIn<QPushButton>(second, "uploadBtn"), Qt::LeftButton);
    ASSERT_EQ(driver.prompter.prompts.size(), 2u);
    EXPECT_EQ(driver.prompter.prompts[1].text, "tftp put failed");
    EXPECT_EQ(driver.prompter.prompts[1].icon, PromptIcon::Warning);
    EXPECT_EQ(sim.lines("tftp-request", "module", "127.0.0.1").size(), 1u);
    EXPECT_EQ(sim.lines("tftp-request", "module", "127.0.0.2").size(), 1u);
    EXPECT_EQ(sim.lines("login", "token", "right").size(), 2u);
}

TEST_F(WebPageTab, AnUploadWorkerExceptionIsLoggedAsItsOwn)
{
    tables.afterChange = [](const std::string& change) {
        if (change.starts_with("route+"))
            throw std::runtime_error("route table gone");
    };
    std::string image(webImageHeader().begin(), webImageHeader().end());
    writeFile("site.anf", QByteArray::fromStdString(image));
    TcfgForm& form = open(webModule("127.0.0.1", "02-51-7F-00-00-01", "wepkey1"));
    controlIn<QLineEdit>(form, "Edit_bin")->setText(directory.file("site.anf"));
    driver.prompter.answers = {PromptAnswer::Yes};
    // The progress window stays up after an exception until the user closes it.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (driver.prompter.prompts.size() == 2)
            QTest::mouseClick(controlIn<QPushButton>(form, "cancelBtn"), Qt::LeftButton);
    });
    closer.start(20);
    click("uploadBtn");
    ASSERT_EQ(driver.prompter.prompts.size(), 2u);
    EXPECT_EQ(driver.prompter.prompts[1].kind, PromptKind::Exception);
    EXPECT_EQ(driver.prompter.prompts[1].text, "route table gone");
    ASSERT_EQ(driver.logLines.size(), 2);
    EXPECT_TRUE(driver.logLines[0].startsWith(QStringLiteral("Image: %1 bytes, SHA-256 ").arg(image.size())))
        << driver.logLines[0].toStdString();
    EXPECT_EQ(driver.logLines[1], QStringLiteral("uploadThread Exception"));
}
