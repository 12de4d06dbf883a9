#pragma once

#include "ui/MainForm.h"

#include <string>
#include <vector>

namespace lay {

// The editor's command line: layout files to open, and the keyboard to talk to without hardware
// (--simulator[=STATE | =tcp:HOST:PORT], --sim-model ID, --sim-firmware X.Y|damaged, each
// valued option also as "--name=value"), as the command-line tool takes them.
struct TEditorArgs {
    TEditorSetup Setup;
    std::vector<std::string> Files;
};

// Raises an Exception naming the word for an option the editor does not know or a value that
// is missing.
TEditorArgs ParseEditorArgs(const std::vector<std::string>& words);

} // namespace lay
