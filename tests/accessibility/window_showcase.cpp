// Shows the program's windows on made-up printers with nothing sent anywhere:
// no search runs, the settings tool's ports point nowhere and messages go to
// standard error unless a scene shows one. The AT-SPI test reads the default
// scene as a screen reader does; the other scenes are for looking at the
// windows (and taking pictures of them) in a light or a dark palette.
//   accessibility_showcase [--dark] [SCENE]
// SCENE: inputs (default: configuration window, COM-port tool, upgrade
// dialog), main, several, result, history, question.
#include <QApplication>
#include <QFile>
#include <QPalette>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "config/cfg_form.h"
#include "config/save_result_form.h"
#include "history/audit_log.h"
#include "history/history_form.h"
#include "history/record_backups.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "record/program_flags.h"
#include "tools/com_settings_form.h"
#include "ui/prompter.h"
#include "write/previewed_save.h"

using namespace quillmar;

namespace {

// Messages are written down, not shown: a box would hide what is read.
class QuietPrompter final : public Prompter {
public:
    PromptAnswer show(QWidget*, const Prompt& prompt) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(prompt.title), qPrintable(prompt.text));
        return prompt.buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Ok;
    }
};

// The main window without its automatic search.
class ShowcaseMainForm final : public TmainForm {
public:
    using TmainForm::TmainForm;
    void startSearch(bool, const QString&) override {}
};

