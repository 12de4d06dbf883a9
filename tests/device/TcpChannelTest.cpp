#include <gtest/gtest.h>

#include <chrono>

#include "DeviceFakes.h"
#include "TcpEmulator.h"
#include "device/KeyboardDriver.h"
#include "device/PortPS2.h"
#include "driver/sim/Firmware.h"
#include "model/Errors.h"

namespace lay::test {
namespace {

constexpr std::uint32_t ShortTimeoutMs = 100;

// The protocol object talking to an emulator over loopback.
class TTcpFixture : public ::testing::Test {
protected:
    void Connect(TTcpEmulator& emulator) {
        const std::uint16_t port = emulator.Port();
        Driver.PortPS2().SetOpener([port] { return OpenTcpChannel("127.0.0.1", port, ShortTimeoutMs); });
    }
    TKeyboardDriver Driver;
};

TEST_F(TTcpFixture, FramesTravelWithTheirLengthBothWays) {
    sim::TFirmware firmware{sim::TFirmwareOptions{}};
    TTcpEmulator emulator([&](const TBytes& frame) { return firmware.OnFrame(frame); });
    Connect(emulator);
    TKeyboardStatus status;
    Driver.ReadStatus(status);
    EXPECT_EQ(status.RawStatus, 0x01);
    Driver.SetMode(kmLoader);
    TDeviceInfo info;
    Driver.ReadInfo(info);
    EXPECT_EQ(info.Version, "2.9");
    Driver.WriteBlock(0x100, TBytes(256, 0x42));
    EXPECT_EQ(Driver.ReadMemory(0x1E0, 32), TBytes(32, 0x42));
    EXPECT_EQ(emulator.Requests().front(), TKeyboardDriver::EncodeFrame({0x9F}));
    EXPECT_EQ(Driver.GetDriverVersion(), "недоступна");
}

TEST_F(TTcpFixture, SilenceIsTheDriversTimeOutOnEveryAttempt) {
    TTcpEmulator emulator([](const TBytes&) { return TBytes{}; });
    Connect(emulator);
    TKeyboardStatus status;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf([&] { Driver.ReadStatus(status); }), "Нет связи");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(emulator.Requests().size(), 3u);
    EXPECT_GE(elapsed, std::chrono::milliseconds(3 * ShortTimeoutMs));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

TEST_F(TTcpFixture, AnswerTooLongForTheBufferIsTheDriversError) {
    TTcpEmulator emulator([](const TBytes&) { return TBytes(300, 0x02); });
    Connect(emulator);
    TKeyboardStatus status;
    EXPECT_EQ(MessageOf([&] { Driver.ReadStatus(status); }), "Ошибка при записи данных. Код ошибки: 122");
}

TEST_F(TTcpFixture, GarbageFromTheEmulatorIsRefusedNotTrusted) {
    const std::vector<TBytes> answers = {{0x02, 0x09, 0x9F}, {0x02, 0x03, 0x9F, 0x00, 0x21, 0x00}};
    const std::vector<std::string> messages = {"Неверная длина кадра.", "Ошибка CRC"};
    for (std::size_t i = 0; i < answers.size(); ++i) {
        TTcpEmulator emulator([&](const TBytes&) { return answers[i]; });
        Connect(emulator);
        TKeyboardStatus status;
        EXPECT_EQ(MessageOf([&] { Driver.ReadStatus(status); }), messages[i]);
    }
}

TEST_F(TTcpFixture, NothingListeningIsADriverThatIsNotInstalled) {
    std::uint16_t port;
    {
        TTcpEmulator closed([](const TBytes&) { return TBytes{}; });
        port = closed.Port();
    }
    Driver.PortPS2().SetOpener([port] { return OpenTcpChannel("127.0.0.1", port, ShortTimeoutMs); });
    TKeyboardStatus status;
    EXPECT_EQ(MessageOf([&] { Driver.ReadStatus(status); }),
              "Драйвер для доступа к клавиатуре не установлен");
}

} // namespace
} // namespace lay::test
