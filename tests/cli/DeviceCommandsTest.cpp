#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "CliRun.h"
#include "device/DeviceUser.h"
#include "device/KeyboardManager.h"
#include "driver/sim/Firmware.h"
#include "files/FormatRegistry.h"
#include "model/Layout.h"
#include "tests/device/TcpEmulator.h"

namespace lay::test {
namespace {

class TNobody : public TDeviceUser {
public:
    bool Confirm(const std::string&) override { return false; }
    void Warning(const std::string&) override {}
};

std::string ReadText(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder with a layout file of a catalogue model and a state file for the simulated keyboard.
class TDeviceCliFixture : public ::testing::Test {
protected:
    TDeviceCliFixture() {
        // Questions are asked on a terminal when there is one; these tests are about there being none.
        EXPECT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
        std::random_device seed;
        Dir = std::filesystem::temp_directory_path() / ("layomatic-cli-device-" + std::to_string(seed()));
        std::filesystem::create_directories(Dir);
    }
    ~TDeviceCliFixture() override {
        std::error_code ignored;
        std::filesystem::remove_all(Dir, ignored);
    }

    std::string Path(const std::string& name) const { return (Dir / name).string(); }

    // Saves a layout of the model as XML and returns the 2.10 image it makes.
    TBytes MakeLayout(const std::string& name, int modelID) {
        TNobody nobody;
        TManagerSetup setup;
        setup.SettingsFile = Path("unused.ini");
        setup.CatalogueFolder = Catalogue;
        TKeyboardManager manager(nobody, setup);
        TLayout layout;
        manager.SetLayoutKeyboard(layout, modelID);
        TLayer& layer = layout.Layers.Items(0);
        layer.Keys.Items(0).PressCodes.SetText("+LShift +A -A -LShift");
        layer.Keys.Items(5).PressCodes.SetText("+ENTER -ENTER");
        layer.Keys.Items(5).Notes.SetText("C1;4;10");
        manager.SaveLayout(layout, sfXML, Path(name));
        return manager.SaveFormats().Count() > sfBin210 ? manager.DeviceFormat().SaveToString(layout)
                                                        : TBytes{};
    }

    TCliResult Device(std::vector<std::string> words) {
        words.push_back("--simulator=" + Path("keyboard.state"));
        words.push_back("--catalogue");
        words.push_back(Catalogue);
        return RunCli(words);
    }

    std::filesystem::path Dir;
    const std::string Catalogue = std::string(LAYOMATIC_DATA) + "/Клавиатуры";
};

TEST_F(TDeviceCliFixture, LayoutWrittenIntoTheSimulatorIsReadBackEqual) {
    const TBytes image = MakeLayout("layout.xml", 1);
    if (image.empty())
        GTEST_SKIP() << "the image formats are not in the save registry yet";
    const TCliResult write = Device({"write", Path("layout.xml"), "--sim-model", "1"});
    ASSERT_EQ(write.Status, 0) << write.Err;
    EXPECT_TRUE(Contains(write.Err, "Запись раскладки")) << write.Err;
    EXPECT_TRUE(Contains(write.Err, "выполнено 100 %")) << write.Err;

    // A later run finds the layout still in the keyboard.
    const TCliResult status = Device({"status", "--sim-model", "1"});
    ASSERT_EQ(status.Status, 0) << status.Err;
    EXPECT_EQ(status.Out, "Состояние: 21h\nПрограмма: исправна\nРежим: 0 (работа)\nРаскладка: работает\n");

    const TCliResult read = Device({"read", Path("back.bin"), "--sim-model", "1"});
    ASSERT_EQ(read.Status, 0) << read.Err;
    const std::string back = ReadText(Path("back.bin"));
    EXPECT_EQ(TBytes(back.begin(), back.end()), image);

    ASSERT_EQ(Device({"read", Path("back.xml"), "--to", "xml"}).Status, 0);
    EXPECT_TRUE(Contains(ReadText(Path("back.xml")), "<?xml"));
    EXPECT_EQ(Device({"read", Path("back.x"), "--to", "nonsense"}).Status, 2);

    const TCliResult info = Device({"info", "--sim-model", "1"});
    ASSERT_EQ(info.Status, 0) << info.Err;
    EXPECT_TRUE(Contains(info.Out, "Версия программы: 2.10\nВерсия загрузчика: 2.9\n")) << info.Out;
    EXPECT_TRUE(Contains(info.Out, "Тип устройства: Кварта 60\n")) << info.Out;
    EXPECT_TRUE(Contains(info.Out, "Замыкания в матрице клавиатуры: нет\n")) << info.Out;
    EXPECT_TRUE(Contains(info.Out, "Загруженная раскладка работает нормально.")) << info.Out;
}

TEST_F(TDeviceCliFixture, QuestionsAreRefusedWithoutATerminalUnlessYes) {
    MakeLayout("sekstant.xml", 3);
    const TCliResult refused = Device({"write", Path("sekstant.xml"), "--sim-model", "1"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_TRUE(Contains(refused.Err, "в клавиатуру другой модели Кварта 60. Продолжить ?")) << refused.Err;
    EXPECT_TRUE(Contains(refused.Err, "--yes")) << refused.Err;
    EXPECT_FALSE(Contains(refused.Err, "Запись раскладки\n")) << refused.Err;

    const TCliResult agreed = Device({"write", Path("sekstant.xml"), "--sim-model", "1", "--yes"});
    if (agreed.Status != 0 && Contains(agreed.Err, "Индекс списка"))
        GTEST_SKIP() << "the image formats are not in the save registry yet";
    EXPECT_EQ(agreed.Status, 0) << agreed.Err;
}

TEST_F(TDeviceCliFixture, FailuresEndWithTheSystemsMessage) {
    MakeLayout("layout.xml", 1);
    const TCliResult damaged = Device({"write", Path("layout.xml"), "--sim-firmware", "damaged", "--yes"});
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_TRUE(Contains(damaged.Err, "Программа клавиатуры повреждена.")) << damaged.Err;
    const TCliResult status = Device({"status"});
    EXPECT_EQ(status.Status, 0);
    EXPECT_TRUE(Contains(status.Out, "Программа: повреждена")) << status.Out;

    const TCliResult badVersion = Device({"status", "--sim-firmware", "два"});
    EXPECT_EQ(badVersion.Status, 1);
    EXPECT_TRUE(Contains(badVersion.Err, "Неверная версия программы клавиатуры")) << badVersion.Err;

    const TCliResult unknownModel = Device({"status", "--sim-model", "77"});
    EXPECT_EQ(unknownModel.Status, 1);
    EXPECT_TRUE(Contains(unknownModel.Err, "Не найдено описание клавиатуры с идентификатором 77."))
        << unknownModel.Err;

    if (!std::filesystem::exists("/dev/zorvatek")) {
        const TCliResult noDriver = RunCli({"status"});
        EXPECT_EQ(noDriver.Status, 1);
        EXPECT_EQ(noDriver.Err, "Драйвер для доступа к клавиатуре не установлен\n");
    }
}

TEST_F(TDeviceCliFixture, CommandLineMistakes) {
    const std::vector<std::vector<std::string>> cases = {
        {"mode", "fast", "--simulator"}, {"mode", "--simulator"},
        {"status", "--sim-model", "1"},  {"status", "--simulator=tcp:127.0.0.1:http"},
        {"write", "--simulator"},        {"status", "--to", "xml", "--simulator"},
    };
    for (const auto& words : cases)
        EXPECT_EQ(RunCli(words).Status, 2) << words[0] << " " << words[1];
}

TEST_F(TDeviceCliFixture, ModeMemoryNotesAndDevices) {
    ASSERT_EQ(Device({"mode", "loader"}).Status, 0);
    EXPECT_TRUE(Contains(Device({"status"}).Out, "Режим: 2 (загрузчик)"));
    ASSERT_EQ(Device({"mode", "work"}).Status, 0);
    EXPECT_TRUE(Contains(Device({"status"}).Out, "Режим: 0 (работа)"));

    std::string image(1000, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 13);
    // A header that makes the keyboard read back exactly 1000 bytes: H = 16, format 2.10, size.
    image[0] = 16;
    image[1] = 0;
    image[16] = 0x0A;
    image[17] = 0x02;
    image[20] = static_cast<char>(1000 & 0xFF);
    image[21] = static_cast<char>(1000 >> 8);
    std::ofstream(Path("in.bin"), std::ios::binary) << image;
    const TCliResult write = Device({"write-memory", Path("in.bin")});
    ASSERT_EQ(write.Status, 0) << write.Err;
    EXPECT_TRUE(Contains(write.Err, "Запись файла раскладки")) << write.Err;
    ASSERT_EQ(Device({"read-memory", Path("out.bin")}).Status, 0);
    EXPECT_EQ(ReadText(Path("out.bin")), image);

    EXPECT_EQ(Device({"play", "C1;4;10;P;2;0"}).Status, 0);
    const TCliResult badNotes = Device({"play", "C1;x;10"});
    EXPECT_EQ(badNotes.Status, 1);

    const TCliResult devices = Device({"devices"});
    EXPECT_EQ(devices.Status, 0);
    EXPECT_EQ(devices.Out, "* PS/2 клавиатура\n");
}

TEST_F(TDeviceCliFixture, ProgramFileOverTheLimitOnlyWarns) {
    std::ofstream(Path("Kvarta-60_big.prg"), std::ios::binary) << std::string(66561, 'x');
    const TCliResult result = Device({"write-program", Path("Kvarta-60_big.prg"), "--sim-model", "1"});
    EXPECT_EQ(result.Status, 0);
    EXPECT_TRUE(Contains(result.Err, "не может превышать 65 килобайт!")) << result.Err;
}

TEST_F(TDeviceCliFixture, KeyboardEmulatorOverTcp) {
    sim::TFirmware firmware{sim::TFirmwareOptions{}};
    TTcpEmulator emulator([&](const TBytes& frame) { return firmware.OnFrame(frame); });
    const TCliResult status =
        RunCli({"status", "--simulator=tcp:127.0.0.1:" + std::to_string(emulator.Port())});
    ASSERT_EQ(status.Status, 0) << status.Err;
    EXPECT_TRUE(Contains(status.Out, "Состояние: 01h")) << status.Out;
    EXPECT_EQ(emulator.Requests().size(), 1u);
}

TEST_F(TDeviceCliFixture, InterruptCancelsAWriteAfterTheBlockInHand) {
    sim::TFirmware firmware{sim::TFirmwareOptions{}};
    firmware.SetMode(2);
    int writes = 0;
    TTcpEmulator emulator([&](const TBytes& frame) {
        if (frame.size() > 2 && frame[2] == sim::TFirmware::cmWriteMemory && ++writes == 3)
            std::raise(SIGINT); // as Ctrl+C would, while the third write is under way
        return firmware.OnFrame(frame);
    });
    std::ofstream(Path("in.bin"), std::ios::binary) << std::string(2000, '\x5A');
    const TCliResult result = RunCli(
        {"write-memory", Path("in.bin"), "--simulator=tcp:127.0.0.1:" + std::to_string(emulator.Port())});
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_TRUE(Contains(result.Err, "прервано")) << result.Err;
    // Cancelled after the second block: its two writes, no header block, back in work mode.
    EXPECT_EQ(writes, 4);
    EXPECT_EQ(firmware.Mode(), 0);
    EXPECT_TRUE(std::all_of(firmware.Memory().begin(), firmware.Memory().begin() + 256,
                            [](auto b) { return b == 0; }));
    EXPECT_EQ(firmware.Memory()[256], 0x5A);
    EXPECT_EQ(firmware.Memory()[512], 0);
}

} // namespace
} // namespace lay::test
