#pragma once
// The main window: function tree, device list and message log. It owns the
// device table, the open-device list, the local address table and the locks for
// the whole run.
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "config/config_window_context.h"
#include "discovery/search_outcome.h"
#include "discovery/search_timing.h"
#include "discovery/udp_search_thread.h"
#include "history/history_form.h"
#include "maintenance/maintenance_request.h"
#include "maintenance/maintenance_timing.h"
#include "platform/local_addresses.h"
#include "record/device_table.h"
#include "record/open_device_list.h"
#include "tools/settings_tool_context.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTableView;
class QTimer;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace quillmar {

class DeviceListModel;
class SessionTables;
class HostTables;
class MaintenanceThread;
class SecretStore;
struct SessionEnvironment;

class TmainForm : public QWidget {
    Q_OBJECT
public:
    // `addressSource` replaces the system's address table (tests); not owned.
    explicit TmainForm(QWidget* parent = nullptr, LocalAddressSource* addressSource = nullptr);
    ~TmainForm() override;

    // Appends one line to the message log; safe from any thread.
    void log(const QString& text);

    int readLocalAddresses();
    void buildFunctionTree();

    int markDeviceOpen(const std::string& mac, bool add);
    int isDeviceOpen(const std::string& mac) const;
    // Offers one search reply for listing; safe from any thread.
    void addRow(const DeviceEntry& entry);

    // Clears the list, runs a search on a worker behind the modal progress
    // window and returns when that window closes (the worker may still be
    // finishing after "Cancel"). An empty address with broadcast false is no
    // search target; the worker then ends at once.
    virtual void startSearch(bool broadcast, const QString& address);
    // Tests shorten the search's waits.
    void setSearchTiming(const SearchTiming& timing) { searchTiming_ = timing; }

    // A reboot or a firmware upgrade of a filled request behind the modal
    // progress window; returns when that window has closed, after telling the
    // user the outcome (maintenance_commands.cpp).
    // `device` names the printer in the progress window (name, MAC, address).
    // An upgrade of a request without a password logs in with the one the
    // secret store remembers for the printer, if any; when the printer refuses
    // the log-in, the password dialog asks for it and the upgrade goes again
    // (nothing was sent to the printer but the log-in).
    void startReboot(const MaintenanceRequest& request, const QString& device = QString());
    void startUpgrade(const MaintenanceRequest& request, const QString& device = QString());
    // The last maintenance worker's result code; 1 while it has not finished.
    int maintenanceStatus() const;
    // Tests replace the system's route and neighbour tables (not owned) and
    // shorten the maintenance waits.
    void setHostTables(HostTables* tables);
    void setMaintenanceTiming(const MaintenanceTiming& timing) { maintenanceTiming_ = timing; }
    // Tests replace the desktop's secret store of remembered device passwords
    // (not owned).
    void setSecretStore(SecretStore* store) { secretStore_ = store; }
    // Tests say what Wi-Fi the PC sees; by default NetworkManager is asked.
    void setWifiSurveyor(WifiSurveyor surveyor) { wifiSurveyor_ = std::move(surveyor); }

    bool networkReady() const { return networkReady_; }
    bool searching() const { return searching_; }
    // Search workers whose body still runs: the current one and cancelled ones
    // on their way to their next stop check. What a worker sent before its body
    // ended may still wait in this thread's queue.
    int runningSearchWorkers() const;
    const std::vector<LocalAddress>& localAddressTable() const { return localAddresses_; }
    const DeviceTable& deviceTable() const { return deviceTable_; }
    // The listed printers, each with the address it answered from: what a
    // save from a window of this program holds a new address against.
    std::vector<CensusModule> listedPrinters() const;
    DeviceListModel* deviceListModel() const { return deviceListModel_; }
    // The History window while it is open (null otherwise).
    THistoryForm* historyWindow() const { return history_; }
    const std::string& defaultModelName() const { return defaultModelName_; }

    std::mutex addressLock;

