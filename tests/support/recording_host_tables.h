#pragma once
// A HostTables for tests: records every change as a line ("neigh+ 203.0.113.10
// if=3", "route+ ...", "route~ ..." (a replacement), "route- ...", "neigh- ...",
// "neigh= ..." (an entry put back)) and passes it on to the real tables when it
// wraps them, or plays a table of its own when it does not. A
// hook runs after each recorded change, so a test can act at an exact step
// (press "Cancel" once the first route is in).
#include <arpa/inet.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host_tables.h"

namespace quillmar::test {

class RecordingHostTables final : public HostTables {
public:
    static constexpr std::uint16_t kReachable = 0x02;  // NUD_REACHABLE

    explicit RecordingHostTables(HostTables* real = nullptr) : real_(real) {}

    bool privileged = true;
    std::function<void(const std::string& change)> afterChange;

    std::vector<std::string> changes() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return changes_;
    }

    bool mayChangeTables() override { return real_ ? real_->mayChangeTables() && privileged : privileged; }

    int addHostRoute(std::uint32_t destination, std::uint32_t source, unsigned interfaceIndex, RouteAdd mode) override
    {
        int result = 0;
        if (real_) {
            result = real_->addHostRoute(destination, source, interfaceIndex, mode);
        } else {
            if (mode == RouteAdd::Replace)
                std::erase_if(routes_, [&](const RouteRow& held) { return held.destination == destination; });
            routes_.push_back({destination, 32, interfaceIndex, source, kHostRouteProtocol, 254, 0});
        }
        record(std::string(mode == RouteAdd::Replace ? "route~ " : "route+ ") + text(destination)
               + " if=" + std::to_string(interfaceIndex) + " src=" + text(source));
        return result;
    }
    int readRoutes(std::vector<RouteRow>& rows) override
    {
        if (real_)
            return real_->readRoutes(rows);
        rows = routes_;
        return 0;
    }
    int deleteRoute(const RouteRow& row) override
    {
        std::erase_if(routes_, [&](const RouteRow& held) { return held.destination == row.destination; });
        const int result = real_ ? real_->deleteRoute(row) : 0;
        record("route- " + text(row.destination) + " if=" + std::to_string(row.interfaceIndex));
        return result;
    }
    int setNeighbour(std::uint32_t address, const MacBytes& mac, unsigned interfaceIndex) override
    {
        const int result = real_ ? real_->setNeighbour(address, mac, interfaceIndex) : 0;
        if (!real_) {
            std::erase_if(neighbours_, [&](const NeighbourRow& held) {
                return held.address == address && held.interfaceIndex == interfaceIndex;
            });
            neighbours_.push_back({address, interfaceIndex, mac, true, false, kReachable});
        }
        record("neigh+ " + text(address) + " if=" + std::to_string(interfaceIndex));
        return result;
    }
    int readNeighbours(std::vector<NeighbourRow>& rows) override
    {
        if (real_)
            return real_->readNeighbours(rows);
        rows = neighbours_;
        return 0;
    }
    int restoreNeighbour(const NeighbourRow& row) override
    {
        const int result = real_ ? real_->restoreNeighbour(row) : 0;
        if (!real_) {
            std::erase_if(neighbours_, [&](const NeighbourRow& held) {
                return held.address == row.address && held.interfaceIndex == row.interfaceIndex;
            });
            neighbours_.push_back(row);
        }
        record("neigh= " + text(row.address) + " if=" + std::to_string(row.interfaceIndex));
        return result;
    }
    // An entry set by somebody else (the PC's own, before or during a session);
    // not recorded as a change.
    void plantNeighbour(const NeighbourRow& row)
    {
        std::erase_if(neighbours_, [&](const NeighbourRow& held) {
            return held.address == row.address && held.interfaceIndex == row.interfaceIndex;
        });
        neighbours_.push_back(row);
    }
    int deleteNeighbour(const NeighbourRow& row) override
    {
        std::erase_if(neighbours_, [&](const NeighbourRow& held) {
            return held.address == row.address && held.interfaceIndex == row.interfaceIndex;
        });
        const int result = real_ ? real_->deleteNeighbour(row) : 0;
        record("neigh- " + text(row.address) + " if=" + std::to_string(row.interfaceIndex));
        return result;
    }

private:
    static std::string text(std::uint32_t networkOrder)
    {
        char buffer[INET_ADDRSTRLEN] = {};
        in_addr address{networkOrder};
        inet_ntop(AF_INET, &address, buffer, sizeof buffer);
        return buffer;
    }
    void record(const std::string& change)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            changes_.push_back(change);
        }
        if (afterChange)
            afterChange(change);
    }

    HostTables* real_;
    std::vector<RouteRow> routes_;
    std::vector<NeighbourRow> neighbours_;
    mutable std::mutex mutex_;
    std::vector<std::string> changes_;
};

}  // namespace quillmar::test
