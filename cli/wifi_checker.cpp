#include "wifi_checker.h"

#include "comm/core_application.h"

namespace quillmar::cli {

QCommandLineOption ssidNotSeenOkOption()
{
    return {QStringLiteral("ssid-not-seen-ok"),
            QStringLiteral("send an SSID this PC's Wi-Fi does not see, or security its access point does not offer")};
}

WifiCheck WifiChecker::check(const DeviceEntry& record)
{
    if (!survey_) {
        // D-Bus wants an application, as the sockets do.
        ensureCoreApplication();
        survey_ = surveyWifi();
    }
    return checkWifi(record, *survey_);
}

void WifiChecker::say(const QString& text, const QString& prefix, VerbContext& context)
{
    if (said_.contains(text))
        return;
    said_.insert(text);
    context.err << prefix << text << '\n';
    context.err.flush();
}

}  // namespace quillmar::cli