    // Remembered by the configuration window between openings.
    QString webSourceDirectory;
    QString webImagePath;

public slots:
    void FormShow();
    void Timer1Timer();
    void funcTreeViewClick();
    void deviceListViewClick();
    void deviceListViewDblClick();
    void Button1Click();
    void exitBtnClick();
    // "History" and Ctrl+H: the audit log of every write, with Restore.
    void openHistory();

signals:
    void programEnding();
    // A running search noticed its stop request (after the beep).
    void searchStopBeeped();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // Enter or Space on a function-tree item runs it; Enter on a device row
    // opens its configuration window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Columns as wide as their captions and the texts they are meant to show
    // whole, in this window's font; the tree as wide as its items.
    void fitColumns();
    void fitFunctionTree();
    // The tables the list's sender check reads: the ones set, or the system's.
    HostTables& neighbourTables();
    // At the first showing: wide enough for every column beside the tree.
    void openWideEnoughForTheList();
    void runCurrentTreeItem();
    // "Counter1, 00-1F-7C-00-00-01, 192.0.2.10" for the row's device.
    QString deviceDescription(int row) const;
    // The rows in selected state, lowest first.
    std::vector<int> selectedRows() const;
    // A configuration window over `rows`: one printer, or the several-printers mode.
    void openConfiguration(const std::vector<int>& rows);
    ConfigWindowContext configWindowContext();
    // The arrow keys in a list that has rows but no selection select one.
    bool selectRowByKey(int key);
    void FormClose();
    QTreeWidgetItem* rootItem() const;
    QTreeWidgetItem* upgradeItem() const;
    void addUpgradeItem();
    void removeUpgradeItem();
    void stopSearchWorkers();
    int runMaintenanceWorker(MaintenanceThread* worker, const std::shared_ptr<std::atomic<int>>& status);
    // Keeps `worker` where closing the window finds it.
    void trackMaintenanceWorker(MaintenanceThread* worker);
    // Runs `attempt` with the printer's password (see startUpgrade) and
    // returns its last result code.
    int withDevicePassword(MaintenanceRequest request, const QString& device,
                           const std::function<int(const MaintenanceRequest&)>& attempt);
    SecretStore& secretStore();
    void stopMaintenanceWorkers();
    // What a maintenance worker's device session gets: the local address table,
    // the route and neighbour helpers under this window's locks, the waits.
    SessionEnvironment maintenanceEnvironment();
    // Command dispatch (command_dispatch.cpp).
    void runTreeCommand(const QString& command);
    void runUpgradeCommand();
    SettingsToolContext settingsToolContext();
    void openSettingsTool(QWidget* tool);
    int firstSelectedRow() const;

    DeviceTable deviceTable_;
    OpenDeviceList openDevices_;
    std::vector<LocalAddress> localAddresses_;
    std::unique_ptr<LocalAddressSource> ownAddressSource_;
    LocalAddressSource* addressSource_ = nullptr;
    // Set by startSearch, cleared on this thread when the current search's
    // worker reports its end.
    bool searching_ = false;
    SearchTiming searchTiming_;
    QPointer<UDPsearchThread> searchThread_;
    // Which search is current: what an older worker still sends is dropped.
    quint64 searchNumber_ = 0;
    std::vector<QPointer<UDPsearchThread>> searchWorkers_;
    // The current search's replies of the other printer family.
    OtherFamilyCount otherFamily_;
    bool searchCancelled_ = false;
    HostTables* hostTables_ = nullptr;  // nullptr: the system's
    std::unique_ptr<HostTables> systemTables_;
    std::unique_ptr<SessionTables> sessionTables_;
    MaintenanceTiming maintenanceTiming_;
    // A cell per run: a cancelled worker that ends late writes into its own.
    std::shared_ptr<std::atomic<int>> maintenanceStatus_;
    std::vector<QPointer<MaintenanceThread>> maintenanceWorkers_;
    SecretStore* secretStore_ = nullptr;  // nullptr: the desktop's
    WifiSurveyor wifiSurveyor_;           // empty: NetworkManager
    std::unique_ptr<SecretStore> desktopSecretStore_;
    bool networkReady_ = false;
    bool shown_ = false;
    std::string defaultModelName_;

    QFrame* ControlBar1 = nullptr;
    QLabel* Image1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* exitBtn = nullptr;
    QTreeWidget* funcTreeView = nullptr;
    QSplitter* mainSplitter = nullptr;
    QSplitter* gridSplitter = nullptr;
    QTableView* deviceListView = nullptr;
    QPlainTextEdit* msgMemo = nullptr;
    QTimer* Timer1 = nullptr;
    DeviceListModel* deviceListModel_ = nullptr;
    QPointer<THistoryForm> history_;
};

// The process-wide reference through which workers reach the main window.
TmainForm* mainForm();
void setMainForm(TmainForm* form);

}  // namespace quillmar
