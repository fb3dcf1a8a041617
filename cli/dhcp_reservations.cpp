#include "dhcp_reservations.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cctype>
#include <map>

#include "record/address_range.h"
#include "record/ipv4_text.h"
#include "record/single_byte_text.h"

namespace quillmar::cli {

namespace {

constexpr std::size_t kLongestHostName = 63;

// "00-1F-7C-00-02-14" as DHCP servers write a hardware address.
std::string colonMac(const QString& mac)
{
    return mac.toLower().replace(u'-', u':').toStdString();
}

// A comment line's text: what a table's name holds past printable ASCII is
// no business of a configuration file.
std::string commentText(const std::string& text)
{
    std::string shown;
    for (const char c : text)
        shown += c >= 0x20 && c < 0x7F ? c : '?';
    return shown;
}

// "..." with the backslash and the double quote escaped: ISC dhcpd's strings.
std::string iscString(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// '...' with a single quote closed, escaped and opened again: UCI's strings.
std::string uciString(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// dnsmasq takes a dhcp-host's fields between commas, to the end of the line.
std::string dnsmasqField(const std::string& text)
{
    std::string field;
    for (const char c : text)
        field += c == ',' || c == '\n' || c == '\r' || c == '#' ? '-' : c;
    return field;
}

}  // namespace

std::optional<DhcpFormat> dhcpFormatOf(const QString& name)
{
    if (name == QLatin1String("dnsmasq"))
        return DhcpFormat::Dnsmasq;
    if (name == QLatin1String("isc"))
        return DhcpFormat::Isc;
    if (name == QLatin1String("kea"))
        return DhcpFormat::Kea;
    if (name == QLatin1String("openwrt"))
        return DhcpFormat::Openwrt;
    return std::nullopt;
}

std::string hostNameOf(std::string_view deviceName)
{
    std::string name;
    bool gap = false;
    for (const char c : deviceName) {
        if (std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80) {
            if (gap && !name.empty())
                name += '-';
            name += c;
            gap = false;
        } else {
            gap = true;
        }
        if (name.size() >= kLongestHostName)
            break;
    }
    return name.substr(0, kLongestHostName);
}

std::optional<std::vector<Reservation>> reservationsOf(const std::vector<MapRow>& rows, const QString& shownPath,
                                                       QStringList& refusals, QStringList& notes)
{
    std::vector<Reservation> reservations;
    std::map<QString, int> nameLines;
    const auto refuse = [&](int line, const QString& why) {
        refusals << QStringLiteral("%1 line %2: %3").arg(shownPath).arg(line).arg(why);
    };
    for (const MapRow& row : rows) {
        Reservation reservation;
        reservation.line = row.line;
        reservation.mac = colonMac(row.mac);
        const FieldChange* address = changeOf(row.changes, DeviceField::IpAddress);
        const std::optional<std::uint32_t> value = address ? parseIpv4(toSingleByte(address->value))
                                                           : std::optional<std::uint32_t>();
        if (!value) {
            refuse(row.line, QStringLiteral("%1 has no ipAddress to reserve").arg(row.mac));
            continue;
        }
        std::optional<std::string> unusable = addressNoHostHas(*value);
        if (!unusable && (*value >> 24) == 127)
            unusable = formatIpv4(*value) + " is a loopback address";
        if (unusable) {
            refuse(row.line,
                   QStringLiteral("%1 cannot be reserved: %2").arg(row.mac, QString::fromStdString(*unusable)));
            continue;
        }
        reservation.address = *value;
        if (const FieldChange* name = changeOf(row.changes, DeviceField::DeviceName)) {
            const std::string deviceName = toSingleByte(name->value);
            reservation.hostName = hostNameOf(deviceName);
            if (reservation.hostName.empty())
                notes << QStringLiteral("%1 line %2: the device name has nothing a host name may hold; the "
                                        "reservation has no host name")
                             .arg(shownPath)
                             .arg(row.line);
            else if (reservation.hostName != deviceName)
                notes << QStringLiteral("%1 line %2: the device name '%3' is the host name '%4'")
                             .arg(shownPath)
                             .arg(row.line)
                             .arg(name->value, QString::fromStdString(reservation.hostName));
        }
        if (!reservation.hostName.empty()) {
            const QString key = QString::fromStdString(reservation.hostName).toLower();
            if (const auto seen = nameLines.find(key); seen != nameLines.end()) {
                refuse(row.line, QStringLiteral("the host name %1 is line %2's too; give one of them another "
                                                "deviceName, or an empty cell for none")
                                     .arg(QString::fromStdString(reservation.hostName))
                                     .arg(seen->second));
                continue;
            }
            nameLines.emplace(key, row.line);
        }
        reservations.push_back(reservation);
    }
    if (!refusals.isEmpty())
        return std::nullopt;
    return reservations;
}

QByteArray formatReservations(const std::vector<Reservation>& reservations, DhcpFormat format,
                              const std::string& source)
{
    const std::string comment = "# DHCP reservations of the printers in " + commentText(source)
                                + ", written by quillmar-cli site dhcp\n";
    std::string text;
    switch (format) {
    case DhcpFormat::Dnsmasq:
        text = comment;
        for (const Reservation& r : reservations) {
            text += "dhcp-host=" + r.mac + "," + formatIpv4(r.address);
            if (!r.hostName.empty())
                text += "," + dnsmasqField(r.hostName);
            text += "\n";
        }
        break;
    case DhcpFormat::Isc:
        text = comment;
        for (const Reservation& r : reservations) {
            std::string declaration = "quillmar-" + r.mac;
            std::erase(declaration, ':');
            text += "host " + declaration + " {\n  hardware ethernet " + r.mac + ";\n  fixed-address "
                    + formatIpv4(r.address) + ";\n";
            if (!r.hostName.empty())
                text += "  option host-name " + iscString(r.hostName) + ";\n";
            text += "}\n";
        }
        break;
    case DhcpFormat::Kea: {
        // JSON has no comments: the array alone, to be included as a
        // subnet's (or the global) "reservations".
        QJsonArray array;
        for (const Reservation& r : reservations) {
            QJsonObject object{{QStringLiteral("hw-address"), QString::fromStdString(r.mac)},
                               {QStringLiteral("ip-address"), QString::fromStdString(formatIpv4(r.address))}};
            if (!r.hostName.empty())
                object.insert(QStringLiteral("hostname"), QString::fromStdString(r.hostName));
            array.append(object);
        }
        return QJsonDocument(array).toJson();
    }
    case DhcpFormat::Openwrt:
        text = comment;
        for (const Reservation& r : reservations) {
            text += "\nconfig host\n";
            if (!r.hostName.empty())
                text += "\toption name " + uciString(r.hostName) + "\n";
            text += "\toption mac " + uciString(r.mac) + "\n\toption ip " + uciString(formatIpv4(r.address)) + "\n";
        }
        break;
    }
    return QByteArray::fromStdString(text);
}

}  // namespace quillmar::cli