DeviceEntry printer(const char* name, const char* mac, const char* address, const char* ssid = "ShopNet")
{
    DeviceEntry entry;
    entry.setText(DeviceField::ModelName, "RX7000 WI-FI");
    entry.setText(DeviceField::DeviceName, name);
    entry.setText(DeviceField::MacAddress, mac);
    entry.setText(DeviceField::IpAddress, address);
    entry.setText(DeviceField::TcpPort, "9100");
    entry.setText(DeviceField::UdpPort, "9101");
    entry.setText(DeviceField::IpMode, "STATIC");
    entry.setText(DeviceField::WifiMode, "Infra");
    entry.setText(DeviceField::AuthMode, "WPA2PSK");
    entry.setText(DeviceField::EncryType, "AES");
    entry.setText(DeviceField::Ssid, ssid);
    entry.setText(DeviceField::WpaPsk, "secret-pass");
    return entry;
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(225, 225, 225));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(55, 55, 58));
    dark.setColor(QPalette::Text, QColor(225, 225, 225));
    dark.setColor(QPalette::Button, QColor(60, 60, 64));
    dark.setColor(QPalette::ButtonText, QColor(225, 225, 225));
    dark.setColor(QPalette::Highlight, QColor(42, 130, 218));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(110, 170, 255));
    dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 64));
    dark.setColor(QPalette::ToolTipText, QColor(225, 225, 225));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    return dark;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int port = 1; port <= 9; ++port)
        qputenv(("QUILLMAR_COM" + QByteArray::number(port)).constData(), "/nonexistent/quillmar-showcase-port");
    QApplication application(argc, argv);
    application.setApplicationName(QStringLiteral("quillmar-showcase"));
    QString scene = QStringLiteral("inputs");
    for (const QString& argument : application.arguments().mid(1)) {
        if (argument == QLatin1String("--dark")) {
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
            QApplication::setPalette(darkPalette());
        } else {
            scene = argument;
        }
    }
    QuietPrompter quiet;
    if (scene != QLatin1String("question"))
        setPrompter(&quiet);
    programFlags().allowIpModeFlag = true;
    programFlags().printerFamily = 2;
    // The state (an audit log, backups) stays in a folder of the run's own.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));

    const DeviceEntry kitchen = printer("Kitchen", "00-1B-2C-3D-4E-5A", "192.0.2.20");
    const DeviceEntry bar = printer("Bar", "00-1B-2C-3D-4E-5B", "192.0.2.21", "BarNet");
    const DeviceEntry counter = printer("Counter-1", "00-1B-2C-3D-4E-5C", "198.51.100.7");
    std::vector<std::unique_ptr<QWidget>> windows;

    if (scene == QLatin1String("inputs")) {
        auto configuration = std::make_unique<TcfgForm>(ConfigBlock(kitchen), ConfigWindowContext{});
        configuration->show();
        windows.push_back(std::move(configuration));
        auto tool = std::make_unique<TForm1>(SettingsToolContext{});
        tool->show();
        windows.push_back(std::move(tool));
        auto upgrade = std::make_unique<TupgradeFWDlg>();
        upgrade->setModal(false);
        upgrade->show();
        windows.push_back(std::move(upgrade));
    } else if (scene == QLatin1String("main") || scene == QLatin1String("several")) {
        auto* main = new ShowcaseMainForm();
        windows.emplace_back(main);
        main->show();
        for (const DeviceEntry& entry : {kitchen, bar, counter})
            main->addRow(entry);
        auto* list = main->findChild<QTableView*>(QStringLiteral("deviceListView"));
        list->selectRow(0);
        if (scene == QLatin1String("several")) {
            list->selectionModel()->select(main->deviceListModel()->index(1, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
            QMetaObject::invokeMethod(main, &TmainForm::Button1Click, Qt::QueuedConnection);
        } else {
            QMetaObject::invokeMethod(main, &TmainForm::deviceListViewDblClick, Qt::QueuedConnection);
        }
    } else if (scene == QLatin1String("result")) {
        auto* result = new TsaveResultForm();
        windows.emplace_back(result);
        std::vector<PreviewedPrinter> printers(3);
        std::vector<ModuleVerdict> verdicts(3);
        const DeviceEntry* entries[] = {&kitchen, &bar, &counter};
        for (std::size_t i = 0; i < 3; ++i) {
            printers[i].target.name = QString::fromStdString(entries[i]->text(DeviceField::DeviceName));
            printers[i].target.chosenMac = entries[i]->text(DeviceField::MacAddress);
            printers[i].addressText = QString::fromStdString(entries[i]->text(DeviceField::IpAddress));
            verdicts[i].addressText = printers[i].addressText;
        }
        verdicts[0].outcome = ModuleVerdict::Outcome::Confirmed;
        verdicts[0].readback = ModuleVerdict::Readback::Verified;
        verdicts[0].readbackAddress = printers[0].addressText;
        verdicts[1].outcome = ModuleVerdict::Outcome::Skipped;
        verdicts[1].message = QStringLiteral("another printer (MAC 00-1B-2C-3D-4E-99) answers at 192.0.2.21");
        verdicts[2].outcome = ModuleVerdict::Outcome::NoAnswer;
        result->showResults(printers, verdicts, false);
        result->show();
    } else if (scene == QLatin1String("history")) {
        const StoredBackup backup = storeBackup(kitchen);
        AuditEntry write;
        write.time = QDateTime::currentDateTimeUtc().addSecs(-3600);
        write.operation = QStringLiteral("window save");
        write.macAddress = QStringLiteral("00-1B-2C-3D-4E-5A");
        write.deviceName = QStringLiteral("Kitchen");
        write.address = QStringLiteral("192.0.2.20");
        write.changes = {
            {DeviceField::Ssid, QStringLiteral("ShopNet"), QStringLiteral("Shop2")},
            {DeviceField::WpaPsk, QStringLiteral("sha256:f38eb0160889"), QStringLiteral("sha256:d19a367efc13")}};
        write.backup = QFile::decodeName(backup.path);
        write.verdict = QStringLiteral("confirmed");
        appendAudit(write);
        write.time = QDateTime::currentDateTimeUtc().addSecs(-600);
        write.operation = QStringLiteral("upgrade");
        write.changes.clear();
        write.backup.clear();
        write.image = AuditImage{65536,
                                 QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08")};
        write.verdict = QStringLiteral("Upgrade firmware OK!");
        appendAudit(write);
        auto* history = new THistoryForm(HistoryWindowContext{});
        windows.emplace_back(history);
        history->show();
    } else if (scene == QLatin1String("question")) {
        QTimer::singleShot(300, [] {
            confirm(nullptr,
                    QStringLiteral("Save to Module: Kitchen (00-1B-2C-3D-4E-5A) at 192.0.2.20\n\nSSID: ShopNet -> "
                                   "Shop2\nIP Address: 192.0.2.20 -> 192.0.2.30\n\nSave these changes?"),
                    PromptAnswer::Yes);
        });
    }
    // The test ends the program; it ends by itself should the test not.
    QTimer::singleShot(120000, &application, &QApplication::quit);
    std::fprintf(stdout, "shown\n");
    std::fflush(stdout);
    return application.exec();
}
