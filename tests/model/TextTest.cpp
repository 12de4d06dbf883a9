#include "model/Text.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace lay;

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string utf8 = Cp1251ToUtf8(one);
        EXPECT_EQ(Utf8ToCp1251(utf8), one) << "byte " << b;
    }
}

TEST(Cp1251, KnownCharacters) {
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF\xA8\xB8\xB9\x88"), "АяЁё№€");
    EXPECT_EQ(Utf8ToCp1251("Клавиши"), "\xCA\xEB\xE0\xE2\xE8\xF8\xE8");
    EXPECT_EQ(Cp1251ToUnicode(0xA5), U'Ґ');
    EXPECT_EQ(UnicodeToCp1251(U'ї'), 0xBF);
}

TEST(Cp1251, RefusesWhatItCannotHoldAndNamesIt) {
    try {
        (void)Utf8ToCp1251("ab€c日d");
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("«日»"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("U+65E5"), std::string::npos) << e.what();
    }
    EXPECT_THROW((void)Utf8ToCp1251("a\xFF"), EConvertError);
    EXPECT_THROW((void)Utf8ToCp1251("\xD0"), EConvertError); // cut in the middle of a letter
}

// Upper-casing agrees with the code page's own letter pairs, byte by byte.
TEST(Cp1251, CaseMappingOverTheWholeCodePage) {
    auto upperByte = [](int b) -> int {
        if (b >= 'a' && b <= 'z')
            return b - 0x20;
        if (b >= 0xE0)
            return b - 0x20;
        switch (b) {
        case 0x90:
            return 0x80;
        case 0x83:
            return 0x81;
        case 0x9A:
            return 0x8A;
        case 0x9C:
            return 0x8C;
        case 0x9D:
            return 0x8D;
        case 0x9E:
            return 0x8E;
        case 0x9F:
            return 0x8F;
        case 0xA2:
            return 0xA1;
        case 0xBC:
            return 0xA3;
        case 0xB4:
            return 0xA5;
        case 0xB8:
            return 0xA8;
        case 0xBA:
            return 0xAA;
        case 0xBF:
            return 0xAF;
        case 0xB3:
            return 0xB2;
        case 0xBE:
            return 0xBD;
        default:
            return b;
        }
    };
    for (int b = 0; b < 256; ++b) {
        const std::string utf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
        const std::string upper = AnsiUpperCase(utf8);
        EXPECT_EQ(static_cast<std::uint8_t>(Utf8ToCp1251(upper)[0]), upperByte(b)) << "byte " << b;
        const int u = upperByte(b);
        if (u != b) {
            const std::string upperUtf8 = Cp1251ToUtf8(std::string(1, static_cast<char>(u)));
            EXPECT_EQ(AnsiLowerCase(upperUtf8), utf8) << "byte " << b;
            EXPECT_TRUE(AnsiSameText(utf8, upperUtf8));
        }
    }
}

TEST(Cp1251, CaseInsensitiveComparison) {
    EXPECT_TRUE(AnsiSameText("Ёлка Enter", "ёЛКА eNTER"));
    EXPECT_FALSE(AnsiSameText("Е", "Ё"));
    EXPECT_LT(AnsiCompareText("абв", "АБГ"), 0);
    EXPECT_GT(AnsiCompareText("abc", "AB"), 0);
    EXPECT_EQ(AnsiUpperCase("µ§"), "µ§");
}
