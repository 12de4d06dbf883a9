#pragma once

#include "files/ECXMLParser.h"
#include "files/LayoutFormat.h"

#include <cstdint>

namespace lay {

// The editor's own document format, also the text form of layouts on the clipboard. The reader
// also takes the files of the two earlier generations (2.8 files and legacy 1.3 files).
class TXMLLayout : public TLayoutFormat {
public:
    using TLayoutFormat::TLayoutFormat;

    std::string GetFilter() const override { return "Раскладка Layomatic (*.xml)|*.xml"; }
    void SaveToStream(TLayout& layout, TBinStream& stream) override;
    void LoadFromStream(TLayout& layout, TBinStream& stream) override;

    // The version of the last file read; 0 for a file that names none (a 1.3 file).
    std::uint16_t FileVersion = 0;

protected:
    // Builds the element tree in the parser and writes it to the stream.
    void WriteTree(TBinStream& stream);
    TECXMLParser FParser;
};

// Writes layouts in the 1.3 form; it reads like the current format.
class TXMLLayout13 : public TXMLLayout {
public:
    using TXMLLayout::TXMLLayout;

    std::string GetFilter() const override { return "Раскладка Layomatic 1.3 (*.xml)|*.xml"; }
    void SaveToStream(TLayout& layout, TBinStream& stream) override;
};

} // namespace lay
