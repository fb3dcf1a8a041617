#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <filesystem>

#include "platform/program_launcher.h"
#include "record/program_flags.h"
#include "support/config_home.h"
#include "support/file_contents.h"
#include "support/recording_prompter.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "tools/model_chooser_form.h"

using namespace quillmar;

namespace {

class RecordingLauncher final : public ProgramLauncher {
public:
    struct Start {
        QString program;
        QStringList arguments;
        QString directory;
    };
    std::vector<Start> starts;
    bool startDetached(const QString& program, const QStringList& arguments, const QString& directory) override
    {
        starts.push_back({program, arguments, directory});
        return false;  // a missing sibling is not reported
    }
};

class ModelChooserTest : public ::testing::Test {
protected:
    void SetUp() override { programFlags() = ProgramFlags{}; }

    std::unique_ptr<TForm3> makeChooser(const QString& directory)
    {
        auto chooser = std::make_unique<TForm3>(directory, &launcher);
        chooser->setMainWindowOpener([this] { ++mainWindowsOpened; });
        return chooser;
    }

    void writeChoice(const QByteArray& bytes)
    {
        QFile file(dir.file("modelno.dat"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray choiceFile()
    {
        QFile file(dir.file("modelno.dat"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    static QRadioButton* item(TForm3& chooser, int index)
    {
        return chooser.findChild<QRadioButton*>(QStringLiteral("RadioGroup1Item%1").arg(index));
    }

    static void pressOk(TForm3& chooser) { chooser.findChild<QPushButton*>(QStringLiteral("Button1"))->click(); }

    test::TempDirectory dir;
    test::ScopedConfigHome config;
    RecordingLauncher launcher;
    test::RecordingPrompter prompts;
    int mainWindowsOpened = 0;
};

}  // namespace

TEST_F(ModelChooserTest, WithoutAFileNothingIsSelectedAndOkAsksForAChoice)
{
    auto chooser = makeChooser(dir.path());
    chooser->show();
    EXPECT_EQ(chooser->windowTitle(), QStringLiteral(" Quillmar LAN/WI-FI Printer Manager v1.12"));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(item(*chooser, i)->isChecked());
    EXPECT_EQ(item(*chooser, 2)->text(), QStringLiteral("RX4200/RX6800/RX7000-WIFI-Printer"));
    pressOk(*chooser);
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("Please Select Printer Model !"));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Information"));
    EXPECT_EQ(prompts.prompts[0].kind, PromptKind::TypedDialog);
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(choiceFile(), QByteArray("<missing>"));
}

TEST_F(ModelChooserTest, EmptyFileIsLikeAMissingOne)
{
    writeChoice("");
    auto chooser = makeChooser(dir.path());
    chooser->show();
    pressOk(*chooser);
    EXPECT_EQ(prompts.texts(), QStringList({"Please Select Printer Model !"}));
}

TEST_F(ModelChooserTest, RememberedChoiceIsSelectedAndWrittenAgain)
{
    writeChoice("2junk");
    auto chooser = makeChooser(dir.path());
    chooser->show();
    EXPECT_TRUE(item(*chooser, 2)->isChecked());
    EXPECT_EQ(programFlags().usbToolFlag, 1);
    EXPECT_EQ(programFlags().printerFamily, 2);
    // Written again as a click writes it, once the window has been painted.
    EXPECT_EQ(choiceFile(), QByteArray("2junk"));
    EXPECT_TRUE(test::waitUntil([&] { return choiceFile() == "2"; }, 5000)) << choiceFile().toStdString();
    // OK is the default button: Enter on the selected item presses it.
    QTest::keyClick(item(*chooser, 2), Qt::Key_Return);
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_TRUE(launcher.starts.empty());
}

TEST_F(ModelChooserTest, OtherCharacterSelectsNothingYetOkOpensTheMainWindow)
{
    programFlags().usbToolFlag = 1;  // as -u left it
    writeChoice("7");
    auto chooser = makeChooser(dir.path());
    chooser->show();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(item(*chooser, i)->isChecked());
    pressOk(*chooser);
    EXPECT_EQ(mainWindowsOpened, 1);
    EXPECT_EQ(programFlags().printerFamily, 2);
    EXPECT_EQ(programFlags().usbToolFlag, 1);
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(ModelChooserTest, EveryPickIsWrittenAndTheLanFlagSurvivesAFamilyOnePick)
{
    writeChoice("1");
    auto chooser = makeChooser(dir.path());
    chooser->show();
    item(*chooser, 3)->click();
    EXPECT_EQ(choiceFile(), QByteArray("3"));
    EXPECT_EQ(programFlags().lanPrinterFlag, 1);
    item(*chooser, 1)->click();
    EXPECT_EQ(choiceFile(), QByteArray("1"));
    EXPECT_EQ(programFlags().lanPrinterFlag, 1);
    EXPECT_EQ(programFlags().usbToolFlag, 0);
    EXPECT_EQ(programFlags().printerFamily, 1);
}

TEST_F(ModelChooserTest, SiblingFamilyStartsItsProgramAndCloses)
{
    auto chooser = makeChooser(dir.path());
    chooser->show();
    item(*chooser, 0)->click();
    pressOk(*chooser);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, dir.file("RXLanMgr.exe"));
    EXPECT_TRUE(launcher.starts[0].arguments.isEmpty());
    EXPECT_EQ(launcher.starts[0].directory, dir.path());
    EXPECT_FALSE(chooser->isVisible());
    EXPECT_EQ(mainWindowsOpened, 0);
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(ModelChooserTest, SiblingGetsThePassedOnOptions)
{
    programFlags().allowIpModeFlag = true;
    programFlags().optionO = true;
    auto chooser = makeChooser(dir.path());
    chooser->show();
    item(*chooser, 3)->click();
    pressOk(*chooser);
    ASSERT_EQ(launcher.starts.size(), 1u);
    EXPECT_EQ(launcher.starts[0].program, dir.file("RX7KLMgr.exe"));
    EXPECT_EQ(launcher.starts[0].arguments, QStringList({"-p", "-o"}));
}

// A start from the desktop menu begins in the home directory: the choice is
// kept in ~/.config/quillmar then, and in the start directory only when the
// file is there.
TEST_F(ModelChooserTest, TheChoiceIsKeptInTheStartDirectoryWhenThereElseInTheConfigurationDirectory)
{
    const struct {
        const char* name;
        QByteArray inStart;   // "": no file; "/": a directory of that name
        QByteArray inConfig;  // "": no file
        int selected;         // -1: none
        int clicked;          // then picked
        QByteArray startAfter;
        QByteArray configAfter;
    } cases[] = {
        {"both: the start directory's", "1", "2", 1, 2, "2", "2"},
        {"the configuration directory's", "", "2", 2, 1, "<missing>", "1"},
        {"neither: a pick goes to the configuration directory", "", "", -1, 1, "<missing>", "1"},
        {"a directory of that name is no file", "/", "2", 2, 1, "<missing>", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::TempDirectory start;
        const test::ScopedConfigHome home;
        const QString startFile = start.file("modelno.dat");
        if (c.inStart == "/")
            ASSERT_TRUE(QDir().mkdir(startFile));
        else if (!c.inStart.isEmpty())
            test::writeFile(startFile, c.inStart);
        if (!c.inConfig.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(QFileInfo(home.file("modelno.dat")).path()));
            test::writeFile(home.file("modelno.dat"), c.inConfig);
        }
        auto chooser = makeChooser(start.path());
        chooser->show();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(item(*chooser, i)->isChecked(), i == c.selected) << i;
        item(*chooser, c.clicked)->click();
        EXPECT_EQ(c.inStart == "/" ? QByteArray("<missing>") : test::contentOf(startFile), c.startAfter);
        EXPECT_EQ(test::contentOf(home.file("modelno.dat")), c.configAfter);
        EXPECT_TRUE(prompts.prompts.empty());
    }
    // Made for the choice, the directory is its owner's alone.
    const test::ScopedConfigHome fresh;
    auto chooser = makeChooser(dir.path());
    chooser->show();
    item(*chooser, 2)->click();
    const std::filesystem::path made = QFile::encodeName(QFileInfo(fresh.file("modelno.dat")).path()).toStdString();
    EXPECT_EQ(std::filesystem::status(made).permissions(), std::filesystem::perms::owner_all);
}

TEST_F(ModelChooserTest, UnwritableDirectoryIsReportedAndTheChoiceStillApplies)
{
    // Neither the start directory has the file nor can the configuration
    // directory be made: a file stands where it goes.
    test::writeFile(dir.file("not-a-directory"), "x");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.file("not-a-directory")));
    auto chooser = makeChooser(dir.file("missing-directory"));
    chooser->show();
    item(*chooser, 2)->click();
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("Can't save default com port setting !!"));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts[0].icon, PromptIcon::Stop);
    EXPECT_EQ(programFlags().printerFamily, 2);
    pressOk(*chooser);
    EXPECT_EQ(mainWindowsOpened, 1);
}

// The logo follows the first paint rather than holding it up, but it comes.
TEST_F(ModelChooserTest, TheLogoIsDrawnOnceTheWindowIsOnTheScreen)
{
    auto chooser = makeChooser(dir.path());
    const auto* logo = chooser->findChild<QLabel*>(QStringLiteral("Image1"));
    EXPECT_TRUE(logo->pixmap().isNull());
    chooser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(chooser.get()));
    ASSERT_TRUE(test::waitUntil([&] { return !logo->pixmap().isNull(); }, 5000));
    EXPECT_EQ(logo->pixmap().size(), QSize(305, 59));
}
