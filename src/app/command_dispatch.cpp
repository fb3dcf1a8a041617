// What the function tree and the device list do when the user gives a command.
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>

#include <QTreeWidget>
#include <QWindow>
#include <algorithm>
#include <exception>

#include "app/device_list_model.h"
#include "app/main_form.h"
#include "app/shared_windows.h"
#include "config/cfg_form.h"
#include "discovery/search_ip_dialog.h"
#include "history/history_form.h"
#include "maintenance/device_session.h"
#include "maintenance/upgrade_fw_dialog.h"
#include "record/config_block.h"
#include "record/ipv4_text.h"
#include "record/program_flags.h"
#include "tools/com_settings_form.h"
#include "tools/usb_settings_form.h"
#include "ui/passphrase_dialog.h"
#include "ui/prompter.h"

namespace quillmar {
namespace {

// The list columns of the device name, sub-item 2 (the MAC) and sub-item 3
// (the IP text the commands read).
constexpr int kNameColumn = 2;
constexpr int kMacColumn = 3;
constexpr int kIpColumn = 4;
constexpr int kMaxIpTextLength = 20;

}  // namespace

int TmainForm::firstSelectedRow() const
{
    const std::vector<int> rows = selectedRows();
    return rows.empty() ? -1 : rows.front();
}

std::vector<int> TmainForm::selectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : deviceListView->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString TmainForm::deviceDescription(int row) const
{
    QStringList parts;
    for (const int column : {kNameColumn, kMacColumn, kIpColumn}) {
        const QString text = deviceListModel_->cellText(row, column);
        if (!text.isEmpty())
            parts << text;
    }
    return parts.join(QStringLiteral(", "));
}

void TmainForm::funcTreeViewClick()
{
    if (!networkReady_) {
        showError(this, QStringLiteral("some error occur during network startup"));
        return;
    }
    const QList<QTreeWidgetItem*> selected = funcTreeView->selectedItems();
    const QString command = selected.isEmpty() ? QString() : selected.first()->text(0);
    try {
        runTreeCommand(command);
    } catch (const std::exception& error) {
        showException(this, QString::fromLocal8Bit(error.what()));
    }
    // Reselecting the root makes the next click on any item a new command.
    if (QTreeWidgetItem* root = rootItem())
        funcTreeView->setCurrentItem(root);
}

void TmainForm::runTreeCommand(const QString& command)
{
    const bool usbTool = programFlags().usbToolFlag == 1;
    if (command == QLatin1String("Broadcast")) {
        if (!searching_)
            startSearch(true, QString());
    } else if (command == QLatin1String("Search by IP")) {
        if (!searching_) {
            TsIPDlg* dialog = createSharedWindows().sIPDlg;
            if (dialog->exec() == QDialog::Accepted && !dialog->addressText().isEmpty())
                startSearch(false, dialog->addressText());
        }
    } else if (command == QLatin1String("ChangeSettingByUSB") && usbTool) {
        openSettingsTool(new TForm2(settingsToolContext()));
    } else if (command == QLatin1String("ChangeSettingByCOMPort") && !usbTool) {
        openSettingsTool(new TForm1(settingsToolContext()));
    } else if (command == QLatin1String("Upgrade")) {
        runUpgradeCommand();
    } else if (command == QLatin1String("History")) {
        openHistory();
    }
}

void TmainForm::openHistory()
{
    if (!history_) {
        HistoryWindowContext context;
        context.log = [form = QPointer<TmainForm>(this)](const QString& line) {
            if (form)
                form->log(line);
        };
        context.listedPrinters = [form = QPointer<TmainForm>(this)] {
            return form ? form->listedPrinters() : std::vector<CensusModule>{};
        };
        context.askPassphrase = [form = QPointer<TmainForm>(this)](const QString& fileName) {
            return askSealedPassphrase(form ? form->historyWindow() : nullptr, fileName);
        };
        // No owner, so that a message of its own blocks it alone.
        history_ = new THistoryForm(std::move(context));
        history_->setAttribute(Qt::WA_DeleteOnClose);
        connect(this, &TmainForm::programEnding, history_.data(), &QWidget::close);
    }
    history_->show();
    history_->raise();
    history_->activateWindow();
}

SettingsToolContext TmainForm::settingsToolContext()
{
    SettingsToolContext context;
    context.workingDirectory = QDir::currentPath();
    context.log = [form = QPointer<TmainForm>(this)](const QString& line) {
        if (form)
            form->log(line);
    };
    context.listedPrinters = [form = QPointer<TmainForm>(this)] {
        return form ? form->listedPrinters() : std::vector<CensusModule>{};
    };
    context.wifiSurvey = wifiSurveyor_;
    return context;
}

std::vector<CensusModule> TmainForm::listedPrinters() const
{
    std::vector<CensusModule> listed;
    for (std::size_t row = 0; row < deviceTable_.count(); ++row) {
        const DeviceEntry& entry = deviceTable_.at(row);
        if (const std::optional<std::uint32_t> from = parseIpv4(entry.text(DeviceField::IpAddress)))
            listed.push_back({entry, *from, 0});
    }
    return listed;
}

void TmainForm::openSettingsTool(QWidget* tool)
{
    // No owner and not modal: several tools may be open beside the main window,
    // and each goes when it is closed or when the program ends.
    tool->setAttribute(Qt::WA_DeleteOnClose);
    connect(this, &TmainForm::programEnding, tool, &QWidget::close);
    tool->show();
}

void TmainForm::runUpgradeCommand()
{
    const int row = firstSelectedRow();
    if (row < 0) {
        showError(this, QStringLiteral("please select a device first"));
        return;
    }
    const QString ip = deviceListModel_->cellText(row, kIpColumn);
    const std::string mac = deviceListModel_->macText(row);
    if (ip.isEmpty() || mac.empty())
        return;
    if (isDeviceOpen(mac) != 0) {
        showError(this, QStringLiteral("please exit from configuration utility"));
        return;
    }
    // The dialog and the progress window are shared: each run names its printer.
    const QString device = deviceDescription(row);
    TupgradeFWDlg* dialog = createSharedWindows().upgradeFWDlg;
    dialog->setDeviceText(device);
    if (dialog->exec() != QDialog::Accepted)
        return;
    // The upgrade logs in without a password.
    MaintenanceRequest request;
    request.deviceIp = ip.toLatin1().toStdString();
    request.deviceMac = mac;
    request.portName = dialog->portName().toLatin1().toStdString();
    request.filePath = QFile::encodeName(dialog->filePath()).toStdString();
    startUpgrade(request, device);
}

void TmainForm::deviceListViewDblClick()
{
    const int row = firstSelectedRow();
    if (row < 0)
        return;
    openConfiguration({row});
}

ConfigWindowContext TmainForm::configWindowContext()
{
    ConfigWindowContext context;
    context.defaultModelName = defaultModelName_;
    context.releaseDevice = [this](const std::string& released) { markDeviceOpen(released, false); };
    context.log = [this](const QString& line) { log(line); };
    context.listedPrinters = [this] { return listedPrinters(); };
    context.webSourceDirectory = &webSourceDirectory;
    context.webImagePath = &webImagePath;
    context.runMaintenanceWorker = [this](MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status) {
        return runMaintenanceWorker(worker, status);
    };
    context.sessionEnvironment = [this] { return maintenanceEnvironment(); };
    context.wifiSurvey = wifiSurveyor_;
    return context;
}

void TmainForm::openConfiguration(const std::vector<int>& rows)
{
    std::vector<DeviceEntry> printers;
    std::vector<std::string> macs;
    for (const int row : rows) {
        const QString ip = deviceListModel_->cellText(row, kIpColumn).left(kMaxIpTextLength);
        const std::string mac = deviceListModel_->macText(row);
        if (ip.isEmpty() || mac.empty())
            return;
        if (isDeviceOpen(mac) != 0) {
            showError(this, QStringLiteral("already selected"));
            return;
        }
        printers.push_back(deviceTable_.at(static_cast<std::size_t>(row)));
        macs.push_back(mac);
    }
    if (printers.empty())
        return;
    for (const std::string& mac : macs)
        markDeviceOpen(mac, true);

    // A child of the main window, so it lives until the program ends; closing
    // it only hides it.
    auto* window = printers.size() == 1 ? new TcfgForm(ConfigBlock(printers.front()), configWindowContext(), this)
                                        : new TcfgForm(printers, configWindowContext(), this);
    window->show();
    // Not kept above the main window by the window system, and so not one
    // family with it: a message in this window blocks this window alone.
    if (QWindow* handle = window->windowHandle())
        handle->setTransientParent(nullptr);
}

void TmainForm::Button1Click()
{
    const std::vector<int> rows = selectedRows();
    if (rows.size() > 1) {
        openConfiguration(rows);
        return;
    }
    deviceListViewDblClick();
}

}  // namespace quillmar
