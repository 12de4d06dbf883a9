#include <gtest/gtest.h>

#include <memory>

#include "driver/sim/Firmware.h"
#include "driver/sim/ScriptedResponder.h"
#include "driver/sim/SimulatedDriver.h"

namespace lay::sim {
namespace {

TBytes Frame(const TBytes& data) {
    return TScriptedResponder::Frame(data);
}

// The answer's error byte, or -1 when the firmware stayed silent.
int ErrorOf(const TBytes& answer) {
    return answer.size() < 5 ? -1 : answer[3];
}

TBytes DataOf(const TBytes& answer) {
    return answer.size() < 5 ? TBytes{} : TBytes(answer.begin() + 4, answer.end() - 1);
}

TBytes WriteFrame(std::uint16_t address, const TBytes& bytes) {
    TBytes data{TFirmware::cmWriteMemory, static_cast<std::uint8_t>(address),
                static_cast<std::uint8_t>(address >> 8)};
    data.insert(data.end(), bytes.begin(), bytes.end());
    return Frame(data);
}

class TFirmwareFixture : public ::testing::Test {
protected:
    TFirmwareFixture() : Firmware(Options()) {}
    static TFirmwareOptions Options() {
        TFirmwareOptions o;
        o.DeviceType = 4;
        o.LayerCount = 4;
        o.Tracks = 0x07;
        o.KeyPositions = 6;
        o.KeyCount = 120;
        return o;
    }
    TBytes Send(const TBytes& data) { return Firmware.OnFrame(Frame(data)); }
    std::uint8_t Status() { return DataOf(Send({TFirmware::cmStatus})).at(0); }
    void Switch(std::uint8_t byte) { ASSERT_EQ(ErrorOf(Send({TFirmware::cmStatus, byte})), 0); }

    TFirmware Firmware;
};

TEST_F(TFirmwareFixture, AnswersAreWholeFramesWithTheirChecksum) {
    const TBytes answer = Send({TFirmware::cmStatus});
    ASSERT_EQ(answer.size(), 6u);
    EXPECT_EQ(answer[0], 0x02);
    EXPECT_EQ(answer[1], 3);
    EXPECT_EQ(answer[2], TFirmware::cmStatus);
    EXPECT_EQ(answer[5], answer[1] ^ answer[2] ^ answer[3] ^ answer[4]);
    EXPECT_EQ(answer[4], 0x01); // program valid, work mode, no layout
}

TEST_F(TFirmwareFixture, DamagedFramesGetNoAnswerAtAll) {
    TBytes badLrc = Frame({TFirmware::cmStatus});
    badLrc.back() ^= 0xFF;
    TBytes badLength = Frame({TFirmware::cmStatus});
    badLength[1] = 5;
    for (const TBytes& frame : {badLrc, badLength, TBytes{0x02}, TBytes{0x03, 0x01, 0x9F, 0x9E}})
        EXPECT_TRUE(Firmware.OnFrame(frame).empty());
    EXPECT_EQ(ErrorOf(Firmware.OnFrame({0x02, 0x00, 0x00})), TFirmware::deBadParameter);
}

TEST_F(TFirmwareFixture, DeviceErrorsWhereTheKeyboardGivesThem) {
    struct TCase {
        const char* Name;
        TBytes Data;
        std::uint8_t Mode;
        int Error;
    } const cases[] = {
        {"write in work mode", {TFirmware::cmWriteMemory, 0, 0, 1}, 0, TFirmware::deWrongMode},
        {"matrix in work mode", {TFirmware::cmReadMatrix}, 0, TFirmware::deWrongMode},
        {"notes in the loader", {TFirmware::cmPlayNotes, 1, 2, 3}, 2, TFirmware::deWrongMode},
        {"unknown command", {0x55}, 0, TFirmware::deUnsupported},
        {"mode byte with other bits", {TFirmware::cmStatus, 0x04}, 0, TFirmware::deBadParameter},
        {"status with two parameters", {TFirmware::cmStatus, 0, 0}, 0, TFirmware::deBadParameter},
        {"read of nothing", {TFirmware::cmReadMemory, 0, 0, 0}, 0, TFirmware::deBadParameter},
        {"read longer than an answer", {TFirmware::cmReadMemory, 0, 0, 254}, 0, TFirmware::deBadParameter},
        {"read past the memory", {TFirmware::cmReadMemory, 0xF0, 0xFF, 17}, 0, TFirmware::deBadParameter},
        {"read without a count", {TFirmware::cmReadMemory, 0, 0}, 0, TFirmware::deBadParameter},
        {"write past the memory", {TFirmware::cmWriteMemory, 0xFF, 0xFF, 1, 2}, 2, TFirmware::deBadParameter},
        {"write of nothing", {TFirmware::cmWriteMemory, 0, 0}, 2, TFirmware::deBadParameter},
        {"read in the loader", {TFirmware::cmReadMemory, 0xF0, 0xFF, 16}, 2, 0},
    };
    for (const TCase& c : cases) {
        Firmware.SetMode(c.Mode);
        EXPECT_EQ(ErrorOf(Send(c.Data)), c.Error) << c.Name;
    }
}

TEST_F(TFirmwareFixture, InformationOfProgramOrLoaderByMode) {
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadInfo})), (TBytes{2, 10, 0xFF, 0xFF, 4, 4, 7, 6, 120}));
    Switch(0x02);
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadInfo})), (TBytes{2, 9, 0xFF, 0xFF, 4, 4, 7, 6, 120}));
    Firmware.Options().SendKeyCount = false;
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadInfo})).size(), 8u);
}

