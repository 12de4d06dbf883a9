#pragma once

#include "files/ECXMLParser.h"
#include "files/Keyboards.h"

#include <string>
#include <vector>

namespace lay {

// Reads the model descriptions: one XML file per model in the catalogue folder.
class TXMLKeyboard {
public:
    // Fills keyboards with every description in the folder that reads without error. A file
    // that fails is skipped and its reason kept in SkippedErrors; no entry is ever half-read.
    // Raises when the folder does not exist or yields no description at all.
    void LoadFromFolder(const std::string& folder, TKeyboards& keyboards);
    // Reads one description into keyboard, which the caller has cleared.
    void LoadKeyboard(TKeyboard& keyboard, const std::string& fileName);

    // One "Ошибка в файле %s: %s" line for each file the last LoadFromFolder skipped.
    const std::vector<std::string>& SkippedErrors() const { return FSkippedErrors; }

private:
    TECXMLParser FParser;
    std::vector<std::string> FSkippedErrors;
};

} // namespace lay
