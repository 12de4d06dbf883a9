#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "DeviceFakes.h"
#include "device/DeviceInfo.h"
#include "device/KeyboardManager.h"
#include "device/KeyboardSimulator.h"
#include "device/PortPS2.h"
#include "files/FormatRegistry.h"
#include "model/Errors.h"
#include "model/Layout.h"
#include "tests/common/TempDir.h"

namespace lay::test {
namespace {

using sim::TFirmware;

using TTempFolder = TTempDir;

void WriteFile(const std::string& name, const TBytes& bytes) {
    std::filesystem::create_directories(std::filesystem::path(name).parent_path());
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TBytes ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TBytes Pattern(std::size_t size) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 251 + 1);
    return bytes;
}

struct TWrite {
    std::uint16_t Address;
    TBytes Data;
    bool operator==(const TWrite&) const = default;
};

// A keyboard manager on the real catalogue, talking to a simulated keyboard through the whole
// stack: protocol, PS/2 port, driver core, i8042, keyboard, firmware.
class TManagerFixture : public ::testing::Test {
protected:
    void Start(int modelID = 1, const std::string& firmware = {}, const std::string& stateFile = {}) {
        TManagerSetup setup;
        setup.ProgramFolder = Dir.Path();
        setup.SettingsFile = Dir / "layomatic.ini";
        setup.CatalogueFolder = std::string(LAYOMATIC_DATA) + "/Клавиатуры";
        setup.FirmwareFolder = Dir / "Прошивки";
        Manager = std::make_unique<TKeyboardManager>(User, setup);
        ASSERT_GT(Manager->Keyboards().Count(), 0);
        Sim =
            std::make_unique<TKeyboardSimulator>(Manager->Keyboards().ItemByID(modelID), firmware, stateFile);
        Sim->Connect(*Manager);
    }

    bool ImageFormatsRegistered() const { return Manager->SaveFormats().Count() > sfBin29; }

    TFirmware& Fw() { return Sim->Firmware(); }

    // The memory writes the keyboard received since the given frame.
    std::vector<TWrite> Writes(std::size_t fromFrame = 0) {
        std::vector<TWrite> writes;
        const auto& frames = Fw().Frames();
        for (std::size_t i = fromFrame; i < frames.size(); ++i) {
            const TBytes& f = frames[i];
            if (f.size() > 5 && f[2] == TFirmware::cmWriteMemory)
                writes.push_back(
                    {static_cast<std::uint16_t>(f[3] | (f[4] << 8)), TBytes(f.begin() + 5, f.end() - 1)});
        }
        return writes;
    }
    int Reads(std::size_t fromFrame = 0) {
        int reads = 0;
        const auto& frames = Fw().Frames();
        for (std::size_t i = fromFrame; i < frames.size(); ++i)
            reads += frames[i].size() == 7 && frames[i][2] == TFirmware::cmReadMemory && frames[i][5] == 128;
        return reads;
    }

    // Puts an image header in the keyboard's memory: H at 0, the format at H, the size after it.
    void PutImageHeader(std::uint16_t h, std::uint16_t format, std::uint16_t size) {
        auto& m = Fw().Memory();
        m[0] = static_cast<std::uint8_t>(h);
        m[1] = static_cast<std::uint8_t>(h >> 8);
        m[h] = static_cast<std::uint8_t>(format);
        m[h + 1] = static_cast<std::uint8_t>(format >> 8);
        const std::size_t at = h + (format < 0x208 ? 2 : 4);
        m[at] = static_cast<std::uint8_t>(size);
        m[at + 1] = static_cast<std::uint8_t>(size >> 8);
    }

    // A layout of the model with something in every key of every layer.
    void FillLayout(TLayout& layout, int modelID) {
        Manager->SetLayoutKeyboard(layout, modelID);
        for (int l = 0; l < layout.LayerCount(); ++l) {
            TLayer& layer = layout.Layers.Items(l);
            for (int k = 0; k < layer.Keys.Count(); ++k) {
                TKey& key = layer.Keys.Items(k);
                key.PressCodes.SetText(k % 2 ? "+LShift +A -A -LShift" : "+ENTER -ENTER 1F");
                key.ReleaseCodes.SetText(k % 2 ? "" : "+Left -Left");
                key.Notes.SetText("C1;4;10;P;2;0");
                key.SetRepeatKey(k % 3 == 0);
            }
        }
    }

