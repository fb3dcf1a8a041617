// The configuration window's several-printers mode, opened from the main
// window's list by real Ctrl-clicks and "Change Settings", against
// quillmar-sim modules on loopback addresses (ports 5000 and 6000, in a
// network namespace of its own): the boxes the user changes go to every
// printer in one save time, each keeping the rest of its own record, with the
// changes shown first and a verdict per printer in the result table.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "config/cfg_form.h"
#include "config/save_result_form.h"
#include "history/record_changes.h"
#include "record/program_flags.h"
#include "support/config_window_driver.h"
#include "support/fixed_wifi.h"
#include "support/quiet_main_form.h"
#include "support/recording_prompter.h"
#include "support/sample_devices.h"
#include "support/sim_fields.h"
#include "support/sim_process.h"
#include "support/state_home.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"
#include "ui/ip_address_edit.h"

using namespace quillmar;
using quillmar::test::controlIn;
using quillmar::test::QuietMainForm;

namespace {

constexpr const char* kMacA = "00-1B-2C-3D-4E-5A";
constexpr const char* kMacB = "00-1B-2C-3D-4E-5B";

DeviceEntry printer(const char* address, const char* mac, const char* name)
{
    DeviceEntry entry = test::kitchenPrinter(address, mac);
    entry.setText(DeviceField::DeviceName, name);
    return entry;
}

class SeveralPrintersWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        programFlags() = ProgramFlags{};
        programFlags().printerFamily = 2;
        TcfgForm::setPreviewBeforeSave(true);
        form.show();
        list = controlIn<QTableView>(form, "deviceListView");
    }
    void TearDown() override { TcfgForm::setPreviewBeforeSave(true); }

    // A module of quillmar-sim that restarts a second after taking a record;
    // each hears its own address alone, so two of them share port 5000.
    test::SimProcess& startModule(const DeviceEntry& record)
    {
        sims.push_back(std::make_unique<test::SimProcess>(
            test::simPath(), std::vector<std::string>{"--bind", record.text(DeviceField::IpAddress), "--module",
                                                      "address=" + record.text(DeviceField::IpAddress)
                                                          + test::simFieldsOf(record) + ",restartAfter=1"}));
        return *sims.back();
    }

    void list_(const DeviceEntry& entry) { form.addRow(entry); }

    // Kitchen (127.0.0.2) and Bar (127.0.0.3), each a module of its own,
    // listed and opened together by Ctrl-clicks: the window, or null.
    TcfgForm* openKitchenAndBar()
    {
        const DeviceEntry kitchen = printer("127.0.0.2", kMacA, "Kitchen");
        const DeviceEntry bar = printer("127.0.0.3", kMacB, "Bar");
        if (!startModule(kitchen).ready() || !startModule(bar).ready())
            return nullptr;
        list_(kitchen);
        list_(bar);
        return changeSettingsOf({0, 1});
    }

    // Ctrl-clicks the rows, then "Change Settings": the window that opened.
    TcfgForm* changeSettingsOf(std::initializer_list<int> rows)
    {
        list->clearSelection();
        for (const int row : rows) {
            const QModelIndex index = form.deviceListModel()->index(row, 2);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualRect(index).center());
        }
        const auto before = form.findChildren<TcfgForm*>().size();
        QTest::mouseClick(controlIn<QPushButton>(form, "Button1"), Qt::LeftButton);
        const QList<TcfgForm*> windows = form.findChildren<TcfgForm*>();
        if (windows.size() == before)
            return nullptr;
        TcfgForm* window = windows.last();
        window->setFleetTiming({std::chrono::milliseconds(20), std::chrono::milliseconds(1000)});
        window->setReadbackTiming({std::chrono::milliseconds(8000), std::chrono::milliseconds(300)});
        return window;
    }

    static void typeInto(QLineEdit* edit, const QString& text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    static std::string storedSsid(test::SimProcess& sim)
    {
        const auto stored = sim.lines("stored");
        return stored.empty() ? std::string() : stored.back().fields.at("ssid");
    }

    static QString cell(TsaveResultForm* table, int row, int column)
    {
        QTableWidgetItem* item = controlIn<QTableWidget>(*table, "resultTable")->item(row, column);
        return item ? item->text() : QString();
    }

    test::ScopedStateHome home;
    test::RecordingPrompter prompts;
    QuietMainForm form;
    QTableView* list = nullptr;
    std::vector<std::unique_ptr<test::SimProcess>> sims;
};

