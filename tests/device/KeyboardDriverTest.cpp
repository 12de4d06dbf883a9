#include <gtest/gtest.h>

#include "DeviceFakes.h"
#include "device/KeyboardDriver.h"
#include "model/Errors.h"

namespace lay::test {
namespace {

// A protocol object talking to a keyboard that a test describes request by request.
class TDriverFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Driver.SetClock(Clock);
        Port = &Driver.Ports().Add<TScriptPort>(Clock, [this](const TBytes& r) { return Answer(r); });
        Port->Devices = {"Тест"};
        Driver.SelectDevice("Тест");
    }

    // By default every request gets the answer queued for it, or the last one again.
    virtual TBytes Answer(const TBytes&) {
        if (Answers.size() > 1) {
            TBytes a = Answers.front();
            Answers.pop_front();
            return a;
        }
        return Answers.empty() ? TBytes{} : Answers.front();
    }

    TFakeClock Clock;
    TKeyboardDriver Driver;
    TScriptPort* Port = nullptr;
    std::deque<TBytes> Answers;
};

TEST(FrameTest, EncodesLengthDataAndChecksum) {
    EXPECT_EQ(TKeyboardDriver::EncodeFrame({0x9E}), (TBytes{0x02, 0x01, 0x9E, 0x9F}));
    EXPECT_EQ(TKeyboardDriver::EncodeFrame({0x9D, 0x00, 0x01, 0x80}),
              (TBytes{0x02, 0x04, 0x9D, 0x00, 0x01, 0x80, 0x18}));
}

TEST(FrameTest, DecodesOrRefusesAnswers) {
    struct TCase {
        const char* Name;
        TBytes Answer;
        std::string Error; // empty: the data below comes back
        TBytes Data;
    };
    const TCase cases[] = {
        {"four bytes", {0x02, 0x02, 0x9E, 0x00}, "Неверная длина кадра.", {}},
        {"empty", {}, "Неверная длина кадра.", {}},
        // The device's error is reported even though the LRC is wrong.
        {"device error first",
         {0x02, 0x02, 0x9E, 0x73, 0x55},
         "Ошибка устройства: 115, 73h\r\nКлавиатура находится в неверном режиме",
         {}},
        {"unknown device error",
         AnswerFrame(0x9E, 200),
         "Ошибка устройства: 200, c8h\r\nНеизвестная ошибка устройства",
         {}},
        {"bad LRC", {0x02, 0x03, 0x9F, 0x00, 0x21, 0x00}, "Ошибка CRC", {}},
        {"five bytes", AnswerFrame(0x9F, 0), "", {}},
        {"data", AnswerFrame(0x9D, 0, {1, 2, 3}), "", {1, 2, 3}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Error.empty())
            EXPECT_EQ(TKeyboardDriver::DecodeAnswer(c.Answer), c.Data);
        else
            EXPECT_EQ(MessageOf([&] { TKeyboardDriver::DecodeAnswer(c.Answer); }), c.Error);
    }
    EXPECT_EQ(TKeyboardDriver::DeviceErrorText(4), "Неверное значение параметра команды");
    EXPECT_EQ(TKeyboardDriver::DeviceErrorText(8), "Команда не поддерживается устройством");
    EXPECT_EQ(TKeyboardDriver::DeviceErrorText(0), "Ошибок нет");
}

TEST_F(TDriverFixture, CommandOf256BytesIsRefusedBeforeSending) {
    Answers = {AnswerFrame(0x9C, 0)};
    Driver.SendCommand(TBytes(255, 0x9C));
    EXPECT_EQ(Port->Requests.size(), 1u);
    EXPECT_EQ(Port->Attempts, 3);
    EXPECT_EQ(MessageOf([&] { Driver.SendCommand(TBytes(256, 0x9C)); }),
              "Длина данных кадра не может превышать 255 байт.");
    EXPECT_EQ(Port->Requests.size(), 1u);
}

TEST_F(TDriverFixture, StatusWithoutDataIsAShortFrame) {
    Answers = {AnswerFrame(0x9F, 0)};
    TKeyboardStatus status;
    EXPECT_EQ(MessageOf([&] { Driver.ReadStatus(status); }), "Неверная длина кадра.");
}

TEST_F(TDriverFixture, StatusBitsGiveModeAndFlags) {
    struct TCase {
        std::uint8_t Raw;
        bool ProgramValid;
        std::uint8_t Mode;
        bool LayoutValid;
    } const cases[] = {{0x00, false, 0, false},
                       {0x21, true, 0, true},
                       {0x10, false, 1, false},
                       {0x03, true, 2, false},
                       {0x33, true, 3, true}};
    for (const TCase& c : cases) {
        Answers = {AnswerFrame(0x9F, 0, {c.Raw})};
        TKeyboardStatus status;
        Driver.ReadStatus(status);
        EXPECT_EQ(status.RawStatus, c.Raw);
        EXPECT_EQ(status.ProgramValid, c.ProgramValid) << int(c.Raw);
        EXPECT_EQ(status.Mode, c.Mode) << int(c.Raw);
        EXPECT_EQ(status.LayoutValid, c.LayoutValid) << int(c.Raw);
    }
    EXPECT_EQ(PackStatus({0x33, true, 3, true}), 0x01030133u);
}

