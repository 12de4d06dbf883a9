#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "SimFixture.h"

namespace lay::sim {
namespace {

const TBytes ReadStatus = {0x9E};

class ExchangeTest : public TSimFixture {};

TEST_F(ExchangeTest, ReturnsTheAnswerFrameAndPutsEverythingBack) {
    const TBytes request = Frame(ReadStatus);
    const TBytes reply = Frame({0x9E, 0x21});
    Script->Add(reply);
    TBytes answer;

    ASSERT_EQ(Exchange(request, answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, reply);
    ASSERT_EQ(Script->Frames().size(), 1u);
    EXPECT_EQ(Script->Frames()[0], request);

    // The keyboard was silenced before the frame and woken after it; its rate was set again.
    const auto& received = Sim->Keyboard().Received();
    TBytes expected{ZORVATEK_KBD_DISABLE};
    expected.insert(expected.end(), request.begin(), request.end());
    expected.push_back(0xF3);
    expected.push_back(Sim->Keyboard().TypematicByte());
    expected.push_back(ZORVATEK_KBD_ENABLE);
    EXPECT_EQ(received, expected);
    EXPECT_EQ(Sim->Controller().CommandByteWrites(), (std::vector<std::uint8_t>{0x25, 0x67}));
    EXPECT_EQ(Sim->Controller().Writes().front().Value, ZV_CMD_DISABLE_AUX);
    ExpectRestored();
    EXPECT_EQ(Sim->Keystrokes().size(), 0u);
    EXPECT_EQ(Sim->Controller().LostWrites(), 0);
}

TEST_F(ExchangeTest, AnswerTravelsAsTwoNibbleBytesLowFirstAndOnlyTheLowNibbleCounts) {
    Sim->Keyboard().NibbleHigh = 0x50;
    const TBytes reply = Frame({0xA5});
    Script->Add(reply);
    TBytes answer;

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, reply);
    // 02 01 A5 A4, each low nibble first; after them only the acknowledgements of F3h, its
    // argument and F4h.
    const auto& sent = Sim->Keyboard().Sent();
    ASSERT_GE(sent.size(), 11u);
    EXPECT_EQ(TBytes(sent.end() - 11, sent.end()),
              (TBytes{0x52, 0x50, 0x51, 0x50, 0x55, 0x5A, 0x54, 0x5A, 0xFA, 0xFA, 0xFA}));
}

// The longest answer (LEN 255) against buffers around its length of 258 bytes.
struct TBufferCase {
    std::size_t Buffer;
    std::int32_t Status;
};

class LongAnswerTest : public TSimFixture, public ::testing::WithParamInterface<TBufferCase> {};

TEST_P(LongAnswerTest, FitsOrIsRefusedAndTheKeyboardIsRestoredEitherWay) {
    TBytes data(255);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7);
    }
    const TBytes reply = Frame(data);
    ASSERT_EQ(reply.size(), 258u);
    Script->Add(reply);
    TBytes answer;

    EXPECT_EQ(Exchange(Frame(ReadStatus), answer, GetParam().Buffer), GetParam().Status);
    if (GetParam().Status == ZV_STATUS_SUCCESS) {
        EXPECT_EQ(answer, reply);
    } else {
        EXPECT_TRUE(answer.empty());
    }
    ExpectRestored();
}

INSTANTIATE_TEST_SUITE_P(Buffers, LongAnswerTest,
                         ::testing::Values(TBufferCase{259, ZV_STATUS_SUCCESS},
                                           TBufferCase{258, ZV_STATUS_SUCCESS},
                                           TBufferCase{257, ZV_STATUS_BUFFER_TOO_SMALL},
                                           TBufferCase{0, ZV_STATUS_BUFFER_TOO_SMALL}));

TEST_F(ExchangeTest, NoiseBeforeTheStxIsDropped) {
    Sim->Keyboard().SetNoiseBeforeAnswer({0xFF, 0x13, 0x00, 0xF0, 0x20});
    const TBytes reply = Frame({0x9E, 0x01});
    Script->Add(reply);
    TBytes answer;

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, reply);
    EXPECT_EQ(answer.front(), ZORVATEK_STX);
}

