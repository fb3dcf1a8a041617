#include "module_watch.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <atomic>
#include <thread>

#include "discovery/local_search.h"
#include "exit_status.h"
#include "record/field_name_text.h"
#include "record/field_names.h"
#include "record_printing.h"
#include "stop_signals.h"
#include "terminal_text.h"

namespace quillmar::cli {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kStopCheck{50};

const DeviceEntry* findModule(const std::vector<DeviceEntry>& modules, const DeviceEntry& module)
{
    const std::string mac = module.text(DeviceField::MacAddress);
    for (const DeviceEntry& other : modules) {
        if (macTextsEqual(other.text(DeviceField::MacAddress), mac))
            return &other;
    }
    return nullptr;
}

QString kindWord(WatchEvent::Kind kind)
{
    switch (kind) {
    case WatchEvent::Kind::Appeared:
        return QStringLiteral("appeared");
    case WatchEvent::Kind::Changed:
        return QStringLiteral("changed");
    case WatchEvent::Kind::Silent:
        break;
    }
    return QStringLiteral("silent");
}

// The search's socket failures, on standard error as discover prints them.
class ErrorLines final : public SearchProgress {
public:
    ErrorLines(VerbContext& context, const QString& prefix) : context_(context), prefix_(prefix) {}
    void showError(const std::string& text) override { errors_.push_back(terminalText(text)); }

    // Printed from the watching thread once the search has ended.
    void print()
    {
        for (const QString& error : errors_)
            context_.err << prefix_ << error << '\n';
        context_.err.flush();
        errors_.clear();
    }

private:
    VerbContext& context_;
    QString prefix_;
    std::vector<QString> errors_;
};

void printEvent(const WatchEvent& event, bool json, VerbContext& context)
{
    const QString time = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    const DeviceEntry& module = event.module;
    if (json) {
        QJsonObject object = recordToJson(module);
        object.insert(QStringLiteral("event"), kindWord(event.kind));
        object.insert(QStringLiteral("time"), time);
        object.insert(QStringLiteral("address"), QString::fromStdString(module.text(DeviceField::IpAddress)));
        if (event.kind == WatchEvent::Kind::Changed) {
            QJsonArray changed;
            for (const DeviceField field : event.changed)
                changed.append(nameOf(field));
            object.insert(QStringLiteral("changed"), changed);
        }
        context.out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << '\n';
    } else {
        QStringList words{time, kindWord(event.kind).leftJustified(8),
                          terminalText(module.text(DeviceField::IpAddress)).leftJustified(15),
                          terminalText(module.text(DeviceField::MacAddress)).leftJustified(17),
                          terminalText(module.text(DeviceField::DeviceName))};
        if (event.kind == WatchEvent::Kind::Appeared)
            words << terminalText(module.text(DeviceField::ModelName));
        if (event.kind == WatchEvent::Kind::Changed) {
            QStringList names;
            for (const DeviceField field : event.changed)
                names << nameOf(field);
            words << names.join(QStringLiteral(", "));
        }
        context.out << words.join(u' ') << '\n';
    }
    context.out.flush();
}

// Waits for `done` or a stop signal; false when the user asked to stop.
template <typename Done>
bool waitFor(const StopSignals& stops, Done done, Clock::time_point until = Clock::time_point::max())
{
    while (!done() && Clock::now() < until) {
        if (stops.raised())
            return false;
        std::this_thread::sleep_for(kStopCheck);
    }
    return !stops.raised();
}

}  // namespace

std::vector<WatchEvent> compareSearches(const std::vector<DeviceEntry>& before, const std::vector<DeviceEntry>& now)
{
    std::vector<WatchEvent> events;
    for (const DeviceEntry& module : now) {
        const DeviceEntry* earlier = findModule(before, module);
        if (!earlier) {
            events.push_back({WatchEvent::Kind::Appeared, module, {}});
            continue;
        }
        WatchEvent changed{WatchEvent::Kind::Changed, module, {}};
        for (const FieldLayout& layout : deviceFieldLayout()) {
            if (earlier->text(layout.field) != module.text(layout.field))
                changed.changed.push_back(layout.field);
        }
        if (!changed.changed.empty())
            events.push_back(changed);
    }
    for (const DeviceEntry& module : before) {
        if (!findModule(now, module))
            events.push_back({WatchEvent::Kind::Silent, module, {}});
    }
    return events;
}

int watchModules(const WatchSettings& settings, VerbContext& context, const QString& messagePrefix)
{
    const StopSignals stops;
    std::vector<DeviceEntry> known;
    for (;;) {
        const Clock::time_point started = Clock::now();
        QString error;
        const std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
        if (!locals) {
            context.err << messagePrefix << error << '\n';
            context.err.flush();
        } else {
            ErrorLines errors(context, messagePrefix);
            SearchEngine engine(errors, settings.family);
            std::atomic<bool> done{false};
            SearchResult result = SearchResult::Done;
            std::thread search([&] {
                result = engine.searchAllAddressesInParallel(*locals, settings.target);
                done = true;
            });
            const bool going = waitFor(stops, [&done] { return done.load(); });
            if (!going)
                engine.requestStop();
            search.join();
            errors.print();
            if (!going)
                return kSuccess;
            // A search that failed part way says nothing about who went silent.
            if (result == SearchResult::Done) {
                const std::vector<DeviceEntry> found = engine.listedDevices();
                for (const WatchEvent& event : compareSearches(known, found))
                    printEvent(event, settings.json, context);
                known = found;
            }
        }
        if (!waitFor(
                stops, [] { return false; }, started + settings.interval))
            return kSuccess;
    }
}

}  // namespace quillmar::cli
