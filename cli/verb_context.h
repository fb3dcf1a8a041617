#pragma once
// What a verb writes to and how long it waits: the program gives it standard
// output and standard error, a test gives it strings, so verbs run in-process.
#include <QByteArray>
#include <QString>
#include <QTextStream>

#include <chrono>
#include <functional>
#include <optional>

#include "comm/direct_settings.h"
#include "maintenance/maintenance_timing.h"
#include "write/module_read.h"

namespace quillmar {
class HostTables;
class SecretStore;
class UsbPrinterLocator;
}  // namespace quillmar

namespace quillmar::cli {

struct VerbContext {
    QTextStream& out;
    QTextStream& err;
    // How long a module has to answer the read request.
    std::chrono::milliseconds readWait = kConfigReplyWait;
    // Whether `err` is a terminal: a long operation draws its progress as a
    // bar there and writes plain lines anywhere else.
    bool errIsTerminal = false;
    // How many columns `out` has when it is a terminal; 0 when it is not (a
    // file or a pipe takes whole lines).
    int outColumns = 0;
    // Where a question is answered (standard input), and whether a person is
    // there to answer it: a verb that must ask asks only a terminal.
    QTextStream* in = nullptr;
    bool inIsTerminal = false;
    // How long a printer on a COM port or USB has to answer.
    DirectSettingsTiming directTiming{};
    // Where a USB printer is looked for; the system's when not set.
    UsbPrinterLocator* usbLocator = nullptr;
    // The device session's and the serial loader's waits.
    MaintenanceTiming maintenanceTiming{};
    // The route and neighbour tables a session changes; the system's when not
    // set.
    HostTables* hostTables = nullptr;
    // Asks the user for a secret without showing it (--ask-secret, a
    // passphrase): the answer, or nothing with the error set. The process's
    // terminal when not set.
    std::function<std::optional<QByteArray>(const QString& prompt, QString& error)> askSecret{};
    // Where --password-from-keyring looks; the desktop's secret store when not set.
    SecretStore* secretStore = nullptr;
};

}  // namespace quillmar::cli
