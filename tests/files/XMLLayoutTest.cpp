#include "LayoutFixture.h"

#include "files/FileUtils.h"
#include "files/XMLLayout.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lay;

namespace {

class XMLLayoutTest : public ::testing::Test {
protected:
    void SetUp() override { test::FillCatalogue(FKeyboards); }

    std::string Save(TLayout& layout) {
        TBytes bytes = FXML.SaveToString(layout);
        return std::string(bytes.begin(), bytes.end());
    }
    // The file's text as UTF-8, for reading in assertions.
    std::string SaveText(TLayout& layout) { return Cp1251ToUtf8(Save(layout)); }
    void Load(TLayout& layout, const std::string& utf8) {
        const std::string bytes = Utf8ToCp1251(utf8);
        FXML.LoadFromString(layout, TBytes(bytes.begin(), bytes.end()));
    }

    // A layout of keyboard 3 with something in every part the file holds.
    void Fill(TLayout& layout) {
        layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(3)));
        TLayer& l1 = layout.Layers.Items(0);
        TLayer& l2 = layout.Layers.Items(1);
        TKey& k = l1.KeyAt(0, 0);
        k.PressCodes.SetText("+LShift +A -A -LShift");
        k.ReleaseCodes.SetText("+ENTER -ENTER 7F");
        k.SetText("Итог <&> \"кв\"");
        k.SetRepeatKey(true);
        k.Notes.SetText("C1;4;10;P;2;0");
        k.Picture.SetText("Сумма");
        k.Picture.SetBackgroundColor(0x00C0FFEE);
        k.Picture.SetTextOrientation(1);
        TFont font;
        font.Name = "DejaVu Sans";
        font.SetSize(12);
        font.Style = fsBold | fsItalic;
        font.Charset = 204;
        font.Color = 0x000080;
        k.Picture.SetFont(font);
        // A 1 × 1 bitmap file, enough for the picture to carry a graphic through the file.
        const TBytes bmp = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0,
                            24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0};
        l1.KeyAt(2, 0).Picture.SetPicture(TPicture{TGraphic::FromFile(gcBitmap, bmp)});
        l2.KeyAt(3, 2).SetKeyType(ktTempLayer2);
        l2.KeyAt(2, 2).ReleaseCodes.SetText("-B");
        l1.MSR.SetSendEnter(true);
        l1.MSR.SetLightIndication(false);
        l1.MSR.Tracks(2).SetEnabled(false);
        l1.MSR.Tracks(1).Prefix.SetText("+F1 -F1");
        l1.MSR.Notes.SetText("A3;1;1");
        l2.KeyLock.Items(1).SetPositionType(ptLayer2);
        l2.KeyLock.Items(0).SetLock(true);
        l2.KeyLock.Items(0).ScanCodes.SetText("+ESC -ESC");
        l2.KeyLock.Items(0).Notes.SetText("B4;9;9");
        layout.Group({0, 1, 1, 2});
        layout.Group({2, 0, 3, 0});
        layout.SetSelection({2, 2, 3, 3});
    }

    static void ExpectSame(const TLayout& a, const TLayout& b) {
        EXPECT_EQ(a.KeyboardID, b.KeyboardID);
        EXPECT_EQ(a.Version, b.Version);
        EXPECT_EQ(a.Selection(), b.Selection());
        EXPECT_TRUE(a.Groups.Equals(b.Groups));
        ASSERT_EQ(a.LayerCount(), b.LayerCount());
        for (int l = 0; l < a.LayerCount(); ++l) {
            const TLayer& la = a.Layers.Items(l);
            const TLayer& lb = b.Layers.Items(l);
            EXPECT_TRUE(la.MSR.Equals(lb.MSR)) << "layer " << l;
            EXPECT_TRUE(la.KeyLock.Equals(lb.KeyLock)) << "layer " << l;
            ASSERT_EQ(la.Keys.Count(), lb.Keys.Count());
            for (int k = 0; k < la.Keys.Count(); ++k) {
                const TKey& ka = la.Keys.Items(k);
                const TKey& kb = lb.Keys.Items(k);
                EXPECT_TRUE(ka.Equals(kb)) << "layer " << l << " key " << k;
                EXPECT_EQ(ka.Number(), kb.Number());
                EXPECT_EQ(ka.Picture.Text(), kb.Picture.Text());
                EXPECT_EQ(ka.Picture.Font(), kb.Picture.Font());
                EXPECT_EQ(ka.Picture.BackgroundColor(), kb.Picture.BackgroundColor());
                EXPECT_EQ(ka.Picture.TextOrientation(), kb.Picture.TextOrientation());
                EXPECT_EQ(ka.Picture.PictureData(), kb.Picture.PictureData());
            }
        }
    }

    TKeyboards FKeyboards;
    TLayoutFormats FFormats{FKeyboards};
    TXMLLayout& FXML = FFormats.Add<TXMLLayout>();
    TXMLLayout13& FXML13 = FFormats.Add<TXMLLayout13>();
};

} // namespace

