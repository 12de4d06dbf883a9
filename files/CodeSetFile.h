#pragma once

#include "model/CodeSet.h"

#include <string>

namespace lay {

// The standard code set as the hand-written file "Клавиши/Клавиши.xml" beside the program holds
// it: a root "Root", one child per group with a "Name", one child per key with "Name",
// "Scancode", "Makecode" and "Breakcode" in hexadecimal.
class TCodeSetFile {
public:
    // Reads the file into new groups of the set.
    static void LoadFromFile(TCodeSet& codeSet, const std::string& fileName);
    // The program's folder followed by "Клавиши/Клавиши.xml".
    static std::string DefaultFileName();
    // The file (the default one unless named), or the built-in set when it cannot be used; says
    // nothing either way. Returns whether the file was used.
    static bool Load(TCodeSet& codeSet);
    static bool Load(TCodeSet& codeSet, const std::string& fileName);
    // Writes the set in the same form, so a technician can start a file of their own from it.
    static void SaveToFile(const TCodeSet& codeSet, const std::string& fileName);
};

} // namespace lay
