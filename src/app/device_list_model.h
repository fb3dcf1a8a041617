#pragma once
// The device list's rows are the device table itself: a row and its slot always
// appear together. Rows of devices with an open configuration window are blue;
// a MAC claimed twice, or a record whose MAC is not its sender's card, is
// marked in the warning colour with the reason in the row's tool tip.
#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "record/device_table.h"
#include "record/open_device_list.h"

namespace quillmar {

inline constexpr int kDeviceListColumns = 14;

class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DeviceListModel(DeviceTable& table, const OpenDeviceList& openDevices, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Lists the entry unless its MAC is listed, its model is not managed by the
    // family, or the table is full. Returns the new row or -1.
    int addRow(const DeviceEntry& entry, int printerFamily);
    // Asked once for each row as it is listed: why the record is not its
    // sender's (write/sender_check.h), or nothing.
    using SenderCheck = std::function<std::optional<QString>(const DeviceEntry&)>;
    void setSenderCheck(SenderCheck check) { senderCheck_ = std::move(check); }
    // Why the row's record is not its sender's; empty when it is, as far as
    // the PC can tell.
    QString senderMismatchOf(int row) const;
    void clear();
    // Redraws every row's colour after the open set changed.
    void refreshColours();

    // Column texts as the list shows them: sub-item 2 is the MAC, 3 the IP.
    QString cellText(int row, int column) const;
    // The row's MAC as its record holds it, at most 17 bytes: the form every
    // MAC comparison uses (the open-device list, the colouring), so that a byte
    // at or above 0x80 is found as it was stored.
    std::string macText(int row) const;

    // The width the column is laid out with, in pixels.
    static int columnWidth(int column);
    // The widest text a column is expected to show whole: a full MAC, a
    // 16-character device name, the longest model name, a dotted address. A
    // column starts at least as wide as this and as its caption.
    static QString columnSample(int column);

private:
    DeviceTable& table_;
    const OpenDeviceList& openDevices_;
    SenderCheck senderCheck_;
    std::vector<QString> senderMismatches_;  // one per row
};

}  // namespace quillmar
