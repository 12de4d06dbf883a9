#include "model/KeyPicture.h"
#include "model/Errors.h"
#include "model/Utils.h"

#include <gtest/gtest.h>

#include <string>

using namespace lay;

namespace {

TBytes Ascii(std::string_view text) {
    return TBytes(text.begin(), text.end());
}

TBytes operator+(TBytes a, const TBytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TBytes Le32(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

TBytes ShortString(std::string_view text) {
    return TBytes{static_cast<std::uint8_t>(text.size())} + Ascii(text);
}

// A 1 by 1 pixel, 24-bit bitmap file.
TBytes BitmapFile() {
    TBytes f = Ascii("BM") + Le32(58) + Le32(0) + Le32(54);
    f = f + Le32(40) + Le32(1) + Le32(1) + TBytes{1, 0, 24, 0} + Le32(0) + Le32(4) + Le32(2835) + Le32(2835) +
        Le32(0) + Le32(0);
    return f + TBytes{0x00, 0x00, 0xFF, 0x00}; // one red pixel, row padded to 4 bytes
}

TBytes Header() {
    return Ascii("TPF0") + ShortString("TKeyPicture") + TBytes{0};
}

// The stored stream of a picture whose graphic is the class name followed by payload.
TBytes StreamWith(std::string_view className, const TBytes& payload) {
    const TBytes value = ShortString(className) + payload;
    return Header() + ShortString("Picture.Data") + TBytes{0x0A} +
           Le32(static_cast<std::uint32_t>(value.size())) + value + TBytes{0, 0};
}

} // namespace

TEST(Font, DefaultsAndThePointPixelLink) {
    TFont f;
    EXPECT_EQ(f.Name, "MS Sans Serif");
    EXPECT_EQ(f.Size(), 8);
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.PixelsPerInch, 96);
    EXPECT_EQ(f.Charset, 1);
    EXPECT_EQ(f.Color, static_cast<TColor>(0xFF000008u));
    EXPECT_EQ(f.Style, 0);

    // {pixels per inch, size set, height expected}, rounding half away from zero
    const int bySize[][3] = {{96, 10, -13}, {96, 12, -16}, {120, 8, -13},
                             {60, 3, -3},   {96, -9, 12},  {96, 0, 0}};
    for (const auto& [ppi, size, height] : bySize) {
        f.PixelsPerInch = ppi;
        f.SetSize(size);
        EXPECT_EQ(f.Height(), height) << ppi << " " << size;
    }
    // {pixels per inch, height set, size expected}
    const int byHeight[][3] = {{96, -16, 12}, {96, -15, 11}, {96, -14, 11}, {96, 20, -15}, {144, -12, 6}};
    for (const auto& [ppi, height, size] : byHeight) {
        f.PixelsPerInch = ppi;
        f.SetHeight(height);
        EXPECT_EQ(f.Size(), size) << ppi << " " << height;
    }
    f.PixelsPerInch = 0;
    EXPECT_NO_THROW(f.SetSize(10)) << "a file may carry a zero resolution";
    EXPECT_NO_THROW((void)f.Size());
}

TEST(KeyPicture, Defaults) {
    TKeyPicture p;
    EXPECT_EQ(p.Text(), "");
    EXPECT_EQ(p.Font(), TFont());
    EXPECT_EQ(p.BackgroundColor(), 0xFFFFFF);
    EXPECT_EQ(p.TextOrientation(), 0);
    EXPECT_FALSE(p.Picture().Graphic);
    EXPECT_FALSE(p.HasGraphic());
    EXPECT_FALSE(p.AnyModified());
}

TEST(KeyPicture, SettersReportAndFlagWhatChanged) {
    TNotifier notifier;
    TKeyPicture p(&notifier);

    p.SetText("");
    EXPECT_FALSE(p.AnyModified()) << "an equal text is not stored again";
    EXPECT_FALSE(notifier.Modified);
    p.SetText("Итого");
    EXPECT_TRUE(p.TextModified());
    EXPECT_TRUE(p.AnyModified());
    EXPECT_TRUE(notifier.Modified);
    EXPECT_FALSE(p.FontModified() || p.ColorModified() || p.OrientationModified() || p.PictureModified());

    // The other four report even when the value is the same.
    struct {
        void (*Set)(TKeyPicture&);
        bool (TKeyPicture::*Flag)() const;
    } const others[] = {
        {[](TKeyPicture& k) { k.SetFont(k.Font()); }, &TKeyPicture::FontModified},
        {[](TKeyPicture& k) { k.SetBackgroundColor(k.BackgroundColor()); }, &TKeyPicture::ColorModified},
        {[](TKeyPicture& k) { k.SetTextOrientation(k.TextOrientation()); },
         &TKeyPicture::OrientationModified},
        {[](TKeyPicture& k) { k.SetPicture(k.Picture()); }, &TKeyPicture::PictureModified},
    };
    for (const auto& o : others) {
        p.ClearFlags();
        notifier.ClearModified();
        o.Set(p);
        EXPECT_TRUE((p.*o.Flag)());
        EXPECT_TRUE(p.AnyModified());
        EXPECT_FALSE(p.TextModified());
        EXPECT_TRUE(notifier.Modified);
    }
    p.ClearFlags();
    EXPECT_FALSE(p.AnyModified() || p.FontModified() || p.TextModified() || p.ColorModified() ||
                 p.OrientationModified() || p.PictureModified());
}

TEST(KeyPicture, ClearKeepsTheFont) {
    TNotifier notifier;
    TKeyPicture p(&notifier);
    TFont font;
    font.Name = "Arial";
    font.Style = fsBold | fsItalic;
    p.SetFont(font);
    p.SetText("X");
    p.SetBackgroundColor(0x123456);
    p.SetTextOrientation(1);
    p.SetPicture(TPicture{TGraphic::FromFile(BitmapFile())});
    p.ClearFlags();
    notifier.ClearModified();

    p.Clear();
    EXPECT_EQ(p.Font(), font);
    EXPECT_EQ(p.Text(), "");
    EXPECT_EQ(p.BackgroundColor(), clWhite);
    EXPECT_EQ(p.TextOrientation(), 0);
    EXPECT_FALSE(p.Picture().Graphic);
    EXPECT_TRUE(p.AnyModified());
    EXPECT_FALSE(p.TextModified() || p.FontModified() || p.ColorModified() || p.PictureModified());
    EXPECT_TRUE(notifier.Modified);
}

TEST(PictureData, WithoutGraphic) {
    TKeyPicture p;
    p.SetText("text is not part of it");
    const TBytes expected = Header() + TBytes{0, 0};
    EXPECT_EQ(expected.size(), 19u);
    EXPECT_EQ(p.PictureData(), BytesToHex(expected));
    EXPECT_EQ(p.PictureData(), "545046300B544B657950696374757265000000");
}

TEST(PictureData, BitmapByteForByte) {
    const TBytes file = BitmapFile();
    TKeyPicture p;
    p.SetPicture(TPicture{TGraphic::FromFile("TBitmap", file)});
    const TBytes expected = Header() + ShortString("Picture.Data") + TBytes{0x0A} + Le32(1 + 7 + 4 + 58) +
                            ShortString("TBitmap") + Le32(58) + file + TBytes{0, 0};
    EXPECT_EQ(p.PictureData(), BytesToHex(expected));
    EXPECT_TRUE(p.HasGraphic());
    EXPECT_EQ(p.Picture().Graphic->FileBytes(), file);
}

// What is read is written back unchanged, for every graphic class and both stored forms of
// metafiles and JPEG images.
TEST(PictureData, ReadsBackWhatItWrites) {
    const TBytes jpeg = TBytes{0xFF, 0xD8, 0xFF, 0xE0, 0, 16} + Ascii("JFIF") + TBytes{0, 1, 0xFF, 0xD9};
    TBytes emf = Le32(1) + Le32(108) + TBytes(32, 0) + Ascii(" EMF") + TBytes(20, 7);
    const TBytes wmf = TBytes{0xD7, 0xCD, 0xC6, 0x9A, 0, 0} + TBytes(16, 3);
    const TBytes icon = TBytes{0, 0, 1, 0, 1, 0} + TBytes(16, 9);
    const struct {
        const char* Class;
        TBytes Payload;
        TBytes File;
    } cases[] = {
        {"TBitmap", Le32(58) + BitmapFile(), BitmapFile()},
        {"TBitmap", Le32(0), {}},
        {"TIcon", icon, icon},
        {"TIcon", {}, {}},
        {"TMetafile", Le32(static_cast<std::uint32_t>(emf.size())) + emf, emf},
        {"TMetafile", emf, emf},
        {"TMetafile", wmf, wmf},
        {"TJPEGImage", Le32(static_cast<std::uint32_t>(jpeg.size())) + jpeg, jpeg},
        {"TJPEGImage", jpeg, jpeg},
        // a class nothing here can draw still survives loading and saving
        {"TPngImage", Ascii("\x89PNG"), Ascii("\x89PNG")},
    };
    for (const auto& c : cases) {
        const std::string hex = BytesToHex(StreamWith(c.Class, c.Payload));
        TKeyPicture p;
        p.SetPictureData(hex);
        ASSERT_TRUE(p.Picture().Graphic) << c.Class;
        const TGraphic& g = *p.Picture().Graphic;
        EXPECT_EQ(g.ClassName, c.Class);
        EXPECT_EQ(g.Data, c.Payload) << c.Class;
        EXPECT_EQ(g.FileBytes(), c.File) << c.Class;
        EXPECT_EQ(p.HasGraphic(), !c.File.empty()) << c.Class;
        EXPECT_TRUE(g.Transparent);
        EXPECT_EQ(p.PictureData(), hex) << c.Class;
        EXPECT_FALSE(p.AnyModified()) << "reading stored data is no edit";
    }
}

TEST(PictureData, GraphicsFromImageFiles) {
    const TBytes bmp = BitmapFile();
    const TBytes jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 1, 2};
    const TBytes icon = {0, 0, 1, 0, 1, 0, 5};
    const TBytes wmf = {1, 0, 9, 0, 0, 3, 4};
    const TBytes emf = Le32(1) + Le32(88) + TBytes(32, 0) + Ascii(" EMF");
    EXPECT_EQ(TGraphic::ClassOfFile(bmp), "TBitmap");
    EXPECT_EQ(TGraphic::ClassOfFile(jpeg), "TJPEGImage");
    EXPECT_EQ(TGraphic::ClassOfFile(icon), "TIcon");
    EXPECT_EQ(TGraphic::ClassOfFile(wmf), "TMetafile");
    EXPECT_EQ(TGraphic::ClassOfFile(emf), "TMetafile");
    EXPECT_EQ(TGraphic::ClassOfFile(Ascii("GIF89a")), "");
    EXPECT_EQ(TGraphic::ClassOfFile(TBytes{}), "");
    EXPECT_EQ(TGraphic::ClassOfFile(TBytes{'B'}), "");

