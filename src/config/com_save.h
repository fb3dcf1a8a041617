#pragma once
// The save by COM port: the settings-write command and then the block's 256-byte
// record, written through the serial control to a printer on a COM port. No
// answer is awaited. The window calls it after its validation; the settings tools
// and the command line write the same bytes the same way.
#include <QString>

#include "record/config_block.h"

namespace quillmar {

class MSComm;

// Opens COM`portNumber` with `settings` ("115200,n,8,1"), writes the command and
// the record one byte per write, and closes the port again. A failure of the
// serial control throws MSCommError, and the port is closed before it does, so
// the next save can open it.
void saveByComPort(MSComm& comm, int portNumber, const QString& settings, const ConfigBlock& block);

}  // namespace quillmar