TEST_F(SeveralPrintersWindowTest, CtrlClickedRowsOpenOneWindowForWhatTheyShareTheirOwnBoxesDisabled)
{
    list_(printer("127.0.0.2", kMacA, "Kitchen"));
    DeviceEntry bar = printer("127.0.0.3", kMacB, "Bar");
    bar.setText(DeviceField::Ssid, "BarNet");
    list_(bar);
    TcfgForm* window = changeSettingsOf({0, 1});
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->severalPrinters());
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral("Configuration Utility - 2 printers")))
        << window->windowTitle().toStdString();
    for (const char* own : {"Edit_SerialNo", "Edit_mac"}) {
        EXPECT_FALSE(controlIn<QLineEdit>(*window, own)->isEnabled()) << own;
        EXPECT_TRUE(controlIn<QLineEdit>(*window, own)->text().isEmpty()) << own;
    }
    EXPECT_FALSE(window->moduleAddressControl()->isEnabled());
    EXPECT_FALSE(controlIn<QPushButton>(*window, "exportBtn")->isEnabled());
    // A box shows what every printer holds; where they differ it is blank.
    EXPECT_EQ(controlIn<QLineEdit>(*window, "Edit_SSID")->text(), QString());
    EXPECT_EQ(controlIn<QComboBox>(*window, "CmbBox_AuthMode")->currentText(), QStringLiteral("WPA2PSK"));
    EXPECT_EQ(controlIn<QLineEdit>(*window, "Edit_WPAPSK")->text(), QStringLiteral("secret-pass"));
    // Both printers are open: neither opens a second window, and the close frees both.
    EXPECT_EQ(form.isDeviceOpen(kMacA), -1);
    EXPECT_EQ(form.isDeviceOpen(kMacB), -1);
    EXPECT_EQ(changeSettingsOf({1}), nullptr);
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("already selected")});
    window->close();
    EXPECT_EQ(form.isDeviceOpen(kMacA), 0);
    EXPECT_EQ(form.isDeviceOpen(kMacB), 0);
}

TEST_F(SeveralPrintersWindowTest, AChangedSsidGoesToBothInOneSaveTimeShownFirstWithAVerdictPerRow)
{
    TcfgForm* window = openKitchenAndBar();
    ASSERT_NE(window, nullptr) << sims.back()->error;
    test::SimProcess& a = *sims[0];
    test::SimProcess& b = *sims[1];
    typeInto(controlIn<QLineEdit>(*window, "Edit_SSID"), QStringLiteral("Shop2"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);

    ASSERT_TRUE(test::waitUntil([&] { return window->resultForm() != nullptr; }, 20000));
    ASSERT_EQ(prompts.prompts.size(), 1u);
    const Prompt& question = prompts.prompts[0];
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::Yes);  // Enter goes on
    EXPECT_EQ(prompts.parents[0], window);
    EXPECT_TRUE(
        question.text.contains(QStringLiteral("Kitchen (00-1B-2C-3D-4E-5A) at 127.0.0.2:\n    SSID: ShopNet -> Shop2")))
        << question.text.toStdString();
    EXPECT_TRUE(
        question.text.contains(QStringLiteral("Bar (00-1B-2C-3D-4E-5B) at 127.0.0.3:\n    SSID: ShopNet -> Shop2")));
    EXPECT_TRUE(question.text.contains(QStringLiteral("2 of 2 printers in one save time")));

    TsaveResultForm* result = window->resultForm();
    EXPECT_EQ(controlIn<QTableWidget>(*result, "resultTable")->rowCount(), 2);
    EXPECT_EQ(cell(result, 0, 0), QStringLiteral("Kitchen"));
    EXPECT_EQ(cell(result, 0, 1), QLatin1String(kMacA));
    EXPECT_EQ(cell(result, 0, 3), QStringLiteral("confirmed"));
    EXPECT_EQ(cell(result, 1, 0), QStringLiteral("Bar"));
    EXPECT_EQ(cell(result, 1, 3), QStringLiteral("confirmed"));
    EXPECT_EQ(controlIn<QLabel>(*window, "Label53")->text(), QStringLiteral("Save to Module OK"));
    // Each printer kept its own name and address; both took the SSID.
    ASSERT_EQ(storedSsid(a), "Shop2");
    ASSERT_EQ(storedSsid(b), "Shop2");
    EXPECT_EQ(a.lines("stored").back().fields.at("ip"), "127.0.0.2");
    EXPECT_EQ(b.lines("stored").back().fields.at("ip"), "127.0.0.3");
    // One save time: the two records went out within one tick of each other.
    const long long gap = std::llabs(std::stoll(a.lines("request", "kind", "save-record").back().fields.at("t"))
                                     - std::stoll(b.lines("request", "kind", "save-record").back().fields.at("t")));
    EXPECT_LT(gap, 1000) << gap;

    // Both are read back once they have restarted.
    ASSERT_TRUE(test::waitUntil([&] { return cell(result, 1, 4).startsWith(QStringLiteral("verified")); }, 15000))
        << cell(result, 1, 4).toStdString();
    EXPECT_TRUE(cell(result, 0, 4).startsWith(QStringLiteral("verified at 127.0.0.2")));
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 2);
    for (const QJsonObject& line : audit) {
        EXPECT_EQ(line.value("operation").toString(), QStringLiteral("window save"));
        EXPECT_EQ(line.value("verdict").toString(), QStringLiteral("confirmed"));
        EXPECT_FALSE(line.value("backup").toString().isEmpty());
    }
    result->close();
}

