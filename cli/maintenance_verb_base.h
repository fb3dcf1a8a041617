#pragma once
// The base of the verbs that run a maintenance worker on one device, reboot and
// upgrade: the device's address and MAC are their first arguments, the device
// password and --json their common options. The worker's result code becomes
// the manager's message for it (maintenance_messages.h) and an exit status,
// here, once, for both.
#include <QJsonObject>

#include <optional>

#include "history/audit_log.h"
#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_request.h"
#include "maintenance_run.h"
#include "verb.h"

namespace quillmar::cli {

class MaintenanceVerb : public Verb {
protected:
    // Declares ADDRESS and MAC; the verb adds its own arguments and options,
    // then calls addSessionOptions().
    MaintenanceVerb(QString name, QString summary);
    // --password and --json.
    void addSessionOptions();
    // What --help says about reaching the device, privileges and Ctrl-C.
    static QString sessionDetails();

    // Puts the verb's own arguments into the request; an exit status ends the
    // run there, before anything is sent.
    virtual std::optional<int> prepare(const QCommandLineParser&, MaintenanceRequest&, VerbContext&)
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
    // How the run ended: the audit line, the worker's log, the message and
    // the exit status.
    int report(const QCommandLineParser& parser, const MaintenanceRequest& request,
               const std::optional<AuditImage>& image, const MaintenanceRun& run, VerbContext& context);
};

// The exit status of a worker's result code.
int exitStatusOfMaintenance(int code);

}  // namespace quillmar::cli
