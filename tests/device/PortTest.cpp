#include <gtest/gtest.h>

#include <linux/ioctl.h>

#include "DeviceFakes.h"
#include "device/KeyboardDriver.h"
#include "device/PortPS2.h"
#include "driver/core/ZorvatekIoctl.h"
#include "model/Errors.h"

namespace lay::test {
namespace {

// A PS/2 port whose driver device is a script: each exchange attempt takes the next result.
class TPortFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Port.SetOpener([this]() -> std::unique_ptr<TDriverChannel> {
            ++Opens;
            if (!Installed)
                return nullptr;
            return std::make_unique<TFakeChannel>(
                [this](std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) {
                    Codes.push_back(code);
                    Inputs.push_back(in);
                    OutputSizes.push_back(out.size());
                    if (Results.empty()) {
                        error = 121;
                        return false;
                    }
                    auto [ok, bytes, code_] = Results.front();
                    Results.pop_front();
                    error = code_;
                    out = bytes;
                    return ok;
                });
        });
    }

    TPortPS2 Port;
    bool Installed = true;
    int Opens = 0;
    std::deque<std::tuple<bool, TBytes, std::uint32_t>> Results;
    std::vector<std::uint32_t> Codes;
    std::vector<TBytes> Inputs;
    std::vector<std::size_t> OutputSizes;
};

TEST_F(TPortFixture, ListsItsOneDeviceWithoutOpeningTheDriver) {
    Installed = false;
    TDeviceList list{{"старое", nullptr}};
    TKeyboardDriver driver;
    driver.PortPS2().SetOpener([this] {
        ++Opens;
        return std::unique_ptr<TDriverChannel>();
    });
    driver.GetDevices(list);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Name, "PS/2 клавиатура");
    EXPECT_EQ(list[0].Port, &driver.PortPS2());
    EXPECT_EQ(Opens, 0);
    EXPECT_TRUE(Port.HasDevice("PS/2 клавиатура"));
    EXPECT_FALSE(Port.HasDevice("ps/2 клавиатура"));
}

TEST_F(TPortFixture, AbsentDriverIsReportedOnEveryAttempt) {
    Installed = false;
    TBytes answer;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(MessageOf([&] {
                      Port.Transfer({0x02, 0x01, 0x9F, 0x9E}, answer, 3);
                  }),
                  "Драйвер для доступа к клавиатуре не установлен");
    EXPECT_EQ(Opens, 2);
    EXPECT_FALSE(Port.IsOpen());
}

TEST_F(TPortFixture, ThirdAttemptsAnswerWins) {
    Results = {{false, {}, 121}, {false, {}, 31}, {true, {0x02, 0x02, 0x9F, 0x00, 0x9D}, 0}};
    const TBytes request{0x02, 0x01, 0x9F, 0x9E};
    TBytes answer;
    Port.Transfer(request, answer, 3);
    EXPECT_EQ(answer, (TBytes{0x02, 0x02, 0x9F, 0x00, 0x9D}));
    EXPECT_EQ(Codes, (std::vector<std::uint32_t>(3, IOCTL_FILTER_EXCHANGE)));
    EXPECT_EQ(Inputs, (std::vector<TBytes>(3, request)));
    EXPECT_EQ(OutputSizes, (std::vector<std::size_t>(3, 259)));
    EXPECT_EQ(Opens, 1);
}

TEST_F(TPortFixture, LastAttemptsErrorDecidesTheMessage) {
    TBytes answer;
    Results = {{false, {}, 5}, {false, {}, 5}, {false, {}, 121}};
    EXPECT_EQ(MessageOf([&] { Port.Transfer({0x02, 0x00, 0x00}, answer, 3); }), "Нет связи");
    Results = {{false, {}, 121}, {false, {}, 121}, {false, {}, 5}};
    EXPECT_EQ(MessageOf([&] {
                  Port.Transfer({0x02, 0x00, 0x00}, answer, 3);
              }),
              "Ошибка при записи данных. Код ошибки: 5");
    // The handle stays open after failed exchanges.
    EXPECT_TRUE(Port.IsOpen());
    EXPECT_EQ(Opens, 1);
}

TEST_F(TPortFixture, EmptyRequestSendsNothing) {
    TBytes answer{1, 2};
    Port.Transfer({}, answer, 3);
    EXPECT_EQ(answer, (TBytes{1, 2}));
    EXPECT_TRUE(Codes.empty());
    EXPECT_EQ(Opens, 0);
}

TEST_F(TPortFixture, DriverVersion) {
    Results = {{true, {0x06, 0x00, 0x00, 0x01}, 0}, {true, {0x06, 0x00}, 0}, {false, {}, 1}};
    EXPECT_EQ(Port.GetDriverVersion(), "1.0.0.6");
    EXPECT_EQ(Codes.back(), IOCTL_FILTER_VERSION);
    EXPECT_TRUE(Inputs.back().empty());
    EXPECT_EQ(OutputSizes.back(), 4u);
    EXPECT_EQ(Port.GetDriverVersion(), "недоступна");
    EXPECT_EQ(MessageOf([&] { Port.GetDriverVersion(); }), "системная ошибка 1");
}

