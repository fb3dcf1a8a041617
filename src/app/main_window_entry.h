#pragma once
// The way from the manager's first window to the rest of it. Everything after
// the model chooser (the main window, the searches, the configuration and
// maintenance windows, and the network, serial, USB, keyring and crypto
// libraries they use) is built as a module of its own, loaded when the user
// confirms a family. The chooser is painted without waiting for any of it.
#include "record/program_flags.h"

class QWidget;

namespace quillmar {

// Bumped whenever the entry points' shape changes: a module from another build
// is refused rather than called.
constexpr int kMainWindowEntryVersion = 1;

extern "C" {
// Makes and shows the main window with the flags the start-up options and the
// chooser set; the main window's end closes `chooser`, which ends the program.
using OpenMainWindowFunction = void (*)(const ProgramFlags& flags, QWidget* chooser);
// Tells every maintenance worker to stop and waits for each; returns how many ran.
using StopWorkersFunction = int (*)();
using EntryVersionFunction = int (*)();
}

inline constexpr char kOpenMainWindowSymbol[] = "quillmarOpenMainWindow";
inline constexpr char kStopWorkersSymbol[] = "quillmarStopWorkers";
inline constexpr char kEntryVersionSymbol[] = "quillmarMainWindowEntryVersion";

}  // namespace quillmar
