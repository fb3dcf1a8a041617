// The chooser's OK loads the main window's module and opens the main window
// with the values the start-up options and the chooser set; a module that is
// missing or is no module of this program is said so, and the program ends
// rather than leaving a chooser whose OK does nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include "app/main_window_module.h"
#include "record/program_flags.h"
#include "support/config_home.h"
#include "support/recording_prompter.h"
#include "support/temp_directory.h"
#include "tools/model_chooser_form.h"

using namespace quillmar;

namespace {

class MainWindowModuleTest : public ::testing::Test {
protected:
    void SetUp() override { programFlags() = ProgramFlags{}; }

    // Picks the RX4200 Wi-Fi family, which this program manages with its USB
    // tool, and presses OK, by mouse.
    void chooseAndConfirm(MainWindowModule& module, TForm3& chooser)
    {
        chooser.setMainWindowOpener([&] { module.openMainWindow(programFlags(), &chooser); });
        chooser.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&chooser));
        // On the indicator: a radio button takes clicks on its indicator and text only.
        auto* wifiFamily = chooser.findChild<QRadioButton*>(QStringLiteral("RadioGroup1Item2"));
        QTest::mouseClick(wifiFamily, Qt::LeftButton, {}, QPoint(8, wifiFamily->height() / 2));
        QTest::mouseClick(chooser.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    }

    static QWidget* mainWindow()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QStringLiteral("mainForm") && widget->isVisible())
                return widget;
        }
        return nullptr;
    }

    test::TempDirectory dir;
    test::ScopedConfigHome config;
    test::RecordingPrompter prompts;
};

}  // namespace

TEST_F(MainWindowModuleTest, OkOpensTheModulesMainWindowWithTheChoosersFlagsAndItsEndClosesTheChooser)
{
    MainWindowModule module(QFileInfo(QStringLiteral(QUILLMAR_MANAGER_WINDOWS_PATH)).absolutePath());
    TForm3 chooser(dir.path());
    chooseAndConfirm(module, chooser);

    QWidget* form = mainWindow();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(module.loaded());
    EXPECT_FALSE(chooser.isVisible());
    // The module's own values start as the launcher's did, without the USB tool.
    EXPECT_TRUE(form->windowTitle().endsWith(QStringLiteral("v1.12"))) << form->windowTitle().toStdString();
    const auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
    ASSERT_NE(tree, nullptr);
    EXPECT_FALSE(
        tree->findItems(QStringLiteral("ChangeSettingByUSB"), Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    EXPECT_EQ(module.stopWorkers(), 0);

    chooser.show();
    form->close();
    EXPECT_FALSE(chooser.isVisible()) << "the main window's end closes the chooser";
    EXPECT_TRUE(prompts.prompts.empty()) << prompts.texts().join(u'|').toStdString();
}

TEST_F(MainWindowModuleTest, AMissingOrForeignModuleIsSaidAndTheChooserCloses)
{
    const struct {
        const char* name;
        QByteArray contents;  // empty: no file
        QString said;
    } cases[] = {
        {"missing", {}, QStringLiteral("Can't open the main window: The main window's module is missing (looked for ")},
        {"not a module", "#!/bin/sh\n", QStringLiteral("Can't open the main window: Cannot load library ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompts.prompts.clear();
        test::TempDirectory programDirectory;
        if (!c.contents.isEmpty()) {
            QFile file(programDirectory.file(QStringLiteral("quillmar-manager-windows.so")));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.contents);
        }
        MainWindowModule module(programDirectory.path());
        TForm3 chooser(dir.path());
        chooseAndConfirm(module, chooser);

        EXPECT_FALSE(module.loaded());
        EXPECT_EQ(mainWindow(), nullptr);
        EXPECT_FALSE(chooser.isVisible());
        ASSERT_EQ(prompts.prompts.size(), 1u) << prompts.texts().join(u'|').toStdString();
        EXPECT_TRUE(prompts.texts().front().startsWith(c.said)) << prompts.texts().front().toStdString();
    }
}
