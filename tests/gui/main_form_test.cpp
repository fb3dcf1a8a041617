#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "config/cfg_form.h"
#include "record/program_flags.h"
#include "support/fixed_addresses.h"
#include "support/recording_host_tables.h"
#include "support/recording_prompter.h"
#include "support/tab_order.h"
#include "support/view_clicks.h"

using namespace quillmar;

namespace {

class CountingMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    int searches = 0;
    void startSearch(bool broadcast, const QString& address) override
    {
        EXPECT_TRUE(broadcast);
        EXPECT_TRUE(address.isEmpty());
        ++searches;
    }
};

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        source.reading.addresses = {{0xC0000201u, 2}, {0xC6336401u, 3}};
    }

    template <typename T> T* control(TmainForm& form, const char* name)
    {
        T* found = form.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QStringList treeTexts(TmainForm& form)
    {
        QStringList texts;
        auto* tree = control<QTreeWidget>(form, "funcTreeView");
        QTreeWidgetItem* root = tree->topLevelItem(0);
        texts << root->text(0);
        for (int i = 0; i < root->childCount(); ++i)
            texts << root->child(i)->text(0);
        return texts;
    }

    void clickTreeItem(TmainForm& form, const QString& text)
    {
        auto* tree = control<QTreeWidget>(form, "funcTreeView");
        const auto items = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        test::clickTreeItem(tree, items.first());
    }

    QString logText(TmainForm& form) { return control<QPlainTextEdit>(form, "msgMemo")->toPlainText(); }

    static DeviceEntry device(const char* mac)
    {
        DeviceEntry entry;
        entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
        entry.setText(DeviceField::MacAddress, mac);
        entry.setText(DeviceField::IpAddress, "192.0.2.50");
        entry.setText(DeviceField::WpaPsk, std::string(72, 'w'));
        return entry;
    }

    test::FixedAddresses source;
    test::RecordingPrompter prompts;
};

}  // namespace

TEST_F(MainFormTest, UnreadableAddressTableLeavesTheNetworkUnready)
{
    source.reading = {13, {}};
    CountingMainForm form(nullptr, &source);
    form.show();
    EXPECT_FALSE(form.networkReady());
    EXPECT_EQ(logText(form), QStringLiteral("GetIpAddrTable failed, 13"));
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_EQ(prompts.prompts[0].text, QStringLiteral("get local ip failed"));
    EXPECT_EQ(prompts.prompts[0].title, QStringLiteral("Error"));
    EXPECT_EQ(prompts.prompts[0].icon, PromptIcon::Warning);
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());

    clickTreeItem(form, QStringLiteral("Broadcast"));
    clickTreeItem(form, QStringLiteral("Search by IP"));
    EXPECT_EQ(prompts.texts().mid(1),
              QStringList({"some error occur during network startup", "some error occur during network startup"}));
    EXPECT_EQ(form.searches, 0);
}

TEST_F(MainFormTest, NoIpv4AddressIsReportedAndNoSearchStarts)
{
    source.reading = {0, {}};
    CountingMainForm form(nullptr, &source);
    form.show();
    EXPECT_FALSE(form.networkReady());
    EXPECT_EQ(logText(form), QStringLiteral("no valid host ip"));
    EXPECT_EQ(prompts.texts(), QStringList({"get local ip failed"}));
    EXPECT_FALSE(control<QTimer>(form, "Timer1")->isActive());
    form.Timer1Timer();  // even a stray tick would be a single search
    EXPECT_EQ(form.searches, 1);
}

TEST_F(MainFormTest, KeepsTheFirstThirtyTwoAddressesWithTheirInterfaces)
{
    source.reading.addresses.clear();
    for (unsigned i = 0; i < 40; ++i)
        source.reading.addresses.push_back({0xC0000200u + i, i + 1});
    TmainForm form(nullptr, &source);
    form.show();
    ASSERT_TRUE(form.networkReady());
    ASSERT_EQ(form.localAddressTable().size(), 32u);
    EXPECT_EQ(form.localAddressTable()[31].address, 0xC0000200u + 31);
    EXPECT_EQ(form.localAddressTable()[31].interfaceIndex, 32u);
    EXPECT_TRUE(prompts.prompts.empty());
    EXPECT_TRUE(logText(form).isEmpty());
}

