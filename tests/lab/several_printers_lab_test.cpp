// The manager in the lab, by real clicks and the real save timing: two listed
// printers Ctrl-clicked, "Change Settings", a new SSID saved to both in one
// save time, the result table naming both; the History window then lists both
// writes, and Restore of one puts its old SSID back into the simulator once
// the user confirmed it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

#include "config/save_result_form.h"
#include "history/history_form.h"
#include "lab/manager_lab.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

constexpr const char* kSecondModule = "192.0.2.30";
constexpr const char* kSecondMac = "00-1F-7C-00-02-15";

class SeveralPrintersLabTest : public ManagerLabTest {
protected:
    void SetUp() override
    {
        ManagerLabTest::SetUp();
        if (!labIsUp())
            return;
        // The second printer's card carries its MAC, as the first's does.
        ASSERT_TRUE(lab->addHost("mb", 'a', {std::string(kSecondModule) + "/24@" + kSecondMac})) << lab->error;
    }

    static QString cell(QTableWidget* table, int row, int column)
    {
        QTableWidgetItem* item = table->item(row, column);
        return item ? item->text() : QString();
    }

    static std::string storedSsid(SimProcess& module)
    {
        const auto stored = module.lines("stored");
        return stored.empty() ? std::string() : stored.back().fields.at("ssid");
    }
};

TEST_F(SeveralPrintersLabTest, TwoPrintersGetOneSsidInOneSaveTimeAndRestoreOfOnePutsItsOldSsidBack)
{
    // Both are silent for 33 seconds after a save: past the probe, and back for the read-back.
    SimProcess& a = startModule("restartAfter=33");
    SimProcess& b = lab->startSim(
        "mb", {"--module", std::string("address=") + kSecondModule
                               + ",deviceName=LAB-30,ssid=LabNet,restartAfter=33,macAddress=" + kSecondMac});
    ASSERT_TRUE(a.ready() && b.ready()) << a.error << b.error;
    RecordingPrompter prompts;
    ScopedStateHome home;
    enterPc();
    ASSERT_FALSE(HasFatalFailure());
    createSharedWindows();
    mainForm = std::make_unique<TmainForm>();
    mainForm->show();
    ASSERT_TRUE(
        waitUntil([&] { return !mainForm->searching() && mainForm->deviceListModel()->rowCount() == 2; }, 60000));

    auto* list = controlIn<QTableView>(*mainForm, "deviceListView");
    for (int row = 0; row < 2; ++row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list->visualRect(mainForm->deviceListModel()->index(row, 2)).center());
    }
    QTest::mouseClick(controlIn<QPushButton>(*mainForm, "Button1"), Qt::LeftButton);
    auto* window = mainForm->findChild<TcfgForm*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->severalPrinters());
    window->setReadbackTiming({std::chrono::seconds(30), std::chrono::seconds(1)});
    auto* ssid = controlIn<QLineEdit>(*window, "Edit_SSID");
    EXPECT_EQ(ssid->text(), QStringLiteral("LabNet"));
    ssid->setFocus();
    ssid->selectAll();
    QTest::keyClicks(ssid, QStringLiteral("Shop2"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);

    // About half a minute: both records went out within one tick of each other.
    ASSERT_TRUE(waitUntil([&] { return window->resultForm() != nullptr; }, 90000));
    ASSERT_EQ(prompts.prompts.size(), 1u);
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("2 of 2 printers in one save time")))
        << prompts.prompts[0].text.toStdString();
    auto* table = controlIn<QTableWidget>(*window->resultForm(), "resultTable");
    ASSERT_EQ(table->rowCount(), 2);
    QStringList names{cell(table, 0, 0), cell(table, 1, 0)};
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("LAB-20"), QStringLiteral("LAB-30")}));
    EXPECT_EQ(cell(table, 0, 3), QStringLiteral("confirmed"));
    EXPECT_EQ(cell(table, 1, 3), QStringLiteral("confirmed"));
    ASSERT_EQ(storedSsid(a), "Shop2");
    ASSERT_EQ(storedSsid(b), "Shop2");
    const long long apart = std::llabs(std::stoll(a.lines("request", "kind", "save-record").back().fields.at("t"))
                                       - std::stoll(b.lines("request", "kind", "save-record").back().fields.at("t")));
    EXPECT_LT(apart, 1000);
    ASSERT_TRUE(waitUntil([&] { return cell(table, 1, 4).startsWith(QStringLiteral("verified")); }, 40000))
        << cell(table, 1, 4).toStdString();
    EXPECT_TRUE(cell(table, 0, 4).startsWith(QStringLiteral("verified")));
    window->resultForm()->close();
    window->close();

    // The History window lists both writes.
    auto* tree = controlIn<QTreeWidget>(*mainForm, "funcTreeView");
    clickTreeItem(tree, tree->findItems(QStringLiteral("History"), Qt::MatchExactly | Qt::MatchRecursive)[0]);
    THistoryForm* history = mainForm->historyWindow();
    ASSERT_NE(history, nullptr);
    history->setReadbackTiming({std::chrono::seconds(30), std::chrono::seconds(1)});
    auto* writes = controlIn<QTableWidget>(*history, "historyTable");
    ASSERT_EQ(writes->rowCount(), 2);
    int rowOfA = -1;
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(cell(writes, row, 1), QStringLiteral("window save"));
        EXPECT_EQ(cell(writes, row, 3), QStringLiteral("SSID: LabNet -> Shop2"));
        EXPECT_EQ(cell(writes, row, 4), QStringLiteral("confirmed"));
        if (cell(writes, row, 2).contains(QLatin1String(kLabModuleMac)))
            rowOfA = row;
    }
    ASSERT_GE(rowOfA, 0);

    // Restore of A: shown, asked (No by default), written on Yes, A only.
    clickItem(writes, writes->model()->index(rowOfA, 2));
    QSignalSpy finished(history, &THistoryForm::restoreFinished);
    prompts.prompts.clear();
    prompts.answers.push_back(PromptAnswer::Yes);
    QApplication::setActiveWindow(history);
    QTest::keyClick(history, Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return finished.count() == 1; }, 90000));
    ASSERT_EQ(prompts.prompts.size(), 2u);
    EXPECT_EQ(prompts.prompts[0].defaultAnswer, PromptAnswer::No);
    EXPECT_TRUE(prompts.prompts[0].text.contains(QStringLiteral("SSID: Shop2 -> LabNet")))
        << prompts.prompts[0].text.toStdString();
    EXPECT_TRUE(prompts.prompts[1].text.contains(QStringLiteral("Save to Module OK")))
        << prompts.prompts[1].text.toStdString();
    EXPECT_EQ(storedSsid(a), "LabNet");
    EXPECT_EQ(storedSsid(b), "Shop2");
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 3);
    EXPECT_EQ(audit[2].value("operation").toString(), QStringLiteral("window restore"));
    EXPECT_EQ(audit[2].value("macAddress").toString(), QLatin1String(kLabModuleMac));
    history->close();
}

}  // namespace