TEST_F(TFirmwareFixture, MemoryIsWrittenInTheLoaderAndReadInAnyMode) {
    Switch(0x02);
    EXPECT_EQ(Status(), 0x03);
    ASSERT_EQ(ErrorOf(Firmware.OnFrame(WriteFrame(0xFFFE, {0xAB, 0xCD}))), 0);
    Switch(0x00);
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadMemory, 0xFE, 0xFF, 2})), (TBytes{0xAB, 0xCD}));
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadMemory, 0x00, 0x00, 253})), TBytes(253, 0));
}

// An image header the keyboard accepts: H at 0, then format, checksum, size, version, groups, id.
void PutHeader(TFirmware& firmware, std::uint16_t format) {
    auto& m = firmware.Memory();
    const std::size_t h = 40;
    m[0] = h;
    m[1] = 0;
    for (std::size_t i = 2; i < h; ++i)
        m[i] = static_cast<std::uint8_t>(i * 7);
    m[h] = static_cast<std::uint8_t>(format);
    m[h + 1] = static_cast<std::uint8_t>(format >> 8);
    if (format == 256) {
        m[h + 2] = h + 6 + 4;
        m[h + 3] = 0;
        m[h + 4] = 1;
        return;
    }
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < h + 2; ++i)
        sum += m[i];
    m[h + 2] = static_cast<std::uint8_t>(sum);
    m[h + 3] = static_cast<std::uint8_t>(sum >> 8);
    m[h + 4] = h + 10;
    m[h + 5] = 0;
    m[h + 8] = 0;
}

TEST_F(TFirmwareFixture, LayoutValidNeedsASoundHeaderAndItsChecksum) {
    EXPECT_FALSE(Firmware.LayoutValid());
    PutHeader(Firmware, 522);
    EXPECT_TRUE(Firmware.LayoutValid());
    EXPECT_EQ(Status(), 0x21);
    Firmware.Memory()[7] ^= 1; // one byte under the checksum
    EXPECT_FALSE(Firmware.LayoutValid());
    PutHeader(Firmware, 520);
    Firmware.Memory()[44] = 99; // a size that does not agree with the groups
    EXPECT_FALSE(Firmware.LayoutValid());
    PutHeader(Firmware, 523);
    EXPECT_FALSE(Firmware.LayoutValid());
    Firmware.Memory()[0] = 0xFF;
    Firmware.Memory()[1] = 0xFF; // a header offset at the very end of memory
    EXPECT_FALSE(Firmware.LayoutValid());

    // An older program runs the 1.3 image only.
    PutHeader(Firmware, 256);
    EXPECT_FALSE(Firmware.LayoutValid());
    Firmware.Options().ProgramMinor = 7;
    EXPECT_TRUE(Firmware.LayoutValid());
    PutHeader(Firmware, 522);
    EXPECT_FALSE(Firmware.LayoutValid());
}

