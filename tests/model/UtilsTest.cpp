#include "model/Utils.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

using namespace lay;

namespace {

struct HexCase {
    const char* Text;
    TBytes Bytes;
};

class HexToBytesCase : public testing::TestWithParam<HexCase> {};

} // namespace

TEST_P(HexToBytesCase, Case) {
    EXPECT_EQ(HexToBytes(GetParam().Text), GetParam().Bytes) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(DigitsAndSeparators, HexToBytesCase,
                         testing::Values(HexCase{"", {}}, HexCase{"E0 1C", {0xE0, 0x1C}},
                                         HexCase{"E01C", {0xE0, 0x1C}}, HexCase{"1 2C", {0x01, 0x2C}},
                                         HexCase{"ABC", {0xAB, 0x0C}},
                                         // lower-case letters separate, they are not digits
                                         HexCase{"e0", {0x00}}, HexCase{"0a1", {0x00, 0x01}},
                                         HexCase{"  ;; ", {}}, HexCase{"Ж12Я3", {0x12, 0x03}},
                                         HexCase{"F", {0x0F}}));

TEST(Hex, BytesToHexCoversEveryByteAndReadsBack) {
    TBytes all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<std::uint8_t>(b));
    const std::string hex = BytesToHex(all);
    EXPECT_EQ(hex.size(), 512u);
    EXPECT_EQ(hex.substr(0x9A * 2, 2), "9A");
    EXPECT_EQ(HexToBytes(hex), all);
    EXPECT_EQ(BytesToHex(TBytes{0xE0, 0x1C}), "E01C");
    EXPECT_EQ(BytesToHex(TBytes{}), "");
    EXPECT_EQ(BytesToHexSpaced(TBytes{0xE0, 0x1C}), "E0 1C ");
    EXPECT_EQ(BytesToHexSpaced(TBytes{}), "");
}

