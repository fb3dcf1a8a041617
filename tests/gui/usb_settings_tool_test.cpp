// The USB settings tool under umockdev: the usblp printers live in a test bed
// that this process sees as /sys and /dev, each node driven by the simulator's
// settings responder. Also the tree commands that open the settings tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "app/main_form.h"
#include "platform/usb_printer.h"
#include "support/fixed_addresses.h"
#include "support/quiet_main_form.h"
#include "support/settings_tool_driver.h"
#include "support/usb_printer_testbed.h"
#include "support/view_clicks.h"
#include "support/wait_until.h"
#include "tools/com_settings_form.h"
#include "tools/tool_record.h"
#include "tools/usb_settings_form.h"
#include "ui/ip_address_edit.h"

namespace quillmar {
namespace {

constexpr char kSerial[] = "QM0369-0001";

sim::SettingsPrinter answering(sim::SettingsFault fault = sim::SettingsFault::None)
{
    sim::SettingsPrinter printer;
    printer.record = test::fullWidthRecord("USB-COUNTER-0016");
    printer.fault = fault;
    return printer;
}

// The tools' own texts, without the device and the reason that follow them.
QStringList messagesWithoutReasons(const test::RecordingPrompter& prompter)
{
    QStringList texts;
    for (const QString& text : prompter.texts())
        texts << text.section(QStringLiteral("\n\n"), 0, 0);
    return texts;
}

class UsbSettingsToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test::underUmockdev()) << "run this test under umockdev-wrapper";
        ASSERT_TRUE(testbed.ready());
    }

    QLabel* waitingLabel() { return w.template control<QLabel>("Label18"); }
    QTimer* timer() { return w.window().template findChild<QTimer*>(QStringLiteral("Timer1")); }

    test::UsbPrinterTestbed testbed;
    test::SettingsToolDriver<TForm2> w;
};

TEST_F(UsbSettingsToolTest, ReadsThePrinterThenSavesWithTheWaitingIndicator)
{
    const std::size_t printer = testbed.add({"1f7c", "0369", kSerial, answering()});
    w.open();
    EXPECT_EQ(w.window().usbDeviceText(), QLatin1String(kSerial));
    EXPECT_EQ(w.text("Edit2"), QStringLiteral("USB-COUNTER-0016"));
    EXPECT_EQ(w.text("Edit13"), QString(36, 'p') + QString(36, 'q'));
    EXPECT_FALSE(waitingLabel()->isVisible());
    EXPECT_TRUE(w.prompter.prompts.empty());

    w.clickItem("RadioGroup4", 1);  // Adhoc: OPEN, SHARED, WEPAUTO, WPANONE; OPEN, NONE
    EXPECT_EQ(w.group("RadioGroup1")->items(), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
    w.click("Button2");
    ASSERT_EQ(w.prompter.prompts.size(), 1u);
    EXPECT_EQ(w.prompter.prompts[0].text,
              QStringLiteral("About waiting 20 seconds and please check printer LED status! "));
    EXPECT_EQ(w.prompter.prompts[0].kind, PromptKind::TypedDialog);
    // The record as read with the three choices changed; the keys, which were
    // not, stay as the printer has them.
    DeviceEntry expected = answering().record;
    for (const auto& [field, text] :
         {std::pair{DeviceField::WifiMode, "Adhoc"}, {DeviceField::AuthMode, "OPEN"}, {DeviceField::EncryType, "NONE"}})
        expected.setText(field, text);
    ASSERT_TRUE(test::waitUntil([&] { return testbed.writesStored(printer) == 1; }, 5000));
    EXPECT_EQ(testbed.record(printer), expected);
    w.click("Button5");  // the printer now answers what was saved
    EXPECT_EQ(w.text("Edit8"), QStringLiteral("Adhoc"));

    // One real tick of Timer1, then the rest of the count.
    EXPECT_TRUE(waitingLabel()->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return w.window().waitingCount() == 1; }, 3000));
    EXPECT_EQ(waitingLabel()->text(), QStringLiteral("Waiting  .... 1"));
    while (timer()->isActive())
        w.window().Timer1Timer();
    EXPECT_EQ(w.window().waitingCount(), 21);
    EXPECT_FALSE(waitingLabel()->isVisible());
    // The end of the count says the save is done, naming the printer.
    ASSERT_EQ(w.prompter.prompts.size(), 2u);
    EXPECT_EQ(w.prompter.prompts[1].text, QStringLiteral("Save USB config OK !\n\nThe settings were written to USB "
                                                         "printer %1; check its LED status.")
                                              .arg(kSerial));
    // The next save counts from the start again.
    w.click("Button2");
    EXPECT_EQ(w.window().waitingCount(), 0);
    EXPECT_TRUE(timer()->isActive() && waitingLabel()->isVisible());
    EXPECT_EQ(w.prompter.texts().size(), 3);
}

