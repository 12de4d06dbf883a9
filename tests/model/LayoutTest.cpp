#include "model/Layout.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

using namespace lay;

namespace {

// A model of cols × rows with a key in every cell numbered row-major from 1, except the cells
// listed as gaps.
TKeyboardModel MakeModel(int id, int cols, int rows, int layers, int keyPos = 0, bool reader = false,
                         std::vector<std::pair<int, int>> gaps = {}) {
    TKeyboardModel m;
    m.ID = id;
    m.Width = cols;
    m.Height = rows;
    m.Layers = layers;
    m.KeyPos = keyPos;
    m.HasKey = keyPos > 0;
    m.HasReader = reader;
    m.Track1 = reader;
    m.Track2 = reader;
    int number = 0;
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) {
            ++number;
            if (std::find(gaps.begin(), gaps.end(), std::make_pair(c, r)) == gaps.end())
                m.Keys.push_back({c, r, number});
        }
    return m;
}

struct TRecorder {
    std::vector<std::string> Lines;
    TMessageSink Sink() {
        return [this](const std::string& line, int) { Lines.push_back(line); };
    }
};

} // namespace

TEST(Layout, NewLayout) {
    TLayout first;
    TLayout second;
    EXPECT_EQ(second.ID(), first.ID() + 1);
    EXPECT_EQ(second.Version, 0x020A);
    EXPECT_EQ(second.Selection(), (TRect{1, 1, 1, 1}));
    EXPECT_EQ(second.LayerCount(), 0);
    EXPECT_FALSE(second.Modified());
}

TEST(Layout, LoadKeyboardFollowsTheModel) {
    TLayout layout;
    TKeyboardModel model = MakeModel(7, 15, 8, 4, 0, true, {{2, 1}});
    layout.LoadKeyboard(model);
    EXPECT_EQ(layout.KeyboardID, 7);
    EXPECT_EQ(layout.ColCount(), 15);
    EXPECT_EQ(layout.RowCount(), 8);
    EXPECT_EQ(layout.KeyCount, 119);
    ASSERT_EQ(layout.LayerCount(), 4);
    for (int l = 0; l < 4; ++l) {
        const TLayer& layer = layout.Layers.Items(l);
        ASSERT_EQ(layer.Keys.Count(), 119);
        EXPECT_EQ(layer.Keys.Items(1).Col(), 2) << "the gap at column 2 is skipped";
        EXPECT_EQ(layer.Keys.Items(1).Number(), 3);
        EXPECT_EQ(layer.FindKey(1, 0), nullptr);
        EXPECT_TRUE(layer.MSR.Tracks(0).Enabled());
        EXPECT_TRUE(layer.MSR.Tracks(1).Enabled());
        EXPECT_FALSE(layer.MSR.Tracks(2).Enabled());
    }
    try {
        (void)layout.Layers.Items(0).KeyAt(1, 0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Клавиша с координатами (1, 0) не найдена.");
    }
}

TEST(Layout, SetKeyboardKeepsWorkByLogicalNumber) {
    TLayout layout;
    layout.SetKeyboard(MakeModel(1, 5, 4, 2));
    TKey& key17 = *layout.Layers.Items(1).Keys.FindByNumber(17); // column 2, row 4
    key17.PressCodes.SetText("+A -A");
    key17.Picture.SetText("Итог");
    layout.Layers.Items(0).MSR.SetSendEnter(true);
    layout.Groups.Add().SetRect({0, 0, 1, 0});
    layout.ClearModified();

    int notified = 0;
    auto link = layout.AddLink([&](TObject*) { ++notified; });
    layout.SetKeyboard(MakeModel(1, 9, 9, 1));
    EXPECT_EQ(notified, 0) << "the same model changes nothing";
    EXPECT_FALSE(layout.Modified());

    // The other model numbers the keys across 3 columns, so 17 sits at column 2, row 6.
    layout.SetKeyboard(MakeModel(2, 3, 6, 3));
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(layout.LastChange(), lcLayout);
    EXPECT_TRUE(layout.Modified());
    ASSERT_EQ(layout.LayerCount(), 3);
    const TKey* moved = layout.Layers.Items(1).FindKey(1, 5);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Number(), 17);
    EXPECT_EQ(moved->PressCodes.Text(), "+A -A");
    EXPECT_EQ(moved->Picture.Text(), "") << "pictures are not carried over";
    EXPECT_TRUE(layout.Layers.Items(0).MSR.SendEnter()) << "reader settings of remaining layers stay";
    EXPECT_EQ(layout.Groups.Count(), 1);
    EXPECT_TRUE(layout.Layers.Items(2).Keys.Items(0).IsEmpty()) << "a new layer starts empty";
}

