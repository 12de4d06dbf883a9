#include "LayoutFixture.h"

#include "files/FormatCodec.h"
#include "files/XMLLayout.h"
#include "model/Errors.h"
#include "model/LayoutCodec.h"
#include "model/Text.h"

#include <gtest/gtest.h>

using namespace lay;

namespace {

// Copy and paste as the document window does them: through the XML layout text.
class Clipboard : public ::testing::Test {
protected:
    void SetUp() override { test::FillCatalogue(FKeyboards); }

    void Make(TLayout& layout, int keyboard) {
        layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(keyboard)));
        layout.ClearModified();
    }
    static TKey& Key(TLayout& layout, int layer, int col, int row) {
        return layout.Layers.Items(layer).KeyAt(col, row);
    }
    // Every key of every layer gets a text naming its place, "L<layer>:<col>,<row>".
    static void Label(TLayout& layout) {
        for (int l = 0; l < layout.LayerCount(); ++l) {
            TKeys& keys = layout.Layers.Items(l).Keys;
            for (int i = 0; i < keys.Count(); ++i) {
                TKey& key = keys.Items(i);
                key.SetText("L" + std::to_string(l) + ":" + std::to_string(key.Col()) + "," +
                            std::to_string(key.Row()));
            }
        }
    }
    TBytes Copy(TLayout& layout, const TRect& selection) {
        layout.SetSelection(selection);
        return CopyToText(layout, FCodec);
    }

    TKeyboards FKeyboards;
    TLayoutFormats FFormats{FKeyboards};
    TXMLLayout& FXML = FFormats.Add<TXMLLayout>();
    TFormatCodec FCodec{FXML};
};

} // namespace

TEST_F(Clipboard, TheTextIsTheXMLLayoutOfTheWholeLayout) {
    TLayout source;
    Make(source, 3);
    Label(source);
    const TBytes text = Copy(source, {2, 2, 3, 3});
    const std::string utf8 = Cp1251ToUtf8(std::string(text.begin(), text.end()));
    EXPECT_EQ(utf8.rfind("<?xml", 0), 0u);
    EXPECT_NE(utf8.find("<Раскладка"), std::string::npos);
    EXPECT_EQ(text, FXML.SaveToString(source)) << "exactly what the format writes";

    // Read back, it is the same layout, selection included.
    TLayout clip;
    FCodec.LoadFromText(clip, text);
    EXPECT_EQ(clip.Selection(), (TRect{2, 2, 3, 3}));
    EXPECT_EQ(Key(clip, 1, 3, 2).Text(), "L1:3,2");
}

TEST_F(Clipboard, OneKeyFillsTheWholeSelection) {
    TLayout doc;
    Make(doc, 4);
    Key(doc, 0, 4, 1).SetText("source");
    Key(doc, 0, 4, 1).PressCodes.AddRaw({0x1C});
    Key(doc, 0, 4, 1).SetRepeatKey(true);
    const TBytes text = Copy(doc, {5, 2, 5, 2});

    doc.SetSelection({1, 1, 3, 2});
    PasteText(doc, FCodec, text, 0, vmLayout);
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 2; ++row) {
            EXPECT_EQ(Key(doc, 0, col, row).Text(), "source") << col << row;
            EXPECT_EQ(Key(doc, 0, col, row).PressCodes.Bytes(), (TBytes{0x1C}));
            EXPECT_TRUE(Key(doc, 0, col, row).RepeatKey());
        }
    EXPECT_EQ(Key(doc, 0, 3, 0).Text(), "");
    EXPECT_EQ(doc.Selection(), (TRect{1, 1, 3, 2}));
    EXPECT_EQ(doc.LastChange(), lcLayout);
    EXPECT_TRUE(doc.Modified());
}

