#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>
#include <QTreeWidget>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/quiet_main_form.h"
#include "support/recording_prompter.h"
#include "support/view_clicks.h"
#include "tools/password_dialog.h"
#include <QPushButton>

using namespace quillmar;
using quillmar::test::QuietMainForm;

namespace {

class CommandDispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        form.show();
        form.addRow(device("00:11:22:aa:bb:01", "192.0.2.50"));
        form.addRow(device("00:11:22:AA:BB:02", "198.51.100.7"));
        list = form.findChild<QTableView*>(QStringLiteral("deviceListView"));
    }

    static DeviceEntry device(const char* mac, const char* ip)
    {
        DeviceEntry entry;
        entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
        entry.setText(DeviceField::DeviceName, "Counter-1");
        entry.setText(DeviceField::MacAddress, mac);
        entry.setText(DeviceField::IpAddress, ip);
        entry.setText(DeviceField::IpMode, "STATIC");
        entry.setText(DeviceField::WifiMode, "Infra");
        entry.setText(DeviceField::AuthMode, "WPA2PSK");
        entry.setText(DeviceField::EncryType, "AES");
        entry.setText(DeviceField::Ssid, "shopfloor");
        return entry;
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

    void treeCommand(const QString& text)
    {
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
        auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        if (items.isEmpty())  // "Upgrade" appears only after a search
            items << new QTreeWidgetItem(tree->topLevelItem(0), {text});
        test::clickTreeItem(tree, items.first());
        EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Configuration"));
    }

    QModelIndex row(int number) { return form.deviceListModel()->index(number, 2); }
    void pressChangeSettings()
    {
        QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("Button1")), Qt::LeftButton);
    }

    bool rowIsBlue(int row)
    {
        const QVariant colour = form.deviceListModel()->data(form.deviceListModel()->index(row, 1), Qt::ForegroundRole);
        return colour.isValid() && colour.value<QBrush>().color() == QColor(0, 0, 255);
    }

    test::FixedAddresses addresses{{0xC0000201u, 2}};
    QuietMainForm form{nullptr, &addresses};
    QTableView* list = nullptr;
    test::RecordingPrompter prompts;
};

}  // namespace

TEST_F(CommandDispatchTest, DoubleClickOpensTheSelectedDevicesWindowAndMarksItOpen)
{
    test::doubleClickItem(list, row(0));
    const auto windows = visibleConfigWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0]->openedMacAddress(), "00:11:22:aa:bb:01");
    EXPECT_EQ(windows[0]->findChild<QLineEdit*>(QStringLiteral("Edit_SSID"))->text(), QStringLiteral("shopfloor"));
    // The block handed over is the slot's record with a zeroed extended area.
    EXPECT_EQ(windows[0]->configBlock().entry().text(DeviceField::IpAddress), "192.0.2.50");
    for (std::size_t i = kDeviceEntrySize; i < ConfigBlock::size(); ++i)
        ASSERT_EQ(windows[0]->configBlock().data()[i], '\0') << i;
    EXPECT_TRUE(rowIsBlue(0));
    EXPECT_FALSE(rowIsBlue(1));
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(CommandDispatchTest, WithNothingSelectedNothingOpens)
{
    test::doubleClickItem(list, row(0));
    ASSERT_EQ(visibleConfigWindows().size(), 1);
    visibleConfigWindows().value(0)->close();
    test::clickBesideTheItems(list);
    form.Button1Click();  // disabled for a user; nothing selected either way
    test::doubleClickAt(list->viewport(), test::besideTheItems(list));
    EXPECT_TRUE(visibleConfigWindows().isEmpty());
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(CommandDispatchTest, SecondOpeningOfTheSameDeviceIsRefusedAnotherDeviceOpens)
{
    test::doubleClickItem(list, row(0));
    pressChangeSettings();
    ASSERT_EQ(prompts.texts(), QStringList({"already selected"}));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(visibleConfigWindows().size(), 1);

    test::clickItem(list, row(1));
    pressChangeSettings();
    EXPECT_EQ(visibleConfigWindows().size(), 2);
    EXPECT_TRUE(rowIsBlue(0));
    EXPECT_TRUE(rowIsBlue(1));
}

TEST_F(CommandDispatchTest, ClosingTheWindowReleasesTheDevice)
{
    test::doubleClickItem(list, row(0));
    TcfgForm* window = visibleConfigWindows().value(0);
    ASSERT_NE(window, nullptr);
    window->close();
    EXPECT_FALSE(rowIsBlue(0));
    EXPECT_EQ(form.isDeviceOpen("00:11:22:aa:bb:01"), 0);

    pressChangeSettings();
    EXPECT_EQ(visibleConfigWindows().size(), 1);
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(CommandDispatchTest, UpgradeNeedsASelectedDeviceWithoutAnOpenWindow)
{
    list->clearSelection();
    treeCommand(QStringLiteral("Upgrade"));
    EXPECT_EQ(prompts.texts(), QStringList({"please select a device first"}));

    test::doubleClickItem(list, row(1));
    treeCommand(QStringLiteral("Upgrade"));
    EXPECT_EQ(prompts.texts().last(), QStringLiteral("please exit from configuration utility"));
    EXPECT_EQ(prompts.prompts.back().title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts.back().icon, PromptIcon::Warning);
}

TEST_F(CommandDispatchTest, PasswordDialogDoesNotBringBackAWindowClosedMeanwhile)
{
    createSharedWindows();
    test::doubleClickItem(list, row(0));
    TcfgForm* window = visibleConfigWindows().value(0);
    ASSERT_NE(window, nullptr);
    window->CmbBox_ipcfgDblClick();
    TPasswordDlg* dialog = sharedWindows().PasswordDlg;
    ASSERT_TRUE(dialog->isVisible());
    window->close();

    dialog->findChild<QLineEdit*>(QStringLiteral("Password"))->setText(QStringLiteral("qed24680"));
    dialog->findChild<QPushButton*>(QStringLiteral("OKBtn"))->click();
    EXPECT_EQ(prompts.texts(), QStringList({"Password correct !!"}));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(form.isDeviceOpen("00:11:22:aa:bb:01"), 0);
}

// MAC texts are compared as the record's bytes everywhere, so a MAC byte at or
// above 0x80 is found again by each open-window check and by the colouring.
TEST_F(CommandDispatchTest, AMacByteAbove0x7FIsLookedUpAsStored)
{
    const std::string mac = "00:11:22:33:44:5\xC4";
    form.addRow(device(mac.c_str(), "192.0.2.60"));
    test::doubleClickItem(list, row(2));
    TcfgForm* window = visibleConfigWindows().value(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->openedMacAddress(), mac);
    EXPECT_EQ(form.isDeviceOpen(mac), -1);
    EXPECT_TRUE(rowIsBlue(2));

    treeCommand(QStringLiteral("Upgrade"));
    pressChangeSettings();
    EXPECT_EQ(prompts.texts(), QStringList({"please exit from configuration utility", "already selected"}));

    window->close();
    EXPECT_EQ(form.isDeviceOpen(mac), 0);
    EXPECT_FALSE(rowIsBlue(2));
}
