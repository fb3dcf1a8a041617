#pragma once
// The Wi-Fi check of the write verbs (write/wifi_check.h): the PC's Wi-Fi is
// surveyed once per command, however many printers it writes, and what could
// not be checked is said once on standard error. --ssid-not-seen-ok sends a
// network name or security the survey did not find anyway.
#include <QCommandLineOption>
#include <QSet>
#include <QString>

#include <optional>

#include "verb_context.h"
#include "write/wifi_check.h"

namespace quillmar::cli {

inline const QString kSsidNotSeenHint = QStringLiteral("; --ssid-not-seen-ok to send it anyway");

QCommandLineOption ssidNotSeenOkOption();

class WifiChecker {
public:
    WifiCheck check(const DeviceEntry& record);
    // `text` on standard error, once a command.
    void say(const QString& text, const QString& prefix, VerbContext& context);

private:
    std::optional<WifiSurvey> survey_;
    QSet<QString> said_;
};

}  // namespace quillmar::cli