TEST_F(ExchangeTest, EndlessNoiseEndsInATimeOutInsteadOfHoldingTheCaller) {
    Sim->Keyboard().SetNoiseBeforeAnswer(TBytes(2000, 0xFF));
    Script->Add(Frame({0x9E, 0x01}));
    TBytes answer;

    EXPECT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_IO_TIMEOUT);
    ExpectRestored();
}

TEST_F(ExchangeTest, KeyboardThatNeverAnswersTimesOutOnItsSilencing) {
    Sim->Keyboard().SetMute(true);
    TBytes answer;
    const std::int64_t start = Sim->Clock().Now();

    EXPECT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(TSimulatedDriver::Win32Error(ZV_STATUS_IO_TIMEOUT), 121u);

    // Three attempts at F5h and nothing more of the request; then the closing steps, which try F4h
    // three times as well. Each attempt waits its 300 ms for the acknowledgement.
    const auto& received = Sim->Keyboard().Received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(TBytes(received.begin(), received.begin() + 3), TBytes(3, ZORVATEK_KBD_DISABLE));
    EXPECT_EQ(TBytes(received.end() - 3, received.end()), TBytes(3, ZORVATEK_KBD_ENABLE));
    EXPECT_EQ(std::count(received.begin(), received.end(), ZORVATEK_STX), 0);
    EXPECT_EQ(Sim->Controller().CommandByteWrites().back(), ZV_COMMAND_BYTE_NORMAL);
    EXPECT_TRUE(Sim->Controller().MouseEnabled());
    const std::int64_t elapsed = Sim->Clock().Now() - start;
    EXPECT_GE(elapsed, 6 * 300000);
    EXPECT_LT(elapsed, 6 * 300000 + 300000);
    EXPECT_EQ(Sim->Filter().Capturing, 0);
}

// Each step of the exchange made to fail in turn; every one of them leaves the controller, the
// mouse interface and the keyboard as they were.
struct TFailingStep {
    std::string Name;
    std::function<void(TSimulatedDriver&, TScriptedResponder&)> Arrange;
    std::int32_t Status;
    std::size_t Buffer = ZORVATEK_ANSWER_BUFFER;
    friend void PrintTo(const TFailingStep& step, std::ostream* os) { *os << step.Name; }
};

class FailingStepTest : public TSimFixture, public ::testing::WithParamInterface<TFailingStep> {};

TEST_P(FailingStepTest, RestoresCommandByteKeyboardAndMouse) {
    Script->SetFallback(Frame({0x9E, 0x00}));
    GetParam().Arrange(*Sim, *Script);
    TBytes answer;

    EXPECT_EQ(Exchange(Frame(ReadStatus), answer, GetParam().Buffer), GetParam().Status);
    EXPECT_TRUE(answer.empty());
    ExpectRestored();
}

const TFailingStep FailingSteps[] = {
    {"MouseOff", [](TSimulatedDriver& sim, TScriptedResponder&) { sim.Controller().StayBusy(700000); },
     ZV_STATUS_IO_TIMEOUT},
    {"CommandByte",
     [](TSimulatedDriver& sim, TScriptedResponder&) { sim.Controller().StayBusyAfterWrites(1, 700000); },
     ZV_STATUS_IO_TIMEOUT},
    {"Silence",
     [](TSimulatedDriver& sim, TScriptedResponder&) { sim.Keyboard().FailAcks(3, ZORVATEK_KBD_DISABLE); },
     ZV_STATUS_IO_TIMEOUT},
    {"FrameByte",
     [](TSimulatedDriver& sim, TScriptedResponder&) { sim.Keyboard().FailAcks(3, 0x9E, 0xFE, true); },
     ZV_STATUS_IO_TIMEOUT},
    {"NoAnswer", [](TSimulatedDriver&, TScriptedResponder& script) { script.SetFallback({}); },
     ZV_STATUS_IO_TIMEOUT},
    {"BufferTooSmall", [](TSimulatedDriver&, TScriptedResponder&) {}, ZV_STATUS_BUFFER_TOO_SMALL, 3},
};

