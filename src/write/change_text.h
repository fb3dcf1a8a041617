#pragma once
// How a window words a write: the fields by the captions the user sees them
// under ("SSID", "IP Address"), a change as "SSID: ShopNet -> Shop2", and a
// printer by its name, MAC and address. Keys arrive masked (recordChanges).
#include <QString>
#include <QStringList>

#include <vector>

#include "history/record_changes.h"
#include "record/device_entry.h"
#include "write/fleet_save.h"

namespace quillmar {

// The device list's caption of the field's column.
QString fieldCaption(DeviceField field);

// One "Caption: from -> to" per change, texts escaped as a record's bytes are.
QStringList changeLines(const std::vector<ChangedField>& changes);

// "Counter1 (00-1F-7C-00-02-14) at 192.0.2.20"; the parts that are empty are
// left out.
QString printerText(const QString& name, const QString& mac, const QString& address);

// A verdict in the words of a window's result table: "confirmed", "not
// confirmed", "no answer", "refused", "failed", "stopped", "unchanged".
QString windowVerdict(const ModuleVerdict& module);

// What a read-back found, fields by their captions: "verified at ADDRESS",
// "differs at ADDRESS: SSID sent Shop2, found ShopNet", "not seen again", ...
QString readbackLine(const ModuleVerdict& module);

}  // namespace quillmar
