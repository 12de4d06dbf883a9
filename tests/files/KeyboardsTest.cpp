#include "tests/common/TempDir.h"

#include "files/ECXMLParser.h"
#include "files/Keyboards.h"
#include "files/XMLKeyboard.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace lay;

namespace {

const std::string kCatalogue = LAYOMATIC_TEST_DATA "/catalogue/";

std::string LoadError(const std::string& file) {
    TXMLKeyboard loader;
    TKeyboards list;
    try {
        loader.LoadKeyboard(list.Add(), kCatalogue + file);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

std::vector<std::string> Keys(const TKeyboard& keyboard) {
    std::vector<std::string> out;
    for (const TKeyDef& key : keyboard.KeyDefs)
        out.push_back(std::to_string(key.Left) + "," + std::to_string(key.Top) + "#" +
                      std::to_string(key.LogicalNumber));
    return out;
}

} // namespace

TEST(KeyboardDescription, EveryWayAFileIsRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"errors/wrong-root.xml", "Неверное имя корневого элемента."},
        {"errors/no-children.xml", "Отсутствуют описания клавиш."},
        {"errors/key-left-beyond-width.xml", "Неверные параметры положения кнопки."},
        {"errors/key-top-beyond-height.xml", "Неверные параметры положения кнопки."},
        {"errors/key-left-zero.xml", "Неверные параметры положения кнопки."},
        {"errors/key-top-negative.xml", "Неверные параметры положения кнопки."},
        {"errors/missing-layers.xml", "'' не является целым числом"},
        {"errors/width-not-a-number.xml", "'ten' не является целым числом"},
        {"errors/missing-keypos.xml", "'' не является целым числом"},
        {"errors/missing-track.xml", "'' не является целым числом"},
        {"errors/key-without-number.xml", "'' не является целым числом"},
        {"errors/broken-xml.xml", "Ошибка в XML файле, строка 4"},
    };
    for (const auto& [file, message] : cases)
        EXPECT_EQ(LoadError(file), message) << file;
}

TEST(KeyboardDescription, EdgesThatRead) {
    TXMLKeyboard loader;
    TKeyboards list;
    TKeyboard& k = list.Add();
    loader.LoadKeyboard(k, kCatalogue + "cases/edges.xml");
    EXPECT_EQ(k.ClassName, "Край");
    // The last column and row are inside; lower-case "key" is no key.
    EXPECT_EQ(Keys(k), (std::vector<std::string>{"1,1#1", "4,2#2"}));
    EXPECT_EQ(k.MaxKeysNum, 2);
    // No lock and no reader: their attributes are not even read.
    EXPECT_EQ(k.KeyPos, 0);
    EXPECT_EQ(k.Track1 + k.Track2 + k.Track3, 0);
    EXPECT_EQ(ParamsGroupsLines(k.ParamsGroups), (std::vector<std::string>{
                                                     "[Общие]",
                                                     "  Интерфейс: PS/2",
                                                     "  После: группы",
                                                     "  [Вложенная]",
                                                     "    Глубина: 1",
                                                     "    [Ещё глубже]",
                                                     "      Глубина: 2",
                                                     "[Пустая]",
                                                 }));

    TKeyboard& paramsOnly = list.Add();
    loader.LoadKeyboard(paramsOnly, kCatalogue + "cases/params-only.xml");
    EXPECT_EQ(paramsOnly.KeyCount(), 0);
    EXPECT_EQ(paramsOnly.MaxKeysNum, 0);
    TKeyboard& withSlots = list.Add();
    loader.LoadKeyboard(withSlots, kCatalogue + "cases/params-only-with-slots.xml");
    EXPECT_EQ(withSlots.MaxKeysNum, 16);

    // Flags keep the low byte of the number.
    TKeyboard& flags = list.Add();
    loader.LoadKeyboard(flags, kCatalogue + "cases/byte-flags.xml");
    EXPECT_EQ(flags.HasKey, 1);
    EXPECT_EQ(flags.KeyPos, 3);
    EXPECT_EQ(flags.HasReader, 0);
    EXPECT_EQ(flags.Track1, 0);
}