TEST_F(Clipboard, ABlockIsPastedCellByCellIntoAFittedSelection) {
    struct TCase {
        TRect Selection;
        TRect Fitted;
    };
    // A 3 × 2 block copied from (2,1)-(4,2) of keyboard 4 (5 × 2, one layer).
    const std::vector<TCase> cases = {
        {{1, 1, 1, 1}, {1, 1, 1, 1}}, // a single cell receives only the block's top-left key
        {{1, 1, 5, 5}, {1, 1, 3, 2}}, // a larger selection shrinks to the block
        {{2, 2, 5, 2}, {2, 2, 4, 2}}, // a selection at the bottom keeps its one row
    };
    TLayout source;
    Make(source, 4);
    Label(source);
    const TBytes text = Copy(source, {2, 1, 4, 2});
    for (const TCase& c : cases) {
        TLayout doc;
        Make(doc, 4);
        doc.SetSelection(c.Selection);
        PasteText(doc, FCodec, text, 0, vmLayout);
        EXPECT_EQ(doc.Selection(), c.Fitted);
        for (int col = 0; col < 5; ++col)
            for (int row = 0; row < 2; ++row) {
                const bool inside = col + 1 >= c.Fitted.Left && col + 1 <= c.Fitted.Right &&
                                    row + 1 >= c.Fitted.Top && row + 1 <= c.Fitted.Bottom;
                const std::string expected = inside ? "L0:" + std::to_string(1 + col + 1 - c.Fitted.Left) +
                                                          "," + std::to_string(row + 1 - c.Fitted.Top)
                                                    : "";
                EXPECT_EQ(Key(doc, 0, col, row).Text(), expected)
                    << "selection " << c.Selection.Left << "," << c.Selection.Top << " cell " << col << ","
                    << row;
            }
    }
}

TEST_F(Clipboard, KeysWithoutAFunctionAreNotPasted) {
    TLayout source;
    Make(source, 4);
    Label(source);
    source.SetKeyType(1, 0, ktNone);
    const TBytes text = Copy(source, {1, 1, 2, 1});
    TLayout doc;
    Make(doc, 4);
    Key(doc, 0, 1, 1).SetText("kept");
    doc.SetSelection({1, 2, 2, 2});
    PasteText(doc, FCodec, text, 0, vmLayout);
    EXPECT_EQ(Key(doc, 0, 0, 1).Text(), "L0:0,0");
    EXPECT_EQ(Key(doc, 0, 1, 1).Text(), "kept");
    EXPECT_EQ(Key(doc, 0, 1, 1).KeyType(), ktMacro);
}

TEST_F(Clipboard, ThePictureViewPastesLayerOnePicturesOnly) {
    TLayout source;
    Make(source, 3);
    Label(source);
    Key(source, 0, 0, 0).Picture.SetText("Итог");
    Key(source, 0, 0, 0).Picture.SetBackgroundColor(0x00FF00);
    Key(source, 1, 0, 0).Picture.SetText("layer 2 picture");
    const TBytes text = Copy(source, {1, 1, 1, 1});
    for (int layer : {0, 2}) {
        TLayout doc;
        Make(doc, 3);
        doc.SetSelection({3, 2, 4, 2});
        PasteText(doc, FCodec, text, layer, vmPicture);
        EXPECT_EQ(Key(doc, 0, 2, 1).Picture.Text(), "Итог") << layer;
        EXPECT_EQ(Key(doc, 0, 3, 1).Picture.BackgroundColor(), 0x00FF00);
        EXPECT_EQ(Key(doc, 1, 2, 1).Picture.Text(), "") << "layer 2 pictures are not touched";
        EXPECT_EQ(Key(doc, 0, 2, 1).Text(), "") << "nor the key contents";
    }
}

TEST_F(Clipboard, ALayerNumberPastesIntoThatLayerOnly) {
    TLayout source;
    Make(source, 3);
    Label(source);
    const TBytes text = Copy(source, {1, 2, 2, 2});
    TLayout doc;
    Make(doc, 3);
    doc.SetSelection({1, 3, 2, 3});
    PasteText(doc, FCodec, text, 2, vmLayout);
    EXPECT_EQ(Key(doc, 1, 0, 2).Text(), "L1:0,1");
    EXPECT_EQ(Key(doc, 1, 1, 2).Text(), "L1:1,1");
    EXPECT_EQ(Key(doc, 0, 0, 2).Text(), "");
}

