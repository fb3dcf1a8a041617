#pragma once
// Values every configuration window of the run shares with the save exchange.
// Each exists once for the whole run, not per window.
#include <array>
#include <string>

namespace quillmar {

struct ConfigShared {
    // The module's address as dotted text: where save and read datagrams go.
    // Set afresh each time a configuration window is shown.
    std::string targetIpText;
    // Serial settings for a save by COM port; reset at each showing, changed by
    // the baud choice.
    std::string comSettingsText = "115200,n,8,1";
    int comPortNumber = 1;
    // One flag per octet field (Edit2..Edit5); 1 means the field is empty.
    std::array<int, 4> octetError{};
};

ConfigShared& configShared();

}  // namespace quillmar
