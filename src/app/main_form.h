#pragma once
// The main window: function tree, device list and message log. It owns the
// device table, the open-device list, the local address table and the locks for
// the whole run.
#include <QWidget>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/local_addresses.h"
#include "record/device_table.h"
#include "record/open_device_list.h"

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

    virtual void startSearch(bool broadcast, const QString& address);

    bool networkReady() const { return networkReady_; }
    bool searching() const { return searching_; }
    const std::vector<LocalAddress>& localAddressTable() const { return localAddresses_; }
    const DeviceTable& deviceTable() const { return deviceTable_; }
    DeviceListModel* deviceListModel() const { return deviceListModel_; }
    const std::string& defaultModelName() const { return defaultModelName_; }

    std::mutex addressLock;
    std::mutex routeLock;
    std::mutex neighbourLock;

    // Remembered by the configuration window between openings.
    QString webSourceDirectory;
    QString webImagePath;

public slots:
    void FormShow();
    void Timer1Timer();
    void funcTreeViewClick();
    void deviceListViewClick();
    void exitBtnClick();

signals:
    void programEnding();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void FormClose();
    QTreeWidgetItem* rootItem() const;

    DeviceTable deviceTable_;
    OpenDeviceList openDevices_;
    std::vector<LocalAddress> localAddresses_;
    std::unique_ptr<LocalAddressSource> ownAddressSource_;
    LocalAddressSource* addressSource_ = nullptr;
    std::atomic<bool> searching_{false};
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
};

// The process-wide reference through which workers reach the main window.
TmainForm* mainForm();
void setMainForm(TmainForm* form);

}  // namespace quillmar
