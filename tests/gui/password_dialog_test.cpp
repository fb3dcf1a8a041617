#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

#include "config/cfg_form.h"
#include "config/config_window_registry.h"
#include "record/program_flags.h"
#include "support/password_dialog_controls.h"
#include "support/recording_prompter.h"
#include "tools/password_dialog.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

class PasswordDialogTest : public ::testing::Test {
protected:
    void SetUp() override { dialog.show(); }

    void tryPassword(const QString& text)
    {
        passwordOf(dialog)->setText(text);
        okOf(dialog)->click();
    }

    QWidget configWindow;
    TPasswordDlg dialog{[this] { return &configWindow; }};
    test::RecordingPrompter prompter;
};

TEST_F(PasswordDialogTest, IsLaidOutAsASmallPasswordPrompt)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Password Dialog"));
    EXPECT_EQ(dialog.size(), QSize(233, 98));
    ASSERT_NE(passwordOf(dialog), nullptr);
    EXPECT_EQ(passwordOf(dialog)->maxLength(), 8);
    EXPECT_EQ(passwordOf(dialog)->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(okOf(dialog)->isDefault());
    EXPECT_EQ(cancelOf(dialog)->text(), QStringLiteral("Cancel"));
}

TEST_F(PasswordDialogTest, EitherPasswordOnTheFirstTryReturnsToTheConfigurationWindow)
{
    for (const QString& password : {QStringLiteral("qed24680"), QStringLiteral("tundra57")}) {
        prompter.prompts.clear();
        configWindow.hide();
        dialog.show();
        tryPassword(password);
        ASSERT_EQ(prompter.prompts.size(), 1u);
        EXPECT_EQ(prompter.prompts[0].title, QStringLiteral("Information"));
        EXPECT_EQ(prompter.prompts[0].text, QStringLiteral("Password correct !!"));
        EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::None);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(configWindow.isVisible());
    }
}

