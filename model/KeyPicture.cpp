#include "model/KeyPicture.h"

#include "model/BinStream.h"
#include "model/Errors.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace lay {

namespace {

// Component stream constants of the stored picture data.
constexpr std::uint8_t kSignature[4] = {'T', 'P', 'F', '0'};
constexpr std::string_view kComponentClass = "TKeyPicture";
constexpr std::string_view kDataProperty = "Picture.Data";
constexpr std::uint8_t kBinaryValue = 0x0A;

// a * b / c rounded half away from zero, as the font's point-pixel conversion has always done.
int MulDiv(int a, int b, int c) {
    if (c == 0)
        return 0;
    const long long num = static_cast<long long>(a) * b;
    long long q = num / c;
    const long long r = num % c;
    if (std::llabs(r) * 2 >= std::llabs(static_cast<long long>(c)))
        q += ((num < 0) == (c < 0)) ? 1 : -1;
    // Kept within ±INT_MAX, so that the negative the callers take is an int as well.
    return static_cast<int>(std::clamp<long long>(q, -INT_MAX, INT_MAX));
}

std::uint32_t Le32(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void PutLe32(TBytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool IsSizePrefixed(const TBytes& data) {
    return data.size() >= 4 && Le32(data) == data.size() - 4;
}

// Every read of the stored stream goes through here, so that no length taken from the data
// can reach past its end.
class TStreamReader {
public:
    explicit TStreamReader(std::span<const std::uint8_t> data) : FData(data) {}

    std::size_t Remaining() const { return FData.size() - FPos; }
    std::span<const std::uint8_t> Take(std::size_t count) {
        if (count > Remaining())
            throw EReadError(SInvalidStream);
        const auto part = FData.subspan(FPos, count);
        FPos += count;
        return part;
    }
    std::uint8_t Byte() { return Take(1)[0]; }
    std::string ShortString() {
        const auto bytes = Take(Byte());
        return std::string(bytes.begin(), bytes.end());
    }

private:
    std::span<const std::uint8_t> FData;
    std::size_t FPos = 0;
};

void WriteShortString(TBinStream& stream, std::string_view text) {
    if (text.size() > 255)
        throw EWriteError("Имя длиннее 255 символов: " + Cp1251ToUtf8(text.substr(0, 64)) + "…");
    stream.WriteByte(static_cast<std::uint8_t>(text.size()));
    stream.WriteBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// The graphic inside a "Picture.Data" value: its class name, then that class's own bytes.
// An empty class name stands for no graphic. A class we do not know is kept as it is, so that
// the picture survives being loaded and saved even though nothing here can draw it.
std::optional<TGraphic> ReadGraphic(std::span<const std::uint8_t> value) {
    TStreamReader reader(value);
    std::string className = reader.ShortString();
    const auto rest = reader.Take(reader.Remaining());
    if (className.empty())
        return std::nullopt;
    if (className == gcBitmap && (rest.size() < 4 || Le32(rest) > rest.size() - 4))
        throw EReadError(SInvalidStream);
    return TGraphic{std::move(className), TBytes(rest.begin(), rest.end()), false};
}

} // namespace

int TFont::Size() const {
    return -MulDiv(FHeight, 72, PixelsPerInch);
}

void TFont::SetSize(int size) {
    FHeight = -MulDiv(size, PixelsPerInch, 72);
}

// A bitmap is stored as a 32-bit size and the .bmp file, an icon as the .ico file itself.
// Metafiles and JPEG images are stored size-prefixed like bitmaps.
TGraphic TGraphic::FromFile(std::string_view className, std::span<const std::uint8_t> file) {
    if (className != gcBitmap && className != gcIcon && className != gcMetafile && className != gcJPEGImage)
        throw Exception("Неизвестный формат рисунка.");
    if (file.size() > static_cast<std::size_t>(INT_MAX) - 64)
        throw Exception("Рисунок слишком велик.");
    TGraphic graphic;
    graphic.ClassName = std::string(className);
    if (className != gcIcon)
        PutLe32(graphic.Data, static_cast<std::uint32_t>(file.size()));
    graphic.Data.insert(graphic.Data.end(), file.begin(), file.end());
    return graphic;
}

TGraphic TGraphic::FromFile(std::span<const std::uint8_t> file) {
    return FromFile(ClassOfFile(file), file);
}

std::string TGraphic::ClassOfFile(std::span<const std::uint8_t> file) {
    auto starts = [&](std::initializer_list<std::uint8_t> head) {
        return file.size() >= head.size() && std::equal(head.begin(), head.end(), file.begin());
    };
    if (starts({'B', 'M'}))
        return gcBitmap;
    if (starts({0x00, 0x00, 0x01, 0x00}))
        return gcIcon;
    if (starts({0xFF, 0xD8, 0xFF}))
        return gcJPEGImage;
    // Placeable Windows metafile, enhanced metafile (" EMF" at offset 40), plain Windows metafile.
    if (starts({0xD7, 0xCD, 0xC6, 0x9A}) || starts({0x01, 0x00, 0x09, 0x00}) ||
        starts({0x02, 0x00, 0x09, 0x00}))
        return gcMetafile;
    if (starts({0x01, 0x00, 0x00, 0x00}) && file.size() >= 44 && file[40] == ' ' && file[41] == 'E' &&
        file[42] == 'M' && file[43] == 'F')
        return gcMetafile;
    return {};
}

// Metafiles and JPEG images may come size-prefixed (as we write them) or as the bare file (as
// other writers have stored them); the prefix is recognised only when it gives exactly the
// number of bytes that follow it, which a bare .wmf, .emf or .jpg file never starts with.
TBytes TGraphic::FileBytes() const {
    if (ClassName == gcBitmap) {
        if (Data.size() < 4)
            return {};
        const std::size_t size = std::min<std::size_t>(Le32(Data), Data.size() - 4);
        return TBytes(Data.begin() + 4, Data.begin() + 4 + static_cast<std::ptrdiff_t>(size));
    }
    if (ClassName == gcMetafile || ClassName == gcJPEGImage) {
        if (IsSizePrefixed(Data))
            return TBytes(Data.begin() + 4, Data.end());
        return Data;
    }
    return Data;
}

void TKeyPicture::ReportChange() {
    if (FNotifier)
        FNotifier->Changed();
    FAnyModified = true;
}

void TKeyPicture::SetText(std::string_view text) {
    if (FText == text)
        return;
    FText = std::string(text);
    ReportChange();
    FTextModified = true;
}

void TKeyPicture::SetFont(const TFont& font) {
    FFont = font;
    ReportChange();
    FFontModified = true;
}

void TKeyPicture::SetPicture(const TPicture& picture) {
    FPicture = picture;
    ReportChange();
    FPictureModified = true;
}

void TKeyPicture::SetBackgroundColor(TColor color) {
    FBackgroundColor = color;
    ReportChange();
    FColorModified = true;
}

void TKeyPicture::SetTextOrientation(std::uint8_t orientation) {
    FTextOrientation = orientation;
    ReportChange();
    FOrientationModified = true;
}

void TKeyPicture::ClearFlags() {
    FAnyModified = false;
    FFontModified = false;
    FTextModified = false;
    FColorModified = false;
    FOrientationModified = false;
    FPictureModified = false;
}

void TKeyPicture::Clear() {
    FPicture.Graphic.reset();
    FText.clear();
    FBackgroundColor = clWhite;
    FTextOrientation = 0;
    ReportChange();
}

bool TKeyPicture::HasGraphic() const {
    return FPicture.Graphic && !FPicture.Graphic->Empty();
}

std::string TKeyPicture::PictureData() const {
    TBinStream stream;
    stream.WriteBytes(kSignature);
    WriteShortString(stream, kComponentClass);
    WriteShortString(stream, "");
    if (FPicture.Graphic) {
        const TGraphic& graphic = *FPicture.Graphic;
        const std::size_t length = 1 + graphic.ClassName.size() + graphic.Data.size();
        if (length > static_cast<std::size_t>(INT_MAX))
            throw EWriteError("Рисунок слишком велик.");
        WriteShortString(stream, kDataProperty);
        stream.WriteByte(kBinaryValue);
        stream.WriteDWord(static_cast<std::uint32_t>(length));
        WriteShortString(stream, graphic.ClassName);
        stream.WriteBytes(graphic.Data);
    }
    stream.WriteByte(0); // end of the properties
    stream.WriteByte(0); // end of the (empty) list of child components
    return BytesToHex(stream.Bytes());
}

void TKeyPicture::ReadStream(std::span<const std::uint8_t> bytes) {
    TStreamReader reader(bytes);
    const auto signature = reader.Take(4);
    if (!std::equal(signature.begin(), signature.end(), std::begin(kSignature)))
        throw EReadError(SInvalidStream);
    reader.ShortString(); // the component's class, which is not checked
    reader.ShortString(); // the component's name, always empty
    for (;;) {
        const std::string name = reader.ShortString();
        if (name.empty())
            break;
        if (name != kDataProperty)
            throw EReadError(std::string(SInvalidStream) + ": неизвестное свойство «" + Cp1251ToUtf8(name) +
                             "»");
        if (reader.Byte() != kBinaryValue)
            throw EReadError(SInvalidStream);
        const auto lengthBytes = reader.Take(4);
        const std::uint32_t length = Le32(lengthBytes);
        if (length > static_cast<std::uint32_t>(INT_MAX))
            throw EReadError(SInvalidStream);
        FPicture.Graphic = ReadGraphic(reader.Take(length));
    }
    // A key picture never has child components.
    if (reader.Byte() != 0)
        throw EReadError(SInvalidStream);
}

void TKeyPicture::SetPictureData(std::string_view hex) {
    const TBytes bytes = HexToBytes(hex);
    if (bytes.empty())
        return;
    ReadStream(bytes);
    if (FPicture.Graphic)
        FPicture.Graphic->Transparent = true;
}

void TKeyPicture::Assign(const TKeyPicture& source) {
    SetText(source.FText);
    // Going through the source's stored form would end in the same graphic as the direct copy
    // below, so the copy alone stands for both.
    SetFont(source.FFont);
    SetTextOrientation(source.FTextOrientation);
    FPicture = source.FPicture;
    SetBackgroundColor(source.FBackgroundColor);
}

} // namespace lay
