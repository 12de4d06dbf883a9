#pragma once

#include "cli/Args.h"
#include "files/Keyboards.h"
#include "files/LayoutFormat.h"
#include "model/CodeSet.h"

#include <iosfwd>
#include <memory>
#include <string>

namespace lay::cli {

// What a command that works on layouts needs, set up the way the editor sets it up at start:
// the standard code table, the keyboard catalogue and both format registries.
class TSession {
public:
    // --catalogue DIR, when given, replaces the folder beside the program. Problems with the
    // catalogue are warnings on err: a command fails only if it needs a model that is missing.
    TSession(const TArgs& args, std::ostream& err);
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    TKeyboards Keyboards;
    TLayoutFormats SaveFormats{Keyboards};
    TLayoutFormats OpenFormats{Keyboards};

    // Reads a layout file: device images by their ".bin" extension, XML otherwise.
    void Open(TLayout& layout, const std::string& fileName);
    // The save format named on the command line ("xml", …) or the one a file name suggests.
    TLayoutFormat& SaveFormat(const std::string& name);

private:
    TCodeSet FCodeSet;
    TCodeTable FCodeTable;
};

// The options every layout command accepts.
inline const std::vector<std::string> kSessionOptions = {"--catalogue"};

} // namespace lay::cli
