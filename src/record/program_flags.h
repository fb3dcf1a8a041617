#pragma once
// Program-wide values set by the start-up options and the model chooser, and
// read by the windows and tools for the whole run.
#include "record/model_table.h"

namespace quillmar {

struct ProgramFlags {
    bool allowIpModeFlag = false;  // -p: the IP-mode choice may be changed
    bool optionO = false;          // -o: passed on to sibling programs
    int usbToolFlag = 0;           // 1: offer the USB settings tool
    int printerFamily = kDefaultPrinterFamily;
    int lanPrinterFlag = 0;  // 1: the USB tool disables its Wi-Fi choices
};

ProgramFlags& programFlags();

}  // namespace quillmar
