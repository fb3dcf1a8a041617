#pragma once
// The 256-byte records the configuration window sends and writes.
#include <QByteArray>

#include "config/config_form_values.h"
#include "record/config_block.h"
#include "record/device_entry.h"

namespace quillmar {

// A module given 0.0.0.0, or an address with a 255 in it, could not be reached
// again, so the save over UDP refuses to send such an address.
bool isReachableModuleAddress(quint32 controlValue);

// The block's thirteen record fields, each up to its terminator or its width and
// zero-filled to the width: the exported file and the record of the COM save.
QByteArray blockRecordBytes(const ConfigBlock& block);

}  // namespace quillmar
