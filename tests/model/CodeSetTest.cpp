#include "model/CodeSet.h"
#include "model/ScanCodes.h"

#include <gtest/gtest.h>

#include <set>

using namespace lay;

TEST(CodeSet, BuiltInSetHasItsGroupsAndKeys) {
    TCodeSet set;
    set.LoadDefault();
    const std::vector<std::pair<std::string, int>> groups = {
        {"Алфавитные английские", 26}, {"Цифры", 10},  {"Символы", 11},
        {"Управляющие клавиши", 40},   {"Keypad", 17}, {"Управление питанием", 3},
        {"Мультимедиа", 11},           {"WWW", 7}};
    ASSERT_EQ(set.Count(), 8);
    for (int g = 0; g < set.Count(); ++g) {
        EXPECT_EQ(set.Items(g).Name(), groups[g].first);
        EXPECT_EQ(set.Items(g).Count(), groups[g].second) << groups[g].first;
        EXPECT_EQ(set.Items(g).MaxCodeLength(), 0) << "only the flat table knows its longest code";
    }
    TCodeTable flat;
    flat.BuildFlat(set);
    EXPECT_EQ(flat.Count(), 125);
    EXPECT_EQ(flat.MaxCodeLength(), 8);
    EXPECT_EQ(flat.Name(), "");

    // LoadDefault starts afresh.
    set.LoadDefault();
    EXPECT_EQ(set.Count(), 8);
}

TEST(CodeSet, IrregularRows) {
    const TCodeTable& t = CodeTable();
    auto find = [&](const std::string& name) -> const TStdCode& {
        for (int i = 0; i < t.Count(); ++i)
            if (t.Items(i).Name == name)
                return t.Items(i);
        throw std::runtime_error("no " + name);
    };
    EXPECT_EQ(find("PrintScrn").Breakcode, (TBytes{0xE0, 0xF0, 0x7C, 0xE0, 0xF0, 0x12}));
    EXPECT_TRUE(find("Pause/Break").Breakcode.empty());
    EXPECT_EQ(find("Pause/Break").Scancode, TBytes{0x45});
    EXPECT_EQ(find("NumLock").Scancode, (TBytes{0xE0, 0x45}));
    EXPECT_EQ(find("A").Breakcode, (TBytes{0xF0, 0x1C}));
    EXPECT_EQ(find("RCtrl").Breakcode, (TBytes{0xE0, 0xF0, 0x14}));

    // Every make code but one is unique, so decomposition of device bytes is unambiguous.
    std::set<TBytes> makes;
    for (int i = 0; i < t.Count(); ++i)
        makes.insert(t.Items(i).Makecode);
    EXPECT_EQ(makes.size(), 125u);
}

TEST(CodeSet, LookupsByNameAndBytes) {
    const TCodeTable& t = CodeTable();
    auto press = t.FindByName("enter", false);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->Text(), "+ENTER");
    EXPECT_EQ(press->Code(), TBytes{0x5A});
    EXPECT_EQ(press->ScanCode, TBytes{0x1C});

    auto release = t.FindByName("ENTER", true);
    ASSERT_TRUE(release);
    EXPECT_EQ(release->Text(), "-ENTER");
    EXPECT_EQ(release->Code(), (TBytes{0xF0, 0x5A}));

    // Two keys share the name "'": the first one (left of 1) is always found.
    auto quote = t.FindByName("'", false);
    ASSERT_TRUE(quote);
    EXPECT_EQ(quote->ScanCode, TBytes{0x29});

    EXPECT_FALSE(t.FindByName("NoSuchKey", false));
    auto brk = t.FindBreak(TBytes{0xE0, 0xF0, 0x14});
    ASSERT_TRUE(brk);
    EXPECT_EQ(brk->Text(), "-RCtrl");
    EXPECT_FALSE(t.FindMake(TBytes{0xF0, 0x1C}));
}

struct TKeyCase {
    const char* What;
    std::uint32_t Msg;
    std::uint32_t LParam;
    int Mode;
    const char* Expected; // empty: nothing
    friend void PrintTo(const TKeyCase& c, std::ostream* os) { *os << c.What; }
};

class TranslateKeyMessage : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(TranslateKeyMessage, Case) {
    const TKeyCase& c = GetParam();
    auto element = CodeTable().TranslateKeyMessage({c.Msg, c.LParam}, c.Mode);
    if (*c.Expected == 0) {
        EXPECT_FALSE(element) << c.What << ": " << element->Text();
    } else {
        ASSERT_TRUE(element) << c.What;
        EXPECT_EQ(element->Text(), c.Expected) << c.What;
    }
}

constexpr std::uint32_t kExt = 1u << 24;
constexpr std::uint32_t kWasDown = 1u << 30;

INSTANTIATE_TEST_SUITE_P(
    Messages, TranslateKeyMessage,
    ::testing::Values(TKeyCase{"right Ctrl down", WM_KEYDOWN, 0x1D0001 | kExt, tmBoth, "+RCtrl"},
                      TKeyCase{"right Ctrl down, releases only", WM_KEYDOWN, 0x1D0001 | kExt, tmRelease, ""},
                      TKeyCase{"left Ctrl up", WM_KEYUP, 0x1D0001 | kWasDown, tmBoth, "-LCtrl"},
                      TKeyCase{"left Alt up (system key)", WM_SYSKEYUP, 0x380001, tmRelease, "-LAlt"},
                      TKeyCase{"F10 down (system key)", WM_SYSKEYDOWN, 0x440001, tmPress, "+F10"},
                      TKeyCase{"release in press mode", WM_KEYUP, 0x1E0001, tmPress, ""},
                      TKeyCase{"auto-repeat", WM_KEYDOWN, 0x1E0001 | kWasDown, tmBoth, ""},
                      TKeyCase{"repeat count 2", WM_KEYDOWN, 0x1E0002, tmBoth, ""},
                      TKeyCase{"not a key message", 0x0102, 0x1E0001, tmBoth, ""},
                      TKeyCase{"unknown key", WM_KEYDOWN, 0x7F0001, tmBoth, ""},
                      TKeyCase{"NumLock carries E0", WM_KEYDOWN, 0x450001 | kExt, tmBoth, "+NumLock"},
                      TKeyCase{"Pause carries none", WM_KEYDOWN, 0x450001, tmBoth, "+Pause/Break"}));

TEST(CodeSet, InstalledTableServesLookups) {
    TCodeSet set;
    TCodeTable& group = set.AddGroup("Своя");
    group.AddCode("Касса", {0x70}, {0x0F}, {0xF0, 0x0F});
    TCodeTable flat;
    flat.BuildFlat(set);
    SetCodeTable(&flat);
    TScanCodes codes;
    codes.SetText("+Касса -касса +A");
    SetCodeTable(nullptr);
    EXPECT_EQ(codes.Text(), "+Касса -Касса");
    EXPECT_EQ(codes.Bytes(), (TBytes{0x0F, 0xF0, 0x0F}));
    EXPECT_EQ(CodeTable().Count(), 125) << "back to the built-in set";
}
