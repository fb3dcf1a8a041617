// The manager's writes in the lab, by real clicks: a window opened from the
// device list writes only into the printer it was opened for, and only the
// boxes the user changed, onto the record the printer holds when the save
// reads it. The printer is swapped, or changed by someone else, between the
// search that listed it and the save, by starting another simulator at its
// address.
#include <gtest/gtest.h>

#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "lab/manager_lab.h"

using namespace quillmar;
using namespace quillmar::test;

namespace {

constexpr char kOtherMac[] = "00-1F-7C-00-02-15";

class WindowWriteLabTest : public ManagerLabTest {
protected:
    // The manager lists the lab module; then `replacement` (module keys)
    // answers at its address instead, as after a swap or a change made
    // elsewhere; the user double-clicks the row as it was listed.
    TcfgForm* openListedRowAfter(const std::string& replacement)
    {
        enterPc();
        if (HasFatalFailure() || !showManager())
            return nullptr;
        sim->stop();
        sim = &lab->startSim("ma", {"--module", "address=192.0.2.20," + replacement});
        if (!sim->ready())
            return nullptr;
        TcfgForm* window = doubleClickTheRow();
        if (window)
            controlIn<QTimer>(*window, "Timer1")->setInterval(100);  // the verdict in about 3 seconds
        return window;
    }
};

// Printer A was listed; printer B answers at its address now. Nothing is
// written to B, the message names B's MAC, and the audit line is A's. A name
// too long for its field is refused before anything is sent at all.
TEST_F(WindowWriteLabTest, APrinterSwappedBehindTheWindowOrATooLongNameGetsNothing)
{
    ASSERT_TRUE(startModule("").ready()) << sim->error;
    RecordingPrompter prompts;
    ScopedStateHome home;
    TcfgForm* window = openListedRowAfter(std::string("deviceName=OTHER,macAddress=") + kOtherMac);
    ASSERT_NE(window, nullptr);
    controlIn<QLineEdit>(*window, "Edit_SSID")->setText(QStringLiteral("Shop2"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !prompts.prompts.empty(); }, 5000));
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("another printer (MAC 00-1F-7C-00-02-15) answers at 192.0.2.20: nothing was "
                                         "saved")});
    EXPECT_TRUE(sim->lines("request", "kind", "save-header").empty());
    EXPECT_TRUE(sim->lines("request", "kind", "save-record").empty());
    EXPECT_TRUE(controlIn<QPushButton>(*window, "saveModuleBtn")->isEnabled());
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("macAddress").toString(), QLatin1String(kLabModuleMac));
    EXPECT_TRUE(audit[0].value("verdict").toString().startsWith(QStringLiteral("refused: another printer")));
    EXPECT_TRUE(audit[0].value("backup").toString().isEmpty());

    prompts.prompts.clear();
    const std::size_t requests = sim->lines("request").size();
    auto* name = controlIn<QLineEdit>(*window, "Edit_SerialNo");
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Kitchen-Printer-2"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);
    EXPECT_EQ(prompts.texts(),
              QStringList{QStringLiteral("deviceName: 17 characters, at most 16 fit: nothing was saved")});
    EXPECT_EQ(sim->lines("request").size(), requests);
}

// The row listed the SSID the printer had before someone changed it; the
// user changes only the device name. The printer answers with 300 bytes, its
// record being the first 256. It keeps its newer SSID and takes the name, and
// the window then shows what was written.
TEST_F(WindowWriteLabTest, AnOutOfDateRowChangesOnlyTheNameOnAPrinterThatAnswersLong)
{
    ASSERT_TRUE(startModule("").ready()) << sim->error;
    RecordingPrompter prompts;
    ScopedStateHome home;
    TcfgForm* window = openListedRowAfter(std::string("deviceName=LAB-20,ssid=NewerNet,length=300,macAddress=")
                                          + kLabModuleMac);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(controlIn<QLineEdit>(*window, "Edit_SSID")->text(), QStringLiteral("LabNet"));
    auto* name = controlIn<QLineEdit>(*window, "Edit_SerialNo");
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Bar-1"));
    QTest::mouseClick(controlIn<QPushButton>(*window, "saveModuleBtn"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil(
        [&] { return controlIn<QLabel>(*window, "Label53")->text() == QStringLiteral("Save to Module OK"); }, 15000))
        << prompts.texts().join(u'\n').toStdString();
    const DeviceEntry stored = storedRecord();
    EXPECT_EQ(stored.text(DeviceField::DeviceName), "Bar-1");
    EXPECT_EQ(stored.text(DeviceField::Ssid), "NewerNet");
    EXPECT_EQ(controlIn<QLineEdit>(*window, "Edit_SSID")->text(), QStringLiteral("NewerNet"));
    EXPECT_TRUE(window->changedFields().empty());
    // The question before the save showed the name alone: the newer SSID is not the user's change.
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("Save to Module: LAB-20 (00-1F-7C-00-02-14) at 192.0.2.20\n\n"
                                                          "Device Name: LAB-20 -> Bar-1\n\nSave these changes?")});
    const QList<QJsonObject> audit = home.auditEntries();
    ASSERT_EQ(audit.size(), 1);
    EXPECT_EQ(audit[0].value("changes").toObject().keys(), QStringList{QStringLiteral("deviceName")});
}

}  // namespace