    for (const TBytes& file : {bmp, jpeg, icon, wmf, emf}) {
        const TGraphic g = TGraphic::FromFile(file);
        EXPECT_EQ(g.FileBytes(), file) << g.ClassName;
        EXPECT_EQ(g.Data.size(), file.size() + (g.ClassName == "TIcon" ? 0 : 4)) << g.ClassName;
    }
    EXPECT_THROW((void)TGraphic::FromFile(Ascii("GIF89a")), Exception);
    EXPECT_THROW((void)TGraphic::FromFile("TPngImage", bmp), Exception);
}

TEST(PictureData, EmptyTextOrAStreamWithoutGraphicKeepsTheGraphic) {
    TKeyPicture p;
    p.SetPicture(TPicture{TGraphic::FromFile(BitmapFile())});
    p.SetPictureData("");
    p.SetPictureData("xyz"); // no digits at all: no bytes
    EXPECT_TRUE(p.HasGraphic());
    p.SetPictureData(BytesToHex(Header() + TBytes{0, 0}));
    EXPECT_TRUE(p.HasGraphic());
    // An empty class name inside the property stands for no graphic.
    p.SetPictureData(BytesToHex(StreamWith("", {})));
    EXPECT_FALSE(p.Picture().Graphic);
}

TEST(PictureData, MalformedStreamsRaiseAReadError) {
    const TBytes good = StreamWith("TBitmap", Le32(58) + BitmapFile());
    // Every cut of a valid stream is refused without reading beyond the cut.
    for (std::size_t n = 1; n < good.size(); ++n) {
        TKeyPicture p;
        EXPECT_THROW(p.SetPictureData(BytesToHex(TBytes(good.begin(), good.begin() + static_cast<long>(n)))),
                     EReadError)
            << n;
    }

    TBytes wrongSignature = good;
    wrongSignature[3] = '1';
    TBytes unknownType = good;
    unknownType[Header().size() + 13] = 0x07;
    TBytes longLength = good;
    longLength[Header().size() + 14] += 3;
    TBytes hugeLength = good;
    for (int i = 0; i < 4; ++i)
        hugeLength[Header().size() + 14 + static_cast<std::size_t>(i)] = 0xFF;
    const TBytes malformed[] = {
        wrongSignature,
        unknownType,
        longLength,
        hugeLength,
        Header() + TBytes{0, 1}, // a child component
        Header() + ShortString("Text") + TBytes{0x06, 1, 'x', 0, 0},
        Header() + ShortString("Picture.Data") + TBytes{0x0A} + Le32(0) + TBytes{0, 0},
        // a class name longer than the value holding it
        Header() + ShortString("Picture.Data") + TBytes{0x0A} + Le32(3) + TBytes{7, 'T', 'B', 0, 0},
        // a bitmap whose size reaches past its data, or has no size at all
        StreamWith("TBitmap", Le32(59) + BitmapFile()),
        StreamWith("TBitmap", TBytes{1, 0}),
    };
    for (const TBytes& bytes : malformed) {
        TKeyPicture p;
        try {
            p.SetPictureData(BytesToHex(bytes));
            ADD_FAILURE() << BytesToHex(bytes);
        } catch (const EReadError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(SInvalidStream, 0), 0u) << e.what();
        }
        EXPECT_FALSE(p.Picture().Graphic) << BytesToHex(bytes);
    }
}

