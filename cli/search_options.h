#pragma once
// The options that shape a broadcast search for scripts, shared by discover,
// config set --all and config apply --all / --map: --quick (one request per
// network, done a second after the last answer), --interface NAME (only those
// interfaces, repeatable) and --model TEXT (only modules whose model name holds
// TEXT, in any case).
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "discovery/search_timing.h"
#include "platform/local_addresses.h"
#include "record/device_entry.h"

namespace quillmar::cli {

struct SearchChoice {
    bool quick = false;
    QStringList interfaces;
    QString model;

    SearchTiming timing() const { return quick ? SearchTiming::quick() : SearchTiming{}; }
    // Whether a module answering with `record` is kept.
    bool keeps(const DeviceEntry& record) const;
};

QList<QCommandLineOption> searchOptions();
SearchChoice readSearchOptions(const QCommandLineParser& parser);
// Whether any of the options was given (they go with a search only).
bool anySearchOption(const QCommandLineParser& parser);

// The PC's addresses a search goes out from, only the chosen interfaces' when
// some are named. Nothing, with `error`, when the addresses cannot be read
// (`usage` false) or a name is no interface of the PC (`usage` true, and
// `error` lists the interfaces).
std::optional<std::vector<LocalAddress>> chooseLocalAddresses(const SearchChoice& choice, QString& error, bool& usage);

// The name of the interface with this index ("eth0"), or its number.
QString interfaceName(unsigned index);

}  // namespace quillmar::cli
