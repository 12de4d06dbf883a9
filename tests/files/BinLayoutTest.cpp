#include "BinLayoutFixture.h"

#include "files/FormatRegistry.h"
#include "model/Errors.h"
#include "model/Utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <typeinfo>

using namespace lay;

namespace {

std::uint16_t Word(const TBytes& image, std::size_t at) {
    return static_cast<std::uint16_t>(image.at(at) | image.at(at + 1) << 8);
}

std::uint16_t Sum(const TBytes& image, std::size_t count) {
    std::uint16_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum = static_cast<std::uint16_t>(sum + image.at(i));
    return sum;
}

// The message a refused save or load raised; empty when nothing was raised.
template <class F> std::string ErrorOf(F&& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return {};
}

class BinLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { test::FillImageCatalogue(FKeyboards); }

    void SetKeyboard(TLayout& layout, int id) { layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(id))); }

    // The smallest image there is: key 1 a macro «+A -A», key 2 empty, a card reader with every
    // track and flag off.
    void ExampleLayout(TLayout& layout) {
        SetKeyboard(layout, 5);
        TLayer& layer = layout.Layers.Items(0);
        layer.KeyAt(0, 0).PressCodes.SetText("+A -A");
        for (int t = 0; t < TMSR::TrackCount; ++t)
            layer.MSR.Tracks(t).SetEnabled(false);
        layer.MSR.SetLightIndication(false);
    }

    // Everything an image holds of one layout compared with another; key texts and pictures
    // are not in an image.
    static void ExpectSameImageContents(const TLayout& expected, const TLayout& actual) {
        EXPECT_EQ(expected.KeyboardID, actual.KeyboardID);
        EXPECT_TRUE(expected.Groups.Equals(actual.Groups));
        ASSERT_EQ(expected.LayerCount(), actual.LayerCount());
        for (int l = 0; l < expected.LayerCount(); ++l) {
            const TLayer& le = expected.Layers.Items(l);
            const TLayer& la = actual.Layers.Items(l);
            EXPECT_TRUE(le.MSR.Equals(la.MSR)) << "layer " << l;
            EXPECT_TRUE(le.KeyLock.Equals(la.KeyLock)) << "layer " << l;
            ASSERT_EQ(le.Keys.Count(), la.Keys.Count());
            for (int k = 0; k < le.Keys.Count(); ++k) {
                const TKey& ke = le.Keys.Items(k);
                const TKey& ka = la.Keys.Items(k);
                const std::string where = "layer " + std::to_string(l) + " key (" + std::to_string(ke.Col()) +
                                          "," + std::to_string(ke.Row()) + ")";
                EXPECT_EQ(ke.KeyType(), ka.KeyType()) << where;
                EXPECT_EQ(ke.RepeatKey(), ka.RepeatKey()) << where;
                EXPECT_EQ(ke.PressCodes.Text(), ka.PressCodes.Text()) << where;
                EXPECT_EQ(ke.ReleaseCodes.Text(), ka.ReleaseCodes.Text()) << where;
                EXPECT_EQ(ke.Notes.Text(), ka.Notes.Text()) << where;
            }
        }
    }

    TKeyboards FKeyboards;
    TLayoutFormats FFormats{FKeyboards};
    TBinLayout28& F28 = FFormats.Add<TBinLayout28>();
    TBinLayout29& F29 = FFormats.Add<TBinLayout29>();
    TBinLayout210& F210 = FFormats.Add<TBinLayout210>();
    TBinLayout13& F13 = FFormats.Add<TBinLayout13>();
};

} // namespace

