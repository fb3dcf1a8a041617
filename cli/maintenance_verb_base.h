#pragma once
// The base of the verbs that run a maintenance worker on a device, reboot,
// upgrade and web upload: the device's address and MAC are their first
// arguments, the device password and --json their common options. The worker's
// result code becomes the manager's message for it (maintenance_messages.h)
// and an exit status, here, once, for all. Reboot and web upload take several
// devices too (ADDRESS MAC pairs, or --map with their MACs), run in parallel
// with a verdict each.
#include <QJsonObject>

#include <optional>
#include <vector>

#include "history/audit_log.h"

#include "history/audit_log.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_request.h"
#include "maintenance_run.h"
#include "verb.h"

namespace quillmar::cli {

class MaintenanceVerb : public Verb {
protected:
    enum class Devices {
        One,   // ADDRESS MAC
        Many,  // ADDRESS MAC [ADDRESS MAC...], or --map FILE.csv
    };
    // Declares ADDRESS and MAC; the verb adds its own arguments (which follow
    // them) and options, then calls addSessionOptions().
    MaintenanceVerb(QString name, QString summary, Devices devices = Devices::One);
    // --password and --json.
    void addSessionOptions();
    // What --help says about reaching the device, privileges and Ctrl-C.
    static QString sessionDetails();

    // What --help says about several devices at once (Devices::Many).
    static QString manyDevicesDetails();

    // How many arguments of the verb's own follow the devices (web upload's FILE).
    virtual int ownArguments() const { return 0; }
    // Puts the verb's own arguments (`own`) into the request; an exit status
    // ends the run there, before anything is sent. With several devices it is
    // asked once, for all of them.
    virtual std::optional<int> prepare(const QStringList& /*own*/, const QCommandLineParser&, MaintenanceRequest&,
                                       VerbContext&)
    {
        return std::nullopt;
    }
    virtual MaintenanceThread* makeWorker(const MaintenanceRequest& request, SessionEnvironment environment,
                                          MaintenanceStatus status) const = 0;
    virtual std::optional<OutcomeMessage> outcomeOf(int code) const = 0;
    // The verb's own keys of the --json result.
    virtual void describe(QJsonObject&, const MaintenanceRequest&, const MaintenanceRun&) const {}
    // What follows the outcome's message on success (nothing when empty).
    virtual QString successNote() const;
    // What follows the message of a run stopped by a signal: what the stop
    // left the device in (nothing when empty).
    virtual QString stopNote(const MaintenanceRun&) const { return {}; }
    // The line the manager's message log gets for an exception the worker let escape.
    virtual QString exceptionLine() const { return QStringLiteral("upgradeFwThread Exception"); }
    // The file the operation sends, whose size and SHA-256 are told and logged.
    virtual std::optional<QByteArray> imagePath(const MaintenanceRequest&) const { return std::nullopt; }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) final;
    // The verdicts of several devices: a table or --json, one audit line each.
    int runMany(std::vector<MaintenanceRequest> requests, const std::vector<QString>& left,
                const std::optional<AuditImage>& image, bool json, VerbContext& context);
    // The devices --map names: where each MAC answers one quick search. Rows
    // that did not answer go to `left` as their verdict.
    std::optional<int> devicesOfMap(const QByteArray& path, const MaintenanceRequest& base,
                                    std::vector<MaintenanceRequest>& requests, std::vector<QString>& left,
                                    VerbContext& context);
    // --password-from-keyring: each device's password as the desktop's
    // secret store keeps it by its MAC; refused, naming the device, when it
    // keeps none.
    std::optional<int> passwordsFromKeyring(std::vector<MaintenanceRequest>& requests, VerbContext& context);
    // The worker's outcome in words and its exit status.
    int outcome(const MaintenanceRun& run, QStringList& message) const;

    Devices devices_;
    // How the run ended: the audit line, the worker's log, the message and
    // the exit status.
    int report(const QCommandLineParser& parser, const MaintenanceRequest& request,
               const std::optional<AuditImage>& image, const MaintenanceRun& run, VerbContext& context);
};

// The exit status of a worker's result code.
int exitStatusOfMaintenance(int code);

}  // namespace quillmar::cli
