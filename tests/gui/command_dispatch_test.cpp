#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTableView>
#include <QTreeWidget>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "tools/password_dialog.h"
#include <QPushButton>
#include "config/cfg_form.h"
#include "record/program_flags.h"
#include "support/recording_prompter.h"

using namespace quillmar;

namespace {

class OneAddress final : public LocalAddressSource {
public:
    LocalAddressReading read() override { return {0, {{0xC0000201u, 2}}}; }
};

// Searches are not what these tests are about; the automatic one is kept out.
class QuietMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    void startSearch(bool, const QString&) override {}
};

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
        tree->setCurrentItem(items.first());
        form.funcTreeViewClick();
        EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Configuration"));
    }

    bool rowIsBlue(int row)
    {
        const QVariant colour = form.deviceListModel()->data(form.deviceListModel()->index(row, 1), Qt::ForegroundRole);
        return colour.isValid() && colour.value<QBrush>().color() == QColor(0, 0, 255);
    }

    OneAddress addresses;
    QuietMainForm form{nullptr, &addresses};
    QTableView* list = nullptr;
    test::RecordingPrompter prompts;
};

}  // namespace

TEST_F(CommandDispatchTest, DoubleClickOpensTheSelectedDevicesWindowAndMarksItOpen)
{
    form.deviceListViewDblClick();  // nothing selected: nothing happens
    EXPECT_TRUE(visibleConfigWindows().isEmpty());

    list->selectRow(0);
    form.deviceListViewDblClick();
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

TEST_F(CommandDispatchTest, SecondOpeningOfTheSameDeviceIsRefusedAnotherDeviceOpens)
{
    list->selectRow(0);
    form.deviceListViewDblClick();
    form.Button1Click();
    EXPECT_EQ(prompts.texts(), QStringList({"already selected"}));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(visibleConfigWindows().size(), 1);

    list->selectRow(1);
    form.Button1Click();
    EXPECT_EQ(visibleConfigWindows().size(), 2);
    EXPECT_TRUE(rowIsBlue(0));
    EXPECT_TRUE(rowIsBlue(1));
}

TEST_F(CommandDispatchTest, ClosingTheWindowReleasesTheDevice)
{
    list->selectRow(0);
    form.deviceListViewDblClick();
    TcfgForm* window = visibleConfigWindows().value(0);
    ASSERT_NE(window, nullptr);
    window->close();
    EXPECT_FALSE(rowIsBlue(0));
    EXPECT_EQ(form.isDeviceOpen("00:11:22:aa:bb:01"), 0);

    form.deviceListViewDblClick();
    EXPECT_EQ(visibleConfigWindows().size(), 1);
    EXPECT_TRUE(prompts.prompts.empty());
}

TEST_F(CommandDispatchTest, UpgradeNeedsASelectedDeviceWithoutAnOpenWindow)
{
    list->clearSelection();
    treeCommand(QStringLiteral("Upgrade"));
    EXPECT_EQ(prompts.texts(), QStringList({"please select a device first"}));

    list->selectRow(1);
    form.deviceListViewDblClick();
    treeCommand(QStringLiteral("Upgrade"));
    EXPECT_EQ(prompts.texts().last(), QStringLiteral("please exit from configuration utility"));
    EXPECT_EQ(prompts.prompts.back().title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts.back().icon, PromptIcon::Warning);
}

TEST_F(CommandDispatchTest, PasswordDialogDoesNotBringBackAWindowClosedMeanwhile)
{
    createSharedWindows();
    list->selectRow(0);
    form.deviceListViewDblClick();
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