    std::uint16_t HeaderFormat() {
        const auto& m = Fw().Memory();
        const std::size_t h = m[0] | (m[1] << 8);
        return static_cast<std::uint16_t>(m[h] | (m[h + 1] << 8));
    }

    TTempFolder Dir;
    TScriptUser User;
    std::unique_ptr<TKeyboardManager> Manager;
    std::unique_ptr<TKeyboardSimulator> Sim;
};

TEST_F(TManagerFixture, ImageOf300BytesGoesInTwoBlocksWithItsHeaderBlockLast) {
    Start();
    const TBytes image = Pattern(300);
    WriteFile(Dir / "image.bin", image);
    Manager->WriteMemoryFromFile(Dir / "image.bin");

    TBytes tail(image.begin() + 256, image.end());
    tail.resize(128, 0);
    const std::vector<TWrite> expected = {
        {0, TBytes(128, 0)},
        {128, TBytes(128, 0)},
        {256, tail},
        {384, TBytes(128, 0)},
        {0, TBytes(image.begin(), image.begin() + 128)},
        {128, TBytes(image.begin() + 128, image.begin() + 256)},
    };
    EXPECT_EQ(Writes(), expected);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), Fw().Memory().begin()));
    EXPECT_EQ(Fw().Mode(), 0);
    EXPECT_EQ(Manager->LastFile, Dir / "image.bin");
    EXPECT_EQ(Manager->LastDir, (std::filesystem::path(Dir.Path()) / "").string());
}

TEST_F(TManagerFixture, ImageOfExactly256BytesTakesTwoBlocks) {
    Start();
    const TBytes image = Pattern(256);
    WriteFile(Dir / "image.bin", image);
    std::vector<std::pair<int, int>> steps;
    Manager->Progress().OnProgress = [&](TProgress& p) { steps.emplace_back(p.State, p.Position); };
    Manager->WriteMemoryFromFile(Dir / "image.bin");
    std::vector<std::uint16_t> addresses;
    for (const TWrite& w : Writes())
        addresses.push_back(w.Address);
    EXPECT_EQ(addresses, (std::vector<std::uint16_t>{0, 128, 256, 384, 0, 128}));
    EXPECT_EQ(steps,
              (std::vector<std::pair<int, int>>{{psStarted, 0}, {psStep, 1}, {psStep, 2}, {psFinished, 2}}));
    EXPECT_EQ(Manager->Progress().Caption, "Запись файла раскладки");
}

TEST_F(TManagerFixture, ReadingTakesBlocksBySizeRoundedHalfToEven) {
    Start();
    const struct {
        std::uint16_t Format;
        std::uint16_t Size;
        int Blocks;
    } cases[] = {{0x20A, 384, 4}, {0x20A, 512, 4}, {0x20A, 300, 3}, {0x100, 640, 6}, {0x20A, 0, 0}};
    for (const auto& c : cases) {
        PutImageHeader(0x40, c.Format, c.Size);
        const std::size_t from = Fw().Frames().size();
        Manager->ReadMemoryToFile(Dir / "memory.bin");
        EXPECT_EQ(Reads(from), c.Blocks) << c.Size;
        const TBytes file = ReadFile(Dir / "memory.bin");
        ASSERT_EQ(file.size(), c.Size);
        EXPECT_TRUE(std::equal(file.begin(), file.end(), Fw().Memory().begin()));
    }
    EXPECT_EQ(Manager->Progress().Caption, "Чтение раскладки");
    EXPECT_EQ(Manager->Progress().State, psFinished);
}

TEST_F(TManagerFixture, CancelledReadRaisesSilentlyAndKeepsTheOldFile) {
    Start();
    PutImageHeader(0x40, 0x20A, 1000);
    WriteFile(Dir / "memory.bin", {'o', 'l', 'd'});
    Manager->Progress().OnProgress = [](TProgress& p) {
        if (p.State == psStep && p.Position == 2)
            p.Cancel();
    };
    EXPECT_THROW(Manager->ReadMemoryToFile(Dir / "memory.bin"), EAbort);
    EXPECT_EQ(ReadFile(Dir / "memory.bin"), (TBytes{'o', 'l', 'd'}));
    EXPECT_EQ(Reads(), 2);
    EXPECT_EQ(Manager->Progress().State, psFinished);

    EXPECT_THROW(Manager->ReadMemoryToFile(Dir / "new.bin"), EAbort);
    EXPECT_FALSE(std::filesystem::exists(Dir / "new.bin"));
}

