#pragma once
// The shells' completion of quillmar-cli (bash, zsh, fish), written from the
// verb registry and what each verb declares, so that a new verb, option or
// field completes without an edit here. The scripts complete verbs, options,
// the values an option names ("--family 1|2"), files and directories, the
// field names after NAME=VALUE's verbs and the coded fields' values
// (ipMode=STATIC), and the serial ports, which they ask the program for each
// time (completionSerialPorts), since ports come and go.
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

#include "verb.h"

namespace quillmar::cli {

// The shells a script is written for, as `quillmar-cli completion` names them.
QStringList completionShells();

// The script for `shell`; nothing for a shell not in completionShells().
std::optional<QString> completionScript(const QString& shell, const std::vector<std::unique_ptr<Verb>>& verbs);

// What --port offers: COMn for each COM port whose device is there (as
// QUILLMAR_COMn or /dev/ttyS<n-1> names it), then the serial devices that are
// there (/dev/ttyS*, /dev/ttyUSB*, /dev/ttyACM*).
QStringList completionSerialPorts();

}  // namespace quillmar::cli
