#include "config/wifi_question.h"

#include <QStringList>

#include "ui/prompter.h"
#include "write/change_text.h"

namespace quillmar {

BeforeCableWrite askWhenWifiInDoubt(QWidget* window, WifiSurveyor surveyor, std::vector<FieldChange> changes,
                                    QString what, std::function<void(const QString& line)> log)
{
    return [window, surveyor = std::move(surveyor), changes = std::move(changes), what = std::move(what),
            log = std::move(log)](const WritePlan& plan, const QString& device) -> std::optional<QString> {
        if (!wifiCheckNeeded(changes, plan.record))
            return std::nullopt;
        const WifiCheck wifi = checkWifi(plan.record, surveyWith(surveyor));
        if (!wifi.refuses()) {
            if (wifi.outcome != WifiCheck::Outcome::Seen && log)
                log(QStringLiteral("%1 on %2: %3").arg(what, device, wifi.text));
            return std::nullopt;
        }
        QStringList lines = changeLines(plan.changes());
        lines << wifiCheckLine(wifi);
        const QString question = QStringLiteral("%1 on %2:\n\n%3\n\nSend anyway?").arg(what, device, lines.join(u'\n'));
        if (confirm(window, question, PromptAnswer::No))
            return std::nullopt;
        return QStringLiteral("not sent: ") + wifi.text;
    };
}

}  // namespace quillmar
