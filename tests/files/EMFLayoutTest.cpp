#include "LayoutFixture.h"
#include "tests/common/Bitmap.h"

#include "files/EMFCanvas.h"
#include "files/EMFLayout.h"
#include "files/FormatRegistry.h"
#include "files/XMLKeyboard.h"
#include "files/XMLLayout.h"
#include "model/Canvas.h"
#include "model/Text.h"

#include <gtest/gtest.h>

#include <uemf.h>
#include <uemf_safe.h>

#include <cstring>

using namespace lay;

namespace {

// One record of a metafile as a reader sees it.
struct TRecord {
    std::uint32_t Type;
    TBytes Bytes;

    template <class T> T As() const {
        T value{};
        std::memcpy(&value, Bytes.data(), std::min(sizeof(T), Bytes.size()));
        return value;
    }
    std::int32_t Int(std::size_t at) const {
        std::int32_t v;
        std::memcpy(&v, Bytes.data() + at, 4);
        return v;
    }
};

// Walks the records the way a reader does, with the library's own safety check of each one;
// any fault of the structure fails the test.
std::vector<TRecord> Walk(const TBytes& emf) {
    std::vector<TRecord> records;
    std::size_t at = 0;
    while (at < emf.size()) {
        EXPECT_GE(emf.size() - at, 8u);
        if (emf.size() - at < 8)
            break;
        U_EMR head;
        std::memcpy(&head, emf.data() + at, sizeof head);
        EXPECT_EQ(head.nSize % 4, 0u) << "record " << records.size();
        EXPECT_GE(head.nSize, 8u);
        EXPECT_LE(head.nSize, emf.size() - at);
        if (head.nSize < 8 || head.nSize > emf.size() - at)
            break;
        TRecord record{head.iType, TBytes(emf.begin() + static_cast<std::ptrdiff_t>(at),
                                          emf.begin() + static_cast<std::ptrdiff_t>(at + head.nSize))};
        EXPECT_TRUE(U_emf_record_safe(reinterpret_cast<const char*>(record.Bytes.data())))
            << "record " << records.size() << " of type " << head.iType;
        records.push_back(std::move(record));
        at += head.nSize;
    }
    return records;
}

std::vector<const TRecord*> OfType(const std::vector<TRecord>& records, std::uint32_t type) {
    std::vector<const TRecord*> result;
    for (const TRecord& r : records)
        if (r.Type == type)
            result.push_back(&r);
    return result;
}

std::vector<TPoint> PolylinePoints(const TRecord& r) {
    std::vector<TPoint> points;
    const std::int32_t count = r.Int(24);
    for (std::int32_t i = 0; i < count; ++i)
        points.push_back(
            {r.Int(28 + 8 * static_cast<std::size_t>(i)), r.Int(32 + 8 * static_cast<std::size_t>(i))});
    return points;
}

bool HasSegment(const std::vector<TRecord>& records, TPoint a, TPoint b) {
    for (const TRecord* r : OfType(records, U_EMR_POLYLINE))
        if (PolylinePoints(*r) == std::vector<TPoint>{a, b})
            return true;
    return false;
}

// The characters of an EMR_EXTTEXTOUTW record as UTF-16.
std::u16string TextOf(const TRecord& r) {
    const auto text = r.As<U_EMREXTTEXTOUTW>();
    std::u16string s(text.emrtext.nChars, u'\0');
    std::memcpy(s.data(), r.Bytes.data() + text.emrtext.offString, s.size() * 2);
    return s;
}

std::vector<std::uint32_t> DxOf(const TRecord& r) {
    const auto text = r.As<U_EMREXTTEXTOUTW>();
    std::uint32_t offDx;
    // The clipping rectangle sits between the text's fixed part and its offset of advances.
    std::memcpy(&offDx,
                r.Bytes.data() + offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT) + sizeof(U_RECTL),
                4);
    std::vector<std::uint32_t> dx(text.emrtext.nChars);
    std::memcpy(dx.data(), r.Bytes.data() + offDx, dx.size() * 4);
    return dx;
}

class EMFLayoutTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FillCatalogue(FKeyboards);
        // A model of 45 columns: more than the 40 half-inch cells of the reference screen.
        TKeyboard& wide = FKeyboards.Add();
        wide.ID = 45;
        wide.Name = "Wide";
        wide.Width = 45;
        wide.Height = 1;
        wide.Layers = 1;
        for (int c = 1; c <= 45; ++c) {
            TKeyDef& def = wide.KeyDefs.Add();
            def.Left = c;
            def.Top = 1;
            def.LogicalNumber = c;
        }
        wide.MaxKeysNum = 45;
    }
    TBytes Save(TLayout& layout) { return FSave.Items(sfEMF).SaveToString(layout); }

    TKeyboards FKeyboards;
    TLayoutFormats FSave{FKeyboards};
    int FFill = (FillSaveRegistry(FSave), 0);
};

} // namespace

TEST(EMFCellSizes, HalfAnInchAndThreeTenthsRoundedToEven) {
    struct TCase {
        int X, Y, Cell, CellY, Gap, GapY;
    };
    const std::vector<TCase> cases = {
        {96, 96, 48, 48, 29, 29},   // 28.8 rounds up
        {120, 144, 60, 72, 36, 43}, // 43.2 rounds down
        {5, 15, 2, 8, 2, 4},        // 2.5 to 2 and 7.5 to 8: ties go to the even neighbour
    };
    for (const TCase& c : cases) {
        const TEMFCellSizes s = EMFCellSizes(c.X, c.Y);
        EXPECT_EQ(s.CellWidth, c.Cell) << c.X;
        EXPECT_EQ(s.CellHeight, c.CellY) << c.Y;
        EXPECT_EQ(s.HorzGap, c.Gap) << c.X;
        EXPECT_EQ(s.VertGap, c.GapY) << c.Y;
    }
}

TEST_F(EMFLayoutTest, RegisteredForSavingOnly) {
    EXPECT_NE(dynamic_cast<TEMFLayout*>(&FSave.Items(sfEMF)), nullptr);
    EXPECT_EQ(SaveFormatIndex(FSave, "emf"), sfEMF);
    EXPECT_EQ(FSave.Items(sfEMF).GetFilter(), "Раскладка в формате EMF (*.emf)|*.emf");
    TLayoutFormats open{FKeyboards};
    FillOpenRegistry(open);
    for (int i = 0; i < open.Count(); ++i)
        EXPECT_EQ(dynamic_cast<TEMFLayout*>(&open.Items(i)), nullptr);
}

