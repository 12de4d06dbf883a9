#pragma once

#include "model/Notify.h"
#include "model/Types.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lay {

// A system colour: the text colour of windows, the default colour of fonts.
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);

enum : std::uint8_t {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};

inline constexpr std::uint8_t DefaultCharset = 1;

// A font as layout files describe it. Size (points) and Height (pixels; negative means the
// character height without the internal leading) are two views of one value, converted with
// PixelsPerInch; only Height is kept, so changing PixelsPerInch afterwards changes Size.
struct TFont {
    std::string Name = "MS Sans Serif";
    int PixelsPerInch = 96;
    std::uint8_t Charset = DefaultCharset;
    TColor Color = clWindowText;
    std::uint8_t Style = 0; // fsBold | fsItalic | fsUnderline | fsStrikeOut

    int Height() const { return FHeight; }
    void SetHeight(int height) { FHeight = height; }
    int Size() const;
    void SetSize(int size);

    bool operator==(const TFont&) const = default;

private:
    int FHeight = -11;
};

inline constexpr const char* gcBitmap = "TBitmap";
inline constexpr const char* gcIcon = "TIcon";
inline constexpr const char* gcMetafile = "TMetafile";
inline constexpr const char* gcJPEGImage = "TJPEGImage";

// A graphic as layout files carry it: the name of its class and the bytes that class writes.
// The bytes are kept exactly as read, so a picture goes back into a file unchanged; turning
// them into pixels is the business of whoever draws them.
struct TGraphic {
    std::string ClassName;
    TBytes Data;
    // Pictures read from a layout are drawn transparently; not part of the stored data.
    bool Transparent = false;

    // The graphic of a class built from an image file (.bmp, .ico, .wmf/.emf, .jpg). Raises an
    // error for a class other than the four above or a file of 2 GiB or more.
    static TGraphic FromFile(std::string_view className, std::span<const std::uint8_t> file);
    // As above, with the class told by the file's first bytes.
    static TGraphic FromFile(std::span<const std::uint8_t> file);
    // The class for an image file's first bytes, or an empty text for none of ours.
    static std::string ClassOfFile(std::span<const std::uint8_t> file);

    // The image file inside Data, as it would be saved to disk.
    TBytes FileBytes() const;
    // No image at all: a bitmap of size 0, an icon or another graphic without bytes.
    bool Empty() const { return FileBytes().empty(); }

    bool operator==(const TGraphic&) const = default;
};

struct TPicture {
    std::optional<TGraphic> Graphic;
    bool operator==(const TPicture&) const = default;
};

inline constexpr const char* SInvalidStream = "Неверный формат потока";

// What is drawn on a key in the picture view and in print. Setters report to the layout's
// notifier and set flags that tell the multi-key editor which attributes the user changed.
class TKeyPicture : public TObject {
public:
    explicit TKeyPicture(TNotifier* notifier = nullptr) : FNotifier(notifier) {}
    TKeyPicture(const TKeyPicture&) = delete;
    TKeyPicture& operator=(const TKeyPicture&) = delete;

    TNotifier* Notifier() const { return FNotifier; }

    const std::string& Text() const { return FText; }
    // Reports only a different text.
    void SetText(std::string_view text);
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font);
    const TPicture& Picture() const { return FPicture; }
    void SetPicture(const TPicture& picture);
    TColor BackgroundColor() const { return FBackgroundColor; }
    // 0 (black) means the key is not filled.
    void SetBackgroundColor(TColor color);
    std::uint8_t TextOrientation() const { return FTextOrientation; }
    // 0 horizontal, anything else vertical (one character per line).
    void SetTextOrientation(std::uint8_t orientation);

    bool AnyModified() const { return FAnyModified; }
    bool FontModified() const { return FFontModified; }
    bool TextModified() const { return FTextModified; }
    bool ColorModified() const { return FColorModified; }
    bool OrientationModified() const { return FOrientationModified; }
    bool PictureModified() const { return FPictureModified; }
    void ClearFlags();

    // No graphic, no text, white background, horizontal text; the font stays.
    void Clear();
    bool HasGraphic() const;

    // The picture's graphic as the component stream layout files store, in hexadecimal text.
    std::string PictureData() const;
    // Reads such a stream back. An empty text changes nothing. A stream without a graphic
    // leaves the current graphic in place. A malformed stream raises EReadError; whatever was
    // read before the fault stays.
    void SetPictureData(std::string_view hex);

    void Assign(const TKeyPicture& source);

private:
    void ReportChange();
    void ReadStream(std::span<const std::uint8_t> bytes);

    TNotifier* FNotifier;
    std::string FText;
    TFont FFont;
    TPicture FPicture;
    TColor FBackgroundColor = clWhite;
    std::uint8_t FTextOrientation = 0;
    bool FAnyModified = false;
    bool FFontModified = false;
    bool FTextModified = false;
    bool FColorModified = false;
    bool FOrientationModified = false;
    bool FPictureModified = false;
};

} // namespace lay