TEST(Layout, NewLayersGetTheKeyLockPositions) {
    TLayout layout;
    layout.SetKeyboard(MakeModel(1, 2, 2, 1, 4));
    EXPECT_EQ(layout.Layers.Items(0).KeyLock.Count(), 4);
    layout.SetKeyboard(MakeModel(2, 2, 2, 4, 4));
    for (int l = 0; l < 4; ++l)
        EXPECT_EQ(layout.Layers.Items(l).KeyLock.Count(), 4) << "layer " << l + 1;
    layout.SetKeyboard(MakeModel(3, 2, 2, 2, 0));
    EXPECT_EQ(layout.Layers.Items(1).KeyLock.Count(), 0);
}

TEST(Layout, CountsAreValidatedBeforeStoring) {
    struct TCase {
        int Width, Height, Layers, KeyPos;
        const char* Message;
    };
    const TCase cases[] = {
        {0, 2, 1, 0,
         "Неверное значение количества колонок: 0\r\nКоличество колонок раскладки должно быть больше 0."},
        {2, -1, 1, 0,
         "Неверное значение количества рядов: -1\r\nКоличество рядов раскладки должно быть больше 0."},
        {2, 2, 0, 0, "Неверное значение количества слоев: 0\r\nКоличество слоев должно быть больше 0."},
        {2, 2, 1, 9,
         "Неверное значение количества положений ключа: 9\r\nКоличество положений ключа должно быть от 1 до "
         "8."},
    };
    for (const TCase& c : cases) {
        // Counts are checked when they change, so start from a valid model.
        TLayout layout;
        layout.LoadKeyboard(MakeModel(4, 3, 3, 2, 1));
        TKeyboardModel model = MakeModel(5, 2, 2, 1);
        model.Width = c.Width;
        model.Height = c.Height;
        model.Layers = c.Layers;
        model.KeyPos = c.KeyPos;
        try {
            layout.LoadKeyboard(model);
            FAIL() << c.Message;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_EQ(layout.KeyboardID, 5) << "the steps before the refused one stay applied";
        EXPECT_NE(layout.LayerCount(), 0);
    }
}

TEST(Layout, SelectionAndSearchArea) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 15, 8, 1));
    layout.ClearModified();
    int notified = 0;
    auto link = layout.AddLink([&](TObject* sender) {
        EXPECT_EQ(sender, &layout);
        ++notified;
    });
    EXPECT_EQ(layout.SearchArea(), (TRect{1, 1, 15, 8}));
    layout.SetSelection({1, 1, 1, 1});
    EXPECT_EQ(notified, 0);
    layout.SetSelection({2, 3, 4, 5});
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(layout.LastChange(), lcSelection);
    EXPECT_FALSE(layout.Modified()) << "a selection is no change of the document";
    EXPECT_EQ(layout.SearchArea(), (TRect{2, 3, 4, 5}));
}