// Finds the printer for the read, and none for the write after it.
class GoneAfterTheRead final : public UsbPrinterLocator {
public:
    UsbPrinterFile openUsbPrinter(QString& name) override
    {
        if (++opens_ > 1) {
            name.clear();
            return UsbPrinterFile();
        }
        return system_->openUsbPrinter(name);
    }
    QString lastReason() const override
    {
        return opens_ > 1 ? QStringLiteral("no USB printer 1f7c:0369, 0338 or 3330 attached") : system_->lastReason();
    }

private:
    std::unique_ptr<UsbPrinterLocator> system_ = makeUsbPrinterLocator();
    int opens_ = 0;
};

TEST_F(UsbSettingsToolTest, ASaveThatFailsEndsTheCountAndItsErrorIsShownLast)
{
    testbed.add({"1f7c", "0369", kSerial, answering()});
    GoneAfterTheRead locator;
    w.adjust = [&locator](SettingsToolContext& context) { context.usbLocator = &locator; };
    w.open();
    ASSERT_EQ(w.text("Edit2"), QStringLiteral("USB-COUNTER-0016"));
    w.click("Button2");
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(waitingLabel()->isVisible());
    ASSERT_EQ(w.prompter.prompts.size(), 2u);
    EXPECT_EQ(w.prompter.prompts[1].text,
              QStringLiteral("Save USB config error !\n\nthe printer's record could not be read just before the "
                             "write (no USB printer 1f7c:0369, 0338 or 3330 attached)"));
}

TEST_F(UsbSettingsToolTest, ReadsThatBringNoRecordSayWhyAndEndInTime)
{
    struct Case {
        bool attached;
        sim::SettingsFault fault;
        bool blank;  // the printer has no settings
        QStringList messages;
        QString device;
    };
    const QString readError = QStringLiteral("Read USB config error !");
    const Case cases[] = {
        {false, sim::SettingsFault::None, false, {readError}, "None"},
        {true, sim::SettingsFault::Silent, false, {readError}, kSerial},
        {true, sim::SettingsFault::Echo, false, {readError}, kSerial},
        {true, sim::SettingsFault::ReadAgain, false, {"Read USB config error,Please read again !!"}, kSerial},
        {true, sim::SettingsFault::None, true, {}, kSerial},  // shown, empty
    };
    DirectSettingsTiming quick;
    quick.usbReplyWait = std::chrono::milliseconds(300);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages.join(' ').toStdString() + " " + c.device.toStdString());
        test::UsbPrinterTestbed bed;
        sim::SettingsPrinter settings = answering(c.fault);
        if (c.blank)
            settings.record = DeviceEntry();
        if (c.attached)
            bed.add({"1f7c", "0369", kSerial, settings});
        test::SettingsToolDriver<TForm2> d;
        d.open(quick);
        EXPECT_EQ(messagesWithoutReasons(d.prompter), c.messages);
        if (c.messages == QStringList{readError}) {
            // Which printer and why, in the message itself.
            const QString why = c.attached ? QStringLiteral("USB printer %1: ").arg(kSerial)
                                           : QStringLiteral("no USB printer 1f7c:0369, 0338 or 3330 attached");
            EXPECT_TRUE(d.prompter.texts()[0].startsWith(readError + QStringLiteral("\n\n") + why))
                << d.prompter.texts()[0].toStdString();
        }
        EXPECT_EQ(d.window().usbDeviceText(), c.device);
        EXPECT_EQ(d.text("Edit2"), QString());  // nothing shown from a refused reply
        const bool readFailed = c.messages == QStringList{readError};
        if (readFailed) {
            EXPECT_TRUE(d.edit("Edit17")->isVisible());
            EXPECT_EQ(d.group("RadioGroup1")->items(), QStringList({"OPEN", "SHARED", "WEPAUTO", "WPANONE"}));
        }

        // Nothing that read can be written back: the save asks for a read and
        // writes nothing, before its waiting message.
        d.click("Button2");
        EXPECT_EQ(messagesWithoutReasons(d.prompter), c.messages + QStringList{kReadFirstMessage});
        EXPECT_FALSE(d.window().template findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
        EXPECT_TRUE(d.logLines.last().startsWith("SAVE SETTING on USB refused")) << d.logLines.last().toStdString();
        if (c.attached) {
            EXPECT_EQ(bed.writesStored(0), 0u);
        }
    }
}

