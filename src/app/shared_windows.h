#pragma once
// The dialogs and progress windows created once at start-up and reused for the
// whole run. They stay hidden until a command shows them.

namespace quillmar {

struct SharedWindows {
    // Later windows add their pointer here, created in createSharedWindows().
    bool created = false;
};

// Creates each shared window once; later calls return the same set.
SharedWindows& createSharedWindows();
SharedWindows& sharedWindows();

}  // namespace quillmar