TEST_F(SeveralPrintersWindowTest, AnotherPrinterAtARowsAddressIsRefusedASilentOneHasNoAnswerTheThirdIsSaved)
{
    const DeviceEntry kitchen = printer("127.0.0.2", kMacA, "Kitchen");
    test::SimProcess& a = startModule(kitchen);
    // Listed as B, but a stranger answers there now.
    test::SimProcess& stranger = startModule(printer("127.0.0.3", "00-1B-2C-3D-4E-99", "Stranger"));
    ASSERT_TRUE(a.ready() && stranger.ready());
    list_(kitchen);
    list_(printer("127.0.0.3", kMacB, "Bar"));
    list_(printer("127.0.0.4", "00-1B-2C-3D-4E-5C", "Gone"));
    TcfgForm* window = changeSettingsOf({0, 1, 2});
    ASSERT_NE(window, nullptr);
    typeInto(controlIn<QLineEdit>(*window, "Edit_SSID"), QStringLiteral("Shop3"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return window->resultForm() != nullptr; }, 20000));

    // The question names what will not be saved, and why.
    ASSERT_FALSE(prompts.prompts.empty());
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("1 of 3 printers")));
    EXPECT_TRUE(prompts.prompts[0].text.contains(
        QStringLiteral("Bar (00-1B-2C-3D-4E-5B) at 127.0.0.3: another printer (MAC 00-1B-2C-3D-4E-99) answers at "
                       "127.0.0.3")))
        << prompts.prompts[0].text.toStdString();
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("Gone (00-1B-2C-3D-4E-5C) at 127.0.0.4: no answer")));
    TsaveResultForm* result = window->resultForm();
    EXPECT_EQ(cell(result, 0, 3), QStringLiteral("confirmed"));
    EXPECT_TRUE(cell(result, 1, 3).startsWith(QStringLiteral("refused: another printer")))
        << cell(result, 1, 3).toStdString();
    EXPECT_EQ(cell(result, 2, 3), QStringLiteral("no answer"));
    EXPECT_EQ(storedSsid(a), "Shop3");
    EXPECT_TRUE(stranger.lines("request", "kind", "save-header").empty());
    EXPECT_EQ(controlIn<QLabel>(*window, "Label53")->text(), QStringLiteral("Save to Module: 1 of 3 confirmed"));
    // Every printer the user went on with has its line in the log.
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 3);
    QStringList verdicts;
    for (const QJsonObject& line : audit)
        verdicts << line.value("verdict").toString();
    EXPECT_TRUE(verdicts.contains(QStringLiteral("confirmed")));
    EXPECT_TRUE(verdicts.contains(QStringLiteral("no answer")));
    result->close();
}

