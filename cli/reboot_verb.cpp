// quillmar-cli reboot ADDRESS MAC [ADDRESS MAC...] | --map FILE.csv
// [--password P] [--json]: restarts devices over their command ports, as the
// manager's reboot starter does, several in parallel.
#include <memory>

#include "maintenance/maintenance_messages.h"
#include "maintenance/maintenance_thread.h"
#include "maintenance_verb_base.h"

namespace quillmar::cli {

namespace {

class RebootVerb final : public MaintenanceVerb {
public:
    RebootVerb() : MaintenanceVerb(QStringLiteral("reboot"), QStringLiteral("restart devices"), Devices::Many)
    {
        addSessionOptions();
        setDetails(QStringLiteral("Connects to the device at ADDRESS, logs in and sends \"$SYCR\"; the device\n"
                                  "restarts. Its answer to the command is not needed, since it may already be\n"
                                  "restarting. Exit status 0 with \"Device rebooting now!\"; \"login to device\n"
                                  "failed\" (a wrong password) 1; \"connect to device failed 4\" (nobody at\n"
                                  "ADDRESS) and \"send command failed\" (no log-in reply) 3.\n"
                                  "\n")
                   + manyDevicesDetails() + QStringLiteral("\n\n") + sessionDetails());
    }

private:
    MaintenanceThread* makeWorker(const MaintenanceRequest& request, SessionEnvironment environment,
                                  MaintenanceStatus status) const override
    {
        return new rebootThread(request, std::move(environment), std::move(status));
    }

    std::optional<OutcomeMessage> outcomeOf(int code) const override { return rebootOutcome(code); }
};

}  // namespace

std::unique_ptr<Verb> makeRebootVerb()
{
    return std::make_unique<RebootVerb>();
}

}  // namespace quillmar::cli
