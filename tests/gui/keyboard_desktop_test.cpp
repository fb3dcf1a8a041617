// The manager by keyboard and on the desktop: Enter presses the focused
// button, the arrow keys select a row and Enter opens it, Escape closes the
// settings tools, the list masks the Wi-Fi keys and the window shows them on
// demand, "Change Settings" follows an emptied list, a new configuration
// window opens beside the last, and a message box blocks only its own window.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "config/cfg_form.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "support/quiet_main_form.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"
#include "tools/com_settings_form.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using quillmar::test::controlIn;
using quillmar::test::QuietMainForm;

namespace {

// A click delivered to the widget's window as the window system delivers it,
// so that a modal window in the way holds it back.
void clickThroughWindow(QWidget* widget)
{
    QWindow* window = widget->window()->windowHandle();
    const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
}

class KeyboardDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        programFlags().printerFamily = 2;
        form.show();
        list = controlIn<QTableView>(form, "deviceListView");
    }

    void listPrinters(int count)
    {
        for (int i = 0; i < count; ++i)
            form.addRow(
                test::kitchenPrinter("192.0.2." + std::to_string(20 + i), "00-1B-2C-3D-4E-5" + std::to_string(i)));
    }

    QList<TcfgForm*> visibleConfigWindows()
    {
        QList<TcfgForm*> visible;
        for (TcfgForm* window : form.findChildren<TcfgForm*>()) {
            if (window->isVisible())
                visible << window;
        }
        return visible;
    }

    QuietMainForm form;
    QTableView* list = nullptr;
};

// One row or two, the first arrow selects and Enter opens the row the
// keyboard is on.
TEST_F(KeyboardDesktopTest, ArrowsSelectARowAndEnterOpensItWithOneRowOrTwo)
{
    test::RecordingPrompter prompts;
    for (const int rows : {1, 2}) {
        form.deviceListModel()->clear();
        listPrinters(rows);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_TRUE(list->selectionModel()->hasSelection()) << rows;
        if (rows == 2)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        const QList<TcfgForm*> open = visibleConfigWindows();
        ASSERT_EQ(open.size(), 1) << rows;
        EXPECT_TRUE(open[0]->windowTitle().endsWith(QStringLiteral("192.0.2.%1)").arg(19 + rows)))
            << open[0]->windowTitle().toStdString();
        open[0]->close();
    }
    // A row that is current but was never selected (the list lost its
    // selection) still opens on Enter.
    list->clearSelection();
    list->setCurrentIndex(form.deviceListModel()->index(0, 0));
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Enter);
    ASSERT_EQ(visibleConfigWindows().size(), 1);
    visibleConfigWindows()[0]->close();
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(KeyboardDesktopTest, EnterPressesTheFocusedButtonInTheMainAndTheConfigurationWindow)
{
    listPrinters(1);
    test::clickItem(list, form.deviceListModel()->index(0, 2));
    auto* changeSettings = controlIn<QPushButton>(form, "Button1");
    changeSettings->setFocus();
    QTest::keyClick(changeSettings, Qt::Key_Return);
    const QList<TcfgForm*> open = visibleConfigWindows();
    ASSERT_EQ(open.size(), 1);
    auto* abort = controlIn<QPushButton>(*open[0], "abortBtn");
    abort->setFocus();
    QTest::keyClick(abort, Qt::Key_Enter);
    EXPECT_FALSE(open[0]->isVisible());
}

TEST_F(KeyboardDesktopTest, ChangeSettingsIsDisabledOnceASearchEmptiesTheList)
{
    listPrinters(2);
    auto* changeSettings = controlIn<QPushButton>(form, "Button1");
    test::clickItem(list, form.deviceListModel()->index(1, 2));
    ASSERT_TRUE(changeSettings->isEnabled());
    form.deviceListModel()->clear();  // what a search does first
    EXPECT_FALSE(changeSettings->isEnabled());
}

