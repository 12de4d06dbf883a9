#include "CliRun.h"

#include "files/FileUtils.h"
#include "model/Text.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lay;
using test::Contains;
using test::RunCli;

namespace {

using test::kCatalogue;
using test::kLayouts;

class LayoutCommands : public test::TCliTest {};

} // namespace

TEST_F(LayoutCommands, DumpShowsWhatTheFileHolds) {
    auto r = RunCli({"dump", kLayouts + "layout-210.xml", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, "Клавиатура: 5 «Терция 28» (Tertsiya-28), 8 × 4, слоёв 1, клавиш 28"))
        << r.Out;
    EXPECT_TRUE(Contains(r.Out, "Выделение: (2,3)-(2,4)"));
    EXPECT_TRUE(
        Contains(r.Out, "  Клавиша (1,2) №2: Макрос, повтор\n    нажатие: +A\n    отжатие: -A E0 12\n"));
    EXPECT_TRUE(Contains(r.Out, "Клавиша (1,3) №3: Временный переход на 2 cлой\n  Клавиша (2,4)"))
        << "a key of another type keeps no codes";
    EXPECT_TRUE(Contains(r.Out, "картинка: фон 00C0FFEE, текст «ИТОГ», шрифт Arial 12"));
    EXPECT_TRUE(Contains(r.Out, "Группа 1: (3,1)-(4,2)"));

    r = RunCli({"dump", kLayouts + "layout-13.xml", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, "Клавиатура: 1 «Кварта 60»"));
    EXPECT_TRUE(Contains(r.Out, "нажатие: +LShift +A -LShift -A"));
    EXPECT_TRUE(Contains(r.Out, "трек 1: включен, префикс +F1 -F1"));
    EXPECT_TRUE(Contains(r.Out, "2: Макрос, коды +ESC -ESC"));
}

TEST_F(LayoutCommands, CheckReportsAndSetsTheStatus) {
    auto r = RunCli({"check", kLayouts + "layout-209.xml", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "[Ошибка(1)] Слой 3. Клавиша (8,15). Коды нажатия. Код +ENTER: Нет отжатия.\n");

    r = RunCli({"check", kLayouts + "layout-13.xml", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "Ошибок нет.\n");
}

TEST_F(LayoutCommands, FindAcrossTheWholeLayoutOrTheSelection) {
    auto r = RunCli({"find", kLayouts + "layout-210.xml", "lctrl", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "[Поиск] Слой 1. Клавиша (2,4). Коды нажатия. Строка +LCTRL +C -C -LCTRL найдена.\n");

    r = RunCli({"find", kLayouts + "layout-210.xml", "+A", "--selection", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1) << "the stored selection (2,3)-(2,4) holds no +A";
    EXPECT_TRUE(Contains(r.Err, "не найдена"));

    r = RunCli({"find", kLayouts + "layout-210.xml", "+A", "--layer", "2", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 2);
    EXPECT_TRUE(Contains(r.Err, "В раскладке нет слоя 2"));
}

TEST_F(LayoutCommands, ReplaceWritesANewFile) {
    const std::string out = Temp("replaced.xml");
    auto r = RunCli(
        {"replace", kLayouts + "layout-210.xml", "+a -a", "+B -B", "-o", out, "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "[Замена] (+a -a->+B -B) Количество замен: 1\n");
    r = RunCli({"dump", out, "--catalogue", kCatalogue});
    EXPECT_TRUE(Contains(r.Out, "нажатие: +LShift +B -B -LShift"));
    EXPECT_TRUE(Contains(r.Out, "Выделение: (2,3)-(2,4)")) << "the selection is kept";

    r = RunCli({"replace", kLayouts + "layout-210.xml", "A", "B", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 2) << "no output file named";
}

TEST_F(LayoutCommands, ConvertToTheLegacyFormatAndBack) {
    const std::string legacy = Temp("legacy.xml");
    const std::string current = Temp("current.xml");
    auto r =
        RunCli({"convert", kLayouts + "layout-210.xml", legacy, "--to", "xml13", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_FALSE(Contains(Cp1251ToUtf8(ReadFileBytes(legacy)), "Vesion"));
    r = RunCli({"convert", legacy, current, "--to", "xml", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = RunCli({"dump", current, "--catalogue", kCatalogue});
    EXPECT_TRUE(Contains(r.Out, "Клавиатура: 5 «Терция 28»"));
    EXPECT_TRUE(Contains(r.Out, "нажатие: +LShift +A -LShift -A")) << "1.3 keeps presses only";
    EXPECT_FALSE(Contains(r.Out, "картинка")) << "1.3 has no pictures";

    r = RunCli({"convert", kLayouts + "layout-210.xml", current, "--to", "pdf", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 2);
    EXPECT_TRUE(Contains(r.Err, "Неизвестный формат «pdf»"));
}

TEST_F(LayoutCommands, ErrorsInTheSystemsWords) {
    auto r = RunCli({"dump", kLayouts + "layout-210.xml", "--catalogue", Temp("empty")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "Не найдено описание клавиатуры с идентификатором 5.")) << r.Err;

    r = RunCli({"dump", Temp("nothing.xml"), "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "nothing.xml")) << r.Err;

    const std::string broken = Temp("broken.xml");
    WriteFileAtomically(broken, "<?xml version=\"1.0\"?>\r\n<a>\r\n<b x=\"1\"\r\n");
    r = RunCli({"check", broken, "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "Ошибка в XML файле")) << r.Err;
}