TEST_F(TDriverFixture, InformationKeyCountOnlyFromANinthByte) {
    Answers = {AnswerFrame(0x9E, 0, {2, 10, 0x00, 0x80, 4, 3, 0x05, 8})};
    TDeviceInfo info;
    info.KeyCount = 77;
    Driver.ReadInfo(info);
    EXPECT_EQ(info.Version, "2.10");
    EXPECT_EQ(info.MemorySize, 0x8000);
    EXPECT_EQ(info.DeviceType, 4);
    EXPECT_EQ(info.LayerCount, 3);
    EXPECT_TRUE(info.Track1);
    EXPECT_FALSE(info.Track2);
    EXPECT_TRUE(info.Track3);
    EXPECT_EQ(info.KeyPositions, 8);
    EXPECT_EQ(info.KeyCount, 0);

    Answers = {AnswerFrame(0x9E, 0, {2, 10, 0x00, 0x80, 4, 3, 0x05, 8, 120})};
    Driver.ReadInfo(info);
    EXPECT_EQ(info.KeyCount, 120);

    Answers = {AnswerFrame(0x9E, 0, {2, 10, 0, 0, 4, 3, 0})};
    EXPECT_EQ(MessageOf([&] { Driver.ReadInfo(info); }), "Неверная длина кадра.");
}

TEST_F(TDriverFixture, ReadMemoryWantsExactlyTheCount) {
    Answers = {AnswerFrame(0x9D, 0, TBytes(127, 0xAA))};
    EXPECT_EQ(MessageOf([&] { Driver.ReadMemory(0x1234, 128); }),
              "Устройство вернуло неверное количество данных.\r\nЗапрошено: 128, получено: 127.");
    EXPECT_EQ(Port->Requests.back(), TKeyboardDriver::EncodeFrame({0x9D, 0x34, 0x12, 0x80}));
    Answers = {AnswerFrame(0x9D, 0, TBytes(129, 0xAA))};
    EXPECT_EQ(MessageOf([&] { Driver.ReadMemory(0, 128); }),
              "Устройство вернуло неверное количество данных.\r\nЗапрошено: 128, получено: 129.");
    Answers = {AnswerFrame(0x9D, 0, {0x34, 0x12})};
    EXPECT_EQ(Driver.ReadWord(0xFFFE), 0x1234);
}

TEST_F(TDriverFixture, WriteBlockCutsOrPadsTo256AndWritesTwoHalves) {
    Answers = {AnswerFrame(0x9C, 0)};
    TBytes data(300);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    Driver.WriteBlock(0x0100, data);
    ASSERT_EQ(Port->Requests.size(), 2u);
    TBytes first{0x9C, 0x00, 0x01};
    first.insert(first.end(), data.begin(), data.begin() + 128);
    TBytes second{0x9C, 0x80, 0x01};
    second.insert(second.end(), data.begin() + 128, data.begin() + 256);
    EXPECT_EQ(Port->Requests[0], TKeyboardDriver::EncodeFrame(first));
    EXPECT_EQ(Port->Requests[1], TKeyboardDriver::EncodeFrame(second));

    Driver.WriteBlock(0, {7});
    TBytes padded{0x9C, 0x80, 0x00};
    padded.resize(3 + 128, 0);
    EXPECT_EQ(Port->Requests.back(), TKeyboardDriver::EncodeFrame(padded));
}

TEST_F(TDriverFixture, NotesUpTo254BytesAreSent) {
    Answers = {AnswerFrame(0xA0, 0)};
    Driver.PlayNotes(TBytes(254, 1));
    ASSERT_EQ(Port->Requests.size(), 1u);
    EXPECT_EQ(Port->Requests[0].size(), 254u + 4);
    EXPECT_EQ(Port->Requests[0][2], 0xA0);
    EXPECT_EQ(MessageOf([&] { Driver.PlayNotes(TBytes(255, 1)); }), "Количество нот не может превышать 84.");
    EXPECT_EQ(Port->Requests.size(), 1u);
}

TEST(MatrixTest, SupportedFromLoader26WithBothNumbersComparedAlone) {
    const std::pair<std::pair<int, int>, bool> cases[] = {{{2, 6}, true},  {{2, 9}, true},  {{2, 10}, true},
                                                          {{3, 0}, false}, {{3, 5}, false}, {{2, 5}, false},
                                                          {{1, 9}, false}};
    for (const auto& [version, supported] : cases) {
        TDeviceInfo loader;
        loader.Major = static_cast<std::uint8_t>(version.first);
        loader.Minor = static_cast<std::uint8_t>(version.second);
        EXPECT_EQ(TKeyboardDriver::MatrixTestSupported(loader), supported)
            << version.first << "." << version.second;
    }
}

