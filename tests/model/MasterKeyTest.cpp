#include "model/MasterKey.h"
#include "model/Layout.h"

#include <gtest/gtest.h>

using namespace lay;

namespace {

// A 3 × 2 matrix with two layers; a gap at column 3 of row 2 (one-based).
TKeyboardModel Model() {
    TKeyboardModel m;
    m.ID = 1;
    m.Width = 3;
    m.Height = 2;
    m.Layers = 2;
    int number = 0;
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 3; ++c) {
            ++number;
            if (!(c == 3 && r == 2))
                m.Keys.push_back({c, r, number});
        }
    return m;
}

class MasterKey : public ::testing::Test {
protected:
    void SetUp() override {
        Layout.SetKeyboard(Model());
        Layout.ClearModified();
    }
    TKey& Key(int layer, int col, int row) { return Layout.Layers.Items(layer).KeyAt(col, row); }
    void Select(int left, int top, int right, int bottom) { Layout.SetSelection({left, top, right, bottom}); }

    TLayout Layout;
    TMasterKey Master;
};

} // namespace

TEST_F(MasterKey, NewAndResetBufferIsAnUneditedMacroKey) {
    EXPECT_EQ(Master.KeyType.Value(), ktMacro);
    Master.Text.SetValue("x");
    Master.Notes.SetText("C1;4;10");
    Master.PressCodes.AddRaw({0x1C});
    Master.RepeatKey.SetValue(1);
    Master.Picture.SetText("pic");
    Master.Col = 2;
    EXPECT_TRUE(Master.IsModified());
    EXPECT_TRUE(Master.Text.Modified());

    Master.Reset();
    EXPECT_FALSE(Master.IsModified());
    EXPECT_FALSE(Master.Text.Modified());
    EXPECT_FALSE(Master.Picture.AnyModified());
    EXPECT_EQ(Master.Col, 0);
    EXPECT_EQ(Master.Text.Value(), "");
    EXPECT_TRUE(Master.Notes.IsEmpty());
    EXPECT_TRUE(Master.PressCodes.IsEmpty());
    EXPECT_EQ(Master.RepeatKey.Value(), 0);
    EXPECT_EQ(Master.KeyType.Value(), ktMacro);
    EXPECT_EQ(Master.Picture.Text(), "pic") << "the picture is not reset";
}

TEST_F(MasterKey, SettingAnEqualValueIsNoEdit) {
    Master.Reset();
    Master.Text.SetValue("");
    Master.KeyType.SetValue(ktMacro);
    Master.RepeatKey.SetValue(0);
    EXPECT_FALSE(Master.IsModified());
    // The buffer's edits never touch the layout's flag.
    Master.Text.SetValue("a");
    EXPECT_FALSE(Layout.Modified());
}

TEST_F(MasterKey, LoadTakesTheFirstKeyAndBlanksWhatDiffers) {
    Key(0, 0, 0).PressCodes.AddRaw({0x1E});
    Key(0, 0, 1).PressCodes.AddRaw({0x1E});
    Key(0, 0, 0).Notes.SetText("C1;4;10");
    Key(0, 0, 1).Notes.SetText("P;2;0");
    Key(0, 0, 0).SetText("same");
    Key(0, 0, 1).SetText("same");
    Key(0, 0, 0).SetRepeatKey(true);
    Key(0, 0, 0).Picture.SetText("first");
    Key(0, 0, 1).Picture.SetText("second");
    Select(1, 1, 1, 2);

    Layout.LoadMasterKey(Master);
    EXPECT_EQ(Master.PressCodes.Bytes(), (TBytes{0x1E}));
    EXPECT_TRUE(Master.Notes.IsEmpty());
    EXPECT_EQ(Master.Text.Value(), "same");
    EXPECT_EQ(Master.RepeatKey.Value(), 0);
    EXPECT_EQ(Master.KeyType.Value(), ktMacro);
    EXPECT_EQ(Master.Picture.Text(), "first") << "pictures are not compared";
    EXPECT_FALSE(Master.IsModified()) << "nothing counts as edited after a load";
    EXPECT_FALSE(Master.Picture.AnyModified());

    // Editing only the text writes the text to both keys and leaves their notes alone.
    Master.Text.SetValue("new");
    Layout.ApplyMasterKey(Master, false);
    EXPECT_EQ(Key(0, 0, 0).Text(), "new");
    EXPECT_EQ(Key(0, 0, 1).Text(), "new");
    EXPECT_EQ(Key(0, 0, 0).Notes.Text(), "C1;4;10");
    EXPECT_EQ(Key(0, 0, 1).Notes.Text(), "P;2;0");
    EXPECT_TRUE(Key(0, 0, 0).RepeatKey());
    EXPECT_EQ(Key(1, 0, 0).Text(), "") << "a macro buffer writes only its own layer";
    EXPECT_TRUE(Layout.Modified());
}

TEST_F(MasterKey, LoadFollowsTheLayerIndex) {
    Key(1, 1, 0).SetText("layer 2");
    Select(2, 1, 2, 1);
    Master.LayerIndex = 1;
    Layout.LoadMasterKey(Master);
    EXPECT_EQ(Master.Text.Value(), "layer 2");
    EXPECT_EQ(Master.Col, 1);
    EXPECT_EQ(Master.Row, 0);
}

