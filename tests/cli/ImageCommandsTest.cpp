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

class ImageCommands : public test::TCliTest {};

} // namespace

TEST_F(ImageCommands, ConvertToEveryImageAndDumpIt) {
    const struct {
        const char* Format;
        const char* Header;
        const char* Keyboard;
    } cases[] = {
        {"bin210", "формат 522 (2.10)", "клавиатура: 5 (байт 5)"},
        {"bin29", "формат 521 (2.9)", "клавиатура: 5 (байт 5)"},
        {"bin28", "формат 520 (2.8)", "клавиатура: 5 (байт 4)"},
        {"bin13", "формат 256 (1.3)", "клавиатура: 5 (байт 4)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Format);
        const std::string image = Temp(std::string(c.Format) + ".bin");
        auto r = RunCli(
            {"convert", kLayouts + "layout-210.xml", image, "--to", c.Format, "--catalogue", kCatalogue});
        ASSERT_EQ(r.Status, 0) << r.Err;
        const std::string size = std::to_string(ReadFileBytes(image).size());
        r = RunCli({"dump", image, "--catalogue", kCatalogue});
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_TRUE(Contains(r.Out, "Образ: " + size + " байт")) << r.Out;
        EXPECT_TRUE(Contains(r.Out, c.Header)) << r.Out;
        EXPECT_TRUE(Contains(r.Out, "размер по заголовку: " + size + " байт\n")) << r.Out;
        EXPECT_TRUE(Contains(r.Out, "групп: 1\n    группа 1: (3,1)-(4,2)\n")) << r.Out;
        EXPECT_TRUE(Contains(r.Out, c.Keyboard)) << r.Out;
        EXPECT_LT(r.Out.find(c.Keyboard), r.Out.find("Клавиатура: 5 «Терция 28»"))
            << "the header comes first";
        EXPECT_TRUE(Contains(r.Out, "Клавиша (1,3) №3: Временный переход на 2 cлой")) << r.Out;
        if (std::string(c.Format) == "bin13") {
            EXPECT_TRUE(Contains(r.Out, "контрольной суммы нет\n"));
            EXPECT_FALSE(Contains(r.Out, "версия:"));
            EXPECT_TRUE(Contains(r.Out, "нажатие: +LShift +A -LShift -A")) << "releases rebuilt";
        } else {
            EXPECT_TRUE(Contains(r.Out, ", совпадает\n")) << r.Out;
            EXPECT_TRUE(Contains(r.Out, "версия: 2.10\n"));
            EXPECT_TRUE(Contains(r.Out, "нажатие: +LShift +A -A -LShift"));
            EXPECT_TRUE(Contains(r.Out, "ноты: C1;4;10;P;2;0"));
        }
    }
}

TEST_F(ImageCommands, AnImageConvertsBackToXML) {
    const std::string image = Temp("layout.bin");
    const std::string xml = Temp("back.xml");
    ASSERT_EQ(
        RunCli({"convert", kLayouts + "layout-209.xml", image, "--to", "bin210", "--catalogue", kCatalogue})
            .Status,
        0);
    auto r = RunCli({"convert", image, xml, "--to", "xml", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = RunCli({"dump", xml, "--catalogue", kCatalogue});
    EXPECT_TRUE(Contains(r.Out, "Клавиатура: 4 «Октава 120»")) << r.Out;
    EXPECT_TRUE(Contains(r.Out, "Клавиша (8,15) №120: Макрос\n    нажатие: +ENTER"))
        << "the key's note is not in an image";
    EXPECT_TRUE(Contains(r.Out, "1: Макрос, блокировка, коды +ESC -ESC"));
}

TEST_F(ImageCommands, DamagedAndRefusedImages) {
    const std::string image = Temp("layout.bin");
    ASSERT_EQ(
        RunCli({"convert", kLayouts + "layout-210.xml", image, "--to", "bin210", "--catalogue", kCatalogue})
            .Status,
        0);
    std::string bytes = ReadFileBytes(image);

    // The reader does not check the sum; dump shows that it is wrong and the layout all the same.
    // Key 1's record: flags, «+LShift +A -A -LShift» in 1 + 6 bytes, no release, 2 notes, and
    // the first note's duration.
    const std::size_t record = static_cast<std::uint8_t>(bytes[4]) | static_cast<std::uint8_t>(bytes[5]) << 8;
    std::string changed = bytes;
    changed[record + 11] = 5;
    WriteFileAtomically(image, changed);
    auto r = RunCli({"dump", image, "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Contains(r.Out, ", не совпадает (по данным ")) << r.Out;
    EXPECT_TRUE(Contains(r.Out, "ноты: C1;5;10;P;2;0")) << r.Out;

    WriteFileAtomically(image, bytes.substr(0, bytes.size() / 2));
    r = RunCli({"dump", image, "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "Ошибка чтения потока")) << r.Err;

    // A model with more than 64 key slots has no 1.3 image.
    const std::string big = Temp("big.xml");
    WriteFileAtomically(big,
                        Utf8ToCp1251("<Раскладка Vesion=\"020A\"><Параметры KeyboardID=\"3\"/></Раскладка>"));
    r = RunCli({"convert", big, Temp("big.bin"), "--to", "bin13", "--catalogue", kCatalogue});
    EXPECT_EQ(r.Status, 1);
    EXPECT_TRUE(Contains(r.Err, "Формат 1.3 не поддерживает клавиатуры сколичеством клавиш большим 64"))
        << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Temp("big.bin")));
}
