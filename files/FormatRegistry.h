#pragma once

#include "files/LayoutFormat.h"

#include <string>

namespace lay {

// Places of the save registry. The order is what the save dialog shows and what its filter
// index selects, and the keyboard manager picks device images by it: it never changes.
enum : int {
    sfXML = 0,
    sfXML13 = 1,
    sfBin210 = 2,
    sfBin13 = 3,
    sfEMF = 4,
    sfBin28 = 5,
    sfBin29 = 6,
};
// Places of the open registry.
enum : int { ofXML = 0, ofBin210 = 1 };

// The open format a layout file is read with when nobody chose one: device images by their
// ".bin" extension, XML layouts otherwise.
int OpenFormatFor(const std::string& fileName);

// Appends the formats of each registry in their fixed order.
void FillSaveRegistry(TLayoutFormats& formats);
void FillOpenRegistry(TLayoutFormats& formats);

// Short names of the save formats for scripts ("xml", "xml13", "bin210", "bin13", "emf", "bin28",
// "bin29"): the place in the registry of the format a name stands for, or -1 when the name is
// none of them or its format is not in the registry.
int SaveFormatIndex(const TLayoutFormats& formats, const std::string& name);
// The short name of the format at a place of the registry.
std::string SaveFormatName(const TLayoutFormats& formats, int index);

} // namespace lay