TEST(PictureData, AGraphicReadBeforeTheFaultStays) {
    TBytes bytes = StreamWith("TIcon", TBytes{0, 0, 1, 0});
    bytes.pop_back(); // the end of the child list is missing
    TKeyPicture p;
    EXPECT_THROW(p.SetPictureData(BytesToHex(bytes)), EReadError);
    ASSERT_TRUE(p.Picture().Graphic);
    EXPECT_EQ(p.Picture().Graphic->ClassName, "TIcon");
}

TEST(KeyPicture, AssignCopiesEverything) {
    TKeyPicture source;
    TFont font;
    font.Name = "Courier New";
    font.SetSize(14);
    font.Color = clRed;
    source.SetFont(font);
    source.SetText("Сумма");
    source.SetBackgroundColor(0);
    source.SetTextOrientation(2);
    source.SetPicture(TPicture{TGraphic::FromFile(BitmapFile())});

    TNotifier notifier;
    TKeyPicture target(&notifier);
    target.SetPicture(TPicture{TGraphic::FromFile(TBytes{0, 0, 1, 0})});
    target.ClearFlags();
    target.Assign(source);
    EXPECT_EQ(target.Text(), "Сумма");
    EXPECT_EQ(target.Font(), font);
    EXPECT_EQ(target.BackgroundColor(), 0);
    EXPECT_EQ(target.TextOrientation(), 2);
    EXPECT_EQ(target.Picture(), source.Picture());
    EXPECT_EQ(target.PictureData(), source.PictureData());
    EXPECT_TRUE(notifier.Modified);
    EXPECT_TRUE(target.TextModified() && target.FontModified() && target.ColorModified() &&
                target.OrientationModified());
    EXPECT_FALSE(target.PictureModified()) << "the graphic is copied directly";

    // A source without graphic takes the target's graphic away.
    TKeyPicture blank;
    target.Assign(blank);
    EXPECT_FALSE(target.Picture().Graphic);
    EXPECT_EQ(target.BackgroundColor(), clWhite);

    source.Assign(source);
    EXPECT_EQ(source.Text(), "Сумма");
    EXPECT_TRUE(source.HasGraphic());
}
