#include "model/ScanCodes.h"
#include "model/CodeSet.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace lay;

namespace {

TBytes BytesOf(const std::string& text) {
    TScanCodes codes;
    codes.SetText(text);
    return codes.Bytes();
}

} // namespace

struct TTextCase {
    const char* Input;
    const char* Text;  // Text after SetText
    const char* Bytes; // the device bytes as hex pairs
    friend void PrintTo(const TTextCase& c, std::ostream* os) { *os << '"' << c.Input << '"'; }
};

class ScanCodesText : public ::testing::TestWithParam<TTextCase> {};

TEST_P(ScanCodesText, ParsesAndWritesBack) {
    const TTextCase& c = GetParam();
    TScanCodes codes;
    codes.SetText(c.Input);
    EXPECT_EQ(codes.Text(), c.Text);
    std::string hex;
    for (auto b : codes.Bytes()) {
        char buf[4];
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
    }
    EXPECT_EQ(hex, c.Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, ScanCodesText,
    ::testing::Values(TTextCase{"+A -A", "+A -A", "1CF01C"}, TTextCase{"  +A   -A  ", "+A -A", "1CF01C"},
                      TTextCase{"+a", "+A", "1C"},               // the name comes from the table
                      TTextCase{"1c", "1c", "1C"},               // raw tokens keep their spelling
                      TTextCase{"123", "123", "23"},             // only the lowest byte counts
                      TTextCase{"+A xyz -A", "+A -A", "1CF01C"}, // rejected tokens are skipped
                      TTextCase{"+A\t-A", "", ""},               // a tab belongs to the token
                      TTextCase{"+ - +NoSuchKey", "", ""},
                      TTextCase{"100000000 FFFFFFFF", "FFFFFFFF", "FF"}, // over 32 bits is no number
                      TTextCase{"+LShift +A -A -LShift", "+LShift +A -A -LShift", "121CF01CF012"},
                      TTextCase{"+PrintScrn -PrintScrn", "+PrintScrn -PrintScrn", "E012E07CE0F07CE0F012"},
                      TTextCase{"", "", ""}));

TEST(ScanCodes, DecomposesDeviceBytes) {
    TScanCodes codes;
    codes.AddBytes(BytesOf("+A -A"));
    ASSERT_EQ(codes.Count(), 2);
    EXPECT_EQ(codes.Text(), "+A -A");
    EXPECT_EQ(codes.Items(0).ScanCode, TBytes{0x1E});

    codes.Clear();
    codes.AddBytes({0x7F});
    ASSERT_EQ(codes.Count(), 1);
    EXPECT_EQ(codes.Items(0).CodeType, ctRaw);
    EXPECT_EQ(codes.Text(), "7F");

    // Extended and multi-byte codes come back whole, unknown bytes one at a time.
    codes.Clear();
    codes.AddBytes(BytesOf("+RCtrl +Pause/Break -RCtrl +PrintScrn -PrintScrn"));
    EXPECT_EQ(codes.Text(), "+RCtrl +Pause/Break -RCtrl +PrintScrn -PrintScrn");
    codes.Clear();
    codes.AddBytes({0xE0, 0x99, 0x1C});
    EXPECT_EQ(codes.Text(), "E0 99 +A");
}

TEST(ScanCodes, AddWord) {
    TScanCodes codes;
    codes.AddWord(0x0000);
    EXPECT_EQ(codes.Count(), 0);
    codes.AddWord(0x00E0);
    EXPECT_EQ(codes.Text(), "E0") << "E0 alone is no complete code";
    codes.Clear();
    codes.AddWord(0x1200);
    EXPECT_EQ(codes.Bytes(), TBytes{0x12});
    EXPECT_EQ(codes.Text(), "+LShift");
    codes.Clear();
    codes.AddWord(0xE014);
    EXPECT_EQ(codes.Text(), "+RCtrl");
}

struct TCheckCase {
    const char* Text;
    bool Valid;
    const char* Message;
    friend void PrintTo(const TCheckCase& c, std::ostream* os) { *os << '"' << c.Text << '"'; }
};

class ScanCodesCheck : public ::testing::TestWithParam<TCheckCase> {};

TEST_P(ScanCodesCheck, Case) {
    const TCheckCase& c = GetParam();
    TScanCodes codes;
    codes.SetText(c.Text);
    codes.ErrorText = "старое";
    EXPECT_EQ(codes.Check(), c.Valid) << c.Text;
    EXPECT_EQ(codes.IsValid(), c.Valid) << c.Text;
    EXPECT_EQ(codes.ErrorText, c.Valid ? "старое" : c.Message) << "a passing check keeps the old text";
}

INSTANTIATE_TEST_SUITE_P(Pairing, ScanCodesCheck,
                         ::testing::Values(TCheckCase{"+A +A", false, "Код +A: Два нажатия подряд."},
                                           TCheckCase{"-A", false, "Код -A: Отжатие перед нажатием."},
                                           TCheckCase{"+A", false, "Код +A: Нет отжатия."},
                                           TCheckCase{"+A +B -A", false, "Код +B: Нет отжатия."},
                                           TCheckCase{"+A 1C -A", true, ""},
                                           TCheckCase{"+A +B -A -B", true, ""}, TCheckCase{"", true, ""},
                                           // the two "'" keys are different keys
                                           TCheckCase{"+' -'", true, ""}));

TEST(ScanCodes, ShortText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"+LShift +A -A -LShift", "LShift+A"},
        {"+A -A +B -B", "A B"},
        {"+A +B -A -B", "+A +B -A -B"}, // releases not nested
        {"+A 1C -A", "+A 1C -A"},       // raw bytes anywhere
        {"+A", "+A"},                   // not valid
        {"", ""},
        {"+LCtrl +LAlt +DELETE -DELETE -LAlt -LCtrl +ENTER -ENTER", "LCtrl+LAlt+DELETE ENTER"},
    };
    for (const auto& [text, expected] : cases) {
        TScanCodes codes;
        codes.SetText(text);
        EXPECT_EQ(codes.ShortText(), expected) << text;
    }
}