TEST_F(TManagerFixture, FailedReadKeepsTheOldFile) {
    Start();
    PutImageHeader(0x40, 0x20A, 1000);
    WriteFile(Dir / "memory.bin", {'o', 'l', 'd'});
    Manager->Progress().OnProgress = [this](TProgress& p) {
        if (p.State == psStep && p.Position == 2)
            Sim->Driver().Keyboard().SetMute(true); // the cable comes loose
    };
    try {
        Manager->ReadMemoryToFile(Dir / "memory.bin");
        FAIL() << "read";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Нет связи");
    }
    EXPECT_EQ(ReadFile(Dir / "memory.bin"), (TBytes{'o', 'l', 'd'}));
}

TEST_F(TManagerFixture, CancelledWriteLeavesTheHeaderBlockZeroedAndReturnsToWorkMode) {
    Start();
    const TBytes image = Pattern(1000);
    std::fill(Fw().Memory().begin(), Fw().Memory().begin() + 256, 0xEE);
    WriteFile(Dir / "image.bin", image);
    Manager->Progress().OnProgress = [](TProgress& p) {
        if (p.State == psStep && p.Position == 2)
            p.Cancel();
    };
    EXPECT_NO_THROW(Manager->WriteMemoryFromFile(Dir / "image.bin"));
    EXPECT_EQ(Writes().size(), 4u);
    EXPECT_TRUE(
        std::all_of(Fw().Memory().begin(), Fw().Memory().begin() + 256, [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::equal(image.begin() + 256, image.begin() + 512, Fw().Memory().begin() + 256));
    EXPECT_EQ(Fw().Mode(), 0);
    EXPECT_EQ(Manager->Progress().State, psFinished);
}

TEST_F(TManagerFixture, FilesOverTheLimitBringOnlyTheWarning) {
    Start();
    TBytes program = TFirmware::MakeProgram(2, 10, Pattern(200));
    program.resize(66561, 0);
    WriteFile(Dir / "Kvarta-60_big.prg", program);
    Manager->WriteProgramFromFile(Dir / "Kvarta-60_big.prg");
    WriteFile(Dir / "big.bin", program);
    Manager->WriteMemoryFromFile(Dir / "big.bin");
    EXPECT_EQ(User.Warnings, (std::vector<std::string>(2, SProgramTooLarge)));
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Fw().Mode(), 0);

    program.resize(66560);
    WriteFile(Dir / "Kvarta-60_big.prg", program);
    Manager->WriteProgramFromFile(Dir / "Kvarta-60_big.prg");
    EXPECT_EQ(User.Warnings.size(), 2u);
    EXPECT_EQ(Writes().size(), 260u * 2 + 2);
    EXPECT_TRUE(User.Questions.empty());
    EXPECT_EQ(Fw().Mode(), 0);
    EXPECT_TRUE(Fw().Options().ProgramValid);
}

TEST_F(TManagerFixture, ProgramFileNamedForAnotherModelIsQuestioned) {
    Start();
    const TBytes program = TFirmware::MakeProgram(2, 9, Pattern(500));
    WriteFile(Dir / "Kvarta-60_v2.8.bin", program);
    Manager->WriteProgramFromFile(Dir / "Kvarta-60_v2.8.bin");
    EXPECT_TRUE(User.Questions.empty());
    EXPECT_EQ(Fw().Options().ProgramMinor, 9);
    EXPECT_EQ(Manager->Progress().Caption, "Запись файла программы");

    // Without "_" the whole name, extension and all, is the prefix.
    WriteFile(Dir / "Kvarta-60.prg", program);
    User.Answers = {false};
    const std::size_t from = Fw().Frames().size();
    EXPECT_THROW(Manager->WriteProgramFromFile(Dir / "Kvarta-60.prg"), EAbort);
    ASSERT_EQ(User.Questions.size(), 1u);
    EXPECT_EQ(User.Questions[0], "Вы хотите записать в клавиатуру Kvarta-60 программу,\r\nпредназначенную "
                                 "для клавиатуры Kvarta-60.prg.\r\nЭто "
                                 "может привести к ее неправильной работе.\r\nПродолжить ?");
    EXPECT_TRUE(Writes(from).empty());
    EXPECT_EQ(Fw().Mode(), 0);
}

TEST_F(TManagerFixture, DamagedProgramStopsTheLayoutAtTheFirstDeviceStep) {
    Start(1, "damaged");
    TLayout layout;
    FillLayout(layout, 1);
    try {
        Manager->WriteLayout(layout);
        FAIL() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), SProgramDamaged);
    }
    EXPECT_EQ(Fw().Frames().size(), 1u); // one status command
    EXPECT_TRUE(User.Questions.empty());
}

