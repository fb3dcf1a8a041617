#include "module_verb_base.h"

#include <utility>

#include "module_address.h"
#include "record/ipv4_text.h"
#include "record/module_protocol.h"

namespace quillmar::cli {

ModuleVerb::ModuleVerb(QString name, QString summary) : Verb(std::move(name), std::move(summary))
{
    addArgument(QStringLiteral("ADDRESS"),
                QStringLiteral("the module's IPv4 address, as discover lists it (for example 192.0.2.10)"));
}

int ModuleVerb::execute(const QCommandLineParser& parser, VerbContext& context)
{
    QString error;
    const std::optional<std::uint32_t> address = parseModuleAddress(parser.positionalArguments().constFirst(), error);
    if (!address)
        return usageError(context, error);
    if (const std::optional<int> status = prepare(parser, context))
        return *status;

    ModuleReading module;
    module.address = *address;
    module.addressText = QString::fromStdString(formatIpv4(*address));
    const ConfigReadResult read = readModuleConfig(*address, context.readWait);
    switch (read.outcome) {
    case ConfigReadResult::Outcome::Failed:
        return fail(context, kRefused, QString::fromStdString(read.error));
    case ConfigReadResult::Outcome::NoAnswer:
        return fail(context, kNoAnswer,
                    QStringLiteral("no answer from %1 (UDP port %2) within %3 ms")
                        .arg(module.addressText)
                        .arg(kModulePort)
                        .arg(qint64(context.readWait.count())));
    case ConfigReadResult::Outcome::Answered:
        break;
    }
    module.record = read.record;
    module.answerLength = read.answerLength;
    if (read.answerLength < int(kDeviceEntrySize) && !takesShortRecord()) {
        return fail(context, kRefused,
                    QStringLiteral("the module answered with %1 bytes, not a whole record of %2; nothing is done")
                        .arg(read.answerLength)
                        .arg(kDeviceEntrySize));
    }
    return executeOnModule(module, context);
}

}  // namespace quillmar::cli