TEST(Layout, GroupsFollowTheCornerRule) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 10, 10, 1));
    EXPECT_FALSE(layout.Group({3, 3, 3, 3})) << "a single cell";
    EXPECT_TRUE(layout.Group({2, 2, 4, 3}));
    EXPECT_TRUE(layout.Modified());
    EXPECT_FALSE(layout.Group({4, 3, 6, 6})) << "touches the corner cell (4,3)";
    EXPECT_FALSE(layout.Group({0, 0, 9, 9})) << "contains the group";
    // A plus sign: neither holds a corner of the other.
    TLayout plus;
    plus.LoadKeyboard(MakeModel(1, 10, 10, 1));
    EXPECT_TRUE(plus.Group({0, 4, 9, 5}));
    EXPECT_TRUE(plus.Group({4, 0, 5, 9})) << "crossing groups are not seen as intersecting";

    EXPECT_EQ(layout.GroupAt(4, 3), &layout.Groups.Items(0));
    EXPECT_EQ(layout.GroupAt(5, 3), nullptr);

    layout.ClearModified();
    int notified = 0;
    auto link = layout.AddLink([&](TObject*) { ++notified; });
    layout.Ungroup({7, 7, 8, 8});
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(layout.IntersectsGroup({7, 7, 8, 8}));
    EXPECT_TRUE(layout.IntersectsGroup({4, 3, 4, 3}));
    layout.Ungroup({4, 3, 5, 5});
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(layout.Groups.Count(), 0);
    EXPECT_TRUE(layout.Modified());
}

TEST(Layout, ClearKeysByViewMode) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 3, 3, 2));
    for (int l = 0; l < 2; ++l) {
        TKey& key = layout.Layers.Items(l).KeyAt(1, 1);
        key.PressCodes.SetText("+A -A");
        key.SetText("note");
        key.Picture.SetText("P");
    }
    layout.ClearModified();
    layout.ClearKeys({2, 2, 2, 2}, 0, vmPicture);
    EXPECT_EQ(layout.LastChange(), lcKeys);
    EXPECT_TRUE(layout.Modified());
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(1, 1).Picture.Text(), "");
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 1).Picture.Text(), "P") << "pictures live in layer 1 only";
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(1, 1).PressCodes.Text(), "+A -A");

    layout.ClearKeys({1, 1, 3, 3}, 2, vmLayout);
    EXPECT_TRUE(layout.Layers.Items(1).KeyAt(1, 1).IsEmpty());
    EXPECT_FALSE(layout.Layers.Items(0).KeyAt(1, 1).IsEmpty());

    layout.ClearKeys({2, 2, 2, 2}, 0, vmLayout);
    EXPECT_TRUE(layout.Layers.Items(0).KeyAt(1, 1).IsEmpty());
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 1).Picture.Text(), "P") << "the key view leaves pictures";
}

TEST(Layout, ClearNonMacroCodesAndSetKeyType) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 2, 1, 2));
    for (int l = 0; l < 2; ++l)
        for (int k = 0; k < 2; ++k)
            layout.Layers.Items(l).Keys.Items(k).PressCodes.SetText("+B -B");
    layout.SetKeyType(1, 0, ktLayer2);
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 0).KeyType(), ktLayer2);
    layout.ClearNonMacroCodes();
    EXPECT_TRUE(layout.Layers.Items(0).KeyAt(1, 0).PressCodes.IsEmpty());
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text(), "+B -B");
    EXPECT_THROW(layout.SetKeyType(5, 5, ktNone), Exception);
}

TEST(Layout, AssignCopiesTheWholeDocument) {
    TLayout source;
    source.LoadKeyboard(MakeModel(3, 4, 2, 2, 3, true));
    source.Layers.Items(1).KeyAt(3, 1).ReleaseCodes.SetText("-A");
    source.Layers.Items(0).KeyAt(0, 0).Picture.SetText("X");
    source.Layers.Items(1).KeyLock.Items(2).SetPositionType(ptLayer1);
    source.Group({0, 0, 1, 1});
    source.SetSelection({2, 1, 3, 2});
    source.FileName = "a.xml";
    source.Version = 0x0209;

    TLayout copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.Modified());
    EXPECT_EQ(copy.LastChange(), lcLayout);
    EXPECT_EQ(copy.KeyboardID, 3);
    EXPECT_EQ(copy.FileName, "a.xml");
    EXPECT_EQ(copy.Version, 0x0209);
    EXPECT_EQ(copy.KeyPosCount(), 3);
    EXPECT_EQ(copy.Selection(), (TRect{2, 1, 3, 2}));
    EXPECT_EQ(copy.Layers.Items(1).KeyAt(3, 1).ReleaseCodes.Text(), "-A");
    EXPECT_EQ(copy.Layers.Items(0).KeyAt(0, 0).Picture.Text(), "X");
    EXPECT_EQ(copy.Layers.Items(1).KeyLock.Items(2).PositionType(), ptLayer1);
    EXPECT_TRUE(copy.Groups.Equals(source.Groups));
}