TEST_F(TManagerFixture, DamagedProgramIsWrittenAgainFromTheLoader) {
    Start(1, "damaged");
    WriteFile(Dir / "Kvarta-60_v2.8.bin", TFirmware::MakeProgram(2, 10, Pattern(700)));
    Manager->WriteProgramFromFile(Dir / "Kvarta-60_v2.8.bin");
    TKeyboardStatus status;
    Manager->Driver().GetStatus(status);
    EXPECT_TRUE(status.ProgramValid);
    EXPECT_EQ(status.Mode, 0);
}

TEST_F(TManagerFixture, BrokenProgramFileLeavesADamagedKeyboard) {
    Start();
    TBytes program = TFirmware::MakeProgram(2, 10, Pattern(700));
    program[300] ^= 0xFF;
    WriteFile(Dir / "Kvarta-60_v2.8.bin", program);
    try {
        Manager->WriteProgramFromFile(Dir / "Kvarta-60_v2.8.bin");
        FAIL() << "written";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), SProgramDamaged);
    }
    EXPECT_FALSE(Fw().Options().ProgramValid);
}

TEST_F(TManagerFixture, OldFirmwareAsksBothQuestions) {
    Start(1, "2.7");
    if (!ImageFormatsRegistered())
        GTEST_SKIP() << "the image formats are not in the save registry yet";
    TLayout layout;
    FillLayout(layout, 1);
    User.Answers = {false, false};
    EXPECT_THROW(Manager->WriteLayout(layout), EAbort);
    EXPECT_EQ(User.Questions, (std::vector<std::string>{SUpdateQuestion, SEarlyVersionQuestion}));
    EXPECT_TRUE(Writes().empty());

    // Yes to both: the new program goes in first, then the layout in the image it calls for.
    WriteFile(Dir / "Прошивки/Kvarta-60_v2.8.bin", TFirmware::MakeProgram(2, 8, Pattern(900)));
    User.Questions.clear();
    User.Answers = {true, true};
    Manager->WriteLayout(layout);
    EXPECT_EQ(User.Questions, (std::vector<std::string>{SUpdateQuestion, SEarlyVersionQuestion}));
    EXPECT_EQ(Fw().Options().ProgramMinor, 8);
    EXPECT_EQ(HeaderFormat(), 520);
    TKeyboardStatus status;
    Manager->Driver().ReadStatus(status);
    EXPECT_TRUE(status.LayoutValid);
    EXPECT_EQ(status.Mode, 0);
}

TEST_F(TManagerFixture, OldFirmwareThatStaysOldGetsThe13Image) {
    Start(1, "2.7");
    if (!ImageFormatsRegistered())
        GTEST_SKIP() << "the image formats are not in the save registry yet";
    WriteFile(Dir / "Прошивки/Kvarta-60_v2.8.bin", TFirmware::MakeProgram(2, 7, Pattern(100)));
    TLayout layout;
    FillLayout(layout, 1);
    Manager->WriteLayout(layout);
    EXPECT_EQ(HeaderFormat(), 256);
    EXPECT_TRUE(Fw().LayoutValid());
}

TEST_F(TManagerFixture, ImageFormatFollowsTheProgramsMinorVersion) {
    const struct {
        const char* Firmware;
        std::uint16_t Format;
    } cases[] = {{"2.8", 520}, {"2.9", 521}, {"2.10", 522}, {"2.11", 256}, {"3.10", 522}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Firmware);
        Start(1, c.Firmware);
        if (!ImageFormatsRegistered())
            GTEST_SKIP() << "the image formats are not in the save registry yet";
        TLayout layout;
        FillLayout(layout, 1);
        Manager->WriteLayout(layout);
        EXPECT_EQ(HeaderFormat(), c.Format);
        EXPECT_TRUE(Fw().LayoutValid());
        EXPECT_EQ(Fw().Mode(), 0);
        EXPECT_TRUE(User.Questions.empty());
    }
}