TEST_F(PasswordDialogTest, ThreeWrongTriesEndWithTheFinalMessage)
{
    tryPassword(QStringLiteral("guess1"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(passwordOf(dialog)->text().isEmpty());
    tryPassword(QStringLiteral("guess2"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(configWindow.isVisible());
    tryPassword(QStringLiteral("guess3"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(configWindow.isVisible());

    ASSERT_EQ(prompter.prompts.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(prompter.prompts[i].title, QStringLiteral("Information"));
        EXPECT_EQ(prompter.prompts[i].text, QStringLiteral("Password Wrong !!"));
        EXPECT_EQ(prompter.prompts[i].icon, PromptIcon::Stop);
    }
    EXPECT_EQ(prompter.prompts[2].title, QStringLiteral("Error"));
    EXPECT_EQ(prompter.prompts[2].text, QStringLiteral("Password Wrong !! You have retry 3 times !!!"));
    EXPECT_EQ(prompter.prompts[2].icon, PromptIcon::Stop);
}

TEST_F(PasswordDialogTest, ShowingAgainGivesThreeFreshTries)
{
    for (int i = 0; i < 3; ++i)
        tryPassword(QStringLiteral("wrong"));
    ASSERT_FALSE(dialog.isVisible());
    passwordOf(dialog)->setText(QStringLiteral("left"));
    prompter.prompts.clear();
    dialog.show();
    EXPECT_EQ(dialog.wrongTries(), 0);
    EXPECT_TRUE(passwordOf(dialog)->text().isEmpty());
    tryPassword(QStringLiteral("wrong"));
    tryPassword(QStringLiteral("wrong"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.texts(), QStringList({"Password Wrong !!", "Password Wrong !!"}));
    tryPassword(QStringLiteral("tundra57"));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompter.texts().last(), QStringLiteral("Password correct !!"));
}

TEST_F(PasswordDialogTest, TypedCharactersShowAsStarsAndStillCount)
{
    QTest::keyClicks(passwordOf(dialog), QStringLiteral("tundra57x"));
    EXPECT_EQ(passwordOf(dialog)->displayText(), QStringLiteral("********"));
    okOf(dialog)->click();
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Password correct !!")});
}

TEST_F(PasswordDialogTest, CapitalsAreWrong)
{
    tryPassword(QStringLiteral("QED24680"));
    tryPassword(QStringLiteral("Tundra57"));
    EXPECT_EQ(prompter.texts(), QStringList({"Password Wrong !!", "Password Wrong !!"}));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(PasswordDialogTest, CancelReturnsWithoutAMessage)
{
    cancelOf(dialog)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(configWindow.isVisible());
    EXPECT_TRUE(prompter.prompts.empty());
}

TEST(PasswordDialog, WithNoConfigurationWindowNothingIsShownInItsPlace)
{
    test::RecordingPrompter prompter;
    TPasswordDlg dialog([] { return static_cast<QWidget*>(nullptr); });
    dialog.show();
    passwordOf(dialog)->setText(QStringLiteral("qed24680"));
    okOf(dialog)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Password correct !!")});
}

// The way the application links them: a double-click on the IP-mode box of a
// configuration window opens the dialog, which returns to the newest window.
TEST(PasswordDialog, OpensFromTheIpModeBoxAndReturnsToTheNewestWindow)
{
    test::RecordingPrompter prompter;
    programFlags() = ProgramFlags{};
    programFlags().allowIpModeFlag = true;
    TPasswordDlg dialog([] { return static_cast<QWidget*>(newestConfigWindow()); });
    setPasswordDialogOpener([&dialog] { dialog.show(); });

    DeviceEntry entry;
    entry.setText(DeviceField::MacAddress, "00:11:22:33:44:55");
    entry.setText(DeviceField::IpAddress, "192.0.2.30");
    TcfgForm first(ConfigBlock(entry), ConfigWindowContext{});
    first.show();
    TcfgForm newest(ConfigBlock(entry), ConfigWindowContext{});

    QComboBox* ipcfg = first.findChild<QComboBox*>(QStringLiteral("CmbBox_ipcfg"));
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(4, 4), ipcfg->mapToGlobal(QPointF(4, 4)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(ipcfg, &click);
    ASSERT_TRUE(dialog.isVisible());
    passwordOf(dialog)->setText(QStringLiteral("qed24680"));
    okOf(dialog)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(newest.isVisible());
    setPasswordDialogOpener(nullptr);
    programFlags() = ProgramFlags{};
}

// The other use: a printer that refused the log-in asks for its password,
// modally, with "Remember". `act` runs on the dialog once it is up.
std::optional<DevicePasswordAnswer> askWhile(bool remembered, const std::function<void(TPasswordDlg&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<TPasswordDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
    return askDevicePassword(nullptr, QStringLiteral("RX7000, 02:51:7f:00:00:05, 127.0.0.5"), remembered);
}

// Clicks and keys reach each control: typing enables OK, a click or Space
// toggles "Remember" (ticked to begin with for a remembered password), OK or
// Return give what was typed; Cancel and Escape give nothing. The access
// dialog has no "Remember": its passwords are the program's own.
TEST(DevicePasswordDialog, GivesWhatWasTypedAndWhetherToRememberItOrNothing)
{
    const auto ticked = askWhile(false, [](TPasswordDlg& dialog) {
        EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("Label2"))->text().contains("02:51:7f:00:00:05"));
        EXPECT_FALSE(rememberOf(dialog)->isChecked());
        EXPECT_FALSE(okOf(dialog)->isEnabled());  // an empty password is the log-in refused
        QTest::keyClicks(passwordOf(dialog), QStringLiteral("counter5x"));
        EXPECT_EQ(passwordOf(dialog)->displayText(), QStringLiteral("********"));
        QTest::mouseClick(dialog.findChild<QCheckBox*>(QStringLiteral("ChkBox_remember")), Qt::LeftButton, {},
                          QPoint(8, rememberOf(dialog)->height() / 2));
        QTest::mouseClick(okOf(dialog), Qt::LeftButton);
    });
    ASSERT_TRUE(ticked);
    EXPECT_EQ(ticked->password, QStringLiteral("counter5"));
    EXPECT_TRUE(ticked->remember);

    const auto unticked = askWhile(true, [](TPasswordDlg& dialog) {
        EXPECT_TRUE(rememberOf(dialog)->isChecked());
        QTest::keyClicks(passwordOf(dialog), QStringLiteral("new"));
        QTest::keyClick(rememberOf(dialog), Qt::Key_Space);
        QTest::keyClick(passwordOf(dialog), Qt::Key_Return);
    });
    ASSERT_TRUE(unticked);
    EXPECT_FALSE(unticked->remember);

    for (const bool escape : {false, true}) {
        EXPECT_FALSE(askWhile(false, [escape](TPasswordDlg& dialog) {
            QTest::keyClicks(passwordOf(dialog), QStringLiteral("typed"));
            if (escape)
                QTest::keyClick(passwordOf(dialog), Qt::Key_Escape);
            else
                QTest::mouseClick(cancelOf(dialog), Qt::LeftButton);
        }));
    }
    TPasswordDlg access([] { return static_cast<QWidget*>(nullptr); });
    EXPECT_EQ(access.findChild<QCheckBox*>(QStringLiteral("ChkBox_remember")), nullptr);
}

}  // namespace