TEST(PortCodesTest, ControlCodesAndLinuxRequests) {
    EXPECT_EQ(TPortPS2::KeyboardIoctl(0x801), 0x000B2004u);
    EXPECT_EQ(TPortPS2::KeyboardIoctl(0x802), 0x000B2008u);
    // The Linux numbers are spelled out in the shared header; they must be what the kernel's
    // own macros make of the same structures.
    EXPECT_EQ(ZORVATEK_LINUX_SEND, _IOW('Z', 0, struct zorvatek_send));
    EXPECT_EQ(ZORVATEK_LINUX_EXCHANGE, _IOWR('Z', 1, struct zorvatek_exchange));
    EXPECT_EQ(ZORVATEK_LINUX_VERSION, _IOR('Z', 2, struct zorvatek_version));
}

TEST(SystemChannelTest, WithoutTheDeviceTheDriverIsNotInstalled) {
    if (OpenSystemChannel())
        GTEST_SKIP() << "a keyboard driver is installed on this machine";
    TKeyboardDriver driver;
    TKeyboardStatus status;
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(MessageOf([&] { driver.ReadStatus(status); }),
                  "Драйвер для доступа к клавиатуре не установлен");
}

TEST(PortListTest, PortsMoveBetweenListsAndLeaveWhenDestroyed) {
    TFakeClock clock;
    TCustomPorts a;
    TCustomPorts b;
    auto answer = [](const TBytes&) { return TBytes{}; };
    TScriptPort& first = a.Add<TScriptPort>(clock, answer);
    TScriptPort& second = a.Add<TScriptPort>(clock, answer);
    EXPECT_EQ(first.Ports(), &a);
    second.SetPorts(&b);
    second.SetPorts(&b);
    EXPECT_EQ(a.Count(), 1);
    EXPECT_EQ(b.Count(), 1);
    EXPECT_EQ(&b.Items(0), &second);
    first.SetPorts(&b);
    EXPECT_EQ(&b.Items(1), &first);
    delete &second; // a port may be destroyed on its own: it leaves its list
    EXPECT_EQ(b.Count(), 1);
    EXPECT_EQ(&b.Items(0), &first);
    EXPECT_THROW(b.Items(1), EListError);
}

// The device choice over a list of ports, the PS/2 port first.
class TChoiceFixture : public ::testing::Test {
protected:
    TChoiceFixture() {
        Other = &Driver.Ports().Add<TScriptPort>(Clock, [](const TBytes&) { return TBytes{}; });
    }
    TFakeClock Clock;
    TKeyboardDriver Driver;
    TScriptPort* Other;
    TCustomPorts Parking; // ports taken off the driver's list
};

TEST_F(TChoiceFixture, SelectingTheCurrentDeviceChangesNothingAnUnknownOneFails) {
    EXPECT_EQ(Driver.DeviceName(), "");
    Driver.SelectDevice("PS/2 клавиатура");
    EXPECT_EQ(Driver.Port(), &Driver.PortPS2());
    Other->Devices = {"PS/2 клавиатура"};
    Driver.SelectDevice("PS/2 клавиатура"); // equal to the current name: no search
    EXPECT_EQ(Driver.Port(), &Driver.PortPS2());
    EXPECT_EQ(MessageOf([&] { Driver.SelectDevice("USB"); }), "Устройство USB не найдено.");
    EXPECT_EQ(Driver.DeviceName(), "PS/2 клавиатура");
}

TEST_F(TChoiceFixture, ChoosingFallsBackToTheFirstPortThatListsADevice) {
    Other->Devices = {"COM1", "COM2"};
    Driver.ChooseDevice("COM2");
    EXPECT_EQ(Driver.Port(), Other);
    Driver.ChooseDevice("нет такого");
    EXPECT_EQ(Driver.Port(), &Driver.PortPS2());
    EXPECT_EQ(Driver.DeviceName(), "PS/2 клавиатура");

    Driver.PortPS2().SetPorts(&Parking);
    Other->Devices.clear();
    EXPECT_EQ(MessageOf([&] { Driver.ChooseDevice("COM1"); }), "Нет доступных устройств");
    Driver.TryChooseDevice("COM1");
    EXPECT_EQ(Driver.DeviceName(), "PS/2 клавиатура");
    EXPECT_EQ(Driver.Port(), Other);
    Other->SetPorts(&Parking);
    EXPECT_EQ(MessageOf([&] { Driver.ChooseDevice("COM1"); }), "Нет доступных портов");
    EXPECT_NO_THROW(Driver.TryChooseDevice("COM1"));
}

} // namespace
} // namespace lay::test
