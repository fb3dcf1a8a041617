#pragma once
// What the settings tools' boxes hold as plain texts, and the record a save
// builds from them (and a read fills them from), so that the two tool windows
// and the command line share one rule.
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

#include "record/device_entry.h"

namespace quillmar {

struct ToolBoxTexts {
    QString modelName;         // Edit1
    QString deviceName;        // Edit2
    QString macAddress;        // Edit3
    quint32 addressValue = 0;  // the address box, first number in the top byte
    QString addressText;       // Edit4; a read sets it, a save takes ip2dot(addressValue)
    QString tcpPort;           // Edit5
    QString udpPort;           // Edit6
    QString ipMode;            // Edit7
    QString wifiMode;          // Edit8
    QString ssid;              // Edit9
    QString wepKey;            // Edit10
    QString authMode;          // Edit11
    QString encryType;         // Edit12
    QString wpaPsk;            // Edit13
};

// The address box's value as the record and Edit4 carry it ("%u.%u.%u.%u").
QString addressBoxText(quint32 controlValue);

// A text the record cannot carry as single bytes is refused with its field's
// message (the configuration window's messages), before anything is sent.
std::optional<QString> checkToolTexts(const ToolBoxTexts& texts);

// The record a save writes: zero-filled, every text cut to its field's width;
// the address is addressBoxText(addressValue); the WEP key goes only with "WEP"
// encryption and the WPA key only with any other, the other field stays blank.
// Call checkToolTexts first: a character outside Latin-1 would go as '?'.
DeviceEntry buildToolRecord(const ToolBoxTexts& texts);

// The text of the box that shows `field` (the address: addressBoxText of its value).
QString toolBoxText(const ToolBoxTexts& texts, DeviceField field);

// The fields whose boxes hold another text than `shown` (the address by the
// address box's value), in the record's order.
std::vector<DeviceField> changedToolFields(const ToolBoxTexts& shown, const ToolBoxTexts& now);

// What a tool window says when its save has no record of this printer to start
// from: no read succeeded in the window, it was of another port or printer, or
// a later read failed.
inline const QString kReadFirstMessage = QStringLiteral(
    "Read the printer's settings first (READ SETTING): nothing was written.");

// What a read shows: every field's text (the MAC upper-cased); addressText is
// the record's text and addressValue its dot2ip value in the box's form
// (255.255.255.255 for a text that does not parse).
ToolBoxTexts toolTextsFromRecord(const DeviceEntry& record);

}  // namespace quillmar