TEST(KeyboardCatalogue, AMixedFolderKeepsWhatReadsAndTellsWhatWasSkipped) {
    TXMLKeyboard loader;
    TKeyboards catalogue;
    catalogue.Add().ID = 1000; // whatever was there goes
    loader.LoadFromFolder(kCatalogue + "mixed", catalogue);
    std::vector<std::string> names;
    for (const TKeyboard& k : catalogue)
        names.push_back(k.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"First", "Second", "Upper"}));
    // Two entries with one identifier: both are there, lookups find the first.
    EXPECT_EQ(catalogue.ItemByID(7).Name, "First");
    EXPECT_EQ(loader.SkippedErrors(),
              (std::vector<std::string>{"Ошибка в файле b-wrong-root.xml: Неверное имя корневого элемента.",
                                        "Ошибка в файле d-broken.xml: Ошибка в XML файле, строка 2"}));
}

TEST(KeyboardCatalogue, FolderErrors) {
    TXMLKeyboard loader;
    TKeyboards catalogue;
    const std::string missing = kCatalogue + "no-such-folder";
    try {
        loader.LoadFromFolder(missing, catalogue);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Не удалось загрузить описания клавиатур:\r\nНе существует директория \"" + missing + "\"");
    }
    // A file is not a folder either.
    EXPECT_THROW(loader.LoadFromFolder(kCatalogue + "mixed/a-first.xml", catalogue), Exception);

    TTempDir empty;
    for (const std::string& folder : {empty.Path(), kCatalogue + "only-bad"}) {
        try {
            loader.LoadFromFolder(folder, catalogue);
            FAIL() << "no error";
        } catch (const Exception& e) {
            EXPECT_EQ(std::string(e.what()), "В папке " + folder + " не найдены описания клавиатур.");
        }
    }
    EXPECT_EQ(loader.SkippedErrors().size(), 1u);
    EXPECT_EQ(catalogue.Count(), 0);
}

TEST(KeyboardCatalogue, LookupsAndCopies) {
    TKeyboards catalogue;
    for (int id : {1, 2, 3}) {
        TKeyboard& k = catalogue.Add();
        k.ID = id;
        k.Model = id == 3 ? 5 : 4;
        k.Name = "k" + std::to_string(id);
        TKeyDef& key = k.KeyDefs.Add();
        key.Left = id;
        TParamsGroup& g = k.ParamsGroups.Add();
        g.Name = "g";
        g.Groups.Add().Params.Add().Value = "deep";
    }
    EXPECT_EQ(catalogue.FindByID(4), nullptr);
    try {
        catalogue.ItemByID(4);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Не найдено описание клавиатуры с идентификатором 4.");
    }

    TKeyboards byModel;
    byModel.Add();
    catalogue.GetByModel(4, byModel);
    ASSERT_EQ(byModel.Count(), 2);
    EXPECT_EQ(byModel[1].Name, "k2");
    // Copies are deep: changing the copy leaves the catalogue alone.
    byModel[1].ParamsGroups[0].Groups[0].Params[0].Value = "changed";
    byModel[1].KeyDefs[0].Left = 9;
    EXPECT_EQ(catalogue[1].ParamsGroups[0].Groups[0].Params[0].Value, "deep");
    EXPECT_EQ(catalogue[1].KeyDefs[0].Left, 2);
    catalogue.GetByModel(77, byModel);
    EXPECT_EQ(byModel.Count(), 0);

    // Clear keeps the identifier, class name and slot count, as loading relies on.
    TKeyboard& k = catalogue[0];
    k.ClassName = "c";
    k.MaxKeysNum = 64;
    k.HasKey = 1;
    k.Clear();
    EXPECT_EQ(k.ID, 1);
    EXPECT_EQ(k.ClassName, "c");
    EXPECT_EQ(k.MaxKeysNum, 64);
    EXPECT_EQ(k.HasKey, 0);
    EXPECT_EQ(k.Name, "");
    EXPECT_EQ(k.KeyCount(), 0);
    EXPECT_EQ(k.ParamsGroups.Count(), 0);

    // An entry moved to another list leaves the first one.
    catalogue[2].SetOwner(byModel);
    EXPECT_EQ(catalogue.Count(), 2);
    ASSERT_EQ(byModel.Count(), 1);
    EXPECT_EQ(byModel[0].Name, "k3");
    EXPECT_EQ(byModel[0].Owner(), &byModel);
}

