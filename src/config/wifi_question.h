#pragma once
// The Wi-Fi check of a window's write over a cable (the settings tools' "SAVE
// SETTING", the configuration window's save by COM port): once the write is
// planned, a network this PC's Wi-Fi does not see, or sees offering other
// security, is asked about, No by default; what could not be checked goes on
// and is said in the log.
#include <QString>

#include <functional>
#include <vector>

#include "write/cable_write.h"
#include "write/wifi_check.h"

class QWidget;

namespace quillmar {

// `changes` are the write's (the check runs when they touch the network);
// `what` begins the question and the log line ("SAVE SETTING"); `log`
// appends to the main window's log.
BeforeCableWrite askWhenWifiInDoubt(QWidget* window, WifiSurveyor surveyor, std::vector<FieldChange> changes,
                                    QString what, std::function<void(const QString& line)> log);

}  // namespace quillmar
