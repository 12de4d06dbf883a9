#include "model/BinStream.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace lay;

TEST(BinStream, WritesLittleEndianAndReadsBack) {
    TBinStream s;
    s.WriteByte(0xA5);
    s.WriteWord(0x1234);
    s.WriteBytes(TBytes{});
    s.WriteBytes(TBytes{1, 2, 3});
    s.WriteDWord(0xDEADBEEF);
    EXPECT_EQ(s.Bytes(), (TBytes{0xA5, 0x34, 0x12, 1, 2, 3, 0xEF, 0xBE, 0xAD, 0xDE}));
    EXPECT_EQ(s.Position(), 10u);

    s.SetPosition(0);
    EXPECT_EQ(s.ReadByte(), 0xA5);
    EXPECT_EQ(s.ReadWord(), 0x1234);
    EXPECT_EQ(s.ReadBytes(0), TBytes{});
    EXPECT_EQ(s.ReadBytes(3), (TBytes{1, 2, 3}));
    EXPECT_EQ(s.ReadDWord(), 0xDEADBEEFu);
    EXPECT_EQ(s.ReadBytes(0), TBytes{}) << "nothing to read is no error, even at the end";
}

TEST(BinStream, ReadingPastTheEndRaisesAndKeepsThePosition) {
    TBinStream s(TBytes{1, 2, 3});
    s.SetPosition(2);
    EXPECT_THROW((void)s.ReadWord(), EReadError);
    EXPECT_THROW((void)s.ReadDWord(), EReadError);
    EXPECT_THROW((void)s.ReadBytes(2), EReadError);
    EXPECT_EQ(s.Position(), 2u);
    EXPECT_EQ(s.ReadByte(), 3);
    EXPECT_THROW((void)s.ReadByte(), EReadError);
    s.SetPosition(100);
    EXPECT_THROW((void)s.ReadByte(), EReadError);
    EXPECT_THROW((void)s.ReadBytes(0), EReadError) << "a position beyond the end has nothing to read";
    try {
        (void)s.ReadWord();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), SReadError);
    }
}

TEST(BinStream, PatchingAnImageInPlace) {
    // The image writer sizes the stream first, fills offset tables by seeking back, and
    // appends records at the end.
    TBinStream s;
    s.SetSize(6);
    EXPECT_EQ(s.Bytes(), TBytes(6, 0));
    EXPECT_EQ(s.Position(), 0u);
    s.SetPosition(2);
    s.WriteWord(0xFFFF);
    EXPECT_EQ(s.Seek(0, TSeekOrigin::soEnd), 6u);
    s.WriteByte(7);
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soCurrent), 4u);
    s.WriteWord(0x0102);
    EXPECT_EQ(s.Bytes(), (TBytes{0, 0, 0xFF, 0xFF, 2, 1, 7}));

    // Writing after a seek beyond the end fills the gap with zeros.
    s.Seek(9, TSeekOrigin::soBeginning);
    s.WriteByte(9);
    EXPECT_EQ(s.Bytes(), (TBytes{0, 0, 0xFF, 0xFF, 2, 1, 7, 0, 0, 9}));

    EXPECT_THROW(s.Seek(-11, TSeekOrigin::soEnd), EReadError);
    EXPECT_EQ(s.Position(), 10u);

    s.SetSize(3);
    EXPECT_EQ(s.Position(), 3u) << "the position never stays beyond a shrunk end";
    s.SetSize(5);
    EXPECT_EQ(s.Bytes(), (TBytes{0, 0, 0xFF, 0, 0})) << "grown bytes are zero, not old contents";
    s.Clear();
    EXPECT_EQ(s.Size(), 0u);
    EXPECT_EQ(s.Position(), 0u);
}

TEST(BinStream, ChecksumIsASixteenBitSumOfTheWholeStream) {
    TBinStream s(TBytes{0xFF, 0xFF, 0x02});
    s.SetPosition(1);
    EXPECT_EQ(StreamChecksum(s), 0x0200);
    EXPECT_EQ(s.Position(), 3u);

    TBinStream big(TBytes(300, 0xFF)); // 76500 wraps past 65536
    EXPECT_EQ(StreamChecksum(big), 76500 % 65536);
    TBinStream empty;
    EXPECT_EQ(StreamChecksum(empty), 0);
}