TEST_F(TFirmwareFixture, ProgramWrittenInMode3IsCheckedWhenLeavingIt) {
    const TBytes program = TFirmware::MakeProgram(2, 8, TBytes(300, 0x5A));
    Switch(0x12);
    EXPECT_EQ(Status() & 0x12, 0x12);
    for (std::size_t at = 0; at < program.size(); at += 128)
        ASSERT_EQ(
            ErrorOf(Firmware.OnFrame(WriteFrame(
                static_cast<std::uint16_t>(at),
                TBytes(program.begin() + static_cast<std::ptrdiff_t>(at),
                       program.begin() + static_cast<std::ptrdiff_t>(std::min(at + 128, program.size())))))),
            0);
    EXPECT_EQ(Firmware.Memory()[0], 0); // the layout memory is not the program's
    Switch(0x00);
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadInfo}))[1], 8);

    TBytes broken = TFirmware::MakeProgram(2, 10, TBytes(50, 1));
    broken[20] = 2;
    Switch(0x12);
    ASSERT_EQ(ErrorOf(Firmware.OnFrame(WriteFrame(0, broken))), 0);
    Switch(0x00);
    EXPECT_EQ(Status(), 0x00);
    EXPECT_EQ(ErrorOf(Send({TFirmware::cmReadInfo})), TFirmware::deWrongMode);
    EXPECT_FALSE(TFirmware::CheckProgram({'Z', 'V', 'P', 'G', 2, 8, 0xFF, 0xFF, 0, 0}));
}

TEST_F(TFirmwareFixture, NotesAndMatrix) {
    ASSERT_EQ(ErrorOf(Send({TFirmware::cmPlayNotes, 1, 2, 3, 4, 5, 6, 7})), 0);
    ASSERT_EQ(Firmware.NotesPlayed().size(), 1u);
    EXPECT_EQ(Firmware.NotesPlayed()[0], (TBytes{1, 2, 3, 4, 5, 6}));
    Switch(0x02);
    Firmware.Matrix = {0, 0x10, 0};
    EXPECT_EQ(DataOf(Send({TFirmware::cmReadMatrix})), (TBytes{0, 0x10, 0}));
    Firmware.Options().LoaderMinor = 5;
    EXPECT_EQ(ErrorOf(Send({TFirmware::cmReadMatrix})), TFirmware::deUnsupported);
}

TEST_F(TFirmwareFixture, StateKeepsMemoryAndProgram) {
    Firmware.Memory()[1000] = 42;
    Firmware.Options().ProgramMinor = 8;
    Firmware.SetMode(2);
    const TBytes state = Firmware.SaveState();
    ASSERT_EQ(state.size(), TFirmware::StateSize);
    TFirmware other{TFirmwareOptions{}};
    other.LoadState(state);
    EXPECT_EQ(other.Memory()[1000], 42);
    EXPECT_EQ(other.Options().ProgramMinor, 8);
    EXPECT_EQ(other.Mode(), 2);
    TBytes wrong = state;
    wrong[0] = 'X';
    for (const TBytes& bad : {wrong, TBytes(state.begin(), state.end() - 1), TBytes{}})
        EXPECT_THROW(other.LoadState(bad), std::runtime_error);
}

// On the wire, through the driver core: the keyboard does not hear a thing while it restarts.
TEST(FirmwareOnTheWireTest, KeyboardRestartsAfterAModeSwitch) {
    TFirmwareOptions options;
    // Longer than the driver's closing steps after the answer, which would hide it otherwise.
    options.RestartPause = 3000000;
    auto firmware = std::make_unique<TFirmware>(options);
    TFirmware& fw = *firmware;
    TSimulatedDriver sim(std::move(firmware));
    fw.AttachKeyboard(&sim.Keyboard());
    TBytes answer(ZORVATEK_ANSWER_BUFFER);
    ASSERT_EQ(sim.Ioctl(IOCTL_FILTER_EXCHANGE, Frame({TFirmware::cmStatus, 0x02}), answer),
              ZV_STATUS_SUCCESS);
    EXPECT_EQ(ErrorOf(answer), 0);
    EXPECT_TRUE(sim.Keyboard().Restarting());
    answer.assign(ZORVATEK_ANSWER_BUFFER, 0);
    EXPECT_EQ(sim.Ioctl(IOCTL_FILTER_EXCHANGE, Frame({TFirmware::cmStatus}), answer), ZV_STATUS_IO_TIMEOUT);
    sim.Run(fw.Options().RestartPause);
    EXPECT_FALSE(sim.Keyboard().Restarting());
    answer.assign(ZORVATEK_ANSWER_BUFFER, 0);
    ASSERT_EQ(sim.Ioctl(IOCTL_FILTER_EXCHANGE, Frame({TFirmware::cmStatus}), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(DataOf(answer), (TBytes{0x03}));
    EXPECT_TRUE(sim.Keyboard().Scanning());
}

} // namespace
} // namespace lay::sim