TEST_F(XMLLayoutTest, RoundTripKeepsEverythingAndIsStable) {
    TLayout layout;
    Fill(layout);
    const std::string first = Save(layout);
    TLayout reloaded;
    FXML.LoadFromString(reloaded, TBytes(first.begin(), first.end()));
    ExpectSame(layout, reloaded);
    EXPECT_EQ(Save(reloaded), first) << "saving twice gives identical bytes";
    ASSERT_TRUE(reloaded.Layers.Items(0).KeyAt(2, 0).Picture.HasGraphic());
    EXPECT_EQ(reloaded.Layers.Items(0).KeyAt(2, 0).Picture.Picture().Graphic->ClassName, "TBitmap");
    EXPECT_NE(Cp1251ToUtf8(first).find("<Data>"), std::string::npos);
}

TEST_F(XMLLayoutTest, WhatIsWrittenAndWhatIsLeftOut) {
    TLayout layout;
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(4)));
    const std::string text = SaveText(layout);
    EXPECT_NE(text.find("<Раскладка Vesion=\"020A\">"), std::string::npos) << text;
    EXPECT_NE(text.find("<Параметры KeyboardID=\"4\" STop=\"1\" SLeft=\"1\" SRight=\"1\" SBottom=\"1\""),
              std::string::npos);
    EXPECT_EQ(text.find("KeyLock"), std::string::npos);
    EXPECT_EQ(text.find("Группы"), std::string::npos);
    EXPECT_EQ(text.find("Примечание"), std::string::npos) << "empty values are not written";
    EXPECT_NE(text.find("<MSR ПосылатьEnter=\"0\" СтопПриОшибке=\"0\" LightIndication=\"1\""),
              std::string::npos);
    EXPECT_NE(text.find("<Трек3 Включен=\"1\""), std::string::npos);
    EXPECT_NE(
        text.find("<Клавиша Номер=\"10\" Колонка=\"4\" Ряд=\"1\" РазрешениеПовтора=\"0\" ТипКлавиши=\"1\""),
        std::string::npos);
    EXPECT_NE(text.find("FontName=\"MS Sans Serif\" FontSize=\"8\""), std::string::npos)
        << "every key has a picture";
    EXPECT_EQ(text.find("<Data"), std::string::npos);
}

TEST_F(XMLLayoutTest, FlagsReadTrueOnlyForOne) {
    TLayout layout;
    Load(layout,
         "<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"4\"/><Слои><Слой><Клавиши>"
         "<Клавиша Колонка=\"0\" Ряд=\"0\" РазрешениеПовтора=\"true\"/>"
         "<Клавиша Колонка=\"1\" Ряд=\"0\" РазрешениеПовтора=\"1\"/>"
         "<Клавиша Колонка=\"2\" Ряд=\"0\"/></Клавиши><MSR ПосылатьEnter=\"1\"/></Слой></Слои></Раскладка>");
    const TLayer& l = layout.Layers.Items(0);
    EXPECT_FALSE(l.KeyAt(0, 0).RepeatKey());
    EXPECT_TRUE(l.KeyAt(1, 0).RepeatKey());
    EXPECT_FALSE(l.KeyAt(2, 0).RepeatKey());
    EXPECT_TRUE(l.MSR.SendEnter());
    EXPECT_FALSE(l.MSR.LightIndication()) << "an absent flag is false";
}

struct TVersionCase {
    const char* Root;
    const char* Params;
    int KeyboardID;
    int Version;
    friend void PrintTo(const TVersionCase& c, std::ostream* os) { *os << c.Root << ' ' << c.Params; }
};

class XMLLayoutVersion : public XMLLayoutTest, public ::testing::WithParamInterface<TVersionCase> {};

TEST_P(XMLLayoutVersion, ChoosesTheKeyboard) {
    const TVersionCase& c = GetParam();
    TLayout layout;
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(5)));
    Load(layout, std::string("<Раскладка") + c.Root + "><Параметры" + c.Params + "/></Раскладка>");
    EXPECT_EQ(layout.KeyboardID, c.KeyboardID);
    EXPECT_EQ(layout.Version, c.Version);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, XMLLayoutVersion,
    ::testing::Values(
        TVersionCase{"", " Параметры=\"2\"", 3, 0x20A},                 // 1.3: the attribute plus one
        TVersionCase{"", "", 4, 0x20A},                                 // 1.3 without it
        TVersionCase{" Vesion=\"0208\"", " Параметры=\"3\"", 4, 0x20A}, // 2.8 likewise
        TVersionCase{" Vesion=\"0209\"", "", 4, 0x209},                 // no KeyboardID: 4
        TVersionCase{" Vesion=\"020A\"", " KeyboardID=\"3\"", 3, 0x20A},
        TVersionCase{" Vesion=\"0301\"", " KeyboardID=\"3\"", 5, 0x301},   // unknown: keeps its own
        TVersionCase{" Vesion=\"020a\"", " KeyboardID=\"3\"", 5, 0x200})); // lower case is no digit