TEST_F(TManagerFixture, LayoutForAnotherModelIsQuestioned) {
    Start(1);
    TLayout layout;
    FillLayout(layout, 3);
    User.Answers = {false};
    EXPECT_THROW(Manager->WriteLayout(layout), EAbort);
    EXPECT_EQ(User.Questions,
              (std::vector<std::string>{"Вы хотите записать раскладку для клавиатуры Секстант 84\r\nв "
                                        "клавиатуру другой модели Кварта 60. Продолжить ?"}));
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(Fw().Mode(), 0);
}

TEST_F(TManagerFixture, LayoutWithWrongCodesReportsAndAsks) {
    Start(1);
    TLayout layout;
    FillLayout(layout, 1);
    layout.Layers.Items(0).Keys.Items(0).PressCodes.SetText("+A");
    std::vector<std::string> events;
    Manager->OnClearMessages = [&](TKeyboardManager&) { events.push_back("clear"); };
    Manager->OnShowMessages = [&](TKeyboardManager&) { events.push_back("show"); };
    Manager->OnMessage = [&](TKeyboardManager&, const std::string& text, int tag) {
        EXPECT_EQ(tag, layout.ID());
        events.push_back(text);
    };
    User.Answers = {false};
    EXPECT_THROW(Manager->WriteLayout(layout), EAbort);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events.front(), "clear");
    EXPECT_NE(events[1].find("Клавиша (1,1)"), std::string::npos) << events[1];
    EXPECT_EQ(events.back(), "show");
    EXPECT_EQ(User.Questions, (std::vector<std::string>{SBadCodesQuestion}));
    EXPECT_TRUE(Fw().Frames().empty());
    EXPECT_FALSE(layout.MessageSink);
}

TEST_F(TManagerFixture, LayoutGoesInAndComesBackThroughTheWholeStack) {
    Start(4); // the largest model of the catalogue
    if (!ImageFormatsRegistered())
        GTEST_SKIP() << "the image formats are not in the save registry yet";
    TLayout layout;
    FillLayout(layout, 4);
    const TBytes image = Manager->DeviceFormat().SaveToString(layout);

    auto& clock = Sim->Driver().Clock();
    const std::int64_t start = clock.Now();
    Manager->WriteLayout(layout);
    const std::int64_t written = clock.Now();
    TLayout back;
    Manager->ReadLayout(back);
    const std::int64_t read = clock.Now();

    EXPECT_EQ(Manager->DeviceFormat().SaveToString(back), image);
    EXPECT_EQ(back.KeyboardID, 4);
    EXPECT_EQ(back.Layers.Items(3).Keys.Items(7).PressCodes.Text(),
              layout.Layers.Items(3).Keys.Items(7).PressCodes.Text());
    TKeyboardStatus status;
    Manager->Driver().ReadStatus(status);
    EXPECT_TRUE(status.LayoutValid);
    EXPECT_EQ(status.Mode, 0);
    EXPECT_EQ(Sim->Driver().LockViolations(), 0);

    const std::string times = "image " + std::to_string(image.size()) + " bytes; simulated write " +
                              std::to_string((written - start) / 1000) + " ms, read " +
                              std::to_string((read - written) / 1000) + " ms";
    RecordProperty("simulated_times", times);
    std::cout << "[ times    ] " << times << "\n";
}

TEST_F(TManagerFixture, StateFileKeepsTheKeyboardBetweenRuns) {
    const std::string state = Dir / "keyboard.state";
    Start(1, {}, state);
    const TBytes image = Pattern(700);
    WriteFile(Dir / "image.bin", image);
    Manager->WriteMemoryFromFile(Dir / "image.bin");
    Sim->SaveState();

    Start(1, {}, state);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), Fw().Memory().begin()));

    WriteFile(state, {'x'});
    EXPECT_THROW(Start(1, {}, state), Exception);
}

TEST_F(TManagerFixture, NotesArePlayedAsThreeBytesEach) {
    Start();
    Manager->PlayNotes("C1;4;10;P;2;0");
    ASSERT_EQ(Fw().NotesPlayed().size(), 1u);
    const TBytes& played = Fw().NotesPlayed()[0];
    ASSERT_EQ(played.size(), 6u);
    EXPECT_EQ(TBytes(played.begin() + 1, played.end()), (TBytes{4, 10, 0, 2, 0}));
    EXPECT_EQ(Fw().Mode(), 0);
}

