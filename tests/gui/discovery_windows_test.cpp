#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "support/recording_prompter.h"

using namespace quillmar;
using namespace std::chrono_literals;

namespace {

template <typename T> T* control(QWidget& window, const char* name)
{
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void pressKey(QWidget* target, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// Runs `steps` once the modal loop of `dialog` is running, then returns its result.
int execWith(QDialog& dialog, std::function<void()> steps)
{
    QTimer::singleShot(0, &dialog, std::move(steps));
    return dialog.exec();
}

}  // namespace

TEST(TudpPrgForm, CaptionControlsAndTheStartOfASearch)
{
    TudpPrgForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("progress..."));
    EXPECT_EQ(form.size(), QSize(258, 114));
    EXPECT_EQ(control<QPushButton>(form, "cancelBtn")->text(), QStringLiteral("Cancel"));
    auto* bar = control<QProgressBar>(form, "prgBar");
    EXPECT_EQ(bar->size(), QSize(225, 17));
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_EQ(kProgressClosePause, 1500ms);
    EXPECT_EQ(form.closePause(), 1500ms);

    form.setLabelText(QStringLiteral("old"));
    form.prepareForSearch();
    EXPECT_TRUE(form.labelText().isEmpty());
    EXPECT_EQ(form.barPosition(), 20);
    // The bar sits a quarter of the client height below the text's top.
    EXPECT_EQ(bar->y(), control<QLabel>(form, "prgMsg")->y() + 114 / 4);

    form.setBarPosition(95);
    form.stepBar();
    EXPECT_EQ(form.barPosition(), 5);  // past the end the bar starts over
}

TEST(TudpPrgForm, CancelDisablesItselfClosesAfterThePauseAndIsEnabledAgain)
{
    TudpPrgForm form;
    form.setClosePause(200ms);
    auto* cancel = control<QPushButton>(form, "cancelBtn");
    bool visibleDuringPause = false;
    bool enabledDuringPause = true;
    const int result = execWith(form, [&] {
        // Runs inside the close pause that the click starts.
        QTimer::singleShot(0, &form, [&] {
            visibleDuringPause = form.isVisible();
            enabledDuringPause = cancel->isEnabled();
        });
        cancel->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(visibleDuringPause);
    EXPECT_FALSE(enabledDuringPause);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(cancel->isEnabled());
}

TEST(TudpPrgForm, TheWorkersCloseOnlyClosesAVisibleWindow)
{
    TudpPrgForm form;
    form.setClosePause(0ms);
    form.closeIfVisible();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(execWith(form, [&] { form.closeIfVisible(); }), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
}

TEST(TsIPDlg, NoAddressAndTheLimitedBroadcastAreRefusedAndTheDialogStays)
{
    test::RecordingPrompter prompts;
    TsIPDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Search by Dialog"));
    EXPECT_EQ(control<QGroupBox>(dialog, "GrpBox_ip")->title(), QStringLiteral("Input IP address"));
    int stateAfterRefusal = 0;
    bool stayedOpen = false;
    const int result = execWith(dialog, [&] {
        auto* ok = control<QPushButton>(dialog, "OKBtn");
        ok->click();  // empty input reads as 0.0.0.0
        dialog.addressEdit()->setValue(0xFFFFFFFFu);
        ok->click();
        stateAfterRefusal = dialog.state();
        dialog.close();  // the title-bar close is refused while an OK is being checked
        stayedOpen = dialog.isVisible();
        control<QPushButton>(dialog, "CancelBtn")->click();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(prompts.texts(), QStringList({"invalid IP address", "invalid IP address"}));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts[0].icon, PromptIcon::Warning);
    EXPECT_EQ(stateAfterRefusal, TsIPDlg::Checking);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(dialog.state(), TsIPDlg::Cancelled);
    EXPECT_TRUE(dialog.addressText().isEmpty());
}

TEST(TsIPDlg, AValidAddressClosesWithOkAndItsDottedText)
{
    test::RecordingPrompter prompts;
    TsIPDlg dialog;
    const int result = execWith(dialog, [&] {
        dialog.addressEdit()->setValue(0xC633640Cu);
        pressKey(dialog.addressEdit()->octetEdit(3), Qt::Key_Return);  // OK is the default button
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.addressText(), QStringLiteral("198.51.100.12"));
    EXPECT_EQ(dialog.state(), TsIPDlg::Cancelled);  // every close leaves the state at 2
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST(TsIPDlg, EachShowingHasAFreshEmptyInputAndEscapeCancels)
{
    test::RecordingPrompter prompts;
    TsIPDlg dialog;
    IpAddressEdit* first = nullptr;
    execWith(dialog, [&] {
        first = dialog.addressEdit();
        first->setValue(0xC000020Au);
        control<QPushButton>(dialog, "OKBtn")->click();
    });
    EXPECT_EQ(dialog.addressText(), QStringLiteral("192.0.2.10"));

    bool blank = false;
    QRect geometry;
    const int result = execWith(dialog, [&] {
        blank = dialog.addressEdit()->isBlank();
        geometry = dialog.addressEdit()->geometry();
        control<QPushButton>(dialog, "OKBtn")->click();  // refused: state 5
        pressKey(dialog.addressEdit()->octetEdit(0), Qt::Key_Escape);
    });
    EXPECT_TRUE(blank);
    EXPECT_EQ(geometry, QRect(40, 24, 125, 21));
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_TRUE(dialog.addressText().isEmpty());
    EXPECT_EQ(prompts.texts(), QStringList({"invalid IP address"}));
}

namespace {

// A range typed into its box, by real keys: the address input is off while it
// holds text; a range that is not one is refused with the reason and the
// dialog stays; a good one closes with its text as the search takes it.
TEST(TsIPDlg, ARangeTypedReplacesTheAddressAndABadOneIsRefusedWithItsReason)
{
    test::RecordingPrompter prompts;
    TsIPDlg dialog;
    EXPECT_EQ(control<QGroupBox>(dialog, "GrpBox_range")->title(), QStringLiteral("or an address range"));
    bool addressOffWhileTyped = false;
    bool addressBackWhenEmptied = false;
    int stateAfterRefusal = 0;
    const int result = execWith(dialog, [&] {
        QLineEdit* range = control<QLineEdit>(dialog, "Edit_range");
        QTest::mouseClick(range, Qt::LeftButton);
        QTest::keyClicks(range, QStringLiteral("192.0.2.0/19"));
        addressOffWhileTyped = !dialog.addressEdit()->isEnabled();
        QTest::mouseClick(control<QPushButton>(dialog, "OKBtn"), Qt::LeftButton);
        stateAfterRefusal = dialog.state();
        range->selectAll();
        QTest::keyClick(range, Qt::Key_Backspace);
        addressBackWhenEmptied = dialog.addressEdit()->isEnabled();
        QTest::keyClicks(range, QStringLiteral("192.0.2.77/24"));
        QTest::keyClick(range, Qt::Key_Return);  // OK is the default button
    });
    EXPECT_TRUE(addressOffWhileTyped);
    EXPECT_TRUE(addressBackWhenEmptied);
    EXPECT_EQ(stateAfterRefusal, TsIPDlg::Checking);
    EXPECT_EQ(prompts.texts(), QStringList({"invalid address range: 192.0.0.0/19 holds 8192 addresses; at most 4096 "
                                            "(a /20) are searched at a time"}));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.addressText(), QStringLiteral("192.0.2.0/24"));

    // The next showing starts empty, with the address input on.
    bool emptyAndOn = false;
    execWith(dialog, [&] {
        emptyAndOn = control<QLineEdit>(dialog, "Edit_range")->text().isEmpty() && dialog.addressEdit()->isEnabled();
        control<QPushButton>(dialog, "CancelBtn")->click();
    });
    EXPECT_TRUE(emptyAndOn);
}

}  // namespace
