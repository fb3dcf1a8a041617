#include "config/com_save.h"

#include "comm/serial_control.h"
#include "config/save_records.h"

namespace quillmar {

void saveByComPort(MSComm& comm, int portNumber, const QString& settings, const ConfigBlock& block)
{
    const QByteArray bytes = comSaveBytes(block);
    const qsizetype commandLength = kComSaveCommand.size();
    try {
        comm.setCommPort(portNumber);
        comm.setSettings(settings);
        comm.setPortOpen(true);
        comm.setOutput(bytes.left(commandLength));
        // The printer takes the record one character per write.
        for (qsizetype i = commandLength; i < bytes.size(); ++i)
            comm.setOutput(bytes.mid(i, 1));
        comm.setPortOpen(false);
    } catch (const MSCommError&) {
        // A port left open would refuse the next save.
        try {
            comm.setPortOpen(false);
        } catch (const MSCommError&) {
        }
        throw;
    }
}

}  // namespace quillmar