TEST_F(KeyboardDesktopTest, KeysAreMaskedInTheListAndShownInTheWindowOnlyOnDemand)
{
    listPrinters(1);
    const DeviceListModel* model = form.deviceListModel();
    EXPECT_EQ(model->data(model->index(0, 12), Qt::DisplayRole).toString(), QStringLiteral("********"));
    EXPECT_EQ(model->data(model->index(0, 13), Qt::DisplayRole).toString(), QStringLiteral("********"));
    EXPECT_FALSE(model->data(model->index(0, 13), Qt::ToolTipRole).toString().contains(QStringLiteral("secret")));
    EXPECT_EQ(model->data(model->index(0, 11), Qt::DisplayRole).toString(), QStringLiteral("ShopNet"));

    test::doubleClickItem(list, model->index(0, 2));
    ASSERT_EQ(visibleConfigWindows().size(), 1);
    TcfgForm& window = *visibleConfigWindows()[0];
    auto* wpa = controlIn<QLineEdit>(window, "Edit_WPAPSK");
    auto* show = controlIn<QPushButton>(window, "showKeysBtn");
    EXPECT_EQ(wpa->text(), QStringLiteral("secret-pass"));
    EXPECT_EQ(wpa->echoMode(), QLineEdit::Password);
    EXPECT_EQ(controlIn<QLineEdit>(window, "Edit_KEY")->echoMode(), QLineEdit::Password);
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_EQ(wpa->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(show->text(), QStringLiteral("Hide"));
    QTest::mouseClick(show, Qt::LeftButton);
    EXPECT_EQ(wpa->echoMode(), QLineEdit::Password);
    window.close();
}

TEST_F(KeyboardDesktopTest, ANewConfigurationWindowOpensBesideTheLastNotOnTopOfIt)
{
    listPrinters(2);
    test::doubleClickItem(list, form.deviceListModel()->index(0, 2));
    test::doubleClickItem(list, form.deviceListModel()->index(1, 2));
    const QList<TcfgForm*> open = visibleConfigWindows();
    ASSERT_EQ(open.size(), 2);
    const QRect first = open[0]->frameGeometry();
    const QRect second = open[1]->frameGeometry();
    EXPECT_NE(first.topLeft(), second.topLeft());
    // Beside it where the screen has room; a step aside where it has not.
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    if (screen.width() >= first.width() + second.width() + 8)
        EXPECT_FALSE(first.intersects(second));
    else
        EXPECT_GE(std::abs(second.left() - first.left()), 32);
    for (TcfgForm* window : open)
        window->close();
}

// The message box of one configuration window is modal to that window alone:
// the other window takes clicks while it is up.
TEST_F(KeyboardDesktopTest, AMessageInOneConfigurationWindowLeavesTheOtherUsable)
{
    listPrinters(2);
    test::doubleClickItem(list, form.deviceListModel()->index(0, 2));
    test::doubleClickItem(list, form.deviceListModel()->index(1, 2));
    const QList<TcfgForm*> open = visibleConfigWindows();
    ASSERT_EQ(open.size(), 2);
    TcfgForm& a = *open[0];
    TcfgForm& b = *open[1];
    a.moduleAddressControl()->setValue(0);  // "IP input format error !"

    bool checked = false;
    QTimer::singleShot(100, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_NE(box, nullptr);
        if (!box)
            return;
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_EQ(box->parentWidget(), &a);
        EXPECT_EQ(box->text(), QStringLiteral("IP input format error !"));
        // B answers a click that comes through the window system, as a
        // user's does; A does not while its box is up.
        auto* showB = controlIn<QPushButton>(b, "showKeysBtn");
        clickThroughWindow(showB);
        EXPECT_TRUE(showB->isChecked());
        auto* showA = controlIn<QPushButton>(a, "showKeysBtn");
        clickThroughWindow(showA);
        EXPECT_FALSE(showA->isChecked());
        checked = true;
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(controlIn<QPushButton>(a, "saveModuleBtn"), Qt::LeftButton);
    EXPECT_TRUE(checked);
    a.close();
    b.close();
}

// The COM-port tool closes on Escape; its ports point nowhere on this machine.
TEST_F(KeyboardDesktopTest, EscapeClosesTheComPortTool)
{
    for (int port = 1; port <= 9; ++port)
        qputenv(("QUILLMAR_COM" + QByteArray::number(port)).constData(), "/nonexistent/quillmar-test-port");
    test::RecordingPrompter prompts;  // the read at show fails: no such port
    auto* tree = controlIn<QTreeWidget>(form, "funcTreeView");
    test::clickTreeItem(
        tree, tree->findItems(QStringLiteral("ChangeSettingByCOMPort"), Qt::MatchExactly | Qt::MatchRecursive)[0]);
    TForm1* tool = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<TForm1*>(window); found && found->isVisible())
            tool = found;
    }
    ASSERT_NE(tool, nullptr);
    QTest::keyClick(controlIn<QLineEdit>(*tool, "Edit9"), Qt::Key_Escape);
    EXPECT_TRUE(test::waitUntil([&] { return !tool->isVisible(); }));
    for (int port = 1; port <= 9; ++port)
        qunsetenv(("QUILLMAR_COM" + QByteArray::number(port)).constData());
}

}  // namespace