TEST_F(BinLayoutTest, TheSmallestImageByteForByteInEveryCurrentVariant) {
    const struct {
        TBinLayout28& Format;
        const char* Image;
    } cases[] = {
        {F210,
         "15 00 04 00 0C 00 FF FF 13 00 15 00 40 03 1C F0 1C 00 00 40 00 0A 02 02 04 1F 00 0A 02 00 05"},
        {F29, "15 00 04 00 0C 00 FF FF 13 00 15 00 40 03 1C F0 1C 00 00 40 00 09 02 01 04 1F 00 0A 02 00 05"},
        {F28, "15 00 04 00 0C 00 FF FF 13 00 15 00 40 03 1C F0 1C 00 00 40 00 08 02 00 04 1F 00 0A 02 00 04"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format.GetFilter());
        TLayout layout;
        ExampleLayout(layout);
        const TBytes image = c.Format.SaveToString(layout);
        EXPECT_EQ(BytesToHexSpaced(image), BytesToHexSpaced(HexToBytes(c.Image)));

        // Any of the classes reads any variant.
        TLayout read;
        F28.LoadFromString(read, image);
        EXPECT_EQ(read.KeyboardID, 5);
        EXPECT_EQ(read.Version, 0x20A);
        const TLayer& layer = read.Layers.Items(0);
        EXPECT_EQ(layer.KeyAt(0, 0).PressCodes.Text(), "+A -A");
        EXPECT_TRUE(layer.KeyAt(1, 0).IsEmpty());
        EXPECT_TRUE(layer.MSR.Equals(layout.Layers.Items(0).MSR));
    }
}

TEST_F(BinLayoutTest, RoundTripKeepsWhatAnImageHolds) {
    TLayout layout;
    test::FillFullLayout(layout, FKeyboards);
    // What comes back: the group's second key carries its top-left key's contents.
    TLayout expected;
    expected.Assign(layout);
    for (int l = 0; l < expected.LayerCount(); ++l)
        expected.Layers.Items(l).KeyAt(2, 1).Assign(expected.Layers.Items(l).KeyAt(1, 1));

    for (TBinLayout28* format : std::initializer_list<TBinLayout28*>{&F28, &F29, &F210}) {
        SCOPED_TRACE(format->GetFilter());
        const TBytes image = format->SaveToString(layout);
        TLayout read;
        format->LoadFromString(read, image);
        ExpectSameImageContents(expected, read);
        EXPECT_EQ(format->SaveToString(read), image) << "writing what was read gives the same image";
    }
}

TEST_F(BinLayoutTest, ReadingOverwritesOnlyWhatTheImageHolds) {
    TLayout source;
    ExampleLayout(source);
    const TBytes image = F210.SaveToString(source);

    TLayout target;
    SetKeyboard(target, 5);
    TKey& first = target.Layers.Items(0).KeyAt(0, 0);
    first.SetText("Итог");
    first.Picture.SetText("Σ");
    first.ReleaseCodes.SetText("+B -B");
    TKey& second = target.Layers.Items(0).KeyAt(1, 0);
    second.PressCodes.SetText("+C -C");
    second.SetText("не из образа");

    F210.LoadFromString(target, image);
    EXPECT_EQ(first.Text(), "Итог");
    EXPECT_EQ(first.Picture.Text(), "Σ");
    EXPECT_EQ(first.PressCodes.Text(), "+A -A");
    EXPECT_TRUE(first.ReleaseCodes.IsEmpty()) << "a record replaces the whole key";
    EXPECT_EQ(second.PressCodes.Text(), "+C -C") << "a key whose slot is empty is not touched";
    EXPECT_EQ(second.Text(), "не из образа");
}