TEST_F(EMFLayoutTest, TheSampleLayoutIsAWellFormedMetafile) {
    TKeyboards catalogue;
    TXMLKeyboard reader;
    reader.LoadFromFolder(std::string(LAYOMATIC_DATA) + "/Клавиатуры", catalogue);
    TLayoutFormats formats{catalogue};
    FillSaveRegistry(formats);
    TXMLLayout xml(&formats);
    TLayout layout;
    xml.LoadFromFile(layout, std::string(LAYOMATIC_TEST_DATA) + "/layouts/layout-210.xml");
    ASSERT_EQ(layout.ColCount(), 8);
    ASSERT_EQ(layout.RowCount(), 4);

    const TBytes emf = formats.Items(sfEMF).SaveToString(layout);
    const std::vector<TRecord> records = Walk(emf);
    ASSERT_GE(records.size(), 3u);
    ASSERT_EQ(records.front().Type, U_EMR_HEADER);
    EXPECT_EQ(records.back().Type, U_EMR_EOF);
    const auto header = records.front().As<U_EMRHEADER>();
    EXPECT_EQ(header.dSignature, U_ENHMETA_SIGNATURE);
    EXPECT_EQ(header.nBytes, emf.size());
    EXPECT_EQ(header.nRecords, records.size());
    // A 96 pixels-per-inch reference: pixels over millimetres.
    EXPECT_NEAR(header.szlDevice.cx * 25.4 / header.szlMillimeters.cx, 96.0, 0.01);
    // The drawing starts at (2, 2) and its frame holds it in hundredths of a millimetre.
    EXPECT_EQ(header.rclBounds.left, 2);
    EXPECT_EQ(header.rclBounds.top, 2);
    EXPECT_EQ(header.rclFrame.right, (header.rclBounds.right + 1) * 2540 / 96);

    // Half-inch cells: the grid's lines every 48 units, 4 rows high.
    EXPECT_TRUE(HasSegment(records, {2, 2}, {2 + 8 * 48, 2}));
    EXPECT_TRUE(HasSegment(records, {50, 2}, {50, 2 + 4 * 48}));
    EXPECT_TRUE(HasSegment(records, {2, 194}, {386, 194}));
    EXPECT_FALSE(OfType(records, U_EMR_FILLRGN).empty());
    EXPECT_FALSE(OfType(records, U_EMR_EXTCREATEFONTINDIRECTW).empty());
    // The sample's key picture text, drawn as Unicode text.
    bool found = false;
    for (const TRecord* r : OfType(records, U_EMR_EXTTEXTOUTW))
        found = found || TextOf(*r) == u"ИТОГ";
    EXPECT_TRUE(found);
    // Its group of 2 × 2 cells: a box 2 cells and a 0.3-inch gap square, under the grid.
    bool box = false;
    for (const TRecord* r : OfType(records, U_EMR_POLYLINE)) {
        const auto p = PolylinePoints(*r);
        box =
            box || (p.size() == 5 && p[0] == TPoint{2, 194 + 29} && p[2] == TPoint{2 + 125, 194 + 29 + 125});
    }
    EXPECT_TRUE(box);
}

TEST_F(EMFLayoutTest, ColumnsBeyondTheScreenContinueBelow) {
    TLayout layout;
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(45)));
    const std::vector<TRecord> records = Walk(Save(layout));
    // 40 columns of 48 fit the 1920-unit surface; the other 5 follow half a gap below.
    EXPECT_TRUE(HasSegment(records, {2, 2}, {2 + 40 * 48, 2}));
    EXPECT_TRUE(HasSegment(records, {2, 64}, {2 + 5 * 48, 64}));
}

TEST_F(EMFLayoutTest, GraphicsBecomeBitmapRecords) {
    TLayout layout;
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(4)));
    TLayer& layer = layout.Layers.Items(0);
    layer.KeyAt(0, 0).Picture.SetPicture(TPicture{TGraphic::FromFile(gcBitmap, Bitmap24(10, 20, 0x40))});
    // An icon of one 4 × 4 image with 24-bit colour and its mask.
    TBytes ico = {0, 0, 1, 0, 1, 0, 4, 4, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 22, 0, 0, 0};
    TBytes image(40, 0);
    image[0] = 40;
    image[4] = 4;
    image[8] = 8; // colour image and mask
    image[12] = 1;
    image[14] = 24;
    image.resize(40 + 4 * 12 + 4 * 4, 0x11);
    ico[14] = static_cast<std::uint8_t>(image.size());
    ico.insert(ico.end(), image.begin(), image.end());
    layer.KeyAt(1, 0).Picture.SetPicture(TPicture{TGraphic::FromFile(gcIcon, ico)});
    // A bitmap whose header promises more pixels than it has is left out.
    TBytes lying = Bitmap24(10, 20, 0x40);
    lying.resize(80);
    layer.KeyAt(2, 0).Picture.SetPicture(TPicture{TGraphic::FromFile(gcBitmap, lying)});

    const std::vector<TRecord> records = Walk(Save(layout));
    const auto blits = OfType(records, U_EMR_STRETCHDIBITS);
    ASSERT_EQ(blits.size(), 3u);
    const auto bitmap = blits[0]->As<U_EMRSTRETCHDIBITS>();
    // The key's cell (2, 2)-(50, 50) less 10 on each side leaves 28 × 28; 10 × 20 fits.
    EXPECT_EQ(bitmap.Dest.x, 2 + 10 + 9);
    EXPECT_EQ(bitmap.Dest.y, 2 + 10 + 4);
    EXPECT_EQ(bitmap.cDest.x, 10);
    EXPECT_EQ(bitmap.cDest.y, 20);
    EXPECT_EQ(bitmap.cSrc.x, 10);
    EXPECT_EQ(bitmap.cbBitsSrc, 32u * 20);
    EXPECT_EQ(bitmap.dwRop, static_cast<std::uint32_t>(U_SRCCOPY));
    // The icon: its mask cut out first, then its colours laid over.
    EXPECT_EQ(blits[1]->As<U_EMRSTRETCHDIBITS>().dwRop, static_cast<std::uint32_t>(U_SRCAND));
    EXPECT_EQ(blits[2]->As<U_EMRSTRETCHDIBITS>().dwRop, static_cast<std::uint32_t>(U_SRCINVERT));
    EXPECT_EQ(blits[2]->As<U_EMRSTRETCHDIBITS>().cSrc.y, 4);
}

