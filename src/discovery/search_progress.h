#pragma once
// What a search tells the user while it runs. The manager's worker turns these
// calls into updates of the progress window and the device list; the command
// line prints errors and collects rows. Calls come from the searching thread(s),
// one at a time.
#include <cstddef>
#include <string>

#include "record/device_entry.h"

namespace quillmar {

class SearchProgress {
public:
    virtual ~SearchProgress() = default;

    virtual void setLabel(const std::string& /*text*/) {}
    virtual void setBarPosition(int /*position*/) {}
    // A range search has asked `asked` of its `total` addresses.
    virtual void addressesAsked(std::size_t /*asked*/, std::size_t /*total*/) {}
    // One step of the bar (10).
    virtual void stepBar() {}
    // The short beep that acknowledges a stop request.
    virtual void beep() {}
    // A socket failure, shown in an "Error" box by the manager.
    virtual void showError(const std::string& /*text*/) {}
    // Every reply that parsed, with the sender's address already in its IP
    // field. The receiver decides whether it becomes a row (duplicate MACs and
    // models of the other family are dropped).
    virtual void addRow(const DeviceEntry& /*entry*/) {}
    // The same reply with the index of the local address (in the list the
    // search was given) whose socket received it; calls addRow unless overridden.
    virtual void addRowFrom(const DeviceEntry& entry, std::size_t /*localIndex*/) { addRow(entry); }
    // The same reply with the address its record stores (`storedAddress`, the
    // text the IP field held before the sender's address replaced it): what an
    // inventory keeps as the printer's setting. Calls addRowFrom unless overridden.
    virtual void addReply(const DeviceEntry& entry, const std::string& /*storedAddress*/, std::size_t localIndex)
    {
        addRowFrom(entry, localIndex);
    }
};

}  // namespace quillmar
