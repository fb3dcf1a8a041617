#pragma once
// A write to a printer on a COM port or a USB cable as the windows make it
// (the configuration window's save by COM port, the settings tools' "SAVE
// SETTING"): the printer is read again on the same channel just before the
// write, since the one attached now may not be the one read earlier, and the
// write is planned from that read (write/write_plan.h), backed up, written,
// and kept in the audit log. No reply follows a write: "written" means every
// byte went out.
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "comm/direct_settings.h"
#include "comm/settings_channel.h"
#include "write/write_plan.h"

namespace quillmar {

struct CableWrite {
    enum class Outcome {
        Written,
        NotRead,       // the read before the write did not give a whole record
        Refused,       // the plan refused it (another printer, a rule, the guard)
        NoBackup,      // the record as read could not be stored
        Failed,        // the write itself failed
        NotConfirmed,  // the window's last look at the plan said no: nothing was sent
    };
    Outcome outcome = Outcome::NotRead;
    QString device;   // the channel's device after the exchange
    QString message;  // why not, for every outcome but Written
    // The audit log could not be written (the write stands).
    std::optional<QString> auditFailure;
    std::optional<WritePlan> plan;

    bool written() const { return outcome == Outcome::Written; }
};

// Asked once the write to the printer on `device` is planned, before the
// backup: why it must not go (the user said no), or nothing.
using BeforeCableWrite = std::function<std::optional<QString>(const WritePlan& plan, const QString& device)>;

// `request` names the printer (its MAC), the changes and the rules; where it
// is read and written is the channel's. `operation` as the audit log names it.
CableWrite writeOverCable(SettingsChannel& channel, WriteRequest request, const QString& operation,
                          const KeepAlive& keepAlive = {}, const DirectSettingsTiming& timing = {},
                          const BeforeCableWrite& beforeWrite = {});

}  // namespace quillmar
