#pragma once
// What a test needs to run a reboot or an upgrade without the manager's
// windows: a progress recorder (texts with the time they came, blocks sent,
// log lines) and the route and neighbour helpers with their own locks.
#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "maintenance/device_session.h"
#include "maintenance/host_table_helpers.h"

namespace quillmar::test {

class RecordingProgress final : public MaintenanceProgress {
public:
    using Clock = std::chrono::steady_clock;

    void setText(const std::string& text) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        texts_.emplace_back(text, Clock::now());
    }
    void blocksSent(std::int64_t sent, std::int64_t total) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        blocks_ = {sent, total};
    }
    void log(const std::string& line) override
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(line);
    }

    std::vector<std::string> texts() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> all;
        for (const auto& [text, when] : texts_)
            all.push_back(text);
        return all;
    }
    // When `text` was first shown (the epoch when never).
    Clock::time_point timeOf(const std::string& text) const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [shown, when] : texts_) {
            if (shown == text)
                return when;
        }
        return {};
    }
    std::pair<std::int64_t, std::int64_t> blocks() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return blocks_;
    }
    std::vector<std::string> lines() const
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, Clock::time_point>> texts_;
    std::pair<std::int64_t, std::int64_t> blocks_{0, 0};
    std::vector<std::string> lines_;
};

// The helpers over `tables`, logging into `progress`.
struct TestHelpers {
    TestHelpers(HostTables& tables, MaintenanceProgress& progress)
        : helpers(tables, [&progress](const std::string& line) { progress.log(line); })
    {
    }
    HostTableHelpers helpers;
};

}  // namespace quillmar::test