TEST_F(BinLayoutTest, KeyRecordFlags) {
    const struct {
        std::uint8_t Type;
        int Layer;
        bool Repeat;
        std::uint8_t Flags;
    } cases[] = {
        {ktMacro, 0, false, 0x40},     {ktMacro, 2, true, 0x50},       {ktLayerUp, 0, false, 0x43},
        {ktLayerUp, 3, false, 0x47}, // no layer above the fourth
        {ktLayerDown, 0, false, 0x41}, {ktLayerDown, 2, false, 0x43},  {ktLayer3, 1, false, 0x45},
        {ktLayer4, 0, false, 0x47},    {ktTempLayer1, 3, false, 0x49}, {ktTempLayer4, 0, true, 0x5F},
        {ktNone, 1, false, 0x41},      {12, 0, false, 0x41},
    };
    TLayout layout;
    SetKeyboard(layout, 7);
    for (const auto& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.Type) + " in layer index " + std::to_string(c.Layer));
        TKey& key = layout.Layers.Items(c.Layer).KeyAt(0, 0);
        key.SetKeyType(c.Type);
        key.SetRepeatKey(c.Repeat);
        // Only a macro sends codes: a key of another type writes empty sequences whatever it holds.
        key.PressCodes.SetText(c.Type == ktMacro ? "" : "+A -A");
        TBinStream stream;
        F210.WriteKey(key, c.Layer, stream);
        EXPECT_EQ(BytesToHexSpaced(stream.Bytes()), BytesToHexSpaced(TBytes{c.Flags, 0, 0, 0}));
        // The legacy image differs in the device-bytes bit only.
        TBinStream legacy;
        F13.WriteKey(key, c.Layer, legacy);
        EXPECT_EQ(legacy.Bytes().at(0), c.Flags & ~0x40);
    }

    TKey& macro = layout.Layers.Items(0).KeyAt(1, 0);
    macro.PressCodes.SetText("+A -A");
    macro.Notes.SetText("C1;4;10;P;2;0");
    TBinStream stream;
    F210.WriteKey(macro, 0, stream);
    EXPECT_EQ(BytesToHexSpaced(stream.Bytes()), "40 03 1C F0 1C 00 02 19 04 0A 00 02 00 ");
}

TEST_F(BinLayoutTest, ReaderAndKeyLockRecords) {
    TLayout layout;
    SetKeyboard(layout, 7);
    TLayer& layer = layout.Layers.Items(1);
    layer.MSR.Tracks(0).SetEnabled(false);
    layer.MSR.Tracks(1).SetEnabled(true);
    layer.MSR.SetStopOnError(true);
    layer.MSR.SetSendEnter(true);
    layer.MSR.Tracks(0).Prefix.SetText("+F1 -F1");
    layer.MSR.Tracks(1).Prefix.SetText("+F2 -F2"); // the keyboard reads no track 2
    layer.MSR.Tracks(2).Suffix.SetText("+ENTER -ENTER");
    layer.KeyLock.Items(0).SetPositionType(ptLayer3);
    layer.KeyLock.Items(0).SetLock(true);
    layer.KeyLock.Items(2).ScanCodes.SetText("+ESC -ESC");
    layer.KeyLock.Items(2).Notes.SetText("A3;1;2");

    const TBytes image = F210.SaveToString(layout);
    const std::size_t table = Word(image, 2 + 2);
    const std::size_t reader = Word(image, table + 2 * 14);
    const std::size_t keyLock = Word(image, table + 2 * 14 + 2);
    // Tracks 2 and 3 on, stop on error, Enter, light; then the prefix and suffix of tracks 1
    // and 3 only, then no notes.
    EXPECT_EQ(BytesToHexSpaced(TBytes(image.begin() + static_cast<std::ptrdiff_t>(reader),
                                      image.begin() + static_cast<std::ptrdiff_t>(keyLock))),
              "F6 03 05 F0 05 00 00 03 5A F0 5A 00 ");
    EXPECT_EQ(BytesToHexSpaced(TBytes(image.begin() + static_cast<std::ptrdiff_t>(keyLock),
                                      image.begin() + static_cast<std::ptrdiff_t>(keyLock) + 15)),
              "4D 00 00 40 00 00 40 03 76 F0 76 01 3A 01 02 ");
}