TEST_F(MainFormTest, FirstShowBuildsTheTreeForTheUsbFamilyAndArmsOneSearch)
{
    programFlags().usbToolFlag = 1;
    CountingMainForm form(nullptr, &source);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillmar LAN / WI-FI POS Printer Manager  v1.12"));
    EXPECT_EQ(treeTexts(form),
              QStringList({"Configuration", "Broadcast", "Search by IP", "History", "ChangeSettingByUSB"}));
    EXPECT_EQ(form.defaultModelName(), "RX4100 WI-FI");

    auto* timer = control<QTimer>(form, "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    form.Timer1Timer();
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(form.searches, 1);

    // Wide enough for every column beside the tree, as far as the screen lets
    // it; never narrower than laid out unless the screen is.
    int columns = 0;
    for (int column = 0; column < 14; ++column)
        columns += control<QTableView>(form, "deviceListView")->columnWidth(column);
    const QSize room = QGuiApplication::primaryScreen()->availableGeometry().size() - QSize(16, 40);
    EXPECT_EQ(form.height(), std::min(418, room.height()));
    if (room.width() >= 176 + columns + 40)
        EXPECT_GE(form.width(), 176 + columns);
    else
        EXPECT_EQ(form.width(), room.width());
}

TEST_F(MainFormTest, ComPortFamilyCaptionAndLastItem)
{
    programFlags().usbToolFlag = 0;
    TmainForm form(nullptr, &source);
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillmar LAN / WI-FI POS Printer Manager  v1.10"));
    EXPECT_EQ(treeTexts(form).last(), QStringLiteral("ChangeSettingByCOMPort"));
}

TEST_F(MainFormTest, TreeCommandsReselectTheRoot)
{
    CountingMainForm form(nullptr, &source);
    form.show();
    clickTreeItem(form, QStringLiteral("Broadcast"));
    clickTreeItem(form, QStringLiteral("Broadcast"));
    EXPECT_EQ(form.searches, 2);
    EXPECT_EQ(control<QTreeWidget>(form, "funcTreeView")->currentItem()->text(0), QStringLiteral("Configuration"));
}

// Columns start wide enough for a full MAC, a 16-character device name and
// their whole captions, in the window's own font; a bigger window goes to the
// list, and the tree is as wide as its items.
TEST_F(MainFormTest, TheListIsReadableAndGrowsWithTheWindow)
{
    TmainForm form(nullptr, &source);
    form.show();
    auto* list = control<QTableView>(form, "deviceListView");
    ASSERT_EQ(list->model()->columnCount(), 14);
    EXPECT_EQ(list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Number"));
    EXPECT_EQ(list->model()->headerData(13, Qt::Horizontal).toString(), QStringLiteral("WPAPSK"));
    const QFontMetrics metrics(list->font());
    EXPECT_GT(list->columnWidth(3), metrics.horizontalAdvance(QStringLiteral("00-1F-7C-00-00-00")) + 6);
    EXPECT_GT(list->columnWidth(2), metrics.horizontalAdvance(QStringLiteral("DEVICE-NAME-16CH")) + 6);
    for (int column = 0; column < 14; ++column) {
        const QString caption = list->model()->headerData(column, Qt::Horizontal).toString();
        EXPECT_GT(list->columnWidth(column), metrics.horizontalAdvance(caption) + 6) << caption.toStdString();
        EXPECT_GE(list->columnWidth(column), DeviceListModel::columnWidth(column));
    }

    auto* tree = control<QTreeWidget>(form, "funcTreeView");
    auto* log = control<QPlainTextEdit>(form, "msgMemo");
    const int treeWidth = tree->width();
    EXPECT_GT(treeWidth, metrics.horizontalAdvance(QStringLiteral("ChangeSettingByCOMPort")) + 2 * 19);
    EXPECT_LT(treeWidth, 326);  // no wider than its items need
    const int listWidth = list->width();
    const int logHeight = log->height();
    const int formWidth = form.width();
    EXPECT_LT(form.minimumWidth(), form.maximumWidth());
    form.resize(1366, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(tree->width(), treeWidth);
    EXPECT_EQ(log->height(), logHeight);
    EXPECT_EQ(list->width(), listWidth + 1366 - formWidth);
    int columns = 0;
    for (int column = 0; column < 14; ++column)
        columns += list->columnWidth(column);
    EXPECT_LE(columns, list->viewport()->width());  // every column shows once the window is this wide
}

// Enter or Space runs a tree item; Enter on a row opens its configuration window.
TEST_F(MainFormTest, TheKeyboardRunsTreeItemsAndOpensARow)
{
    CountingMainForm form(nullptr, &source);
    form.show();
    auto* tree = control<QTreeWidget>(form, "funcTreeView");
    tree->setFocus();
    tree->setCurrentItem(tree->findItems(QStringLiteral("Broadcast"), Qt::MatchExactly | Qt::MatchRecursive)[0]);
    QTest::keyClick(tree, Qt::Key_Return);
    QTest::keyClick(tree, Qt::Key_Space);
    EXPECT_EQ(form.searches, 2);
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("Broadcast"));  // the keyboard stays there

    form.addRow(device("00:11:22:33:44:01"));
    auto* list = control<QTableView>(form, "deviceListView");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_TRUE(list->selectionModel()->hasSelection());
    QTest::keyClick(list, Qt::Key_Return);
    auto* window = form.findChild<TcfgForm*>();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" 192.0.2.50")));
    EXPECT_EQ(form.isDeviceOpen("00:11:22:33:44:01"), -1);
    window->close();
    // Tab passes through the list and the log, not along their cells.
    EXPECT_EQ(test::tabStops(&form, tree, 4), QStringList({"funcTreeView", "deviceListView", "msgMemo", "Button1"}));
}

