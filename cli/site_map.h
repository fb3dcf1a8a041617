#pragma once
// The table a site is rolled out from (config apply --map FILE.csv): a header
// row with macAddress and any record field names (ip as the short name;
// address, interface and modelName are columns an inventory has and that are
// left alone), then one row per printer. An empty cell, or a key cell still
// holding the mask discover --csv writes, leaves that field as the module has
// it. Every row is checked before anything is sent. A field in two columns (in
// any case; ip and ipAddress are one field) is refused, not taken from either.
// What spreadsheets add to a table they save is passed over: a byte order mark,
// rows of empty cells, and empty columns without a name.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "settable_fields.h"

namespace quillmar::cli {

struct MapRow {
    int line = 0;  // in the file, from 1
    QString mac;   // "00-1F-7C-00-02-14"
    std::vector<FieldChange> changes;
    std::optional<std::uint32_t> newAddress;  // when the row gives ip
    // Key cells that hold the mask discover --csv writes: nothing to send,
    // but what config check compares the printer's key with.
    std::vector<std::pair<DeviceField, QString>> keyMasks;
};

// The rows of the map at `path`. Nothing when any row is refused: then
// `refusals` holds one message per fault, each naming its line ("map.csv line
// 4: ssid: invalid SSID config!"). `columns`, when given, gets the fields
// the header names, so that a key the map has no column for can come from
// elsewhere (--secrets) while a column's empty or masked cell still leaves
// the key as it is.
std::optional<std::vector<MapRow>> readSiteMap(const QByteArray& path, QStringList& refusals,
                                               std::set<DeviceField>* columns = nullptr);

// Whether a MAC cell is a MAC and nothing more ("00:1F:7C:00:0A:0A:77" is not).
bool isWholeMac(const QByteArray& text);

// The largest map read; a larger file is refused before it is read.
inline constexpr qint64 kLargestMap = 8 * 1024 * 1024;

}  // namespace quillmar::cli
