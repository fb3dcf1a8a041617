#include "write/module_census.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "discovery/local_search.h"
#include "discovery/search_engine.h"
#include "record/ipv4_text.h"

namespace quillmar {

namespace {

// Every parsed answer, of either family (the engine's own list keeps only the
// chosen family's, once per MAC).
class Census final : public SearchProgress {
public:
    void addReply(const DeviceEntry& entry, const std::string& storedAddress, std::size_t localIndex) override
    {
        const std::lock_guard<std::mutex> hold(lock_);
        const std::optional<std::uint32_t> from = parseIpv4(entry.text(DeviceField::IpAddress));
        if (from)
            modules_.push_back({entry, *from, localIndex, 0, storedAddress});
    }

    std::vector<CensusModule> modules()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return modules_;
    }

private:
    std::mutex lock_;
    std::vector<CensusModule> modules_;
};

}  // namespace

DeviceEntry CensusModule::storedRecord() const
{
    DeviceEntry stored = record;
    stored.setText(DeviceField::IpAddress, storedAddress);
    return stored;
}

std::optional<std::vector<CensusModule>> takeCensus(QString& error, const std::atomic<bool>* stop)
{
    const std::optional<std::vector<LocalAddress>> locals = searchLocalAddresses(error);
    if (!locals)
        return std::nullopt;
    return takeCensus(*locals, SearchTiming{}, stop);
}

std::vector<CensusModule> takeCensus(const std::vector<LocalAddress>& locals, const SearchTiming& timing,
                                     const std::atomic<bool>* stop)
{
    Census census;
    SearchEngine engine(census, 0, timing);
    if (stop && *stop)
        return census.modules();
    std::atomic<bool> done{false};
    std::thread watcher;
    if (stop) {
        watcher = std::thread([&] {
            while (!done) {
                if (*stop) {
                    engine.requestStop();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    }
    engine.searchAllAddressesInParallel(locals, SearchTarget::everyone());
    done = true;
    if (watcher.joinable())
        watcher.join();
    std::vector<CensusModule> modules = census.modules();
    for (CensusModule& module : modules) {
        if (module.localIndex < locals.size())
            module.interfaceIndex = locals[module.localIndex].interfaceIndex;
    }
    return modules;
}

}  // namespace quillmar
