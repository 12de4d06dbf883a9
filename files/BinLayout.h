#pragma once

#include "files/LayoutFormat.h"
#include "model/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lay {

class TKey;
class TKeyboard;
class TScanCodes;

// Format numbers at the head of the layout header.
enum : std::uint16_t {
    bfLegacy13 = 256,
    bfProgram28 = 520,
    bfProgram29 = 521,
    bfProgram210 = 522,
};

// The memory image the keyboard runs a layout from, as firmware 2.8 takes it: a slot table per
// layer pointing at compact records, then the layout header. The later firmware images and the
// legacy 1.3 image are its descendants; one reader takes them all.
class TBinLayout28 : public TLayoutFormat {
public:
    using TLayoutFormat::TLayoutFormat;

    std::string GetFilter() const override { return "Раскладка Layomatic (программа 2.8) (*.bin)|*.bin"; }
    // The image is complete before the first byte reaches the stream: a refused layout writes
    // nothing at all.
    void SaveToStream(TLayout& layout, TBinStream& stream) override;
    // Reads any image, whichever variant the object is.
    void LoadFromStream(TLayout& layout, TBinStream& stream) override;

    // The bits every record's flags byte starts from.
    virtual std::uint8_t BaseFlags() const { return 0x40; }
    virtual void WriteImage(TLayout& layout, TBinStream& stream);
    virtual void WriteSequence(const TScanCodes& codes, TBinStream& stream);
    virtual void WriteKey(const TKey& key, int layerIndex, TBinStream& stream);

protected:
    const TKeyboard& LayoutKeyboard(const TLayout& layout) const;
    // The slot area and every record of every layer. `lightIndication` says whether the card
    // reader's light flag is part of the form.
    void WriteLayers(TLayout& layout, TBinStream& stream, const TKeyboard& keyboard, bool lightIndication);
    // The whole image with the header of firmware 2.8 and later.
    void WriteCurrentImage(TLayout& layout, TBinStream& stream, std::uint16_t format, bool keyboardLessOne);
    // The keyboard byte: the identifier, or the identifier less one for the older firmware.
    static std::uint8_t KeyboardByte(const TLayout& layout, bool lessOne);
};

class TBinLayout29 : public TBinLayout28 {
public:
    using TBinLayout28::TBinLayout28;

    std::string GetFilter() const override { return "Раскладка Layomatic (программа 2.9) (*.bin)|*.bin"; }
    void WriteImage(TLayout& layout, TBinStream& stream) override;
};

class TBinLayout210 : public TBinLayout28 {
public:
    using TBinLayout28::TBinLayout28;

    std::string GetFilter() const override { return "Раскладка Layomatic (*.bin)|*.bin"; }
    void WriteImage(TLayout& layout, TBinStream& stream) override;
};

// Keyboards older than 2.8: sequences are lists of pressed keys (the firmware makes the
// releases), the header has neither checksum nor version, and at most 64 key slots exist.
class TBinLayout13 : public TBinLayout28 {
public:
    using TBinLayout28::TBinLayout28;

    std::string GetFilter() const override { return "Раскладка Layomatic 1.3 (*.bin)|*.bin"; }
    std::uint8_t BaseFlags() const override { return 0; }
    void WriteImage(TLayout& layout, TBinStream& stream) override;
    void WriteSequence(const TScanCodes& codes, TBinStream& stream) override;
};

// The layout header of an image as it stands, for showing and for the reader. Fields the
// format number does not call for stay unset.
struct TBinLayoutHeader {
    std::size_t Offset = 0; // where the header starts
    std::uint16_t Format = 0;
    // Below 256 the image carries no header the reader applies.
    bool Applies = false;
    bool HasChecksum = false;
    std::uint16_t Checksum = 0;
    std::uint16_t ComputedChecksum = 0; // over the bytes the stored one covers
    bool HasTotalSize = false;
    std::uint16_t TotalSize = 0;
    bool HasVersion = false;
    std::uint16_t Version = 0;
    std::vector<TRect> Groups;
    std::uint8_t KeyboardByte = 0;
    int KeyboardID = 0;
};

// Raises the general error with the stream's message when the image is too short for what its
// header promises.
TBinLayoutHeader ReadBinLayoutHeader(const TBytes& image);

inline constexpr const char* SBinLayout13TooManyKeys =
    "Формат 1.3 не поддерживает клавиатуры сколичеством клавиш большим 64";
inline constexpr const char* SBinLayoutTooLarge =
    "Раскладка не помещается в образ памяти клавиатуры: образ получается больше 65535 байт.\r\n"
    "Сократите коды или мелодии клавиш.";

} // namespace lay
