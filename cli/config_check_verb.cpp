// quillmar-cli config check --map FILE.csv [--json]: whether every printer of a
// site is as its table says, by one quick search and nothing but reads. Made
// to run unattended (a systemd timer): one line per row, drift named field by
// field, and an exit status a scheduler can act on.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

#include "record/field_name_text.h"
#include "record/ipv4_text.h"
#include "search_options.h"
#include "site_check.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "text_table.h"
#include "verb.h"
#include "write/module_census.h"

namespace quillmar::cli {

namespace {

const QString kMapOption = QStringLiteral("map");

QString addressesText(const std::vector<std::uint32_t>& addresses)
{
    QStringList texts;
    for (const std::uint32_t address : addresses)
        texts << QString::fromStdString(formatIpv4(address));
    return texts.join(QStringLiteral(" and "));
}

class ConfigCheckVerb final : public Verb {
public:
    ConfigCheckVerb()
        : Verb(QStringLiteral("config check"), QStringLiteral("compare every printer of a site with its table"))
    {
        addRequiredOption({kMapOption, QStringLiteral("the site's table, as config apply --map takes it"),
                           QStringLiteral("FILE.csv")});
        addJsonOption(QStringLiteral("one JSON array of per-row verdicts for scripts"));
        addOption({QStringLiteral("interface"), QStringLiteral("search only from this interface (repeatable)"),
                   QStringLiteral("NAME")});
        setDetails(QStringLiteral(
            "Reads the table (a header row with macAddress and any field names, then a row\n"
            "per printer, as discover --csv writes it and config apply --map takes it; every\n"
            "row is checked first, and a refusal names its line and exits with status 2),\n"
            "then one quick search (one request per network, done 1 s after the last\n"
            "answer) finds each row's printer by its MAC. Nothing is written. Per row:\n"
            "  matches     every cell the row fills is what the printer holds\n"
            "  drifted     field: the table's value -> the printer's, for each field\n"
            "              that differs (ipAddress by its value, as the printer stores\n"
            "              it; a key, or the mask discover --csv wrote for it, by the\n"
            "              key the printer stores, shown masked)\n"
            "  not found   its MAC did not answer\n"
            "  conflict    its MAC answered from two addresses\n"
            "Empty cells are not compared; address, interface and modelName neither.\n"
            "Exit status 0 when every row matches, 1 otherwise.\n"
            "\n"
            "For a check every hour that writes drift to the journal, the package has a\n"
            "systemd user timer, quillmar-check@.timer, whose instance is the table's path:\n"
            "  systemctl --user enable --now \"quillmar-check@$(systemd-escape --path ~/site.csv).timer\"\n"
            "  journalctl --user -u 'quillmar-check@*'"));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        if (!parser.positionalArguments().isEmpty())
            return usageError(context, QStringLiteral("the map names the printers: no ADDRESS with --map"));
        QStringList refusals;
        const std::optional<std::vector<MapRow>> rows = readSiteMap(toSystemBytes(parser.value(kMapOption)), refusals);
        if (!rows) {
            for (const QString& refusal : refusals)
                context.err << messagePrefix() << refusal << '\n';
            return fail(context, kUsageError, QStringLiteral("nothing was checked"));
        }
        SearchChoice choice;
        choice.quick = true;
        choice.interfaces = parser.values(QStringLiteral("interface"));
        QString error;
        bool usage = false;
        const std::optional<std::vector<LocalAddress>> locals = chooseLocalAddresses(choice, error, usage);
        if (!locals)
            return usage ? usageError(context, error) : fail(context, kRefused, error);
        context.err << QStringLiteral("Checking %1 row%2 of %3 against one search of %4 local address%5...\n")
                           .arg(rows->size())
                           .arg(rows->size() == 1 ? "" : "s")
                           .arg(terminalText(toSystemBytes(parser.value(kMapOption))))
                           .arg(locals->size())
                           .arg(locals->size() == 1 ? "" : "es");
        context.err.flush();
        const std::vector<RowCheck> checks = checkSite(*rows, takeCensus(*locals, choice.timing()));

        std::size_t matching = 0;
        for (const RowCheck& check : checks)
            matching += check.verdict == RowCheck::Verdict::Matches ? 1 : 0;
        if (jsonWanted(parser))
            printJson(checks, context);
        else
            printTable(checks, context);
        context.out.flush();
        context.err << QStringLiteral("%1 of %2 printer%3 as the table says\n")
                           .arg(matching)
                           .arg(checks.size())
                           .arg(checks.size() == 1 ? "" : "s");
        context.err.flush();
        return matching == checks.size() ? kSuccess : kRefused;
    }

    static void printTable(const std::vector<RowCheck>& checks, VerbContext& context)
    {
        std::vector<QStringList> rows{
            {QStringLiteral("Line"), QStringLiteral("MAC"), QStringLiteral("Address"), QStringLiteral("Verdict")}};
        for (const RowCheck& check : checks) {
            QString verdict = verdictName(check.verdict);
            if (check.verdict == RowCheck::Verdict::Drifted)
                verdict = driftText(check.drift);
            else if (check.verdict == RowCheck::Verdict::Conflict)
                verdict += QStringLiteral(": the MAC answers from %1, only one of them is the printer")
                               .arg(addressesText(check.addresses));
            rows.push_back({QString::number(check.line), check.mac,
                            check.addresses.empty() ? QStringLiteral("-") : addressesText(check.addresses),
                            terminalText(verdict.toLatin1())});
        }
        printAligned(context.out, rows);
    }

    static void printJson(const std::vector<RowCheck>& checks, VerbContext& context)
    {
        QJsonArray array;
        for (const RowCheck& check : checks) {
            QJsonArray drift;
            for (const ChangedField& field : check.drift)
                drift.append(QJsonObject{{QStringLiteral("field"), nameOf(field.field)},
                                         {QStringLiteral("table"), field.from},
                                         {QStringLiteral("printer"), field.to}});
            QJsonArray addresses;
            for (const std::uint32_t address : check.addresses)
                addresses.append(QString::fromStdString(formatIpv4(address)));
            array.append(QJsonObject{{QStringLiteral("line"), check.line},
                                     {QStringLiteral("macAddress"), check.mac},
                                     {QStringLiteral("addresses"), addresses},
                                     {QStringLiteral("verdict"), verdictName(check.verdict)},
                                     {QStringLiteral("drift"), drift}});
        }
        context.out << QString::fromUtf8(QJsonDocument(array).toJson());
    }
};

}  // namespace

std::unique_ptr<Verb> makeConfigCheckVerb()
{
    return std::make_unique<ConfigCheckVerb>();
}

}  // namespace quillmar::cli