TEST(Layout, ReaderAndKeyLockWriteBack) {
    TLayout layout, twoLayers, oneLayer;
    layout.LoadKeyboard(MakeModel(1, 2, 2, 2, 2, true));
    twoLayers.Assign(layout);
    oneLayer.LoadKeyboard(MakeModel(1, 2, 2, 1, 2, true));
    twoLayers.Layers.Items(1).MSR.SetSendEnter(true);
    twoLayers.Layers.Items(1).KeyLock.SetCount(5);

    layout.ClearModified();
    int notified = 0;
    auto link = layout.AddLink([&](TObject*) { ++notified; });
    layout.AssignKeyLock(oneLayer);
    EXPECT_EQ(notified, 0);
    EXPECT_FALSE(layout.Modified());
    try {
        layout.AssignMSR(oneLayer);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Различное количество слоев.");
    }
    layout.AssignMSR(twoLayers);
    layout.AssignKeyLock(twoLayers);
    EXPECT_EQ(notified, 2);
    EXPECT_TRUE(layout.Layers.Items(1).MSR.SendEnter());
    EXPECT_EQ(layout.Layers.Items(1).KeyLock.Count(), 5);
}

TEST(Layout, DestructionIsAnnouncedWhileTheLayoutIsWhole) {
    std::unique_ptr<TNotifyLink> a, b;
    int calls = 0;
    {
        TLayout layout;
        layout.LoadKeyboard(MakeModel(1, 2, 2, 2));
        auto check = [&](TObject* sender) {
            auto* l = dynamic_cast<TLayout*>(sender);
            ASSERT_NE(l, nullptr);
            EXPECT_EQ(l->LastChange(), lcDestroying);
            EXPECT_EQ(l->Layers.Count(), 2);
            ++calls;
        };
        a = layout.AddLink(check);
        b = layout.AddLink(check);
    }
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(a->Links(), nullptr) << "the links are left pointing nowhere";
}

TEST(LayoutCheck, ReportsLinesAndStopsAfterEleven) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 15, 8, 2));
    TRecorder rec;
    layout.MessageSink = rec.Sink();
    EXPECT_TRUE(layout.Check());
    EXPECT_TRUE(rec.Lines.empty());

    layout.Layers.Items(1).KeyAt(4, 2).PressCodes.SetText("+A");
    EXPECT_FALSE(layout.Check());
    ASSERT_EQ(rec.Lines.size(), 1u);
    EXPECT_EQ(rec.Lines[0], "[Ошибка(1)] Слой 2. Клавиша (3,5). Коды нажатия. Код +A: Нет отжатия.");

    rec.Lines.clear();
    for (int c = 0; c < 11; ++c)
        layout.Layers.Items(0).KeyAt(c, 0).ReleaseCodes.SetText("-B");
    EXPECT_FALSE(layout.Check());
    ASSERT_EQ(rec.Lines.size(), 11u);
    EXPECT_EQ(rec.Lines[0],
              "[Ошибка(1)] Слой 1. Клавиша (1,1). Коды отжатия. Код -B: Отжатие перед нажатием.");
    EXPECT_EQ(rec.Lines[10].rfind("[Ошибка(11)] Слой 1. Клавиша (1,11).", 0), 0u) << rec.Lines[10];
}

