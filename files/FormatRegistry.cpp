#include "files/FormatRegistry.h"

#include "files/BinLayout.h"
#include "files/EMFLayout.h"
#include "files/FileUtils.h"
#include "files/XMLLayout.h"

#include <array>

namespace lay {

namespace {

struct TNamedFormat {
    const char* Name;
    const char* Filter;
};

// Formats are told apart by their filter entries, which are fixed.
constexpr std::array<TNamedFormat, 7> kSaveNames = {{
    {"xml", "Раскладка Layomatic (*.xml)|*.xml"},
    {"xml13", "Раскладка Layomatic 1.3 (*.xml)|*.xml"},
    {"bin210", "Раскладка Layomatic (*.bin)|*.bin"},
    {"bin13", "Раскладка Layomatic 1.3 (*.bin)|*.bin"},
    {"emf", "Раскладка в формате EMF (*.emf)|*.emf"},
    {"bin28", "Раскладка Layomatic (программа 2.8) (*.bin)|*.bin"},
    {"bin29", "Раскладка Layomatic (программа 2.9) (*.bin)|*.bin"},
}};

} // namespace

void FillSaveRegistry(TLayoutFormats& formats) {
    formats.Add<TXMLLayout>();
    formats.Add<TXMLLayout13>();
    formats.Add<TBinLayout210>();
    formats.Add<TBinLayout13>();
    formats.Add<TEMFLayout>();
    formats.Add<TBinLayout28>();
    formats.Add<TBinLayout29>();
}

void FillOpenRegistry(TLayoutFormats& formats) {
    formats.Add<TXMLLayout>();
    formats.Add<TBinLayout210>();
}

int SaveFormatIndex(const TLayoutFormats& formats, const std::string& name) {
    for (const TNamedFormat& named : kSaveNames)
        if (name == named.Name)
            for (int i = 0; i < formats.Count(); ++i)
                if (formats.Items(i).GetFilter() == named.Filter)
                    return i;
    return -1;
}

std::string SaveFormatName(const TLayoutFormats& formats, int index) {
    if (index < 0 || index >= formats.Count())
        return {};
    for (const TNamedFormat& named : kSaveNames)
        if (formats.Items(index).GetFilter() == named.Filter)
            return named.Name;
    return {};
}

int OpenFormatFor(const std::string& fileName) {
    return HasExtension(fileName, ".bin") ? ofBin210 : ofXML;
}

} // namespace lay