TEST_F(XMLLayoutTest, LegacyFileSavedBackAsCurrent) {
    TLayout layout;
    Load(layout, "<Раскладка><Параметры Параметры=\"2\"/></Раскладка>");
    const std::string text = SaveText(layout);
    EXPECT_NE(text.find("Vesion=\"020A\""), std::string::npos);
    EXPECT_NE(text.find("KeyboardID=\"3\""), std::string::npos);
}

TEST_F(XMLLayoutTest, ReadingRules) {
    TLayout layout;
    Load(
        layout,
        "<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"3\" SLeft=\"2\" STop=\"1\" SRight=\"3\" "
        "SBottom=\"2\"/>"
        "<Слои><Слой><Клавиши>"
        "<Клавиша Колонка=\"1\" Ряд=\"0\" ТипКлавиши=\"5\"><КодыНажатия СканКоды=\"+A -A\"/></Клавиша>" // a
                                                                                                        // gap
        "<Клавиша Колонка=\"0\" Ряд=\"0\" ТипКлавиши=\"2\"><КодыНажатия СканКоды=\"+A -A\"/></Клавиша>"
        "<Клавиша Колонка=\"2\" Ряд=\"0\" Номер=\"77\"><КодыНажатия СканКоды=\"+A -A\"/></Клавиша>"
        "<Клавиша Ряд=\"1\"><КодыНажатия СканКоды=\"+B -B\"/></Клавиша>"
        "</Клавиши></Слой><Слой/><Слой><Клавиши><Клавиша Колонка=\"0\" Ряд=\"0\"/></Клавиши></Слой></Слои>"
        "<Группы><Группа Left=\"0\" Top=\"0\" Right=\"2\" Bottom=\"0\"/><Группа Left=\"1\" Top=\"1\" "
        "Bottom=\"2\"/></Группы>"
        "</Раскладка>");
    const TLayer& l = layout.Layers.Items(0);
    EXPECT_EQ(layout.Selection(), (TRect{2, 1, 3, 2}));
    EXPECT_EQ(l.KeyAt(0, 0).KeyType(), ktLayerUp);
    EXPECT_TRUE(l.KeyAt(0, 0).PressCodes.IsEmpty()) << "only macro keys keep sequences";
    EXPECT_EQ(l.KeyAt(2, 0).Number(), 77);
    EXPECT_EQ(l.KeyAt(2, 0).PressCodes.Text(), "+A -A");
    EXPECT_TRUE(l.KeyAt(0, 1).PressCodes.IsEmpty()) << "a key without a column is ignored";
    ASSERT_EQ(layout.Groups.Count(), 2);
    EXPECT_EQ(layout.Groups.Items(1).Rect(), (TRect{1, 1, 2, 2}))
        << "the right edge is kept from the group before";
}

TEST_F(XMLLayoutTest, ReadingDoesNotEmptyTheLayoutFirst) {
    TLayout layout;
    Fill(layout);
    Load(
        layout,
        "<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"3\"/><Слои><Слой><Клавиши>"
        "<Клавиша Колонка=\"3\" Ряд=\"2\"><КодыНажатия СканКоды=\"+Z -Z\"/></Клавиша></Клавиши></Слой></Слои>"
        "</Раскладка>");
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(3, 2).PressCodes.Text(), "+Z -Z");
    EXPECT_EQ(layout.Layers.Items(0).KeyAt(0, 0).PressCodes.Text(), "+LShift +A -A -LShift")
        << "untouched keys stay";
    EXPECT_EQ(layout.Groups.Count(), 2);
}

TEST_F(XMLLayoutTest, LegacySequencesGetTheirReleases) {
    TLayout layout;
    Load(
        layout,
        "<Раскладка><Параметры Параметры=\"3\"/><Слои><Слой><Клавиши>"
        "<Клавиша Номер=\"1\" Колонка=\"0\" Ряд=\"0\"><КодыНажатия><СканКод "
        "Код=\"28\"/></КодыНажатия></Клавиша>"
        "<Клавиша Номер=\"2\" Колонка=\"1\" Ряд=\"0\"><КодыНажатия><СканКод Код=\"18\"/><СканКод Код=\"28\"/>"
        "<СканКод Код=\"107\" РасширенныйКод=\"224\"/><СканКод Код=\"153\"/></КодыНажатия></Клавиша>"
        "</Клавиши></Слой></Слои></Раскладка>");
    EXPECT_EQ(layout.KeyboardID, 4);
    const TLayer& l = layout.Layers.Items(0);
    EXPECT_EQ(l.KeyAt(0, 0).PressCodes.Text(), "+A -A");
    EXPECT_EQ(l.KeyAt(1, 0).PressCodes.Text(), "+LShift +A +Left 99 -LShift -A -Left");
    EXPECT_EQ(l.KeyAt(1, 0).Number(), 2);
}