TEST(LayoutCheck, ReaderAndKeyLockLines) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 2, 2, 1, 2, true));
    layout.Layers.Items(0).MSR.Tracks(2).Suffix.SetText("+A");
    layout.Layers.Items(0).KeyLock.Items(1).ScanCodes.SetText("-A");
    TRecorder rec;
    layout.MessageSink = rec.Sink();
    EXPECT_FALSE(layout.Check());
    ASSERT_EQ(rec.Lines.size(), 2u);
    EXPECT_EQ(rec.Lines[0], "[Ошибка(1)] Слой 1. Считыватель карт. Трек 3. Суффикс. Код +A: Нет отжатия.");
    EXPECT_EQ(rec.Lines[1], "[Ошибка(2)] Слой 1. Ключ. Положение 2. Код -A: Отжатие перед нажатием.");
    EXPECT_FALSE(layout.GotoMessage(rec.Lines[0])) << "a reader line names no key";
}

TEST(LayoutFind, FindsAcrossLayersInColumnOrder) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 3, 3, 2));
    layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+LShift +A -A -LShift");
    layout.Layers.Items(1).KeyAt(2, 1).ReleaseCodes.SetText("+LShift -LShift");
    layout.Layers.Items(0).KeyAt(1, 2).ReleaseCodes.SetText("+LShift -LShift");
    TRecorder rec;
    layout.MessageSink = rec.Sink();
    EXPECT_EQ(layout.Find("lshift", 0), 3);
    ASSERT_EQ(rec.Lines.size(), 3u);
    EXPECT_EQ(rec.Lines[0],
              "[Поиск] Слой 1. Клавиша (1,1). Коды нажатия. Строка +LSHIFT +A -A -LSHIFT найдена.");
    EXPECT_EQ(rec.Lines[1], "[Поиск] Слой 1. Клавиша (3,2). Коды отжатия. Строка +LSHIFT -LSHIFT найдена.");
    EXPECT_EQ(rec.Lines[2], "[Поиск] Слой 2. Клавиша (2,3). Коды отжатия. Строка +LSHIFT -LSHIFT найдена.");

    EXPECT_EQ(layout.Find("lshift", 2), 1);
    EXPECT_EQ(layout.Find("", 0), 0);
    layout.SetSelection({1, 1, 2, 2});
    EXPECT_EQ(layout.Find("lshift", 0), 1) << "a selection of several cells limits the search";
}

TEST(LayoutReplace, ReplacesIgnoringCaseAndReparses) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 2, 2, 2));
    layout.Layers.Items(0).KeyAt(0, 0).PressCodes.SetText("+LShift +A -A -LShift");
    layout.Layers.Items(1).KeyAt(1, 1).PressCodes.SetText("+A -A +A -A");
    layout.ClearModified();
    EXPECT_EQ(layout.Replace("+a -a", "+B -B", 1), 1);
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text(), "+LShift +B -B -LShift");
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 1).PressCodes.Text(), "+A -A +A -A");
    EXPECT_TRUE(layout.Modified());
    EXPECT_EQ(layout.Replace("+a -a", "+C -C", 0), 2);
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 1).PressCodes.Text(), "+C -C +C -C");
    EXPECT_EQ(layout.Replace("+C", "+NoSuchKey", 0), 2);
    EXPECT_EQ(layout.Layers.Items(1).KeyAt(1, 1).PressCodes.Text(), "-C -C") << "unknown names are dropped";
}

TEST(LayoutGoto, SelectsTheNamedKey) {
    TLayout layout;
    layout.LoadKeyboard(MakeModel(1, 15, 8, 2));
    const std::vector<std::pair<std::string, bool>> cases = {
        {"[Ошибка(1)] Слой 2. Клавиша (3,5). Коды нажатия. Код +A: Нет отжатия.", true},
        {"[Поиск] Слой 1. Клавиша (3,5). Коды нажатия. Строка +A найдена.", true},
        {"[Ошибка(1)] Слой 2. Клавиша (3,99). Коды нажатия.", false},
        {"[Замена] (+A->+B) Количество замен: 3", false},
        {"[Ошибка(+-)] Слой", false},
        {"", false},
    };
    for (const auto& [line, expected] : cases) {
        layout.SetSelection({1, 1, 1, 1});
        EXPECT_EQ(layout.GotoMessage(line), expected) << line;
        EXPECT_EQ(layout.Selection(), expected ? TRect({5, 3, 5, 3}) : TRect({1, 1, 1, 1})) << line;
    }
}