TEST_F(TManagerFixture, DeviceChoiceAndSettings) {
    const std::string ini = Dir / "layomatic.ini";
    std::ofstream(ini) << "[Settings]\nDeviceName=COM7\n";
    Start();
    EXPECT_EQ(Manager->DeviceName(), "PS/2 клавиатура");
    TDeviceList list;
    Manager->GetDevices(list);
    ASSERT_EQ(list.size(), 1u);
    Manager->SelectDevice("PS/2 клавиатура");
    EXPECT_EQ(Manager->Settings().DeviceName, "PS/2 клавиатура");
    EXPECT_THROW(Manager->SelectDevice("COM7"), Exception);
    EXPECT_EQ(Manager->Driver().GetDriverVersion(), "1.0.0.6");
    EXPECT_THROW(Manager->SaveLayout(*std::make_unique<TLayout>(), 7, Dir / "x"), Exception);
}

TEST_F(TManagerFixture, DeviceInformationRows) {
    Start(4);
    TDeviceInfoReport report = ReadDeviceInfo(Manager->Driver(), Manager->Keyboards());
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TDeviceInfoRow& row : report.Rows)
        rows.emplace_back(row.Caption, row.Value);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Версия программы", "2.10"},
        {"Версия загрузчика", "2.9"},
        {"Объем памяти, байт", "65535"},
        {"Тип устройства", "Октава 120"},
        {"Количество слоев", "4"},
        {"Треки считывателя", ""},
        {"Количество клавиш", "120"},
        {"Количество положений ключа", "4"},
        {"Замыкания в матрице клавиатуры", "нет"},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(report.StateText, SLayoutBroken);
    EXPECT_EQ(Fw().Mode(), 0);

    Fw().Options().LoaderMinor = 5;
    Fw().Options().DeviceType = 99;
    Fw().Options().Tracks = 5;
    report = ReadDeviceInfo(Manager->Driver(), Manager->Keyboards());
    EXPECT_EQ(report.Rows.size(), 8u);
    EXPECT_EQ(report.Rows[3].Value, "99");
    EXPECT_EQ(report.Rows[5].Value, "1,3");

    Fw().Options().LoaderMinor = 6;
    Fw().Matrix = {0, 0, 2};
    report = ReadDeviceInfo(Manager->Driver(), Manager->Keyboards());
    EXPECT_EQ(report.Rows.back().Value, "есть");
    EXPECT_TRUE(report.Rows.back().Alarm);
    EXPECT_EQ(Fw().Mode(), 0);
}

TEST_F(TManagerFixture, DeviceInformationOfADamagedProgram) {
    Start(4, "damaged");
    const TDeviceInfoReport report = ReadDeviceInfo(Manager->Driver(), Manager->Keyboards());
    std::vector<std::pair<std::string, std::string>> rows;
    for (const TDeviceInfoRow& row : report.Rows)
        rows.emplace_back(row.Caption, row.Value);
    // The program's rows show its empty record; the loader's rows and the matrix scan still work.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Версия программы", "повреждена"},
        {"Версия загрузчика", "2.9"},
        {"Объем памяти, байт", "65535"},
        {"Тип устройства", "0"},
        {"Количество слоев", "0"},
        {"Треки считывателя", ""},
        {"Количество клавиш", "120"},
        {"Количество положений ключа", "0"},
        {"Замыкания в матрице клавиатуры", "нет"},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(Fw().Mode(), 2);
}

TEST(ProgressTest, ElapsedSecondsRoundHalfToEven) {
    TFakeClock clock;
    TProgress progress;
    progress.SetClock(clock);
    progress.Start(3, "x");
    for (const auto& [ms, seconds] : std::vector<std::pair<std::uint32_t, int>>{
             {499, 0}, {500, 0}, {1500, 2}, {2500, 2}, {2501, 3}, {3499, 3}}) {
        clock.Now = progress.StartTick + ms;
        progress.Step(1);
        EXPECT_EQ(progress.Elapsed, seconds) << ms;
    }
    progress.Cancel();
    progress.Start(1, "y");
    EXPECT_FALSE(progress.Cancelled);
}

} // namespace
} // namespace lay::test