TEST_F(SeveralPrintersWindowTest, AWifiKeyForSeveralIsAskedForWithThePreviewOffAndNoSendsNothing)
{
    TcfgForm* window = openKitchenAndBar();
    ASSERT_NE(window, nullptr) << sims.back()->error;
    test::SimProcess& a = *sims[0];
    test::SimProcess& b = *sims[1];
    auto* preview = controlIn<QCheckBox>(*window, "ChkBox_preview");
    ASSERT_TRUE(preview->isChecked());
    QTest::mouseClick(preview, Qt::LeftButton);
    EXPECT_FALSE(TcfgForm::previewBeforeSave());
    typeInto(controlIn<QLineEdit>(*window, "Edit_WPAPSK"), QStringLiteral("new-passphrase"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !prompts.prompts.empty(); }, 10000));
    const Prompt& question = prompts.prompts[0];
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);
    EXPECT_TRUE(question.text.contains(QStringLiteral("The Wi-Fi key goes to every printer listed above.")));
    EXPECT_TRUE(question.text.contains(QStringLiteral("Kitchen (00-1B-2C-3D-4E-5A)")));
    EXPECT_TRUE(question.text.contains(QStringLiteral("Bar (00-1B-2C-3D-4E-5B)")));
    // The key itself is never shown.
    EXPECT_FALSE(question.text.contains(QStringLiteral("new-passphrase")));
    EXPECT_TRUE(question.text.contains(
        QStringLiteral("WPAPSK: %1 -> %2").arg(maskedKey("secret-pass"), maskedKey("new-passphrase"))))
        << question.text.toStdString();
    ASSERT_TRUE(test::waitUntil([&] { return controlIn<QPushButton>(*window, "saveModuleBtn")->isEnabled(); }));
    EXPECT_TRUE(a.lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(b.lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(home.auditEntries().isEmpty());
    EXPECT_EQ(window->resultForm(), nullptr);
}

// A network this PC's Wi-Fi does not see is asked about once for all the
// printers, No by default: on No nothing goes out; on Yes both take it, and
// each proves it with a slip at its own address.
TEST_F(SeveralPrintersWindowTest, AnSsidThisPcDoesNotSeeGoesToSeveralOnlyOnYesAndEachPrintsItsSlip)
{
    form.setWifiSurveyor(test::seeing({test::wpa2AesPoint("ShopNet")}));
    TcfgForm* window = openKitchenAndBar();
    ASSERT_NE(window, nullptr) << sims.back()->error;
    test::SimProcess& a = *sims[0];
    test::SimProcess& b = *sims[1];
    typeInto(controlIn<QLineEdit>(*window, "Edit_SSID"), QStringLiteral("Shop9"));
    QTest::mouseClick(controlIn<QCheckBox>(*window, "ChkBox_slip"), Qt::LeftButton);
    auto* save = controlIn<QPushButton>(*window, "saveModuleBtn");

    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return !prompts.prompts.empty() && save->isEnabled(); }, 10000));
    const Prompt question = prompts.prompts[0];
    EXPECT_EQ(question.defaultAnswer, PromptAnswer::No);
    EXPECT_EQ(question.text.count(QStringLiteral("Wi-Fi: SSID Shop9 is not seen by this PC's Wi-Fi (seen: ShopNet)")),
              2)
        << question.text.toStdString();
    EXPECT_TRUE(question.text.endsWith(QStringLiteral("Send anyway?")));
    EXPECT_TRUE(a.lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(b.lines("request", "kind", "save-header").empty());
    EXPECT_EQ(window->resultForm(), nullptr);

    prompts.answers = {PromptAnswer::Yes};
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_TRUE(test::waitUntil([&] { return a.lines("print-job").size() + b.lines("print-job").size() == 2; }, 20000))
        << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(storedSsid(a), "Shop9");
    EXPECT_EQ(storedSsid(b), "Shop9");
    for (auto [sim, address, name] :
         {std::tuple{&a, "127.0.0.2:9100", "Kitchen"}, std::tuple{&b, "127.0.0.3:9100", "Bar"}}) {
        const auto jobs = sim->lines("print-job");
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0].fields.at("to"), address);
        EXPECT_NE(jobs[0].fields.at("text").find(std::string("Device:%20") + name), std::string::npos)
            << jobs[0].fields.at("text");
        EXPECT_NE(jobs[0].fields.at("text").find("SSID:%20Shop9"), std::string::npos);
    }
    window->resultForm()->close();
}

}  // namespace