TEST(Hex, HexToIntReadsUpTo32Bits) {
    EXPECT_EQ(HexToInt("1F"), 31);
    EXPECT_EQ(HexToInt("ff"), 255);
    EXPECT_EQ(HexToInt("0"), 0);
    EXPECT_EQ(HexToInt("7FFFFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(HexToInt("FF000008"), static_cast<std::int32_t>(0xFF000008u));
    EXPECT_EQ(HexToInt("000000000001"), 1);
    for (const char* bad : {"", "G1", "1 ", " 1", "-1", "$1", "0x1", "100000000"})
        EXPECT_THROW((void)HexToInt(bad), EConvertError) << "«" << bad << "»";
}

TEST(Hex, StrToIntIsDecimalOnly) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -7"), -7);
    EXPECT_EQ(StrToInt("+5"), 5);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
    for (const char* bad : {"", " ", "-", "1 ", "1a", "$10", "2147483648", "-2147483649", "4\r\n"})
        EXPECT_THROW((void)StrToInt(bad), EConvertError) << "«" << bad << "»";
    try {
        (void)StrToInt("x1");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x1' не является целым числом");
    }
}

TEST(ReplaceText, AllOccurrencesIgnoringCase) {
    const TReplaceResult r = ReplaceText("+A -A +A", "+a", "+B", rfReplaceAll | rfIgnoreCase);
    EXPECT_EQ(r.Text, "+B -A +B");
    EXPECT_EQ(r.Count, 2);
}

TEST(ReplaceText, CyrillicCaseIsIgnoredAndTheRestKeptAsWritten) {
    const TReplaceResult r =
        ReplaceText("Клавиша КЛАВИША ёлка Ёлка", "клавиша", "Key", rfReplaceAll | rfIgnoreCase);
    EXPECT_EQ(r.Text, "Key Key ёлка Ёлка");
    EXPECT_EQ(r.Count, 2);
    const TReplaceResult e = ReplaceText("ёлка Ёлка", "ЁЛ", "_", rfReplaceAll | rfIgnoreCase);
    EXPECT_EQ(e.Text, "_ка _ка");
    // A malformed byte before a match must not shift the match off its bytes.
    const TReplaceResult m = ReplaceText("\xFF"
                                         "ab\xD0"
                                         "Ab",
                                         "ab", "X", rfReplaceAll | rfIgnoreCase);
    EXPECT_EQ(m.Text, "\xFF"
                      "X\xD0"
                      "X");
    EXPECT_EQ(m.Count, 2);
}

TEST(ReplaceText, FlagsAndEdges) {
    // Without replace-all only the first occurrence goes.
    TReplaceResult r = ReplaceText("a-a-a", "a", "b", 0);
    EXPECT_EQ(r.Text, "b-a-a");
    EXPECT_EQ(r.Count, 1);
    // Case matters without ignore-case.
    r = ReplaceText("A-a", "a", "b", rfReplaceAll);
    EXPECT_EQ(r.Text, "A-b");
    EXPECT_EQ(r.Count, 1);
    // Occurrences do not overlap and the replacement is not searched again.
    r = ReplaceText("aaaa", "aa", "a", rfReplaceAll);
    EXPECT_EQ(r.Text, "aa");
    EXPECT_EQ(r.Count, 2);
    r = ReplaceText("abc", "", "x", rfReplaceAll);
    EXPECT_EQ(r.Text, "abc");
    EXPECT_EQ(r.Count, 0);
    r = ReplaceText("abc", "zz", "x", rfReplaceAll | rfIgnoreCase);
    EXPECT_EQ(r.Text, "abc");
    EXPECT_EQ(r.Count, 0);
}

TEST(ScanText, ReadsTheLinesOfTheMessageWindow) {
    std::array<int, 4> v{-1, -1, -1, -1};
    EXPECT_EQ(ScanText("[Поиск] Слой 2. Клавиша (3,5). Коды нажатия. Строка X найдена.",
                       "[Поиск] Слой %d. Клавиша (%d,%d).", v),
              3);
    EXPECT_EQ(v[0], 2);
    EXPECT_EQ(v[1], 3);
    EXPECT_EQ(v[2], 5);
    EXPECT_EQ(v[3], -1);

    v.fill(-1);
    EXPECT_EQ(ScanText("[Ошибка(12)] Слой 1. Клавиша (10,-2). Коды отжатия. Нет пары",
                       "[Ошибка(%d)] Слой %d. Клавиша (%d,%d)", v),
              4);
    EXPECT_EQ(v, (std::array<int, 4>{12, 1, 10, -2}));
}

TEST(ScanText, StopsWhereTheTextEndsOrDisagrees) {
    std::array<int, 4> v{};
    EXPECT_EQ(ScanText("1.2.3.4", "%d.%d.%d.%d", v), 4);
    EXPECT_EQ(v, (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(ScanText("1.2.3", "%d.%d.%d.%d", v), 3);
    // A separator found as the very last character of the text ends the reading.
    EXPECT_EQ(ScanText("1.2.3.", "%d.%d.%d.%d", v), 3);
    EXPECT_EQ(ScanText("7 . 8", "%d.%d", v), 2) << "spaces before a number are skipped";
    EXPECT_EQ(v[1], 8);
    EXPECT_EQ(ScanText("Слой X", "Слой %d", v), 0) << "an empty number ends the reading";
    EXPECT_EQ(ScanText("", "%d", v), 0);
    EXPECT_EQ(ScanText("5", "", v), 0);
    std::array<int, 2> two{};
    EXPECT_EQ(ScanText("1.2.3.4", "%d.%d.%d.%d", two), 2) << "never more than the destinations";
    EXPECT_EQ(ScanText("1.2", "%d.%d", std::span<int>()), 0);
}

TEST(ScanText, MalformedNumberIsAConversionError) {
    std::array<int, 4> v{};
    EXPECT_THROW((void)ScanText("1.2-3.4", "%d.%d.%d.%d", v), EConvertError);
    EXPECT_THROW((void)ScanText("Слой +", "Слой %d", v), EConvertError);
    EXPECT_THROW((void)ScanText("Слой 99999999999", "Слой %d", v), EConvertError);
}

namespace {

struct FitCase {
    TSize Graphic;
    TRect Cell;
    TRect Expected;
};

class FitGraphicCase : public testing::TestWithParam<FitCase> {};

} // namespace

TEST_P(FitGraphicCase, Case) {
    const FitCase& c = GetParam();
    const TRect r = FitGraphic(c.Graphic, c.Cell);
    EXPECT_EQ(r, c.Expected) << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, FitGraphicCase,
    testing::Values(
        // small graphics keep their size and are centred in the cell less its 10-pixel margin
        FitCase{{20, 10}, {0, 0, 100, 60}, {40, 25, 60, 35}},
        FitCase{{20, 10}, {100, 200, 200, 260}, {140, 225, 160, 235}},
        FitCase{{80, 40}, {0, 0, 100, 60}, {10, 10, 90, 50}},
        // wide: the width is kept and the height follows the aspect ratio
        FitCase{{400, 100}, {0, 0, 100, 60}, {10, 20, 90, 40}},
        // tall: the height is kept
        FitCase{{50, 200}, {0, 0, 100, 60}, {45, 10, 55, 50}},
        // odd free space is halved toward zero
        FitCase{{21, 11}, {0, 0, 100, 60}, {39, 24, 60, 35}},
        // degenerate sizes give a degenerate rectangle, never a crash
        FitCase{{0, 0}, {0, 0, 100, 60}, {50, 30, 50, 30}},
        FitCase{{500, 0}, {0, 0, 100, 60}, {10, 30, 90, 30}},
        FitCase{{0, 500}, {0, 0, 100, 60}, {50, 10, 50, 50}}));

TEST(FitGraphic, TinyCellDoesNotCrash) {
    const TRect r = FitGraphic({30, 30}, {0, 0, 10, 10});
    EXPECT_EQ(r.Right - r.Left, -10);
}

TEST(SmallHelpers, FileNameWithoutExt) {
    EXPECT_EQ(FileNameWithoutExt("C:\\dir\\layout.xml"), "C:\\dir\\layout");
    EXPECT_EQ(FileNameWithoutExt("C:\\old.dir\\layout"), "");
    EXPECT_EQ(FileNameWithoutExt("a.b.c"), "a.b");
    EXPECT_EQ(FileNameWithoutExt("C:layout"), "");
    EXPECT_EQ(FileNameWithoutExt("/home/u/old.dir/layout"), "");
    EXPECT_EQ(FileNameWithoutExt("/home/u/Раскладка.xml"), "/home/u/Раскладка");
    EXPECT_EQ(FileNameWithoutExt(""), "");
}

TEST(SmallHelpers, GraphicExtensionAndLayerCaption) {
    EXPECT_EQ(GraphicExtension("TBitmap"), "bmp");
    EXPECT_EQ(GraphicExtension("TIcon"), "ico");
    EXPECT_EQ(GraphicExtension("TMetafile"), "wmf");
    EXPECT_EQ(GraphicExtension("TJPEGImage"), "");
    EXPECT_EQ(GraphicExtension(""), "");
    EXPECT_EQ(LayerCaption(0), "Слой 1");
    EXPECT_EQ(LayerCaption(3), "Слой 4");
}

TEST(SmallHelpers, BitsAndSets) {
    EXPECT_TRUE(TestBit(0x80000000u, 31));
    EXPECT_FALSE(TestBit(0x80000000u, 30));
    EXPECT_FALSE(TestBit(0xFFFFFFFFu, 32));
    EXPECT_FALSE(TestBit(0xFFFFFFFFu, -1));
    EXPECT_EQ(SetBit(0, 3), 8u);
    EXPECT_EQ(SetBit(0xFF, 0, false), 0xFEu);
    EXPECT_EQ(SetBit(5, 40), 5u);

    std::uint8_t b = 0;
    std::uint16_t w = 0;
    std::uint32_t d = 0;
    SetSetValue(&b, 1, 0x1FF);
    SetSetValue(&w, 2, 0x12345);
    SetSetValue(&d, 4, 0xDEADBEEF);
    EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(w, 0x2345);
    EXPECT_EQ(GetSetValue(&b, 1), 0xFFu);
    EXPECT_EQ(GetSetValue(&w, 2), 0x2345u);
    EXPECT_EQ(GetSetValue(&d, 4), 0xDEADBEEFu);
    for (int size : {0, 3, 8, -1}) {
        try {
            (void)GetSetValue(&d, size);
            FAIL() << size;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid size of set");
        }
        EXPECT_THROW(SetSetValue(&d, size, 1), Exception);
    }
    EXPECT_EQ(d, 0xDEADBEEFu);
}