namespace {

class TFixedMetrics : public TTextMetrics {
public:
    TSize TextExtent(const TFont&, std::string_view text) override {
        return {static_cast<int>(DecodeUtf8(text).size()) * 9, 14};
    }
};

} // namespace

TEST_F(EMFLayoutTest, TextIsPlacedWithTheMetricsGiven) {
    TLayout layout;
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(4)));
    TKeyPicture& picture = layout.Layers.Items(0).KeyAt(0, 0).Picture;
    picture.SetText("Сумма");
    picture.SetBackgroundColor(0);
    TFixedMetrics metrics;
    dynamic_cast<TEMFLayout&>(FSave.Items(sfEMF)).TextMetrics = &metrics;
    const std::vector<TRecord> records = Walk(Save(layout));
    const auto texts = OfType(records, U_EMR_EXTTEXTOUTW);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(TextOf(*texts[0]), u"Сумма");
    EXPECT_EQ(DxOf(*texts[0]), (std::vector<std::uint32_t>(5, 9)));
    // 45 wide and 14 high in the middle of the 48 × 48 cell at (2, 2).
    const auto text = texts[0]->As<U_EMREXTTEXTOUTW>();
    EXPECT_EQ(text.emrtext.ptlReference.x, 2 + 1);
    EXPECT_EQ(text.emrtext.ptlReference.y, 2 + 17);
    EXPECT_EQ(OfType(records, U_EMR_SETBKMODE).size(), 1u);
}

TEST(EMFCanvas, ObjectsAreCreatedOnceAndDeletedWhenReplaced) {
    TEMFCanvas canvas;
    canvas.Brush.Color = 0x0000FF;
    canvas.FillRect({0, 0, 10, 10});
    canvas.FillRect({10, 0, 20, 10});
    canvas.Brush.Color = clBtnFace;
    canvas.FillRect({20, 0, 30, 10});
    canvas.FillRect({30, 0, 30, 10}); // empty: nothing recorded
    const std::vector<TRecord> records = Walk(canvas.Finish());
    EXPECT_EQ(OfType(records, U_EMR_CREATEBRUSHINDIRECT).size(), 2u);
    EXPECT_EQ(OfType(records, U_EMR_DELETEOBJECT).size(), 1u);
    EXPECT_EQ(OfType(records, U_EMR_FILLRGN).size(), 3u);
    // The system colour is resolved to its RGB value.
    const auto brush = OfType(records, U_EMR_CREATEBRUSHINDIRECT)[1]->As<U_EMRCREATEBRUSHINDIRECT>();
    EXPECT_EQ(brush.lb.lbColor.Red, 240);
    EXPECT_EQ(OfType(records, U_EMR_HEADER)[0]->As<U_EMRHEADER>().rclBounds.right, 29);
}