TEST_F(BinLayoutTest, KeyLockRecordsHoldTheModelsPositions) {
    // A file may give a layer fewer or more positions than the model has; the keyboard reads
    // as many as the model has, so records of any other length would shift every later record.
    TLayout layout;
    SetKeyboard(layout, 7);
    layout.Layers.Items(0).KeyLock.SetCount(1);
    layout.Layers.Items(0).KeyLock.Items(0).SetPositionType(ptLayer2);
    TKeyLock& longer = layout.Layers.Items(2).KeyLock;
    longer.SetCount(5);
    longer.Items(4).ScanCodes.SetText("+F5 -F5");
    for (int l = 0; l < layout.LayerCount(); ++l)
        layout.Layers.Items(l).KeyLock.Items(0).Notes.SetText("C1;" + std::to_string(l + 1) + ";1");

    const TBytes image = F210.SaveToString(layout);
    for (std::size_t e = 0; e < 4; ++e) {
        const std::size_t table = Word(image, 2 + 2 * e);
        const std::size_t next = e < 3 ? Word(image, Word(image, 2 + 2 * (e + 1)) + 28) : Word(image, 0);
        EXPECT_EQ(next - Word(image, table + 30), 3 * 3 + 3) << "layer " << e;
    }

    TLayout read;
    SetKeyboard(read, 7);
    read.Layers.Items(1).KeyLock.SetCount(0); // a layer that never got its positions
    F210.LoadFromString(read, image);
    for (int l = 0; l < 4; ++l) {
        const TKeyLock& keyLock = read.Layers.Items(l).KeyLock;
        ASSERT_EQ(keyLock.Count(), 3) << "layer " << l;
        EXPECT_EQ(keyLock.Items(0).Notes.Text(), "C1;" + std::to_string(l + 1) + ";1") << "layer " << l;
    }
    EXPECT_EQ(read.Layers.Items(0).KeyLock.Items(0).PositionType(), ptLayer2);
    EXPECT_TRUE(read.Layers.Items(0).KeyLock.Items(2).ScanCodes.IsEmpty());
}

TEST_F(BinLayoutTest, AnEmptyLayoutHasOnlyReaderAndKeyLockRecords) {
    TLayout layout;
    SetKeyboard(layout, 7);
    const TBytes image = F210.SaveToString(layout);
    const std::size_t slotArea = 2 + 2 * 4 + 4 * (2 * 14 + 4);
    // Per layer: the reader (flags, two tracks of two empty sequences, no notes) and three
    // key-lock positions of three bytes.
    const std::size_t perLayer = 6 + 9;
    EXPECT_EQ(Word(image, 0), slotArea + 4 * perLayer);
    EXPECT_EQ(image.size(), slotArea + 4 * perLayer + 10);
    for (std::size_t e = 0; e < 4; ++e) {
        const std::size_t table = Word(image, 2 + 2 * e);
        EXPECT_EQ(table, 2 + 2 * 4 + e * (2 * 14 + 4));
        for (std::size_t i = 0; i < 14; ++i)
            EXPECT_EQ(Word(image, table + 2 * i), 0xFFFF) << "layer " << e << " slot " << i;
        EXPECT_EQ(Word(image, table + 28), slotArea + e * perLayer);
        EXPECT_EQ(Word(image, table + 30), slotArea + e * perLayer + 6);
    }
}

TEST_F(BinLayoutTest, GroupedKeysShareTheTopLeftKeysRecord) {
    // Keyboard 8 numbers its keys from the right: the group's top-left key has the highest
    // number, so its record comes after the record of key 1.
    TLayout layout;
    SetKeyboard(layout, 8);
    TLayer& layer = layout.Layers.Items(0);
    layer.KeyAt(0, 0).PressCodes.SetText("+A -A");
    layer.KeyAt(1, 0).PressCodes.SetText("+B -B");
    layer.KeyAt(2, 0).PressCodes.SetText("+C -C");
    ASSERT_TRUE(layout.Group({0, 0, 1, 0}));

    const TBytes image = F210.SaveToString(layout);
    const std::size_t table = Word(image, 2);
    EXPECT_EQ(Word(image, table), 14) << "key 1 (C) first";
    EXPECT_EQ(Word(image, table + 4), 21) << "then key 3 (A), the group's top-left key";
    EXPECT_EQ(Word(image, table + 2), Word(image, table + 4)) << "key 2 shares key 3's record";
    EXPECT_EQ(Word(image, table + 6), 28) << "no record of key 2's own (B)";

    TLayout read;
    F210.LoadFromString(read, image);
    EXPECT_EQ(read.Layers.Items(0).KeyAt(1, 0).PressCodes.Text(), "+A -A");

    // An empty top-left key leaves the whole group without a record.
    layer.KeyAt(0, 0).Clear();
    const TBytes empty = F210.SaveToString(layout);
    EXPECT_EQ(Word(empty, table + 2), 0xFFFF);
    EXPECT_EQ(Word(empty, table + 4), 0xFFFF);
}

