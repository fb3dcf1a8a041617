// quillmar-cli site dhcp FILE.csv --format dnsmasq|isc|kea|openwrt [--output
// FILE]: a DHCP reservation for every printer of a site's table, so that the
// printers can stay on DHCP and still keep the addresses the table gives them.
#include <QFileInfo>

#include <memory>

#include "dhcp_reservations.h"
#include "platform/settings_file.h"
#include "site_map.h"
#include "system_bytes.h"
#include "terminal_text.h"
#include "verb.h"

namespace quillmar::cli {

namespace {

const QString kFormatOption = QStringLiteral("format");
const QString kOutputOption = QStringLiteral("output");

class SiteDhcpVerb final : public Verb {
public:
    SiteDhcpVerb() : Verb(QStringLiteral("site dhcp"), QStringLiteral("DHCP reservations from a site's table"))
    {
        addArgument(QStringLiteral("FILE.csv"), QStringLiteral("the site's table, as config apply --map takes it"));
        addRequiredOption(
            {kFormatOption, QStringLiteral("the DHCP server's language"), QStringLiteral("dnsmasq|isc|kea|openwrt")});
        addOption({kOutputOption,
                   QStringLiteral("write to FILE (replaced whole, only when every row is taken) instead of standard "
                                  "output"),
                   QStringLiteral("FILE")});
        setDetails(
            QStringLiteral("Writes a reservation per row of the table: the row's macAddress gets its\n"
                           "ipAddress (ip), with its deviceName as the host name, made one a DHCP server\n"
                           "takes (letters, digits and hyphens: \"Shop #1\" is Shop-1; standard error says\n"
                           "so). Every row is checked first; nothing is written and the exit status is 2\n"
                           "when a row has no ipAddress, one that no printer can keep, or a MAC, address\n"
                           "or host name that another row has, each refusal naming its line.\n"
                           "\n"
                           "  dnsmasq   dhcp-host=MAC,ADDRESS,NAME lines, for /etc/dnsmasq.d/\n"
                           "  isc       host declarations for dhcpd.conf (include \"FILE\";)\n"
                           "  kea       a JSON array of reservations for a subnet4 entry of\n"
                           "            kea-dhcp4.conf (\"reservations\": <?include \"FILE\"?>), or for\n"
                           "            the global ones (with \"reservations-global\": true)\n"
                           "  openwrt   config host sections for /etc/config/dhcp (uci import)\n"
                           "\n"
                           "With --output a file that was there is replaced only once the new one is\n"
                           "whole; a shell's > would empty it first, also when the table is refused.\n"
                           "\n"
                           "Examples:\n"
                           "  quillmar-cli site dhcp site.csv --format dnsmasq --output /etc/dnsmasq.d/printers.conf\n"
                           "  dnsmasq --test --conf-file=/etc/dnsmasq.d/printers.conf"));
    }

private:
    int execute(const QCommandLineParser& parser, VerbContext& context) override
    {
        const std::optional<DhcpFormat> format = dhcpFormatOf(parser.value(kFormatOption));
        if (!format)
            return usageError(context, QStringLiteral("--format is dnsmasq, isc, kea or openwrt, not '%1'")
                                           .arg(terminalText(parser.value(kFormatOption))));
        const QByteArray path = toSystemBytes(parser.positionalArguments().constFirst());
        QStringList refusals;
        QStringList notes;
        std::optional<std::vector<Reservation>> reservations;
        if (const std::optional<std::vector<MapRow>> rows = readSiteMap(path, refusals))
            reservations = reservationsOf(*rows, terminalText(path), refusals, notes);
        if (!reservations) {
            for (const QString& refusal : refusals)
                context.err << messagePrefix() << refusal << '\n';
            return fail(context, kUsageError, QStringLiteral("no reservation is written"));
        }
        for (const QString& note : notes)
            context.err << messagePrefix() << terminalText(note.toLatin1()) << '\n';
        context.err.flush();
        if (reservations->empty())
            return fail(context, kUsageError, terminalText(path) + QStringLiteral(" has no printer rows"));

        const QByteArray text = formatReservations(*reservations, *format,
                                                   QFileInfo(QString::fromLocal8Bit(path)).fileName().toStdString());
        if (parser.isSet(kOutputOption)) {
            const QByteArray output = toSystemBytes(parser.value(kOutputOption));
            if (!writeSettingsFile(QString::fromLocal8Bit(output), text))
                return fail(context, kRefused,
                            terminalText(output)
                                + QStringLiteral(": cannot be written (not a regular file, read-only, or its "
                                                 "directory is closed); it is left as it was"));
            context.err << QStringLiteral("%1 reservation%2 written to %3\n")
                               .arg(reservations->size())
                               .arg(reservations->size() == 1 ? "" : "s")
                               .arg(terminalText(output));
            context.err.flush();
            return kSuccess;
        }
        context.out << QString::fromLatin1(text);
        return kSuccess;
    }
};

}  // namespace

std::unique_ptr<Verb> makeSiteDhcpVerb()
{
    return std::make_unique<SiteDhcpVerb>();
}

}  // namespace quillmar::cli