INSTANTIATE_TEST_SUITE_P(Steps, FailingStepTest, ::testing::ValuesIn(FailingSteps),
                         [](const auto& info) { return info.param.Name; });

TEST_F(ExchangeTest, ResendAnsweredTwiceStillGetsTheFrameThrough) {
    Sim->Keyboard().FailAcks(2, 0x9E);
    const TBytes reply = Frame({0x9E, 0x01});
    Script->Add(reply);
    TBytes answer;

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, reply);
    EXPECT_EQ(std::count(Sim->Keyboard().Received().begin(), Sim->Keyboard().Received().end(), 0x9E), 3);
}

TEST_F(ExchangeTest, RestoreSendsTheRateAndDelayLastSetThroughTheStack) {
    // Unit 0, 10 characters a second, 750 ms: what the class driver last asked for.
    std::uint8_t typematic[6] = {0, 0, 10, 0, 0xEE, 0x02};
    const ZV_DECISION decision =
        ZvDispatchInternal(&Sim->Filter(), ZV_IOCTL_KEYBOARD_SET_TYPEMATIC, typematic, sizeof typematic);
    EXPECT_EQ(decision.Action, ZV_PASS_DOWN);
    Script->Add(Frame({0x9E, 0x01}));
    TBytes answer;

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(Sim->Keyboard().TypematicByte(), (2 << 5) | 20);
    EXPECT_EQ(TBytes(Sim->Filter().Typematic, Sim->Filter().Typematic + 6), TBytes(typematic, typematic + 6));
}

// The keyboard answers at once and as fast as the wire allows, faster than the DPC gets to run.
TEST_F(ExchangeTest, BurstOfAnswerBytesArrivesWhole) {
    Sim->DpcLatency = 400;
    Sim->Keyboard().WireTime = 30;
    Sim->Keyboard().AnswerDelay = 0;
    Sim->Keyboard().AnswerByteTime = 0;
    TBytes data(255);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(255 - i);
    }
    const TBytes reply = Frame(data);
    Script->Add(reply);
    Script->Add(Frame({0x9E, 0x05}));
    TBytes answer;

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, reply);
    // Bytes came in while the DPC was still queued: with the byte carried by the DPC they were lost.
    EXPECT_GT(Sim->DpcRefusals(), 100);

    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    EXPECT_EQ(answer, Frame({0x9E, 0x05}));
    ExpectRestored(2);
}

// Slow keyboards: each answer byte may take up to 1.2 s; one more and the exchange gives up.
struct TSlowCase {
    std::int64_t ByteTime;
    std::int32_t Status;
};

class SlowAnswerTest : public TSimFixture, public ::testing::WithParamInterface<TSlowCase> {};

TEST_P(SlowAnswerTest, EachCapturedByteGetsItsOwnTimeOut) {
    Sim->Keyboard().WireTime = 0;
    Sim->Keyboard().AnswerDelay = GetParam().ByteTime;
    Sim->Keyboard().AnswerByteTime = GetParam().ByteTime;
    const TBytes reply = Frame({0x9E, 0x01});
    Script->Add(reply);
    TBytes answer;

    EXPECT_EQ(Exchange(Frame(ReadStatus), answer), GetParam().Status);
    if (GetParam().Status == ZV_STATUS_SUCCESS) {
        EXPECT_EQ(answer, reply);
    }
}

INSTANTIATE_TEST_SUITE_P(ByteTimes, SlowAnswerTest,
                         ::testing::Values(TSlowCase{1199000, ZV_STATUS_SUCCESS},
                                           TSlowCase{1201000, ZV_STATUS_IO_TIMEOUT}));