TEST_F(XMLLayoutTest, Errors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<Раскладка Vesion=\"020A\"/>", "Неверный формат файла.\r\nНе найдены параметры раскладки."},
        {"<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"42\"/></Раскладка>",
         "Не найдено описание клавиатуры с идентификатором 42."},
        {"<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"x4\"/></Раскладка>",
         "'x4' не является целым числом"},
    };
    for (const auto& [xml, message] : cases) {
        TLayout layout;
        try {
            Load(layout, xml);
            FAIL() << xml;
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    TLayout layout;
    EXPECT_THROW(FXML.LoadFromString(layout, {}), Exception);
    std::string longText;
    for (int i = 0; i < 200; ++i)
        longText += "+LShift -LShift ";
    TLayout partly;
    try {
        Load(partly, "<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"4\"/><Слои><Слой><Клавиши>"
                     "<Клавиша Колонка=\"0\" Ряд=\"0\" Примечание=\"первая\"/>"
                     "<Клавиша Колонка=\"1\" Ряд=\"0\"><КодыНажатия СканКоды=\"" +
                         longText +
                         "\"/></Клавиша>"
                         "</Клавиши></Слой></Слои></Раскладка>");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Длина скан-кодов не может превышать 255 байт.");
    }
    EXPECT_EQ(partly.Layers.Items(0).KeyAt(0, 0).Text(), "первая")
        << "what was applied before the error stays";
}

TEST_F(XMLLayoutTest, FailedSaveKeepsTheOldFile) {
    const auto dir = std::filesystem::temp_directory_path() / "layomatic-xml-save";
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "layout.xml").string();
    TLayout layout;
    Fill(layout);
    FXML.SaveToFile(layout, file);
    EXPECT_FALSE(layout.Modified());
    EXPECT_EQ(layout.FileName, file);
    const std::string before = ReadFileBytes(file);

    layout.Layers.Items(0).KeyAt(0, 0).SetText("日本"); // not in the code page: the save must fail
    EXPECT_THROW(FXML.SaveToFile(layout, file), Exception);
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_TRUE(layout.Modified()) << "a failed save leaves the document modified";

    TLayout reopened;
    FXML.LoadFromFile(reopened, file);
    EXPECT_EQ(reopened.FileName, file);
    EXPECT_FALSE(reopened.Modified());
    std::filesystem::remove_all(dir);
}

TEST_F(XMLLayoutTest, Legacy13WriterAndReaderMeet) {
    TLayout layout;
    Fill(layout);
    layout.Layers.Items(0).KeyAt(3, 0).PressCodes.SetText("+Left -Left");
    TBytes bytes = FXML13.SaveToString(layout);
    const std::string text = Cp1251ToUtf8(std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(text.find("Vesion"), std::string::npos);
    EXPECT_EQ(text.find("Picture"), std::string::npos);
    EXPECT_EQ(text.find("LightIndication"), std::string::npos);
    EXPECT_NE(text.find("<Параметры Параметры=\"2\" STop=\"2\""), std::string::npos) << text;
    EXPECT_NE(text.find("<СканКод Номер=\"1\" Код=\"107\" РасширенныйКод=\"224\" Текст=\"Left\""),
              std::string::npos);

    TLayout reloaded;
    FXML.LoadFromString(reloaded, bytes);
    EXPECT_EQ(reloaded.KeyboardID, 3);
    const TKey& key = reloaded.Layers.Items(0).KeyAt(0, 0);
    EXPECT_EQ(key.PressCodes.Text(), "+LShift +A -LShift -A");
    EXPECT_EQ(key.ReleaseCodes.Text(), "+ENTER -ENTER") << "the raw byte is lost in the 1.3 form";
    EXPECT_EQ(key.Number(), 1);
    EXPECT_EQ(reloaded.Layers.Items(0).KeyAt(3, 0).Number(), 3) << "the 1.3 number is the place in the list";
    EXPECT_EQ(key.Picture.Text(), "");
    EXPECT_FALSE(reloaded.Layers.Items(0).MSR.LightIndication());
    EXPECT_EQ(reloaded.Layers.Items(1).KeyLock.Items(1).PositionType(), ptLayer2);
}