TEST_F(UsbSettingsToolTest, ALanPrinterOffersNoWifiChoicesAndTheIpModeNeedsTheStartOption)
{
    testbed.add({"1f7c", "0369", kSerial, answering()});
    programFlags().lanPrinterFlag = 1;
    programFlags().allowIpModeFlag = true;
    w.open();
    for (const char* group : {"RadioGroup1", "RadioGroup2", "RadioGroup4"})
        EXPECT_FALSE(w.group(group)->isEnabled()) << group;
    EXPECT_TRUE(w.edit("Edit9")->isEnabled());
    EXPECT_TRUE(w.edit("Edit2")->isEnabled());

    ASSERT_TRUE(w.group("RadioGroup3")->isEnabled());
    w.clickItem("RadioGroup3", 1);
    EXPECT_EQ(w.text("Edit7"), QStringLiteral("DHCP"));
    EXPECT_FALSE(w.window().addressBox()->isEnabled());
    w.clickItem("RadioGroup3", 0);
    EXPECT_TRUE(w.window().addressBox()->isEnabled());
}

// The tree commands open a new tool each time, beside the main window.
TEST(SettingsToolCommands, EachCommandOpensAnotherToolWindowThatEndsWithTheProgram)
{
    test::RecordingPrompter prompter;
    test::UsbPrinterTestbed noPrinters;
    ::setenv("QUILLMAR_COM1", "/nonexistent/quillmar-com1", 1);
    const auto toolsOf = [](const char* className) {
        QList<QWidget*> tools;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->inherits(className) && window->isVisible())
                tools << window;
        }
        return tools;
    };
    for (const int usbToolFlag : {0, 1}) {
        programFlags() = ProgramFlags{};
        programFlags().usbToolFlag = usbToolFlag;
        const char* command = usbToolFlag ? "ChangeSettingByUSB" : "ChangeSettingByCOMPort";
        const char* tool = usbToolFlag ? "quillmar::TForm2" : "quillmar::TForm1";
        SCOPED_TRACE(command);
        test::FixedAddresses addresses{{0xC0000201u, 2}};
        auto* form = new test::QuietMainForm(nullptr, &addresses);
        form->setAttribute(Qt::WA_DeleteOnClose);
        form->show();
        auto* tree = form->findChild<QTreeWidget*>(QStringLiteral("funcTreeView"));
        QTreeWidgetItem* item = tree->findItems(QLatin1String(command), Qt::MatchExactly | Qt::MatchRecursive).value(0);
        ASSERT_NE(item, nullptr);
        test::clickTreeItem(tree, item);
        test::clickTreeItem(tree, item);
        ASSERT_TRUE(test::waitUntil([&] { return prompter.prompts.size() == 2; }, 15000));
        const QList<QWidget*> opened = toolsOf(tool);
        ASSERT_EQ(opened.size(), 2);
        EXPECT_EQ(opened[0]->parentWidget(), nullptr);
        EXPECT_FALSE(opened[0]->isModal());
        // Each read went nowhere and said so, in a message and in the main window's log.
        EXPECT_EQ(prompter.texts().size(), 2);
        if (!usbToolFlag) {
            const QString log = form->findChild<QPlainTextEdit*>(QStringLiteral("msgMemo"))->toPlainText();
            EXPECT_EQ(log.count(QStringLiteral("No such file or directory")), 2) << log.toStdString();
        }
        form->close();
        EXPECT_TRUE(toolsOf(tool).isEmpty());
        prompter.prompts.clear();
    }
    ::unsetenv("QUILLMAR_COM1");
}

// Escape closes the USB tool as its close box does.
TEST_F(UsbSettingsToolTest, EscapeClosesTheTool)
{
    testbed.add({"1f7c", "0369", kSerial, answering()});
    w.open();
    ASSERT_TRUE(w.window().isVisible());
    QTest::keyClick(w.template control<QLineEdit>("Edit9"), Qt::Key_Escape);
    EXPECT_TRUE(test::waitUntil([&] { return !w.window().isVisible(); }));
}

}  // namespace
}  // namespace quillmar