TEST_F(ExchangeTest, KeystrokesPassThroughWhileNoExchangeRuns) {
    Sim->Keyboard().Type({0x1C, 0xF0, 0x1C});
    Sim->Run(20000);
    // The controller translates: the break prefix becomes bit 7.
    EXPECT_EQ(Sim->Keystrokes(), (std::vector<std::uint8_t>{0x1C, 0x9C}));
    EXPECT_EQ(Sim->Filter().RingWrite, 0u);
    EXPECT_EQ(Sim->Filter().RingRead, 0u);
    EXPECT_EQ(Sim->DpcRuns(), 0);
    EXPECT_FALSE(Sim->DataEventSignalled());

    Script->Add(Frame({0x9E, 0x01}));
    TBytes answer;
    ASSERT_EQ(Exchange(Frame(ReadStatus), answer), ZV_STATUS_SUCCESS);
    const auto ringAfterExchange = Sim->Filter().RingWrite;

    Sim->Keyboard().Type({0x32, 0xF0, 0x32});
    Sim->Run(20000);
    EXPECT_EQ(Sim->Keystrokes(), (std::vector<std::uint8_t>{0x1C, 0x9C, 0x32, 0xB2}));
    EXPECT_EQ(Sim->Filter().RingWrite, ringAfterExchange);
}

// The send request sends the bytes as they are: no silencing, no controller command byte.
TEST_F(ExchangeTest, SendRequestOnlySendsTheBytes) {
    TBytes none;
    EXPECT_EQ(Sim->Ioctl(IOCTL_FILTER_SEND, {0xED, 0x02}, none), ZV_STATUS_SUCCESS);
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(Sim->Keyboard().Received(), (TBytes{0xED, 0x02}));
    EXPECT_EQ(Sim->Keyboard().Leds(), 0x02);
    EXPECT_TRUE(Sim->Controller().CommandByteWrites().empty());
    EXPECT_EQ(Sim->Filter().Capturing, 0);
}

TEST_F(ExchangeTest, SendRequestGivesUpAfterThreeRefusedAttempts) {
    TBytes none;
    EXPECT_EQ(Sim->Ioctl(IOCTL_FILTER_SEND, {}, none), ZV_STATUS_SUCCESS);
    EXPECT_TRUE(Sim->Keyboard().Received().empty());

    Sim->Keyboard().FailAcks(3, 0xF6);
    EXPECT_EQ(Sim->Ioctl(IOCTL_FILTER_SEND, {0xF6}, none), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(Sim->Keyboard().Received(), TBytes(3, 0xF6));
    // The refusals were captured, not typed.
    EXPECT_TRUE(Sim->Keystrokes().empty());
}

struct TVersionCase {
    std::size_t Buffer;
    std::int32_t Status;
    TBytes Output;
};

class VersionTest : public TSimFixture, public ::testing::WithParamInterface<TVersionCase> {};

TEST_P(VersionTest, AnswersWithTheDriverVersion) {
    TBytes out(GetParam().Buffer, 0xCC);
    EXPECT_EQ(Sim->Ioctl(IOCTL_FILTER_VERSION, {}, out), GetParam().Status);
    EXPECT_EQ(out, GetParam().Output);
}

INSTANTIATE_TEST_SUITE_P(Buffers, VersionTest,
                         ::testing::Values(TVersionCase{4, ZV_STATUS_SUCCESS, {0x06, 0x00, 0x00, 0x01}},
                                           TVersionCase{16, ZV_STATUS_SUCCESS, {0x06, 0x00, 0x00, 0x01}},
                                           TVersionCase{3, ZV_STATUS_BUFFER_TOO_SMALL, {}},
                                           TVersionCase{0, ZV_STATUS_BUFFER_TOO_SMALL, {}}));

TEST_F(ExchangeTest, UnknownCodesSucceedWithoutEffect) {
    TBytes out(8, 0xCC);
    EXPECT_EQ(Sim->Ioctl(ZORVATEK_CTL_CODE(0x803), {1, 2, 3}, out), ZV_STATUS_SUCCESS);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(Sim->Keyboard().Received().empty());
    EXPECT_TRUE(Sim->Controller().Writes().empty());
}

TEST(ControlCodes, AreBuiltFromTheirFunctionNumbers) {
    EXPECT_EQ(IOCTL_FILTER_SEND, 0x000B2000u);
    EXPECT_EQ(IOCTL_FILTER_EXCHANGE, 0x000B2004u);
    EXPECT_EQ(IOCTL_FILTER_VERSION, 0x000B2008u);
}

} // namespace
} // namespace lay::sim
