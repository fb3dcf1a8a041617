#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>

#include "app/device_list_model.h"
#include "app/shared_windows.h"
#include "discovery/search_ip_dialog.h"
#include "discovery/udp_progress_form.h"
#include "history/history_form.h"
#include "maintenance/maintenance_thread.h"
#include "maintenance/session_tables.h"
#include "platform/host_tables.h"
#include "platform/secret_store.h"
#include "platform/socket_layer.h"
#include "record/ipv4_text.h"
#include "record/program_flags.h"
#include "ui/keyboard.h"
#include "ui/logo.h"
#include "ui/prompter.h"
#include "write/sender_check.h"

namespace quillmar {
namespace {

TmainForm* theMainForm = nullptr;

constexpr int kClientWidth = 825;
constexpr int kClientHeight = 418;
constexpr int kTreeWidth = 176;
constexpr int kLogHeight = 78;
constexpr int kFirstSearchDelayMs = 500;

const QString kRootItem = QStringLiteral("Configuration");
const QString kUpgradeItem = QStringLiteral("Upgrade");

}  // namespace

TmainForm* mainForm()
{
    return theMainForm;
}

void setMainForm(TmainForm* form)
{
    theMainForm = form;
}

// Opens at its laid-out size; it may be resized and maximised, since fonts
// wider than the layout's leave the list's columns too little room.
TmainForm::TmainForm(QWidget* parent, LocalAddressSource* addressSource)
    : QWidget(parent, Qt::Window), addressSource_(addressSource)
{
    if (!addressSource_) {
        ownAddressSource_ = std::make_unique<IfaddrsAddressSource>();
        addressSource_ = ownAddressSource_.get();
    }
    setObjectName(QStringLiteral("mainForm"));
    setWindowTitle(QStringLiteral(" Quillmar LAN / WI-FI POS Printer Manager  v1.12"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    buildControls();
}

TmainForm::~TmainForm()
{
    // Nothing a worker does waits for this thread, so waiting here cannot hang.
    stopSearchWorkers();
    stopMaintenanceWorkers();
    if (theMainForm == this)
        theMainForm = nullptr;
}

void TmainForm::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ControlBar1 = new QFrame(this);
    ControlBar1->setObjectName(QStringLiteral("ControlBar1"));
    ControlBar1->setFixedHeight(68);
    ControlBar1->setFrameShape(QFrame::StyledPanel);
    auto* bar = new QHBoxLayout(ControlBar1);
    bar->setContentsMargins(4, 4, 4, 4);
    Image1 = new QLabel(ControlBar1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(quillmarLogo());
    Image1->setFixedSize(305, 59);
    bar->addWidget(Image1);

    ToolBar1 = new QToolBar(ControlBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    Button1 = new QPushButton(QStringLiteral("Change Settings"), ToolBar1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(122, 56);
    Button1->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    Button1->setEnabled(false);
    exitBtn = new QPushButton(QStringLiteral("Exit"), ToolBar1);
    exitBtn->setObjectName(QStringLiteral("exitBtn"));
    exitBtn->setFixedSize(88, 56);
    exitBtn->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    ToolBar1->addWidget(Button1);
    ToolBar1->addWidget(exitBtn);
    bar->addWidget(ToolBar1);
    bar->addStretch(1);
    layout->addWidget(ControlBar1);

    mainSplitter = new QSplitter(Qt::Horizontal, this);
    mainSplitter->setObjectName(QStringLiteral("mainSplitter"));
    mainSplitter->setChildrenCollapsible(false);

    funcTreeView = new QTreeWidget(mainSplitter);
    funcTreeView->setObjectName(QStringLiteral("funcTreeView"));
    funcTreeView->setHeaderHidden(true);
    funcTreeView->setIndentation(19);
    funcTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    funcTreeView->setMinimumWidth(10);
    funcTreeView->installEventFilter(this);

    gridSplitter = new QSplitter(Qt::Vertical, mainSplitter);
    gridSplitter->setObjectName(QStringLiteral("gridSplitter"));
    gridSplitter->setChildrenCollapsible(false);

    deviceListModel_ = new DeviceListModel(deviceTable_, openDevices_, this);
    // A record whose MAC is not the card that sent it is marked as it is listed.
    deviceListModel_->setSenderCheck([this](const DeviceEntry& entry) -> std::optional<QString> {
        const std::optional<std::uint32_t> sender = parseIpv4(entry.text(DeviceField::IpAddress));
        if (!sender)
            return std::nullopt;
        return senderMismatch(neighbourTables(), entry.text(DeviceField::MacAddress).substr(0, kMacCompareLength),
                              *sender);
    });
    deviceListView = new QTableView(gridSplitter);
    deviceListView->setObjectName(QStringLiteral("deviceListView"));
    deviceListView->setModel(deviceListModel_);
    deviceListView->setShowGrid(true);
    deviceListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Ctrl- and Shift-click select several printers for one change of settings.
    deviceListView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    deviceListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    deviceListView->verticalHeader()->hide();
    deviceListView->verticalHeader()->setDefaultSectionSize(20);
    deviceListView->horizontalHeader()->setHighlightSections(false);
    deviceListView->setWordWrap(false);
    deviceListView->horizontalHeader()->setStretchLastSection(true);
    fitColumns();
    deviceListView->installEventFilter(this);
    // Tab leaves the list for the log instead of walking its cells; the arrow
    // keys move in it.
    deviceListView->setTabKeyNavigation(false);

    msgMemo = new QPlainTextEdit(gridSplitter);
    msgMemo->setObjectName(QStringLiteral("msgMemo"));
    msgMemo->setReadOnly(true);
    msgMemo->setTabChangesFocus(true);
    msgMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    gridSplitter->setSizes({kClientHeight - 68 - kLogHeight, kLogHeight});
    mainSplitter->setSizes({kTreeWidth, kClientWidth - kTreeWidth});
    // A bigger window goes to the list; the tree and the log keep their size.
    mainSplitter->setStretchFactor(0, 0);
    mainSplitter->setStretchFactor(1, 1);
    gridSplitter->setStretchFactor(0, 1);
    gridSplitter->setStretchFactor(1, 0);
    layout->addWidget(mainSplitter, 1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kFirstSearchDelayMs);

    connect(Timer1, &QTimer::timeout, this, &TmainForm::Timer1Timer);
    connect(funcTreeView, &QTreeWidget::itemClicked, this, &TmainForm::funcTreeViewClick);
    // "Change Settings" follows the selection, whether a click on a row, a
    // click beside the rows (which clears it) or a key changed it.
    connect(deviceListView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TmainForm::deviceListViewClick);
    // A search empties the list without a selection change: the button follows.
    connect(deviceListModel_, &QAbstractItemModel::modelReset, this, &TmainForm::deviceListViewClick);
    connect(deviceListModel_, &QAbstractItemModel::rowsRemoved, this, &TmainForm::deviceListViewClick);
    connect(deviceListView, &QTableView::doubleClicked, this, &TmainForm::deviceListViewDblClick);
    connect(Button1, &QPushButton::clicked, this, &TmainForm::Button1Click);
    connect(exitBtn, &QPushButton::clicked, this, &TmainForm::exitBtnClick);
    auto* history = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this);
    history->setObjectName(QStringLiteral("historyShortcut"));
    connect(history, &QShortcut::activated, this, &TmainForm::openHistory);
    pressFocusedButtonOnEnter(this);

    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TmainForm::openWideEnoughForTheList()
{
    // Every column of the list beside the tree as it was fitted to its items,
    // as far as the screen allows; a smaller screen gets a scroll bar under
    // the list.
    const int tree = mainSplitter->sizes().value(0, kTreeWidth);
    int columns = 0;
    for (int column = 0; column < kDeviceListColumns; ++column)
        columns += deviceListView->columnWidth(column);
    const int width = tree + mainSplitter->handleWidth() + columns + 2 * deviceListView->frameWidth()
                      + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    QSize size(std::max(kClientWidth, width), kClientHeight);
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        // The window frame takes a little of the screen too.
        const QSize room = screen->availableGeometry().size() - QSize(16, 40);
        size = size.boundedTo(room).expandedTo(QSize(kClientWidth, kClientHeight).boundedTo(room));
    }
    resize(size);
    mainSplitter->setSizes({tree, size.width() - tree});
    if (screen)
        move(screen->availableGeometry().center() - rect().center());
}

HostTables& TmainForm::neighbourTables()
{
    if (hostTables_)
        return *hostTables_;
    if (!systemTables_)
        systemTables_ = std::make_unique<NetlinkHostTables>();
    return *systemTables_;
}

void TmainForm::fitColumns()
{
    const QFontMetrics cells(deviceListView->font());
    const QFontMetrics captions(deviceListView->horizontalHeader()->font());
    // Room for the cell's and the caption's margins and the grid line.
    constexpr int kCellPadding = 10;
    constexpr int kCaptionPadding = 14;
    for (int column = 0; column < kDeviceListColumns; ++column) {
        const QString caption = deviceListModel_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width = std::max({DeviceListModel::columnWidth(column),
                                    cells.horizontalAdvance(DeviceListModel::columnSample(column)) + kCellPadding,
                                    captions.horizontalAdvance(caption) + kCaptionPadding});
        deviceListView->setColumnWidth(column, width);
    }
}

void TmainForm::fitFunctionTree()
{
    // The widest item with its indentation and the branch marks beside the
    // root, and the frame on both sides.
    const QFontMetrics metrics(funcTreeView->font());
    int items = 0;
    for (QTreeWidgetItemIterator it(funcTreeView); *it; ++it) {
        int depth = 1;
        for (const QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++depth;
        items = std::max(items, depth * funcTreeView->indentation() + metrics.horizontalAdvance((*it)->text(0)));
    }
    constexpr int kItemMargins = 12;
    const int width = items + kItemMargins + 2 * funcTreeView->frameWidth();
    const int total = mainSplitter->width() > 0 ? mainSplitter->width() : kClientWidth;
    mainSplitter->setSizes({width, std::max(total - width, 0)});
}

bool TmainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != funcTreeView && watched != deviceListView))
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == funcTreeView && (enter || key == Qt::Key_Space)) {
        runCurrentTreeItem();
        return true;
    }
    if (watched == deviceListView && enter) {
        // The row the keyboard is on is the row Enter opens, also when it
        // was never selected (the list's only row, say).
        if (!deviceListView->selectionModel()->hasSelection() && deviceListView->currentIndex().isValid())
            deviceListView->selectRow(deviceListView->currentIndex().row());
        Button1Click();
        return true;
    }
    if (watched == deviceListView && selectRowByKey(key))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool TmainForm::selectRowByKey(int key)
{
    const bool moves = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End
                       || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
    const int rows = deviceListModel_->rowCount();
    if (!moves || rows == 0 || deviceListView->selectionModel()->hasSelection())
        return false;
    // Without a selection the first arrow selects a row instead of moving
    // past one that only looked current: the current row, else the first
    // (the last for Up and End).
    int row = deviceListView->currentIndex().isValid() ? deviceListView->currentIndex().row() : -1;
    if (row < 0)
        row = key == Qt::Key_Up || key == Qt::Key_End ? rows - 1 : 0;
    deviceListView->setCurrentIndex(deviceListModel_->index(row, 0));
    deviceListView->selectRow(row);
    return true;
}

void TmainForm::runCurrentTreeItem()
{
    QTreeWidgetItem* item = funcTreeView->currentItem();
    if (!item)
        return;
    const QString text = item->text(0);
    funcTreeView->setCurrentItem(item);
    funcTreeViewClick();
    // The keyboard stays on the item it ran (a click's command reselects the
    // root), so that the next key goes on from there.
    const QList<QTreeWidgetItem*> found = funcTreeView->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    if (!found.isEmpty())
        funcTreeView->setCurrentItem(found.first());
}

void TmainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TmainForm::FormShow()
{
    msgMemo->clear();
    buildFunctionTree();
    fitFunctionTree();
    openWideEnoughForTheList();
    deviceListModel_->clear();
    webSourceDirectory.clear();
    webImagePath.clear();
    defaultModelName_ = "RX4100 WI-FI";

    if (checkSocketLayer() != 0) {
        showError(this, QStringLiteral("winsock startup failed"));
        networkReady_ = false;
        return;
    }
    localAddresses_.clear();
    if (readLocalAddresses() != 0) {
        showError(this, QStringLiteral("get local ip failed"));
        networkReady_ = false;
        return;
    }
    // The address input control needs no start-up of its own here.

    networkReady_ = true;
    openDevices_.clear();
    searching_ = false;
    Timer1->start();
    // The tree was widened here for the items' texts; it is already as wide
    // as they need, and a wider one would take the list's room.
}

int TmainForm::readLocalAddresses()
{
    LocalAddressReading reading;
    {
        std::lock_guard<std::mutex> lock(addressLock);
        reading = addressSource_->read();
    }
    if (reading.error != 0) {
        log(QStringLiteral("GetIpAddrTable failed, %1").arg(reading.error));
        return -1;
    }
    if (reading.addresses.empty()) {
        log(QStringLiteral("no valid host ip"));
        return -1;
    }
    if (reading.addresses.size() > kMaxLocalAddresses)
        reading.addresses.resize(kMaxLocalAddresses);
    localAddresses_ = std::move(reading.addresses);
    return 0;
}

void TmainForm::buildFunctionTree()
{
    funcTreeView->clear();
    auto* root = new QTreeWidgetItem(funcTreeView, {kRootItem});
    const bool usbTool = programFlags().usbToolFlag == 1;
    // "History" before the settings tool, which stays the last item until a
    // search adds "Upgrade".
    for (const QString& text :
         {QStringLiteral("Broadcast"), QStringLiteral("Search by IP"), QStringLiteral("History"),
          usbTool ? QStringLiteral("ChangeSettingByUSB") : QStringLiteral("ChangeSettingByCOMPort")})
        new QTreeWidgetItem(root, {text});
    setWindowTitle(usbTool ? QStringLiteral("Quillmar LAN / WI-FI POS Printer Manager  v1.12")
                           : QStringLiteral("Quillmar LAN / WI-FI POS Printer Manager  v1.10"));
    funcTreeView->expandAll();
}

QTreeWidgetItem* TmainForm::rootItem() const
{
    return funcTreeView->topLevelItemCount() > 0 ? funcTreeView->topLevelItem(0) : nullptr;
}

void TmainForm::Timer1Timer()
{
    Timer1->stop();
    startSearch(true, QString());
}

QTreeWidgetItem* TmainForm::upgradeItem() const
{
    QTreeWidgetItem* root = rootItem();
    for (int i = 0; root && i < root->childCount(); ++i) {
        if (root->child(i)->text(0) == kUpgradeItem)
            return root->child(i);
    }
    return nullptr;
}

void TmainForm::addUpgradeItem()
{
    if (QTreeWidgetItem* root = rootItem(); root && !upgradeItem())
        new QTreeWidgetItem(root, {kUpgradeItem});
}

void TmainForm::removeUpgradeItem()
{
    delete upgradeItem();
}

void TmainForm::startSearch(bool broadcast, const QString& address)
{
    deviceListModel_->clear();
    removeUpgradeItem();
    searching_ = true;

    const SearchTarget target = SearchTarget::fromText(broadcast, address.toStdString());
    otherFamily_ = OtherFamilyCount(programFlags().printerFamily);
    searchCancelled_ = false;

    TudpPrgForm* progress = createSharedWindows().udpPrgForm;
    auto* worker = new UDPsearchThread(broadcast, address, localAddresses_, programFlags().printerFamily,
                                       searchTiming_);
    // Everything the worker does to the windows arrives here as queued calls.
    // A cancelled worker runs on until its next stop check; once a newer
    // search has started, what the old one still sends would close, fill or
    // move the newer one's window and list. Only its beep and its failures
    // still reach the user.
    const quint64 search = ++searchNumber_;
    const auto current = [this, search] { return search == searchNumber_; };
    constexpr auto queued = Qt::QueuedConnection;
    connect(
        worker, &UDPsearchThread::labelChanged, progress,
        [progress, current](const QString& text) {
            if (current())
                progress->setLabelText(text);
        },
        queued);
    connect(
        worker, &UDPsearchThread::barPositionChanged, progress,
        [progress, current](int position) {
            if (current())
                progress->setBarPosition(position);
        },
        queued);
    connect(
        worker, &UDPsearchThread::barStepped, progress,
        [progress, current] {
            if (current())
                progress->stepBar();
        },
        queued);
    connect(
        worker, &UDPsearchThread::replyParsed, this,
        [this, current](const DeviceEntry& entry) {
            if (!current())
                return;
            otherFamily_.offer(entry);
            addRow(entry);
        },
        queued);
    connect(
        worker, &UDPsearchThread::searchFinished, this,
        [this, progress, current, target] {
            if (!current())
                return;
            searching_ = false;
            progress->closeIfVisible();
            update();
            // A cancelled search was told of when it was cancelled.
            if (!searchCancelled_ && deviceListModel_->rowCount() == 0)
                log(QString::fromStdString(nothingListedText(target)));
            if (otherFamily_.count() > 0)
                log(QString::fromStdString(otherFamilyText(otherFamily_.count()))
                    + QStringLiteral("; choose that family in the model chooser to see them"));
        },
        queued);
    connect(
        worker, &UDPsearchThread::errorRaised, this,
        [this, progress](const QString& text) {
            showError(progress->isVisible() ? static_cast<QWidget*>(progress) : this, text);
        },
        queued);
    // The progress window stays until the user cancels it.
    connect(
        worker, &UDPsearchThread::exceptionRaised, this,
        [this, current](const QString& text) {
            if (current())
                searching_ = false;
            log(QStringLiteral("UDPsearchThread Exception"));
            showException(this, text);
        },
        queued);
    connect(
        worker, &UDPsearchThread::beepRequested, this,
        [this] {
            QApplication::beep();
            emit searchStopBeeped();
        },
        queued);
    searchThread_ = worker;
    std::erase_if(searchWorkers_, [](const QPointer<UDPsearchThread>& ended) { return ended.isNull(); });
    searchWorkers_.emplace_back(worker);
    worker->start();

    progress->prepareForSearch();
    progress->exec();

    // Still searching means the user cancelled: the worker stops at its next check.
    if (searching_ && current()) {
        searchCancelled_ = true;
        log(QString::fromStdString(searchCancelledText(target, std::size_t(deviceListModel_->rowCount()))));
        if (searchThread_)
            searchThread_->requestStop();
    }
    if (deviceListModel_->rowCount() > 0)
        addUpgradeItem();
}

int TmainForm::runningSearchWorkers() const
{
    return static_cast<int>(
        std::count_if(searchWorkers_.begin(), searchWorkers_.end(),
                      [](const QPointer<UDPsearchThread>& worker) { return worker && !worker->isFinished(); }));
}

void TmainForm::stopSearchWorkers()
{
    for (const QPointer<UDPsearchThread>& worker : searchWorkers_) {
        if (worker)
            worker->requestStop();
    }
    for (const QPointer<UDPsearchThread>& worker : searchWorkers_) {
        if (worker)
            worker->wait();
    }
}

void TmainForm::deviceListViewClick()
{
    Button1->setEnabled(deviceListView->selectionModel()->hasSelection());
}

void TmainForm::log(const QString& text)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, text] { log(text); }, Qt::QueuedConnection);
        return;
    }
    msgMemo->appendPlainText(text);
}

void TmainForm::addRow(const DeviceEntry& entry)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, entry] { addRow(entry); }, Qt::QueuedConnection);
        return;
    }
    deviceListModel_->addRow(entry, programFlags().printerFamily);
    deviceListView->viewport()->update();
}

int TmainForm::markDeviceOpen(const std::string& mac, bool add)
{
    if (add) {
        if (!openDevices_.add(mac))
            return -1;
    } else {
        openDevices_.remove(mac);
    }
    deviceListModel_->refreshColours();
    return 0;
}

int TmainForm::isDeviceOpen(const std::string& mac) const
{
    return openDevices_.contains(mac) ? -1 : 0;
}

void TmainForm::exitBtnClick()
{
    close();
}

void TmainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    QWidget::closeEvent(event);
    emit programEnding();
    QCoreApplication::quit();
}

void TmainForm::FormClose()
{
    // Sockets are opened per exchange, so nothing stays open to shut down but
    // searches that were cancelled and are finishing: each ends at its next check.
    Timer1->stop();
    stopSearchWorkers();
    stopMaintenanceWorkers();
}

}  // namespace quillmar
