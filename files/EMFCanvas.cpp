#include "files/EMFCanvas.h"

#include "model/Errors.h"
#include "model/Text.h"

#include <uemf.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace lay {

namespace {

enum : int { kPen = 0, kBrush = 1, kFont = 2 };
constexpr std::uint32_t kHandles = 7; // slot 0 is the metafile's own; two slots for each kind

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

U_COLORREF ColorRef(TColor rgb) {
    return colorref3_set(static_cast<std::uint8_t>(rgb & 0xFF), static_cast<std::uint8_t>((rgb >> 8) & 0xFF),
                         static_cast<std::uint8_t>((rgb >> 16) & 0xFF));
}

U_RECTL RectL(const TRect& r) {
    return U_RECTL{r.Left, r.Top, r.Right, r.Bottom};
}

std::uint32_t Le16(const TBytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t Le32(const TBytes& b, std::size_t at) {
    return Le16(b, at) | (Le16(b, at + 2) << 16);
}
void PutLe32(TBytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::u16string Utf16(std::string_view text) {
    std::u16string out;
    for (char32_t cp : DecodeUtf8(text)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// A device-independent bitmap: its info block (header, masks, colours) and its pixel bits,
// checked so that nothing a reader takes from the header reaches past the bytes given.
struct TDib {
    TBytes Info;
    TBytes Bits;
    int Width = 0;
    int Height = 0;
};

std::size_t Stride(std::int64_t width, std::uint32_t bitCount) {
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// The info block and bits of a DIB that starts at `at` (a bitmap file's after its 14-byte
// head, an icon's image); `bitsAt` is where the bits begin, 0 for right after the info.
std::optional<TDib> ReadDib(const TBytes& f, std::size_t at, std::size_t bitsAt, std::size_t end, bool icon) {
    if (end > f.size() || at + 40 > end)
        return std::nullopt;
    const std::uint32_t headerSize = Le32(f, at);
    if (headerSize < 40 || headerSize > end - at)
        return std::nullopt;
    const std::int32_t width = static_cast<std::int32_t>(Le32(f, at + 4));
    std::int32_t height = static_cast<std::int32_t>(Le32(f, at + 8));
    const std::uint32_t bitCount = Le16(f, at + 14);
    const std::uint32_t compression = Le32(f, at + 16);
    std::uint32_t colours = Le32(f, at + 32);
    if (width <= 0 || width > 65535 || height == 0 || height < -65535 || height > 65535)
        return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return std::nullopt;
    if (compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields)
        return std::nullopt;
    if (bitCount <= 8 && (colours == 0 || colours > (1u << bitCount)))
        colours = 1u << bitCount;
    if (bitCount > 8)
        colours = std::min<std::uint32_t>(colours, 256);
    std::size_t masks = 0;
    if (headerSize == 40 && compression == kBiBitfields)
        masks = 12;
    if (headerSize == 40 && compression == kBiAlphaBitfields)
        masks = 16;
    const std::size_t infoSize = headerSize + masks + static_cast<std::size_t>(colours) * 4;
    if (infoSize > end - at)
        return std::nullopt;
    TDib dib;
    dib.Info.assign(f.begin() + static_cast<std::ptrdiff_t>(at),
                    f.begin() + static_cast<std::ptrdiff_t>(at + infoSize));
    // Readers size the colour table by this field; it is stated so that they take the one we copied.
    if (bitCount <= 8)
        PutLe32(dib.Info, 32, colours);
    if (icon) // an icon's height counts its colour image and its mask
        height /= 2;
    PutLe32(dib.Info, 8, static_cast<std::uint32_t>(height));
    PutLe32(dib.Info, 20, 0); // image size: left to the reader for uncompressed bits
    const std::size_t from = bitsAt ? bitsAt : at + infoSize;
    const std::size_t need = Stride(width, bitCount) * static_cast<std::size_t>(std::abs(height));
    if (from < at + infoSize || from > end || end - from < need)
        return std::nullopt;
    dib.Bits.assign(f.begin() + static_cast<std::ptrdiff_t>(from),
                    f.begin() + static_cast<std::ptrdiff_t>(from + need));
    dib.Width = width;
    dib.Height = std::abs(height);
    return dib;
}

// An icon's AND mask as a monochrome DIB of its own.
std::optional<TDib> IconMask(const TBytes& f, const TDib& colour, std::size_t colourBitsEnd,
                             std::size_t end) {
    const std::size_t need = Stride(colour.Width, 1) * static_cast<std::size_t>(colour.Height);
    if (colourBitsEnd > end || end - colourBitsEnd < need)
        return std::nullopt;
    TDib mask;
    mask.Info.assign(48, 0);
    PutLe32(mask.Info, 0, 40);
    PutLe32(mask.Info, 4, static_cast<std::uint32_t>(colour.Width));
    PutLe32(mask.Info, 8, static_cast<std::uint32_t>(colour.Height));
    mask.Info[12] = 1; // planes
    mask.Info[14] = 1; // bits per pixel
    PutLe32(mask.Info, 32, 2);
    mask.Info[44] = mask.Info[45] = mask.Info[46] = 0xFF; // the second colour is white
    mask.Bits.assign(f.begin() + static_cast<std::ptrdiff_t>(colourBitsEnd),
                     f.begin() + static_cast<std::ptrdiff_t>(colourBitsEnd + need));
    mask.Width = colour.Width;
    mask.Height = colour.Height;
    return mask;
}

// A compressed image handed to the reader whole, with a header that names its kind.
TDib PassThrough(const TBytes& file, std::uint32_t compression, TSize size) {
    TDib dib;
    dib.Info.assign(40, 0);
    PutLe32(dib.Info, 0, 40);
    PutLe32(dib.Info, 4, static_cast<std::uint32_t>(size.cx));
    PutLe32(dib.Info, 8, static_cast<std::uint32_t>(-size.cy));
    dib.Info[12] = 1;
    PutLe32(dib.Info, 16, compression);
    PutLe32(dib.Info, 20, static_cast<std::uint32_t>(file.size()));
    dib.Bits = file;
    dib.Width = size.cx;
    dib.Height = size.cy;
    return dib;
}

} // namespace

TEMFCanvas::TEMFCanvas(TTextMetrics* metrics) : FMetrics(metrics ? metrics : &FApprox) {
    Append(U_EMRSETMAPMODE_set(U_MM_TEXT));
    Append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
}

TEMFCanvas::~TEMFCanvas() = default;

void TEMFCanvas::Append(char* record) {
    if (!record)
        throw EWriteError("Не удалось записать метафайл.");
    const std::uint32_t size = reinterpret_cast<const U_EMR*>(record)->nSize;
    FBody.insert(FBody.end(), reinterpret_cast<const std::uint8_t*>(record),
                 reinterpret_cast<const std::uint8_t*>(record) + size);
    std::free(record);
    ++FRecords;
}

void TEMFCanvas::AppendBytes(const TBytes& record) {
    FBody.insert(FBody.end(), record.begin(), record.end());
    ++FRecords;
}

void TEMFCanvas::Extend(const TRect& r) {
    if (r.Right < r.Left || r.Bottom < r.Top)
        return;
    if (!FBounds)
        FBounds = r;
    else
        FBounds = TRect{std::min(FBounds->Left, r.Left), std::min(FBounds->Top, r.Top),
                        std::max(FBounds->Right, r.Right), std::max(FBounds->Bottom, r.Bottom)};
}

std::uint32_t TEMFCanvas::FreeSlot(int kind) const {
    const std::uint32_t first = 1 + 2 * static_cast<std::uint32_t>(kind);
    return FSlot[kind] == first ? first + 1 : first;
}

void TEMFCanvas::TakeSlot(int kind, std::uint32_t slot, bool select) {
    if (select)
        Append(U_EMRSELECTOBJECT_set(slot));
    if (FSlot[kind] != 0)
        Append(U_EMRDELETEOBJECT_set(FSlot[kind]));
    FSlot[kind] = slot;
}

void TEMFCanvas::UsePen() {
    const TPen pen{ColorToRGB(Pen.Color), std::max(Pen.Width, 0)};
    if (FPen == pen)
        return;
    const std::uint32_t slot = FreeSlot(kPen);
    Append(U_EMRCREATEPEN_set(slot, logpen_set(U_PS_SOLID, point32_set(pen.Width, 0), ColorRef(pen.Color))));
    TakeSlot(kPen, slot, true);
    FPen = pen;
}

std::uint32_t TEMFCanvas::UseBrush() {
    const TColor colour = ColorToRGB(Brush.Color);
    if (FBrush != colour) {
        const std::uint32_t slot = FreeSlot(kBrush);
        Append(U_EMRCREATEBRUSHINDIRECT_set(slot, logbrush_set(U_BS_SOLID, ColorRef(colour), 0)));
        TakeSlot(kBrush, slot, true);
        FBrush = colour;
    }
    return FSlot[kBrush];
}

void TEMFCanvas::UseFont() {
    if (FFont == Font)
        return;
    std::u16string face = Utf16(Font.Name).substr(0, 31);
    std::uint16_t faceName[32] = {};
    std::copy(face.begin(), face.end(), faceName);
    const U_LOGFONT logFont =
        logfont_set(Font.Height(), 0, 0, 0, (Font.Style & fsBold) ? U_FW_BOLD : U_FW_NORMAL,
                    (Font.Style & fsItalic) ? 1 : 0, (Font.Style & fsUnderline) ? 1 : 0,
                    (Font.Style & fsStrikeOut) ? 1 : 0, Font.Charset, U_OUT_DEFAULT_PRECIS,
                    U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH, faceName);
    const std::uint32_t slot = FreeSlot(kFont);
    // The short form of the record: a plain logical font.
    Append(U_EMREXTCREATEFONTINDIRECTW_set(slot, reinterpret_cast<const char*>(&logFont), nullptr));
    TakeSlot(kFont, slot, true);
    FFont = Font;
}

void TEMFCanvas::UseTextColor(TColor rgb) {
    if (FTextColor == rgb)
        return;
    Append(U_EMRSETTEXTCOLOR_set(ColorRef(rgb)));
    FTextColor = rgb;
}

void TEMFCanvas::UseBackgroundMode(bool transparent) {
    if (FTransparent == transparent)
        return;
    Append(U_EMRSETBKMODE_set(transparent ? U_TRANSPARENT : U_OPAQUE));
    FTransparent = transparent;
}

void TEMFCanvas::FillRect(const TRect& rect) {
    if (FFinished || rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    const std::uint32_t brush = UseBrush();
    const U_RECTL box = RectL(rect);
    PU_RGNDATA region = rgndata_set(rgndataheader_set(1, box), const_cast<PU_RECTL>(&box));
    if (!region)
        throw EWriteError("Не удалось записать метафайл.");
    const TRect inclusive{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1};
    char* record = U_EMRFILLRGN_set(RectL(inclusive), brush, region);
    std::free(region);
    Append(record);
    Extend(inclusive);
}

void TEMFCanvas::Polyline(std::span<const TPoint> points) {
    if (FFinished || points.size() < 2)
        return;
    UsePen();
    std::vector<U_POINTL> list;
    TRect bounds{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (const TPoint& p : points) {
        list.push_back(point32_set(p.X, p.Y));
        bounds = TRect{std::min(bounds.Left, p.X), std::min(bounds.Top, p.Y), std::max(bounds.Right, p.X),
                       std::max(bounds.Bottom, p.Y)};
    }
    Append(U_EMRPOLYLINE_set(RectL(bounds), static_cast<std::uint32_t>(list.size()), list.data()));
    Extend(bounds);
}

TSize TEMFCanvas::TextExtent(std::string_view text) {
    return FMetrics->TextExtent(Font, text);
}

void TEMFCanvas::TextRect(const TRect& clip, int x, int y, std::string_view text) {
    if (FFinished || text.empty())
        return;
    UseBackgroundMode(TransparentText);
    UseFont();
    UseTextColor(ColorToRGB(Font.Color));
    const std::u16string units = Utf16(text);
    std::vector<std::uint32_t> dx;
    long long width = 0;
    for (char32_t cp : DecodeUtf8(text)) {
        std::string one;
        AppendUtf8(one, cp);
        const int advance = std::max(0, FMetrics->TextExtent(Font, one).cx);
        dx.push_back(static_cast<std::uint32_t>(advance));
        if (cp >= 0x10000)
            dx.push_back(0); // the second half of a surrogate pair takes no room of its own
        width += advance;
    }
    const int height = FMetrics->TextExtent(Font, text).cy;
    const TRect box{x, y, static_cast<int>(std::min<long long>(x + width, INT_MAX)), y + height};
    const TRect shown{std::max(box.Left, clip.Left), std::max(box.Top, clip.Top),
                      std::min(box.Right, clip.Right), std::min(box.Bottom, clip.Bottom)};
    char* text16 = emrtext_set(point32_set(x, y), static_cast<U_NUM_STR>(units.size()), 2,
                               const_cast<char16_t*>(units.data()), U_ETO_CLIPPED, RectL(clip), dx.data());
    if (!text16)
        throw EWriteError("Не удалось записать метафайл.");
    // Scales of the compatible graphics mode: hundredths of a millimetre per logical unit.
    const float scale = 2540.0f / static_cast<float>(ReferencePixelsPerInch);
    char* record =
        U_EMREXTTEXTOUTW_set(RectL(TRect{shown.Left, shown.Top, shown.Right - 1, shown.Bottom - 1}),
                             U_GM_COMPATIBLE, scale, scale, reinterpret_cast<PU_EMRTEXT>(text16));
    std::free(text16);
    Append(record);
    Extend(TRect{shown.Left, shown.Top, shown.Right - 1, shown.Bottom - 1});
}

// The record is put together here rather than by the library's maker, which sizes the colour
// table from the bit depth alone and drops the colour masks of 16- and 32-bit bitmaps.
bool TEMFCanvas::StretchDib(const TRect& rect, const TBytes& info, const TBytes& bits, int width, int height,
                            std::uint32_t rop) {
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return false;
    const std::size_t infoSize = (info.size() + 3) / 4 * 4;
    const std::size_t bitsSize = (bits.size() + 3) / 4 * 4;
    const std::size_t total = sizeof(U_EMRSTRETCHDIBITS) + infoSize + bitsSize;
    if (total > 0x7FFFFFFF)
        return false;
    U_EMRSTRETCHDIBITS head{};
    head.emr.iType = U_EMR_STRETCHDIBITS;
    head.emr.nSize = static_cast<std::uint32_t>(total);
    head.rclBounds = RectL(TRect{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1});
    head.Dest = point32_set(rect.Left, rect.Top);
    head.Src = point32_set(0, 0);
    head.cSrc = point32_set(width, height);
    head.offBmiSrc = sizeof(U_EMRSTRETCHDIBITS);
    head.cbBmiSrc = static_cast<std::uint32_t>(info.size());
    head.offBitsSrc = static_cast<std::uint32_t>(sizeof(U_EMRSTRETCHDIBITS) + infoSize);
    head.cbBitsSrc = static_cast<std::uint32_t>(bits.size());
    head.iUsageSrc = U_DIB_RGB_COLORS;
    head.dwRop = rop;
    head.cDest = point32_set(RectWidth(rect), RectHeight(rect));
    TBytes record(total, 0);
    std::memcpy(record.data(), &head, sizeof head);
    std::copy(info.begin(), info.end(), record.begin() + sizeof head);
    std::copy(bits.begin(), bits.end(), record.begin() + static_cast<std::ptrdiff_t>(head.offBitsSrc));
    AppendBytes(record);
    Extend(TRect{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1});
    return true;
}

void TEMFCanvas::StretchDraw(const TRect& rect, const TGraphic& graphic) {
    if (FFinished)
        return;
    const TBytes file = graphic.FileBytes();
    if (graphic.ClassName == gcBitmap) {
        if (file.size() < 14 || file[0] != 'B' || file[1] != 'M')
            return;
        if (auto dib = ReadDib(file, 14, Le32(file, 10), file.size(), false))
            StretchDib(rect, dib->Info, dib->Bits, dib->Width, dib->Height, U_SRCCOPY);
        return;
    }
    if (graphic.ClassName == gcIcon) {
        // The first image of the icon, drawn as the platform draws icons: the mask cuts the
        // shape out of what is beneath, the colour image is laid over it.
        if (file.size() < 22 || Le16(file, 2) != 1 || Le16(file, 4) == 0)
            return;
        const std::size_t size = Le32(file, 14);
        const std::size_t offset = Le32(file, 18);
        if (offset > file.size() || size > file.size() - offset)
            return;
        const std::size_t end = offset + size;
        if (size >= 8 && file[offset] == 0x89 && file[offset + 1] == 'P') {
            const TBytes png(file.begin() + static_cast<std::ptrdiff_t>(offset),
                             file.begin() + static_cast<std::ptrdiff_t>(end));
            const TSize s{file[6] == 0 ? 256 : file[6], file[7] == 0 ? 256 : file[7]};
            const TDib dib = PassThrough(png, kBiPng, s);
            StretchDib(rect, dib.Info, dib.Bits, dib.Width, dib.Height, U_SRCCOPY);
            return;
        }
        auto colour = ReadDib(file, offset, 0, end, true);
        if (!colour)
            return;
        const std::size_t colourEnd = offset + colour->Info.size() + colour->Bits.size();
        if (auto mask = IconMask(file, *colour, colourEnd, end)) {
            StretchDib(rect, mask->Info, mask->Bits, mask->Width, mask->Height, U_SRCAND);
            StretchDib(rect, colour->Info, colour->Bits, colour->Width, colour->Height, U_SRCINVERT);
        } else {
            StretchDib(rect, colour->Info, colour->Bits, colour->Width, colour->Height, U_SRCCOPY);
        }
        return;
    }
    if (graphic.ClassName == gcJPEGImage) {
        const TSize size = lay::GraphicSize(graphic);
        if (size.cx > 0 && size.cy > 0) {
            const TDib dib = PassThrough(file, kBiJpeg, size);
            StretchDib(rect, dib.Info, dib.Bits, dib.Width, dib.Height, U_SRCCOPY);
        }
    }
}

TBytes TEMFCanvas::Finish() {
    if (FFinished)
        throw EWriteError("Метафайл уже закрыт.");
    EMFTRACK track{};
    Append(U_EMREOF_set(0, nullptr, &track));
    FFinished = true;

    const TRect bounds = FBounds.value_or(TRect{0, 0, 0, 0});
    // The frame covers the drawing from the surface's origin, in hundredths of a millimetre.
    auto hundredths = [](int pixels) {
        return static_cast<std::int32_t>(static_cast<long long>(pixels) * 2540 / ReferencePixelsPerInch);
    };
    const U_RECTL frame{0, 0, hundredths(std::max(bounds.Right + 1, 0)),
                        hundredths(std::max(bounds.Bottom + 1, 0))};
    const std::u16string description =
        u"Layomatic" + std::u16string(1, u'\0') + u"Раскладка" + std::u16string(2, u'\0');
    std::vector<std::uint16_t> text(description.begin(), description.end());
    const U_SIZEL device = sizel_set(ReferenceDevice.cx, ReferenceDevice.cy);
    const U_SIZEL millimetres = sizel_set(ReferenceDevice.cx * 254 / (ReferencePixelsPerInch * 10),
                                          ReferenceDevice.cy * 254 / (ReferencePixelsPerInch * 10));
    char* header = U_EMRHEADER_set(RectL(bounds), frame, nullptr, static_cast<U_CBSTR>(text.size()),
                                   text.data(), device, millimetres, 0);
    if (!header)
        throw EWriteError("Не удалось записать метафайл.");
    U_EMRHEADER head;
    std::memcpy(&head, header, sizeof head);
    const std::uint32_t headerSize = head.emr.nSize;
    head.nBytes = static_cast<std::uint32_t>(headerSize + FBody.size());
    head.nRecords = FRecords + 1;
    head.nHandles = kHandles;
    std::memcpy(header, &head, sizeof head);
    TBytes result(reinterpret_cast<const std::uint8_t*>(header),
                  reinterpret_cast<const std::uint8_t*>(header) + headerSize);
    std::free(header);
    result.insert(result.end(), FBody.begin(), FBody.end());
    FBody.clear();
    return result;
}

} // namespace lay