TEST_F(BinLayoutTest, UpAndDownKeysAreRestoredAcrossLayers) {
    TLayout layout;
    SetKeyboard(layout, 7);
    auto setIn = [&](int layer, int col, int row, std::uint8_t type) {
        layout.Layers.Items(layer).KeyAt(col, row).SetKeyType(type);
    };
    layout.SetKeyType(0, 0, ktLayerUp);
    layout.SetKeyType(1, 0, ktLayerDown);
    setIn(3, 2, 0, ktLayerUp); // only in the top layer
    for (int l = 0; l < 3; ++l)
        setIn(l, 3, 0, ktLayerUp);
    setIn(3, 3, 0, ktLayer4); // reads as a move up from the top layer
    layout.SetKeyType(0, 1, ktLayer2);
    setIn(0, 1, 1, ktLayer2); // up from layer 1,
    setIn(1, 1, 1, ktLayer1); // down from layer 2: no common move
    setIn(2, 1, 1, ktLayer2);
    setIn(3, 1, 1, ktLayer3);

    TLayout read;
    F210.LoadFromString(read, F210.SaveToString(layout));
    auto types = [&](int col, int row) {
        std::string text;
        for (int l = 0; l < 4; ++l)
            text += std::to_string(read.Layers.Items(l).KeyAt(col, row).KeyType()) + " ";
        return text;
    };
    EXPECT_EQ(types(0, 0), "2 2 2 2 ");
    EXPECT_EQ(types(1, 0), "3 3 3 3 ");
    EXPECT_EQ(types(2, 0), "1 1 1 7 ");
    EXPECT_EQ(types(3, 0), "2 2 2 2 ");
    EXPECT_EQ(types(0, 1), "5 5 5 5 ");
    EXPECT_EQ(types(1, 1), "5 4 5 6 ");
}

TEST_F(BinLayoutTest, KeyboardByteRules) {
    const struct {
        TBinLayout28& Format;
        std::uint16_t Number;
        std::uint8_t Byte;
    } cases[] = {{F28, 520, 4}, {F29, 521, 5}, {F210, 522, 5}, {F13, 256, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format.GetFilter());
        TLayout layout;
        ExampleLayout(layout);
        const TBytes image = c.Format.SaveToString(layout);
        EXPECT_EQ(Word(image, Word(image, 0)), c.Number);
        EXPECT_EQ(image.back(), c.Byte);
        TLayout read;
        F210.LoadFromString(read, image);
        EXPECT_EQ(read.KeyboardID, 5);
    }

    // Identifier 256 fits only where the byte holds the identifier less one.
    TLayout layout;
    SetKeyboard(layout, 256);
    const TBytes image = F28.SaveToString(layout);
    EXPECT_EQ(image.back(), 0xFF);
    TLayout read;
    F210.LoadFromString(read, image);
    EXPECT_EQ(read.KeyboardID, 256);
    for (TBinLayout28* format : std::initializer_list<TBinLayout28*>{&F29, &F210})
        EXPECT_EQ(ErrorOf([&] { format->SaveToString(layout); }),
                  "Идентификатор клавиатуры 256 не помещается в образ раскладки этого формата: допустимы "
                  "идентификаторы от 0 до 255.");
}

TEST_F(BinLayoutTest, HeaderVersionAndChecksum) {
    TLayout layout;
    test::FillFullLayout(layout, FKeyboards);
    layout.Version = 0x208;
    const TBytes image = F210.SaveToString(layout);
    const std::size_t h = Word(image, 0);
    EXPECT_EQ(Word(image, h + 2), Sum(image, h + 2)) << "the checksum covers the format number";
    EXPECT_EQ(Word(image, h + 4), image.size());
    EXPECT_EQ(Word(image, h + 6), 0x208);
    EXPECT_EQ(image.at(h + 8), 1) << "one group";
    EXPECT_EQ(BytesToHexSpaced(TBytes(image.begin() + static_cast<std::ptrdiff_t>(h) + 9, image.end())),
              "01 01 02 01 07 ");

    TLayout read;
    F210.LoadFromString(read, image);
    EXPECT_EQ(read.Version, 0x20A) << "whatever the header said";

    // Nothing after the checksum counts: changing it leaves the layout readable and the sum right.
    TBytes changed = image;
    changed[h + 6] = 0x99;
    const TBinLayoutHeader header = ReadBinLayoutHeader(changed);
    EXPECT_TRUE(header.HasChecksum);
    EXPECT_EQ(header.Checksum, header.ComputedChecksum);
    EXPECT_EQ(header.Version, 0x299);
    changed[20] ^= 0x01;
    EXPECT_NE(ReadBinLayoutHeader(changed).ComputedChecksum, header.Checksum);
}