TEST_F(MainFormTest, RowsAreNumberedAndOpenDevicesAreBlueUntilClosed)
{
    TmainForm form(nullptr, &source);
    form.show();
    form.addRow(device("00:11:22:33:44:01"));
    form.addRow(device("00:11:22:33:44:01"));
    form.addRow(device("00:11:22:33:44:02"));
    auto* model = form.deviceListModel();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->cellText(1, 0), QStringLiteral("2"));
    EXPECT_EQ(model->cellText(1, 3), QStringLiteral("00:11:22:33:44:02"));
    EXPECT_EQ(model->cellText(0, 13), QString(72, QLatin1Char('w')));

    const QModelIndex second = model->index(1, 5);
    EXPECT_FALSE(model->data(second, Qt::ForegroundRole).isValid());
    EXPECT_EQ(form.markDeviceOpen("00:11:22:33:44:02", true), 0);
    EXPECT_EQ(form.isDeviceOpen("00:11:22:33:44:02"), -1);
    EXPECT_EQ(model->data(second, Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    EXPECT_FALSE(model->data(model->index(0, 5), Qt::ForegroundRole).isValid());
    EXPECT_EQ(form.markDeviceOpen("00:11:22:33:44:02", true), -1);

    EXPECT_EQ(form.markDeviceOpen("00:11:22:33:44:02", false), 0);
    EXPECT_EQ(form.isDeviceOpen("00:11:22:33:44:02"), 0);
    EXPECT_FALSE(model->data(second, Qt::ForegroundRole).isValid());
}

// A record whose MAC is not the card the PC's neighbour table knows at its
// sender's address is a stranger's claim: its row is marked as a MAC claimed
// twice is, with the reason one hover away. A sender the table agrees with,
// or one it holds nothing for, is not.
TEST_F(MainFormTest, ARecordWhoseMacIsNotItsSendersIsMarkedAsAMacClaimedTwice)
{
    test::RecordingHostTables tables;
    tables.setNeighbour(htonl(0xC0000232u), {0x00, 0x11, 0x22, 0x33, 0x44, 0x99}, 2);  // 192.0.2.50
    tables.setNeighbour(htonl(0xC0000233u), {0x00, 0x11, 0x22, 0x33, 0x44, 0x02}, 2);  // 192.0.2.51
    TmainForm form(nullptr, &source);
    form.setHostTables(&tables);
    form.show();
    const auto at = [](const char* mac, const char* address) {
        DeviceEntry entry = device(mac);
        entry.setText(DeviceField::IpAddress, address);
        return entry;
    };
    form.addRow(at("00:11:22:33:44:01", "192.0.2.50"));  // the card there is ...:99
    form.addRow(at("00:11:22:33:44:02", "192.0.2.51"));  // its own card
    form.addRow(at("00:11:22:33:44:03", "192.0.2.52"));  // not in the table: not checked
    form.addRow(at("00:11:22:33:44:03", "192.0.2.53"));  // one MAC from two addresses
    auto* model = form.deviceListModel();
    ASSERT_EQ(model->rowCount(), 4);
    const auto colour = [model](int row) { return model->data(model->index(row, 3), Qt::ForegroundRole); };
    const auto tip = [model](int row) { return model->data(model->index(row, 3), Qt::ToolTipRole).toString(); };

    ASSERT_TRUE(colour(0).isValid());
    EXPECT_EQ(colour(0), colour(3));  // the warning colour of a MAC claimed twice
    EXPECT_TRUE(tip(0).contains(QStringLiteral("MAC does not match its sender: 192.0.2.50 answers as MAC "
                                               "00:11:22:33:44:01, its network card is 00-11-22-33-44-99")))
        << tip(0).toStdString();
    EXPECT_FALSE(colour(1).isValid());
    EXPECT_FALSE(tip(1).contains(QStringLiteral("sender")));
    EXPECT_FALSE(tip(2).contains(QStringLiteral("sender")));
    EXPECT_TRUE(tip(3).contains(QStringLiteral("only one of them is that printer")));
    // A new search forgets the mark with the rows.
    model->clear();
    form.addRow(at("00:11:22:33:44:02", "192.0.2.51"));
    EXPECT_FALSE(colour(0).isValid());
}

TEST_F(MainFormTest, ChangeSettingsFollowsTheSelectionAndAClickBesideTheRowsClearsIt)
{
    TmainForm form(nullptr, &source);
    form.show();
    form.addRow(device("00:11:22:33:44:01"));
    form.addRow(device("00:11:22:33:44:02"));
    auto* button = control<QPushButton>(form, "Button1");
    auto* list = control<QTableView>(form, "deviceListView");
    EXPECT_FALSE(button->isEnabled());
    test::clickItem(list, form.deviceListModel()->index(1, 2));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(list->selectionModel()->selectedRows().value(0).row(), 1);

    test::clickBesideTheItems(list);
    EXPECT_FALSE(list->selectionModel()->hasSelection());
    EXPECT_FALSE(button->isEnabled());

    test::clickItem(list, form.deviceListModel()->index(0, 5));
    EXPECT_TRUE(button->isEnabled());
}