TEST_F(MasterKey, KeysOfDifferentTypesLoadTypeZeroAndNothingElse) {
    Key(0, 0, 0).SetText("macro");
    Key(0, 0, 0).PressCodes.AddRaw({0x1E});
    Layout.SetKeyType(0, 1, ktLayerUp);
    Select(1, 1, 1, 2);
    Layout.LoadMasterKey(Master);
    EXPECT_EQ(Master.KeyType.Value(), ktNone);
    EXPECT_EQ(Master.Text.Value(), "");
    EXPECT_TRUE(Master.PressCodes.IsEmpty());
    // The stop leaves the type marked as set: the key window learns from it that types differ.
    EXPECT_TRUE(Master.KeyType.Modified());
}

TEST_F(MasterKey, ASelectionReachingACellWithoutAKeyLoadsNothing) {
    Key(0, 0, 0).SetText("a");
    Select(2, 1, 3, 2); // (3, 2) is the gap
    Layout.LoadMasterKey(Master);
    EXPECT_EQ(Master.Text.Value(), "");
    EXPECT_EQ(Master.Col, 0);
    EXPECT_FALSE(Master.IsModified());

    // A layer the layout lacks is the same: nothing to show, no error.
    Select(1, 1, 1, 1);
    Master.LayerIndex = 5;
    EXPECT_NO_THROW(Layout.LoadMasterKey(Master));
    EXPECT_EQ(Master.Text.Value(), "");
}

TEST_F(MasterKey, AnUntouchedBufferChangesAndReportsNothing) {
    Select(1, 1, 2, 2);
    Layout.LoadMasterKey(Master);
    int reports = 0;
    auto link = Layout.AddLink([&](TObject*) { ++reports; });
    Layout.ApplyMasterKey(Master, false);
    EXPECT_EQ(reports, 0);
    EXPECT_FALSE(Layout.Modified());
}

TEST_F(MasterKey, ALayerSwitchIsWrittenToEveryLayer) {
    Select(1, 1, 2, 1);
    Layout.LoadMasterKey(Master);
    Master.KeyType.SetValue(ktLayer2);
    Master.Text.SetValue("switch");
    Layout.ApplyMasterKey(Master, false);
    for (int layer = 0; layer < 2; ++layer)
        for (int col = 0; col < 2; ++col) {
            EXPECT_EQ(Key(layer, col, 0).KeyType(), ktLayer2) << layer << col;
            EXPECT_EQ(Key(layer, col, 0).Text(), "switch") << layer << col;
        }
    EXPECT_EQ(Key(0, 2, 0).KeyType(), ktMacro) << "outside the selection";
    EXPECT_EQ(Master.LayerIndex, 1) << "the buffer ends on the last layer";
    EXPECT_EQ(Layout.LastChange(), lcLayout);
}

TEST_F(MasterKey, OnlyEditedFieldsAreWrittenAndTheFlagsStaySet) {
    Key(0, 0, 0).PressCodes.AddRaw({0x10});
    Key(0, 1, 0).PressCodes.AddRaw({0x11});
    Key(0, 1, 0).ReleaseCodes.AddRaw({0x91});
    Select(1, 1, 2, 1);
    Layout.LoadMasterKey(Master);
    Master.ReleaseCodes.AddRaw({0x90});
    Master.RepeatKey.SetValue(1);
    Layout.ApplyMasterKey(Master, false);
    EXPECT_EQ(Key(0, 0, 0).PressCodes.Bytes(), (TBytes{0x10}));
    EXPECT_EQ(Key(0, 1, 0).PressCodes.Bytes(), (TBytes{0x11}));
    EXPECT_EQ(Key(0, 0, 0).ReleaseCodes.Bytes(), (TBytes{0x90}));
    EXPECT_EQ(Key(0, 1, 0).ReleaseCodes.Bytes(), (TBytes{0x90}));
    EXPECT_TRUE(Key(0, 1, 0).RepeatKey());

    // Until the windows reload it, a later apply writes the same fields again.
    Key(0, 0, 0).ReleaseCodes.Clear();
    Master.Notes.SetText("A3;1;1");
    Layout.ApplyMasterKey(Master, false);
    EXPECT_EQ(Key(0, 0, 0).ReleaseCodes.Bytes(), (TBytes{0x90}));
    EXPECT_EQ(Key(0, 0, 0).Notes.Text(), "A3;1;1");
}

TEST_F(MasterKey, PictureApplyWritesLayerOneOnlyAndOnlyEditedAttributes) {
    Key(0, 0, 0).Picture.SetText("keep");
    Key(0, 1, 0).Picture.SetText("keep too");
    Select(1, 1, 2, 1);
    Master.LayerIndex = 1; // the picture window works on layer 1 whatever the key window shows
    Layout.LoadMasterKey(Master);
    Master.Picture.SetBackgroundColor(0x00FF00);
    Master.Picture.SetTextOrientation(1);
    Layout.ApplyMasterKey(Master, true);
    EXPECT_EQ(Master.LayerIndex, 0);
    for (int col = 0; col < 2; ++col) {
        EXPECT_EQ(Key(0, col, 0).Picture.BackgroundColor(), 0x00FF00);
        EXPECT_EQ(Key(0, col, 0).Picture.TextOrientation(), 1);
        EXPECT_EQ(Key(1, col, 0).Picture.BackgroundColor(), clWhite);
    }
    EXPECT_EQ(Key(0, 0, 0).Picture.Text(), "keep");
    EXPECT_EQ(Key(0, 1, 0).Picture.Text(), "keep too");
}

TEST_F(MasterKey, ApplyWalksOnlyTheMatrixOfAHugeSelection) {
    Select(1, 1, 2000000000, 2000000000);
    Master.Text.SetValue("all");
    Layout.ApplyMasterKey(Master, false);
    EXPECT_EQ(Key(0, 2, 0).Text(), "all");
    EXPECT_EQ(Key(0, 1, 1).Text(), "all");
}