TEST_F(BinLayoutTest, LegacyImageKeepsPressesAndRebuildsReleases) {
    TLayout layout;
    SetKeyboard(layout, 5);
    TKey& key = layout.Layers.Items(0).KeyAt(0, 0);
    key.PressCodes.SetText("+LShift +A -A -LShift");
    key.ReleaseCodes.SetText("7F +Left -Left");
    key.SetRepeatKey(true);
    layout.Layers.Items(0).MSR.SetLightIndication(true);

    const TBytes image = F13.SaveToString(layout);
    const std::size_t table = Word(image, 2);
    const std::size_t record = Word(image, table);
    // Flags without the device-bytes bit, the pressed keys as words (E0 6B low byte first);
    // releases and raw bytes are not written.
    EXPECT_EQ(BytesToHexSpaced(TBytes(image.begin() + static_cast<std::ptrdiff_t>(record),
                                      image.begin() + static_cast<std::ptrdiff_t>(record) + 11)),
              "10 02 12 00 1C 00 01 6B E0 00 07 ");
    // The reader's flags: tracks on, no light signal in this form.
    const std::size_t h = Word(image, 0);
    EXPECT_EQ(image.at(record + 10), 0x07);
    EXPECT_EQ(Word(image, h), 256);
    EXPECT_EQ(Word(image, h + 2), image.size());
    EXPECT_EQ(image.size(), h + 6);
    EXPECT_EQ(image.back(), 4);

    TLayout read;
    F210.LoadFromString(read, image);
    const TKey& back = read.Layers.Items(0).KeyAt(0, 0);
    EXPECT_EQ(back.PressCodes.Text(), "+LShift +A -LShift -A");
    EXPECT_EQ(back.ReleaseCodes.Text(), "+Left -Left");
    EXPECT_TRUE(back.RepeatKey());
    EXPECT_FALSE(read.Layers.Items(0).MSR.LightIndication());

    // The full layout: what the legacy form holds comes back, groups included.
    TLayout full;
    test::FillFullLayout(full, FKeyboards);
    TLayout fullRead;
    F210.LoadFromString(fullRead, F13.SaveToString(full));
    EXPECT_TRUE(fullRead.Groups.Equals(full.Groups));
    EXPECT_EQ(fullRead.Layers.Items(1).KeyAt(0, 0).PressCodes.Text(), "+LShift +2 -LShift -2");
    EXPECT_EQ(fullRead.Layers.Items(3).KeyAt(3, 0).KeyType(), ktTempLayer1);
    EXPECT_EQ(fullRead.Layers.Items(2).KeyLock.Items(0).PositionType(), 2);
}

TEST_F(BinLayoutTest, LegacyImageHasAtMost64Slots) {
    TLayout layout;
    SetKeyboard(layout, 64);
    EXPECT_FALSE(F13.SaveToString(layout).empty());

    SetKeyboard(layout, 65);
    TBinStream stream(TBytes{1, 2, 3});
    EXPECT_EQ(ErrorOf([&] { F13.SaveToStream(layout, stream); }),
              "Формат 1.3 не поддерживает клавиатуры сколичеством клавиш большим 64");
    EXPECT_EQ(stream.Bytes(), (TBytes{1, 2, 3})) << "nothing is written";
    EXPECT_FALSE(F210.SaveToString(layout).empty()) << "the current images have no such limit";
}