// A keyboard that reports a mode and answers set-mode commands as told.
class TModeFixture : public TDriverFixture {
protected:
    TBytes Answer(const TBytes& request) override {
        const std::uint8_t command = request[2];
        if (command == 0x9F && request[1] == 2) {
            ++Switches;
            if (OnSwitch)
                OnSwitch(request[3]);
            return AnswerFrame(0x9F, 0);
        }
        if (command == 0x9F) {
            ++StatusReads;
            if (FailingStatusReads > 0) {
                --FailingStatusReads;
                throw Exception("Нет связи");
            }
            return AnswerFrame(0x9F, 0, {StatusByte});
        }
        if (command == 0xA1)
            return AnswerFrame(0xA1, 0, Matrix);
        return AnswerFrame(command, 8);
    }

    std::uint8_t StatusByte = 0x01;
    int FailingStatusReads = 0;
    int Switches = 0;
    int StatusReads = 0;
    std::function<void(std::uint8_t)> OnSwitch;
    TBytes Matrix{0, 0, 0};
};

TEST_F(TModeFixture, AKeyboardInTheModeCostsOneStatusCommand) {
    StatusByte = 0x03;
    Driver.SetMode(2);
    EXPECT_EQ(StatusReads, 1);
    EXPECT_EQ(Switches, 0);
}

TEST_F(TModeFixture, DamagedProgramFailsAtOnce) {
    StatusByte = 0x00;
    EXPECT_EQ(MessageOf([&] { Driver.SetMode(0); }),
              "Программа клавиатуры повреждена.\r\nНеобходимо записать программу в клавиатуру.\r\nСделать "
              "это можно из "
              "меню \"Устройство\\Запись программы\"");
    EXPECT_EQ(StatusReads, 1);
    EXPECT_EQ(Switches, 0);
}

TEST_F(TModeFixture, DamagedProgramDoesNotKeepTheLoaderAway) {
    StatusByte = 0x00;
    OnSwitch = [this](std::uint8_t) { StatusByte = 0x02; };
    Driver.SetMode(2);
    EXPECT_EQ(Switches, 1);
    EXPECT_EQ(StatusReads, 2);
}

TEST_F(TModeFixture, ErrorBeforeASwitchPropagatesUnchanged) {
    FailingStatusReads = 1;
    EXPECT_EQ(MessageOf([&] { Driver.SetMode(2); }), "Нет связи");
    EXPECT_EQ(StatusReads, 1);
    EXPECT_TRUE(Clock.Sleeps.empty());
}

TEST_F(TModeFixture, KeyboardThatNeverSwitchesRunsOutAfterThreeSeconds) {
    const std::uint32_t start = Clock.Now;
    EXPECT_EQ(MessageOf([&] { Driver.SetMode(2); }), "Нет связи");
    // Every exchange succeeded, so the loop never paused: it kept asking until time ran out.
    EXPECT_TRUE(Clock.Sleeps.empty());
    EXPECT_GT(Clock.Now - start, 3000u);
    EXPECT_LE(Clock.Now - start, 3000u + 2 * Port->ExchangeMs);
    EXPECT_EQ(Switches, StatusReads);
    EXPECT_GT(Switches, 30);
}

TEST_F(TModeFixture, RestartAfterASwitchIsWaitedOutWithPausesOnlyAfterFailures) {
    OnSwitch = [this](std::uint8_t byte) {
        EXPECT_EQ(byte, 0x02);
        StatusByte = 0x03;
        FailingStatusReads = 2; // the keyboard restarts and hears nothing for a while
    };
    Driver.SetMode(2);
    EXPECT_EQ(Switches, 1);
    EXPECT_EQ(StatusReads, 4);
    EXPECT_EQ(Clock.Sleeps, (std::vector<std::uint32_t>{500, 500}));
}

TEST_F(TModeFixture, SwitchModeBytes) {
    std::vector<std::uint8_t> sent;
    OnSwitch = [&](std::uint8_t byte) { sent.push_back(byte); };
    for (std::uint8_t mode : {0, 1, 2, 3})
        Driver.SendMode(mode);
    EXPECT_EQ(sent, (std::vector<std::uint8_t>{0x00, 0x10, 0x02, 0x12}));
}

TEST_F(TModeFixture, ProgramBrokenByTheSwitchIsReportedAsSuch) {
    StatusByte = 0x03;
    OnSwitch = [this](std::uint8_t) { StatusByte = 0x00; };
    EXPECT_EQ(MessageOf([&] { Driver.SetMode(0); }).rfind("Программа клавиатуры повреждена.", 0), 0u);
    EXPECT_EQ(Switches, 1);
    EXPECT_GE(Clock.Sleeps.size(), 5u);
}

TEST_F(TModeFixture, MatrixShortsFromAnyOfTheFirstThreeBytes) {
    StatusByte = 0x03;
    for (const auto& [matrix, shorts] : std::vector<std::pair<TBytes, bool>>{
             {{0, 0, 0}, false}, {{0, 0, 0, 9}, false}, {{0, 4, 0}, true}, {{0, 0, 1}, true}}) {
        Matrix = matrix;
        EXPECT_EQ(Driver.MatrixHasShorts(), shorts);
    }
    Matrix = {1, 1};
    EXPECT_EQ(MessageOf([&] { Driver.ReadMatrix(); }), "Неверная длина кадра.");
}

} // namespace
} // namespace lay::test