TEST(ScanCodes, LengthLimit) {
    TScanCodes codes;
    // 127 two-byte releases and one press: 255 bytes exactly.
    for (int i = 0; i < 127; ++i)
        codes.AddRaw({0x11, 0x22});
    codes.ParseToken("+A");
    EXPECT_EQ(codes.TotalLength(), 255);

    try {
        codes.Add();
        FAIL() << "a full sequence accepted an empty element";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Длина скан-кодов не может превышать 255 байт.");
    }
    EXPECT_EQ(codes.Count(), 128);
    EXPECT_THROW(codes.CheckLength(1), Exception);
    EXPECT_NO_THROW(codes.CheckLength(0));

    // Replacing an element's bytes counts the new bytes instead of the old ones.
    EXPECT_NO_THROW(codes.Items(0).SetCode({0x33}));
    EXPECT_NO_THROW(codes.Items(0).SetCode({0x33, 0x44}));
    EXPECT_THROW(codes.Items(0).SetCode({1, 2, 3}), Exception);
    EXPECT_EQ(codes.Items(0).Code(), (TBytes{0x33, 0x44}));
}

TEST(ScanCodes, ARefusedElementLeavesNothingBehind) {
    TScanCodes codes;
    for (int i = 0; i < 127; ++i)
        codes.AddRaw({0x11, 0x22}); // 254 bytes: room for one byte, not for two
    EXPECT_THROW(codes.ParseToken("-A"), Exception);
    EXPECT_THROW(codes.AddRaw({1, 2}), Exception);
    EXPECT_THROW(codes.AddBytes({0xF0, 0x1C, 0xF0, 0x1C}), Exception);
    EXPECT_EQ(codes.Count(), 127);
    EXPECT_EQ(codes.TotalLength(), 254);
    EXPECT_EQ(codes.Items(126).Code(), (TBytes{0x11, 0x22}));
}

TEST(ScanCodes, ParsingStopsAtTheLimitKeepingWhatCameBefore) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "AB ";
    TScanCodes codes;
    EXPECT_THROW(codes.SetText(text), Exception);
    EXPECT_EQ(codes.Count(), 255) << "parsing fills the sequence to 255 bytes, then stops";
    EXPECT_EQ(codes.TotalLength(), 255);
}

TEST(ScanCodes, RawElementsOfSeveralBytesSurviveTheTextForm) {
    TScanCodes codes;
    codes.ParseToken("+A");
    TScanCode& raw = codes.AddRaw({0xE0, 0x12});
    EXPECT_EQ(raw.Name, "E012");
    codes.ParseToken("-A");
    EXPECT_EQ(codes.Text(), "+A E0 12 -A");

    TScanCodes reloaded;
    reloaded.SetText(codes.Text());
    EXPECT_EQ(reloaded.Bytes(), codes.Bytes());
    EXPECT_EQ(reloaded.Text(), codes.Text());
    EXPECT_TRUE(reloaded.IsValid());
}

TEST(ScanCodes, ChangesMarkTheSharedFlagButEqualAssignDoesNot) {
    TNotifier notifier;
    TScanCodes target(&notifier);
    TScanCodes source;
    source.SetText("+A -A");
    target.Assign(source);
    EXPECT_TRUE(notifier.Modified);
    EXPECT_EQ(target.Text(), "+A -A");

    notifier.ClearModified();
    target.ClearModified();
    target.Assign(source);
    EXPECT_FALSE(notifier.Modified);
    EXPECT_FALSE(target.Modified());

    target.SetText("");
    EXPECT_TRUE(notifier.Modified);
}

TEST(ScanCodes, ElementsMoveBetweenSequences) {
    TScanCodes a, b;
    a.SetText("+A -A");
    std::unique_ptr<TScanCode> taken = a.Remove(a.Items(0));
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->Owner(), nullptr);
    b.Append(std::move(taken));
    EXPECT_EQ(a.Text(), "-A");
    EXPECT_EQ(b.Text(), "+A");
    EXPECT_EQ(b.Items(0).Owner(), &b);
    EXPECT_EQ(b.FindByScanCode({0x1E}), &b.Items(0));
    EXPECT_EQ(b.FindByScanCode({0x30}), nullptr);
}

TEST(ScanCodes, ElementEqualityAndSign) {
    TScanCodes codes;
    codes.SetText("+A 1C");
    EXPECT_FALSE(codes.Items(0).Equals(codes.Items(1))) << "same byte, other kind";
    TScanCode copy;
    copy.Assign(codes.Items(1));
    copy.Name = "other";
    EXPECT_TRUE(copy.Equals(codes.Items(1)));
    copy.CodeType = 7;
    EXPECT_THROW((void)copy.Text(), Exception);
}