TEST_F(BinLayoutTest, AnImageMustStayBelow64K) {
    // Fill the layout to exactly 65535 bytes of image, then add one byte.
    TLayout layout;
    SetKeyboard(layout, 7);
    std::string full; // 85 × 3 bytes
    for (int i = 0; i < 85; ++i)
        full += "+A -A ";
    std::vector<TScanCodes*> spare;
    for (int l = 0; l < layout.LayerCount(); ++l) {
        TLayer& layer = layout.Layers.Items(l);
        for (int k = 0; k < layer.Keys.Count(); ++k) {
            TKey& key = layer.Keys.Items(k);
            key.PressCodes.SetText(full);
            key.ReleaseCodes.SetText(full);
            for (int i = 0; i < 255; ++i)
                key.Notes.Add();
        }
        for (int t : {0, 2}) {
            spare.push_back(&layer.MSR.Tracks(t).Prefix);
            spare.push_back(&layer.MSR.Tracks(t).Suffix);
        }
        for (int p = 0; p < layer.KeyLock.Count(); ++p)
            spare.push_back(&layer.KeyLock.Items(p).ScanCodes);
    }
    std::size_t missing = 65535 - F210.SaveToString(layout).size();
    for (TScanCodes* codes : spare)
        for (; missing > 0 && codes->TotalLength() < TScanCodes::MaxBytes; --missing)
            codes->AddBytes({0x1C}); // one press of A
    ASSERT_EQ(missing, 0u);
    EXPECT_EQ(F210.SaveToString(layout).size(), 65535u);

    TLayout read;
    F210.LoadFromString(read, F210.SaveToString(layout));
    EXPECT_EQ(read.Layers.Items(3).KeyAt(3, 2).Notes.Count(), 255);

    const auto room = std::find_if(spare.begin(), spare.end(), [](const TScanCodes* codes) {
        return codes->TotalLength() < TScanCodes::MaxBytes;
    });
    ASSERT_NE(room, spare.end());
    (*room)->AddBytes({0x1C});
    TBinStream stream;
    EXPECT_EQ(ErrorOf([&] { F210.SaveToStream(layout, stream); }), SBinLayoutTooLarge);
    EXPECT_EQ(stream.Size(), 0u) << "nothing is written";
}

TEST_F(BinLayoutTest, WhatDoesNotFitItsByteIsRefused) {
    TLayout layout;
    SetKeyboard(layout, 7);
    TLayer& layer = layout.Layers.Items(1);
    auto fill = [](TNotes& notes) {
        while (notes.Count() < MaxNotes)
            notes.Add();
    };
    const struct {
        TNotes& Notes;
        const char* Place;
    } melodies[] = {
        {layer.KeyAt(1, 0).Notes, "Слой 2. Клавиша (1,2). "},
        {layer.MSR.Notes, "Слой 2. Считыватель карт. "},
        {layer.KeyLock.Items(2).Notes, "Слой 2. Ключ. Положение 3. "},
    };
    for (const auto& m : melodies) {
        fill(m.Notes);
        EXPECT_EQ(
            ErrorOf([&] { F210.SaveToString(layout); }),
            std::string(m.Place) +
                "Мелодия из 256 нот не помещается в образ раскладки: в нём не больше 255 нот на мелодию.");
        m.Notes.Clear();
    }

    layout.Groups.Add().SetRect({254, 0, 255, 0});
    EXPECT_EQ(ErrorOf([&] { F210.SaveToString(layout); }), "") << "255 is the last coordinate that fits";
    layout.Groups.Add().SetRect({2, 0, 256, 0});
    EXPECT_EQ(ErrorOf([&] { F13.SaveToString(layout); }),
              "Группа клавиш 2 не помещается в образ раскладки: её колонки и ряды должны быть от 1 до 256.");
    layout.Groups.Items(1).SetRect({-1, 0, 0, 0});
    EXPECT_NE(ErrorOf([&] { F210.SaveToString(layout); }), "");

    layout.Groups.Clear();
    for (int g = 0; g < 256; ++g)
        layout.Groups.Add().SetRect({0, 0, 0, 0});
    EXPECT_EQ(
        ErrorOf([&] { F28.SaveToString(layout); }),
        "Групп клавиш 256, а в образе раскладки их может быть не больше 255. Разгруппируйте лишние клавиши.");
}

