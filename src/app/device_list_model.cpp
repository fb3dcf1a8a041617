#include "app/device_list_model.h"
#include "record/single_byte_text.h"

#include <QBrush>
#include <QColor>
#include <QGuiApplication>
#include <QPalette>

namespace quillmar {
namespace {

constexpr int kWidths[kDeviceListColumns] = {50, 82, 50, 106, 95, 50, 50, 50, 89, 50, 50, 50, 60, 50};
// A name's letters average out narrower than a MAC's hexadecimal digits, which
// are all wide.
constexpr const char* kSamples[kDeviceListColumns] = {"100",
                                                      "RX_WIFI_IFBOARD",
                                                      "DEVICE-NAME-16CH",
                                                      "00-1F-7C-DB-CE-FA",
                                                      "255.255.255.255",
                                                      "65535",
                                                      "65535",
                                                      "STATIC",
                                                      "Adhoc",
                                                      "WPA2PSK",
                                                      "NONE",
                                                      "SSID-NAME-10",
                                                      "",
                                                      ""};

// The Wi-Fi keys, shown masked: a list on a shop's screen is seen by more than
// the technician; the configuration window shows them on demand.
constexpr int kKeyColumn = 12;
constexpr int kWpaPskColumn = 13;
const QString kMaskedKey = QStringLiteral("********");

bool isKeyColumn(int column)
{
    return column == kKeyColumn || column == kWpaPskColumn;
}

// A warning red that stays readable on the palette's base: dark on a light
// list, light on a dark one.
QColor warningColour(const QPalette& palette)
{
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(255, 120, 120) : QColor(192, 0, 0);
}

}  // namespace

DeviceListModel::DeviceListModel(DeviceTable& table, const OpenDeviceList& openDevices, QObject* parent)
    : QAbstractTableModel(parent), table_(table), openDevices_(openDevices)
{
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(table_.count());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kDeviceListColumns;
}

QString DeviceListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kDeviceListColumns)
        return {};
    if (column == 0)
        return QString::number(row + 1);
    const FieldLayout& layout = deviceFieldLayout()[column - 1];
    return fromSingleByte(table_.at(row).text(layout.field));
}

std::string DeviceListModel::macText(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return table_.at(static_cast<std::size_t>(row)).text(DeviceField::MacAddress).substr(0, kMacCompareLength);
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    // One MAC answering from two addresses: both rows say so, since only one
    // of the two hosts is that printer. A record whose MAC is not its
    // sender's card is a stranger's claim, marked the same way.
    const std::vector<std::string> elsewhere = table_.otherAddressesOf(std::size_t(index.row()));
    const QString stranger = senderMismatchOf(index.row());
    // A text longer than its column (a long SSID) is one hover away.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole) {
        QString shown = cellText(index.row(), index.column());
        if (isKeyColumn(index.column()) && !shown.isEmpty())
            shown = kMaskedKey;
        if (role != Qt::ToolTipRole)
            return shown;
        QString tip = shown;
        for (const std::string& other : elsewhere)
            tip += QStringLiteral("\nThis MAC also answers from %1: only one of them is that printer")
                       .arg(QString::fromStdString(other));
        if (!stranger.isEmpty())
            tip += u'\n' + stranger;
        return tip;
    }
    // The colours follow the palette, so that a dark theme keeps them readable.
    const QPalette palette = QGuiApplication::palette();
    if (role == Qt::ForegroundRole && (!elsewhere.empty() || !stranger.isEmpty()))
        return QBrush(warningColour(palette));
    if (role == Qt::ForegroundRole && openDevices_.contains(table_.at(index.row()).text(DeviceField::MacAddress)))
        return palette.brush(QPalette::Active, QPalette::Link);
    return {};
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kDeviceListColumns)
        return {};
    if (section == 0)
        return QStringLiteral("Number");
    return QString::fromLatin1(deviceFieldLayout()[section - 1].columnCaption);
}

int DeviceListModel::addRow(const DeviceEntry& entry, int printerFamily)
{
    if (!table_.accepts(entry, printerFamily))
        return -1;
    const int row = rowCount();
    // The neighbour table is read once, as the row is listed, not each time it is drawn.
    const std::optional<QString> mismatch = senderCheck_ ? senderCheck_(entry) : std::nullopt;
    beginInsertRows({}, row, row);
    table_.admit(entry, printerFamily);
    senderMismatches_.resize(std::size_t(row));
    senderMismatches_.push_back(mismatch.value_or(QString()));
    endInsertRows();
    // A row listed earlier with the same MAC is now claimed twice too.
    if (!table_.otherAddressesOf(std::size_t(row)).empty())
        refreshColours();
    return row;
}

void DeviceListModel::clear()
{
    beginResetModel();
    table_.clear();
    senderMismatches_.clear();
    endResetModel();
}

QString DeviceListModel::senderMismatchOf(int row) const
{
    return row >= 0 && std::size_t(row) < senderMismatches_.size() ? senderMismatches_[std::size_t(row)] : QString();
}

void DeviceListModel::refreshColours()
{
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kDeviceListColumns - 1), {Qt::ForegroundRole});
}

int DeviceListModel::columnWidth(int column)
{
    return column >= 0 && column < kDeviceListColumns ? kWidths[column] : 0;
}

QString DeviceListModel::columnSample(int column)
{
    return column >= 0 && column < kDeviceListColumns ? QString::fromLatin1(kSamples[column]) : QString();
}

}  // namespace quillmar
