#pragma once
// The 256-byte records the configuration window sends and writes.
#include <QByteArray>

#include "config/config_form_values.h"
#include "record/config_block.h"
#include "record/device_entry.h"

namespace quillmar {

// The save to module over UDP, taken from the control texts without validation:
// the address is the module address control's value printed by ip2dot (a 255 in
// it is sent as it stands) and is also stored into the block's ipAddress; the key
// goes only with "WEP" encryption and the WPA key with any other. Every text is
// cut to its field's width, so nothing runs into the next field or past the record.
DeviceEntry buildUdpSaveRecord(const ConfigFormValues& values, ConfigBlock& block);

// A module given 0.0.0.0, or an address with a 255 in it, could not be reached
// again, so the save over UDP refuses to send such an address.
bool isReachableModuleAddress(quint32 controlValue);

// The block's thirteen record fields, each up to its terminator or its width and
// zero-filled to the width: the exported file and the record of the COM save.
QByteArray blockRecordBytes(const ConfigBlock& block);

}  // namespace quillmar