TEST_F(BinLayoutTest, DamagedImagesRaiseTheGeneralError) {
    TLayout example;
    ExampleLayout(example);
    const TBytes image = F210.SaveToString(example);
    auto expectReadError = [&](const TBytes& damaged, const std::string& what) {
        TLayout layout;
        try {
            F210.LoadFromString(layout, damaged);
            ADD_FAILURE() << what << ": read without an error";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), SReadError) << what;
            EXPECT_EQ(typeid(e), typeid(Exception)) << what << ": the general error, not the stream's own";
        }
    };
    for (std::size_t size = 1; size < image.size(); ++size)
        expectReadError(TBytes(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size)),
                        "cut to " + std::to_string(size) + " bytes");

    const struct {
        std::size_t At;
        std::uint8_t Value;
        const char* What;
    } cases[] = {
        {1, 0xF0, "header past the end"},
        {2, 0x40, "slot table past the end"},
        {4, 0x1E, "key record at the last byte"},
        {8, 0x1E, "card-reader record at the last byte"},
        {13, 0xFF, "sequence longer than the image"},
        {18, 0x60, "more notes than bytes"},
        {29, 0x50, "more groups than bytes"},
    };
    for (const auto& c : cases) {
        TBytes damaged = image;
        damaged[c.At] = c.Value;
        expectReadError(damaged, c.What);
    }

    TLayout layout;
    EXPECT_EQ(ErrorOf([&] { F210.LoadFromString(layout, {}); }), SNoLayoutData);
    TBytes unknown = image;
    unknown.back() = 99;
    EXPECT_EQ(ErrorOf([&] { F210.LoadFromString(layout, unknown); }),
              "Не найдено описание клавиатуры с идентификатором 99.");
    EXPECT_EQ(layout.KeyboardID, 0) << "an unknown keyboard changes nothing";
    EXPECT_EQ(layout.Groups.Count(), 0);
}

TEST_F(BinLayoutTest, HeaderlessImagesReadIntoTheCurrentKeyboard) {
    TLayout source;
    ExampleLayout(source);
    TBytes image = F210.SaveToString(source);
    const std::size_t h = Word(image, 0);
    image[h] = 0x07; // format number 7
    image[h + 1] = 0x00;
    image.back() = 99; // would name an unknown keyboard

    TLayout layout;
    SetKeyboard(layout, 5);
    layout.Version = 0x209;
    layout.Group({0, 0, 1, 0});
    F210.LoadFromString(layout, image);
    EXPECT_EQ(layout.KeyboardID, 5);
    EXPECT_EQ(layout.Version, 0x209);
    EXPECT_EQ(layout.Groups.Count(), 1);
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text(), "+A -A");

    TLayout fresh;
    EXPECT_EQ(ErrorOf([&] { F210.LoadFromString(fresh, image); }),
              "Не найдено описание клавиатуры с идентификатором 0.")
        << "a layout without a keyboard cannot take an image without a header";
}

TEST_F(BinLayoutTest, RegistriesHoldTheImages) {
    TLayoutFormats save(FKeyboards);
    FillSaveRegistry(save);
    const struct {
        const char* Name;
        const std::type_info& Type;
    } names[] = {{"bin210", typeid(TBinLayout210)},
                 {"bin13", typeid(TBinLayout13)},
                 {"bin28", typeid(TBinLayout28)},
                 {"bin29", typeid(TBinLayout29)}};
    int previous = -1;
    for (const auto& n : names) {
        const int index = SaveFormatIndex(save, n.Name);
        ASSERT_GE(index, 0) << n.Name;
        EXPECT_EQ(typeid(save.Items(index)), n.Type) << n.Name;
        EXPECT_GT(index, previous) << n.Name << " keeps its place in the order";
        previous = index;
    }
    EXPECT_EQ(SaveFormatIndex(save, "bin210"), sfBin210);
    EXPECT_EQ(SaveFormatIndex(save, "bin13"), sfBin13);
    EXPECT_EQ(SaveFormatIndex(save, "bin28"), sfBin28);
    EXPECT_EQ(SaveFormatIndex(save, "bin29"), sfBin29);

    TLayoutFormats open(FKeyboards);
    FillOpenRegistry(open);
    ASSERT_EQ(open.Count(), 2);
    EXPECT_EQ(typeid(open.Items(ofBin210)), typeid(TBinLayout210));
}