TEST_F(Clipboard, CutClearsTheSelectedKeysOfTheLayerOnly) {
    TLayout doc;
    Make(doc, 3);
    Label(doc);
    Key(doc, 1, 0, 1).Picture.SetText("pic");
    doc.SetSelection({1, 2, 2, 2});
    const TBytes text = CutToText(doc, FCodec, 2, vmLayout);
    EXPECT_EQ(Key(doc, 1, 0, 1).Text(), "");
    EXPECT_EQ(Key(doc, 1, 1, 1).Text(), "");
    EXPECT_EQ(Key(doc, 1, 0, 1).Picture.Text(), "pic") << "the key view leaves pictures";
    EXPECT_EQ(Key(doc, 0, 0, 1).Text(), "L0:0,1") << "layer 1 is kept";
    EXPECT_EQ(doc.LastChange(), lcKeys);

    // What was cut is on the clipboard, with its contents.
    TLayout other;
    Make(other, 3);
    other.SetSelection({3, 3, 4, 3});
    PasteText(other, FCodec, text, 0, vmLayout);
    EXPECT_EQ(Key(other, 1, 2, 2).Text(), "L1:0,1");
    EXPECT_EQ(Key(other, 0, 3, 2).Text(), "L0:1,1");
}

// A clip and a document with different numbers of layers: the paste fills the layers both
// have and stops quietly, instead of an index error after half the work.
TEST_F(Clipboard, LayersOnlyOneSideHasAreSkipped) {
    TLayout oneLayer;
    Make(oneLayer, 4);
    Label(oneLayer);
    TLayout fourLayers;
    Make(fourLayers, 5);
    Label(fourLayers);

    TLayout doc;
    Make(doc, 5);
    doc.SetSelection({1, 1, 2, 2});
    EXPECT_NO_THROW(PasteText(doc, FCodec, Copy(oneLayer, {1, 1, 1, 1}), 0, vmLayout));
    EXPECT_EQ(Key(doc, 0, 1, 1).Text(), "L0:0,0");
    EXPECT_EQ(Key(doc, 3, 1, 1).Text(), "");
    EXPECT_EQ(doc.LastChange(), lcLayout);

    TLayout single;
    Make(single, 4);
    single.SetSelection({1, 1, 2, 2});
    EXPECT_NO_THROW(PasteText(single, FCodec, Copy(fourLayers, {1, 1, 2, 2}), 0, vmLayout));
    EXPECT_EQ(Key(single, 0, 1, 1).Text(), "L0:1,1");

    // A layer number beyond the document's layers pastes nothing.
    TLayout two;
    Make(two, 3);
    EXPECT_NO_THROW(PasteText(two, FCodec, Copy(fourLayers, {1, 1, 1, 1}), 4, vmLayout));
    EXPECT_EQ(Key(two, 1, 0, 0).Text(), "");
}

TEST_F(Clipboard, TextThatIsNoLayoutLeavesTheDocumentAlone) {
    TLayout doc;
    Make(doc, 4);
    Label(doc);
    doc.SetSelection({1, 1, 2, 2});
    doc.ClearModified();
    const std::string junk = "просто текст";
    EXPECT_THROW(PasteText(doc, FCodec, TBytes(junk.begin(), junk.end()), 0, vmLayout), Exception);
    EXPECT_THROW(PasteText(doc, FCodec, TBytes{}, 0, vmLayout), Exception);
    EXPECT_EQ(Key(doc, 0, 0, 0).Text(), "L0:0,0");
    EXPECT_FALSE(doc.Modified());
}

TEST_F(Clipboard, AClipSelectionFarOutsideTheMatrixPastesNothing) {
    TLayout source;
    Make(source, 4);
    Label(source);
    TLayout clip;
    source.CopyTo(clip);
    clip.SetSelection({2147483000, 2147483000, 2147483647, 2147483647});
    TLayout doc;
    Make(doc, 4);
    doc.SetSelection({1, 1, 5, 2});
    doc.Paste(clip, 0, vmLayout);
    EXPECT_EQ(Key(doc, 0, 0, 0).Text(), "");
    EXPECT_EQ(doc.Selection(), (TRect{1, 1, 5, 2}));
}