// The catalogue that ships with the program: every feature a layout can have is in some model,
// and each description is written as the program itself writes XML.
TEST(ShippedCatalogue, CoversEveryKindOfModel) {
    const std::string folder = LAYOMATIC_DATA "/Клавиатуры";
    TXMLKeyboard loader;
    TKeyboards catalogue;
    loader.LoadFromFolder(folder, catalogue);
    EXPECT_TRUE(loader.SkippedErrors().empty());
    ASSERT_GE(catalogue.Count(), 5);
    EXPECT_NE(catalogue.FindByID(1), nullptr); // the default model of the settings

    std::set<int> ids, layers, positions, models;
    std::set<std::string> tracks;
    bool withReader = false, withoutReader = false, withLock = false, withoutLock = false, small = false,
         large = false, gaps = false, sharedModel = false, deepGroups = false;
    for (const TKeyboard& k : catalogue) {
        SCOPED_TRACE(k.Name);
        EXPECT_TRUE(ids.insert(k.ID).second);
        layers.insert(k.Layers);
        (k.HasReader ? withReader : withoutReader) = true;
        (k.HasKey ? withLock : withoutLock) = true;
        if (k.HasReader)
            tracks.insert(std::to_string(k.Track1) + std::to_string(k.Track2) + std::to_string(k.Track3));
        if (k.HasKey)
            positions.insert(k.KeyPos);
        (k.MaxKeysNum <= 64 ? small : large) = true;
        gaps |= k.KeyCount() < k.Width * k.Height;
        sharedModel |= !models.insert(k.Model).second;
        for (const std::string& line : ParamsGroupsLines(k.ParamsGroups))
            deepGroups |= line.rfind("    [", 0) == 0;
        EXPECT_FALSE(k.ClassName.empty());
        EXPECT_GE(k.Layers, 1);
        EXPECT_LE(k.Layers, 4);
        EXPECT_LE(k.KeyPos, 8);
        // One key per cell, one slot per key, every slot inside the image's table.
        std::set<std::pair<int, int>> cells;
        std::set<int> numbers;
        for (const TKeyDef& key : k.KeyDefs) {
            EXPECT_TRUE(cells.insert({key.Left, key.Top}).second) << key.Left << "," << key.Top;
            EXPECT_TRUE(numbers.insert(key.LogicalNumber).second) << key.LogicalNumber;
            EXPECT_GE(key.LogicalNumber, 1);
            EXPECT_LE(key.LogicalNumber, k.MaxKeysNum);
        }
        if (k.HasKey) {
            EXPECT_GE(k.KeyPos, 1);
        }
    }
    EXPECT_EQ(layers, (std::set<int>{1, 2, 4}));
    EXPECT_TRUE(withReader && withoutReader && withLock && withoutLock);
    EXPECT_GE(tracks.size(), 2u);
    EXPECT_GE(positions.size(), 2u);
    EXPECT_TRUE(small && large && gaps && sharedModel && deepGroups);

    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(folder))) {
        const std::string bytes = ReadBytes(entry.path().string());
        TECXMLParser parser;
        parser.LoadFromString(bytes);
        EXPECT_EQ(parser.SaveToString(), bytes) << entry.path();
    }
}
