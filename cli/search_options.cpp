#include "search_options.h"

#include <net/if.h>

#include <algorithm>

#include "discovery/local_search.h"

namespace quillmar::cli {

namespace {

const QString kQuick = QStringLiteral("quick");
const QString kInterface = QStringLiteral("interface");
const QString kModel = QStringLiteral("model");

}  // namespace

bool SearchChoice::keeps(const DeviceEntry& record) const
{
    return model.isEmpty()
           || QString::fromLatin1(record.text(DeviceField::ModelName).c_str()).contains(model, Qt::CaseInsensitive);
}

QList<QCommandLineOption> searchOptions()
{
    return {
        {kQuick, QStringLiteral("one request per network, done 1 s after the last answer (at most 3 s)")},
        {kInterface, QStringLiteral("search only from this interface (repeatable)"), QStringLiteral("NAME")},
        {kModel, QStringLiteral("only modules whose model name contains TEXT (any case)"), QStringLiteral("TEXT")},
    };
}

SearchChoice readSearchOptions(const QCommandLineParser& parser)
{
    SearchChoice choice;
    choice.quick = parser.isSet(kQuick);
    choice.interfaces = parser.values(kInterface);
    choice.model = parser.value(kModel);
    return choice;
}

bool anySearchOption(const QCommandLineParser& parser)
{
    return parser.isSet(kQuick) || parser.isSet(kInterface) || parser.isSet(kModel);
}

QString interfaceName(unsigned index)
{
    char name[IF_NAMESIZE] = {};
    return ::if_indextoname(index, name) ? QString::fromLocal8Bit(name) : QString::number(index);
}

std::optional<std::vector<LocalAddress>> chooseLocalAddresses(const SearchChoice& choice, QString& error, bool& usage)
{
    usage = false;
    std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
    if (!locals || choice.interfaces.isEmpty())
        return locals;
    QStringList known;
    for (const LocalAddress& local : *locals) {
        const QString name = interfaceName(local.interfaceIndex);
        if (!known.contains(name))
            known << name;
    }
    for (const QString& wanted : choice.interfaces) {
        if (!known.contains(wanted)) {
            usage = true;
            error = QStringLiteral("'%1' is no interface of this PC with an IPv4 address (interfaces: %2)")
                        .arg(wanted, known.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    }
    std::erase_if(*locals, [&](const LocalAddress& local) {
        return !choice.interfaces.contains(interfaceName(local.interfaceIndex));
    });
    return locals;
}

}  // namespace quillmar::cli
