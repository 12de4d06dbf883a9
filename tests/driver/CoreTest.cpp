#include <gtest/gtest.h>

#include "SimFixture.h"

namespace lay::sim {
namespace {

class RingTest : public TSimFixture {};

TEST_F(RingTest, HoldsAtMost511BytesInOrderAndTheEventFollowsIt) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    // Start away from index 0 so that the ring wraps.
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(ZvRingAppend(&ext, 0), 1);
    }
    ZvRingFlush(&ext);
    EXPECT_FALSE(Sim->DataEventSignalled());

    for (int i = 0; i < 511; ++i) {
        ASSERT_EQ(ZvRingAppend(&ext, static_cast<std::uint8_t>(i)), 1) << i;
    }
    EXPECT_EQ(ZvRingAppend(&ext, 0xEE), 0);
    EXPECT_EQ(ZvRingCount(&ext), 511u);
    ZvUpdateDataEvent(&ext);
    EXPECT_TRUE(Sim->DataEventSignalled());

    for (int i = 0; i < 511; ++i) {
        std::uint8_t byte = 0;
        ASSERT_EQ(ZvRingTake(&ext, &byte), 1);
        ASSERT_EQ(byte, static_cast<std::uint8_t>(i));
        EXPECT_EQ(Sim->DataEventSignalled(), i < 510);
    }
    std::uint8_t byte = 0x77;
    EXPECT_EQ(ZvRingTake(&ext, &byte), 0);
    EXPECT_EQ(byte, 0x77);
    EXPECT_EQ(Sim->LockViolations(), 0);
}

TEST_F(RingTest, FlushEmptiesTheRingAndClearsTheEvent) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    ZvRingAppend(&ext, 1);
    ZvRingAppend(&ext, 2);
    ZvUpdateDataEvent(&ext);
    ASSERT_TRUE(Sim->DataEventSignalled());

    ZvStartCapture(&ext);
    EXPECT_EQ(ZvRingCount(&ext), 0u);
    EXPECT_FALSE(Sim->DataEventSignalled());
    EXPECT_EQ(ext.Capturing, 1);
    ZvStopCapture(&ext);
    EXPECT_EQ(ext.Capturing, 0);
}

// The interrupt path stores the byte itself; the DPC only brings the event up to date, and one
// run covers every byte stored before it.
TEST_F(RingTest, InterruptPathKeepsEveryByteWhileTheDpcIsQueued) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    Sim->DpcLatency = 1000;
    ZvStartCapture(&ext);
    for (std::uint8_t b = 1; b <= 5; ++b) {
        EXPECT_EQ(ZvInterruptHook(&ext, b), 0);
    }
    EXPECT_EQ(Sim->DpcRefusals(), 4);
    EXPECT_FALSE(Sim->DataEventSignalled());
    Sim->Run(1000);
    EXPECT_EQ(Sim->DpcRuns(), 1);
    EXPECT_TRUE(Sim->DataEventSignalled());
    for (std::uint8_t b = 1; b <= 5; ++b) {
        std::uint8_t byte = 0;
        ASSERT_EQ(ZvRingTake(&ext, &byte), 1);
        EXPECT_EQ(byte, b);
    }
    ZvStopCapture(&ext);
    EXPECT_EQ(ZvInterruptHook(&ext, 9), 1);
    EXPECT_EQ(ZvRingCount(&ext), 0u);
}

class TimeoutTest : public TSimFixture {};

TEST_F(TimeoutTest, ControllerWaitGivesUpAfter12000PollsOf50Microseconds) {
    Sim->Controller().StayBusy(10000000);
    const std::int64_t start = Sim->Clock().Now();
    EXPECT_EQ(ZvWriteData(&Sim->Filter(), 0xF4), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(Sim->Clock().Now() - start, 600000);
    EXPECT_TRUE(Sim->Keyboard().Received().empty());
    EXPECT_TRUE(Sim->Controller().Writes().empty());
}

TEST_F(TimeoutTest, ControllerWaitDiscardsBytesWaitingInTheOutputBuffer) {
    // With the keyboard interrupt off the byte stays in the controller until someone reads it.
    Sim->Controller().SetCommandByte(0x44);
    Sim->Keyboard().Type({0x1C});
    Sim->Run(5000);
    ASSERT_TRUE(Sim->Controller().OutputFull());

    EXPECT_EQ(ZvWriteCommandByte(&Sim->Filter(), 0x47), ZV_STATUS_SUCCESS);
    EXPECT_FALSE(Sim->Controller().OutputFull());
    EXPECT_EQ(Sim->Controller().CommandByte(), 0x47);
    EXPECT_TRUE(Sim->Keystrokes().empty());
}

TEST_F(TimeoutTest, AcknowledgementIsAwaited300Milliseconds) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    ZvStartCapture(&ext);
    const std::int64_t start = Sim->Clock().Now();
    EXPECT_EQ(ZvReceiveAck(&ext), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(Sim->Clock().Now() - start, 300000);

    Sim->Clock().Schedule(299000, [&ext] { ZvInterruptHook(&ext, 0xFA); });
    EXPECT_EQ(ZvReceiveAck(&ext), ZV_STATUS_SUCCESS);
    EXPECT_EQ(ext.Answer[0], 0xFA);
    EXPECT_EQ(ext.AnswerLength, 1);
}

TEST_F(TimeoutTest, EveryCapturedByteOfAnAnswerIsAwaited1200Milliseconds) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    ZvStartCapture(&ext);
    const std::int64_t start = Sim->Clock().Now();
    EXPECT_EQ(ZvReceiveFrame(&ext), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(Sim->Clock().Now() - start, 1200000);

    // One nibble after a second: the clock starts again from there.
    Sim->Clock().Schedule(1000000, [&ext] { ZvInterruptHook(&ext, 0x02); });
    const std::int64_t second = Sim->Clock().Now();
    EXPECT_EQ(ZvReceiveFrame(&ext), ZV_STATUS_IO_TIMEOUT);
    EXPECT_EQ(Sim->Clock().Now() - second, 1000000 + Sim->DpcLatency + 1200000);
}

TEST_F(TimeoutTest, FrameOfNoDataEndsWithItsChecksum) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    ZvStartCapture(&ext);
    // 02h 00h 00h as nibbles, plus a stray byte after the frame that must stay in the ring.
    for (std::uint8_t nibble : {0x2, 0x0, 0x0, 0x0, 0x0, 0x0, 0x7}) {
        ZvInterruptHook(&ext, nibble);
    }
    Sim->Run(Sim->DpcLatency);
    EXPECT_EQ(ZvReceiveFrame(&ext), ZV_STATUS_SUCCESS);
    EXPECT_EQ(TBytes(ext.Answer, ext.Answer + ext.AnswerLength), (TBytes{0x02, 0x00, 0x00}));
    EXPECT_EQ(ZvRingCount(&ext), 1u);
}

// Dispatch decisions on an extension of their own, before any class driver has connected.
class DispatchTest : public TSimFixture {
protected:
    DispatchTest() {
        ZvInitFilterExtension(&Ext, &Sim->Services(), &Sim->Filter(), &Physical, &Lower, nullptr, nullptr,
                              Sim.get());
    }

    ZV_DECISION Internal(std::uint32_t code, void* input, std::uint32_t length) {
        return ZvDispatchInternal(&Ext, code, input, length);
    }

    ZV_DEVICE_EXTENSION Ext{};
    int Physical = 0;
    int Lower = 0;
    int ClassDevice = 0;
    int ClassService = 0;
};

TEST_F(DispatchTest, FreshExtension) {
    EXPECT_EQ(Ext.PowerState, ZV_POWER_D0);
    EXPECT_EQ(Ext.Started + Ext.Removed + Ext.SurpriseRemoved + Ext.Capturing + Ext.IsControlDevice, 0);
    EXPECT_EQ(TBytes(Ext.Typematic, Ext.Typematic + 6), TBytes(6, 0));
    EXPECT_EQ(Ext.PhysicalDevice, &Physical);
    EXPECT_EQ(Ext.LowerDevice, &Lower);
}

TEST_F(DispatchTest, CreateCountsOpensOnlyOnceTheClassDriverHasConnected) {
    ZV_DECISION d = ZvDispatchCreate(&Ext);
    EXPECT_EQ(d.Action, ZV_PASS_DOWN);
    EXPECT_TRUE(d.SetStatus);
    EXPECT_EQ(d.Status, ZV_STATUS_INVALID_DEVICE_STATE);
    EXPECT_EQ(Ext.OpenCount, 0);

    ZV_CONNECT_DATA connect{&ClassDevice, &ClassService};
    ASSERT_EQ(Internal(ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, &connect, sizeof connect).Action, ZV_PASS_DOWN);
    d = ZvDispatchCreate(&Ext);
    EXPECT_EQ(d.Action, ZV_PASS_DOWN);
    EXPECT_FALSE(d.SetStatus);
    EXPECT_EQ(Ext.OpenCount, 1);
    EXPECT_EQ(ZvDispatchClose(&Ext).Action, ZV_PASS_DOWN);
    EXPECT_EQ(Ext.OpenCount, 0);
}

TEST_F(DispatchTest, ConnectIsRecordedAndRedirectedOnceOnly) {
    ZV_CONNECT_DATA connect{&ClassDevice, &ClassService};
    ZV_DECISION d = Internal(ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, &connect, sizeof connect - 1);
    EXPECT_EQ(d.Action, ZV_COMPLETE);
    EXPECT_EQ(d.Status, ZV_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Internal(ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, nullptr, sizeof connect).Status,
              ZV_STATUS_INVALID_PARAMETER);

    d = Internal(ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, &connect, sizeof connect);
    EXPECT_EQ(d.Action, ZV_PASS_DOWN);
    EXPECT_EQ(Ext.ClassConnection.ClassDeviceObject, &ClassDevice);
    EXPECT_EQ(Ext.ClassConnection.ClassService, &ClassService);
    EXPECT_EQ(connect.ClassDeviceObject, Ext.FilterDevice);
    EXPECT_EQ(connect.ClassService, Sim->Services().ServiceCallback);

    ZV_CONNECT_DATA second{&Physical, &Lower};
    d = Internal(ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, &second, sizeof second);
    EXPECT_EQ(d.Action, ZV_COMPLETE);
    EXPECT_EQ(d.Status, ZV_STATUS_SHARING_VIOLATION);
    EXPECT_EQ(Ext.ClassConnection.ClassService, &ClassService);

    d = Internal(ZV_IOCTL_INTERNAL_KEYBOARD_DISCONNECT, nullptr, 0);
    EXPECT_EQ(d.Action, ZV_COMPLETE);
    EXPECT_EQ(d.Status, ZV_STATUS_NOT_IMPLEMENTED);
}

TEST_F(DispatchTest, HookPutsTheDriversRoutinesInPlaceAndKeepsThePortDriversOnes) {
    int context = 0, init = 0, isr = 0, write = 0, queue = 0, call = 0;
    ZV_HOOK_KEYBOARD hook{&context, &init, &isr, &write, &queue, &call};
    ZV_DECISION d = Internal(ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD, &hook, sizeof hook - 1);
    EXPECT_EQ(d.Action, ZV_COMPLETE);
    EXPECT_EQ(d.Status, ZV_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(hook.Context, &context);

    d = Internal(ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD, &hook, sizeof hook);
    EXPECT_EQ(d.Action, ZV_PASS_DOWN);
    EXPECT_EQ(hook.Context, Ext.FilterDevice);
    EXPECT_EQ(hook.InitializationRoutine, Sim->Services().InitializationRoutine);
    EXPECT_EQ(hook.IsrRoutine, Sim->Services().InterruptHook);
    EXPECT_EQ(Ext.HookContext, &context);
    EXPECT_EQ(Ext.NextInitializationRoutine, &init);
    EXPECT_EQ(Ext.NextInterruptHook, &isr);
    EXPECT_EQ(Ext.WritePortRoutine, &write);
    EXPECT_EQ(Ext.QueuePacketRoutine, &queue);
    EXPECT_EQ(Ext.CallContext, &call);
}

TEST_F(DispatchTest, HookWithoutRoutinesStillGetsTheDriversOwn) {
    int context = 0;
    ZV_HOOK_KEYBOARD hook{&context, nullptr, nullptr, nullptr, nullptr, nullptr};
    ASSERT_EQ(Internal(ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD, &hook, sizeof hook).Action, ZV_PASS_DOWN);
    EXPECT_EQ(hook.IsrRoutine, Sim->Services().InterruptHook);
    EXPECT_EQ(Ext.NextInterruptHook, nullptr);
    EXPECT_EQ(Ext.NextInitializationRoutine, nullptr);
}

TEST_F(DispatchTest, TypematicParametersAreKeptFromSixBytesOn) {
    std::uint8_t shortInput[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(Internal(ZV_IOCTL_KEYBOARD_SET_TYPEMATIC, shortInput, 5).Action, ZV_PASS_DOWN);
    EXPECT_EQ(TBytes(Ext.Typematic, Ext.Typematic + 6), TBytes(6, 0));
    std::uint8_t input[8] = {1, 0, 20, 0, 0xF4, 0x01, 9, 9};
    EXPECT_EQ(Internal(ZV_IOCTL_KEYBOARD_SET_TYPEMATIC, input, 8).Action, ZV_PASS_DOWN);
    EXPECT_EQ(TBytes(Ext.Typematic, Ext.Typematic + 6), TBytes(input, input + 6));

    EXPECT_EQ(Internal(ZV_IOCTL_INTERNAL_I8042_KEYBOARD_WRITE_BUFFER, input, 8).Action, ZV_PASS_DOWN);
    EXPECT_EQ(Internal(0x000B0FFFu, nullptr, 0).Action, ZV_PASS_DOWN);
}

TEST_F(DispatchTest, PowerAndPlugAndPlay) {
    EXPECT_EQ(ZvDispatchPower(&Ext, 1, 4).Action, ZV_POWER_PASS_DOWN);
    EXPECT_EQ(Ext.PowerState, 4u);
    EXPECT_EQ(ZvDispatchPower(&Ext, 0, 2).Action, ZV_POWER_PASS_DOWN);
    EXPECT_EQ(Ext.PowerState, 4u);

    EXPECT_EQ(ZvDispatchPnp(&Ext, ZV_PNP_START_DEVICE).Action, ZV_PASS_DOWN_AND_WAIT);
    EXPECT_EQ(ZvPnpStartCompleted(&Ext, ZV_STATUS_INVALID_PARAMETER), ZV_STATUS_INVALID_PARAMETER);
    EXPECT_EQ(Ext.Started, 0);

    EXPECT_EQ(ZvDispatchPnp(&Ext, ZV_PNP_SURPRISE_REMOVAL).Action, ZV_PASS_DOWN);
    EXPECT_EQ(Ext.SurpriseRemoved, 1);
    EXPECT_EQ(ZvPnpStartCompleted(&Ext, ZV_STATUS_SUCCESS), ZV_STATUS_SUCCESS);
    EXPECT_EQ(Ext.Started, 1);
    EXPECT_EQ(Ext.SurpriseRemoved, 0);

    EXPECT_EQ(ZvDispatchPnp(&Ext, 0x07).Action, ZV_PASS_DOWN);
    const ZV_DECISION remove = ZvDispatchPnp(&Ext, ZV_PNP_REMOVE_DEVICE);
    EXPECT_EQ(remove.Action, ZV_PASS_DOWN_AND_REMOVE);
    EXPECT_EQ(remove.Status, ZV_STATUS_SUCCESS);
    EXPECT_EQ(Ext.Removed, 1);
}

TEST_F(DispatchTest, ControlDeviceCompletesEverythingButItsOwnRequests) {
    ZV_DEVICE_EXTENSION control{};
    int controlDevice = 0;
    ZvInitControlExtension(&control, &Ext, &controlDevice, Sim.get());
    EXPECT_EQ(Ext.ControlDevice, &controlDevice);
    EXPECT_EQ(control.FilterDevice, Ext.FilterDevice);

    const ZV_DECISION decisions[] = {
        ZvDispatchCreate(&control),
        ZvDispatchClose(&control),
        ZvDispatchOther(&control),
        ZvDispatchInternal(&control, ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, nullptr, 0),
        ZvDispatchPower(&control, 1, 4),
        ZvDispatchPnp(&control, ZV_PNP_REMOVE_DEVICE),
    };
    for (const ZV_DECISION& d : decisions) {
        EXPECT_EQ(d.Action, ZV_COMPLETE);
        EXPECT_EQ(d.Status, ZV_STATUS_SUCCESS);
    }
    EXPECT_EQ(control.OpenCount, 0);
    EXPECT_EQ(control.Removed, 0);
    EXPECT_EQ(ZvDispatchOther(&Ext).Action, ZV_PASS_DOWN);

    // Device control on the filter device is completed at once and touches nothing.
    std::uint8_t buffer[4] = {};
    std::uint32_t information = 7;
    EXPECT_EQ(ZvDeviceControl(&Ext, IOCTL_FILTER_VERSION, nullptr, 0, buffer, 4, &information),
              ZV_STATUS_SUCCESS);
    EXPECT_EQ(information, 0u);
    EXPECT_EQ(buffer[3], 0);
}

TEST_F(DispatchTest, ControlRequestsWithoutAFilterDeviceAreRefused) {
    ZV_DEVICE_EXTENSION control{};
    ZvInitControlExtension(&control, &Ext, nullptr, Sim.get());
    control.FilterDevice = nullptr;
    std::uint8_t frame[3] = {0x02, 0x00, 0x00};
    std::uint32_t information = 0;
    EXPECT_EQ(ZvDeviceControl(&control, IOCTL_FILTER_EXCHANGE, frame, 3, frame, 3, &information),
              ZV_STATUS_INVALID_DEVICE_STATE);
    EXPECT_EQ(ZvDeviceControl(&control, IOCTL_FILTER_SEND, nullptr, 4, nullptr, 0, &information),
              ZV_STATUS_INVALID_PARAMETER);
}

struct TInitCase {
    bool HasNext;
    std::int32_t NextStatus;
    std::int32_t Status;
    std::uint8_t TurnOn;
};

class InitializationTest : public TSimFixture, public ::testing::WithParamInterface<TInitCase> {};

TEST_P(InitializationTest, CallsThePortDriversRoutineAndTurnsTranslationOn) {
    ZV_DEVICE_EXTENSION& ext = Sim->Filter();
    static std::int32_t nextStatus;
    static int calls;
    nextStatus = GetParam().NextStatus;
    calls = 0;
    int marker = 0;
    ext.NextInitializationRoutine = GetParam().HasNext ? &marker : nullptr;
    const std::size_t printed = Sim->DebugLog().size();

    std::uint8_t turnOn = 0;
    EXPECT_EQ(ZvInitializationRoutine(
                  &ext,
                  [](ZV_DEVICE_EXTENSION*, void*) -> ZV_STATUS {
                      ++calls;
                      return nextStatus;
                  },
                  nullptr, &turnOn),
              GetParam().Status);
    EXPECT_EQ(turnOn, GetParam().TurnOn);
    EXPECT_EQ(calls, GetParam().HasNext ? 1 : 0);
    ASSERT_EQ(Sim->DebugLog().size(), printed + 1);
    EXPECT_EQ(Sim->DebugLog().back(), "KbFilter_InitializationRoutine\n");
}

INSTANTIATE_TEST_SUITE_P(Cases, InitializationTest,
                         ::testing::Values(TInitCase{false, ZV_STATUS_INVALID_PARAMETER, ZV_STATUS_SUCCESS,
                                                     1},
                                           TInitCase{true, ZV_STATUS_SUCCESS, ZV_STATUS_SUCCESS, 1},
                                           TInitCase{true, ZV_STATUS_IO_TIMEOUT, ZV_STATUS_IO_TIMEOUT, 0}));

TEST(SimulatedStack, IsBuiltLikeTheRealOne) {
    TSimulatedDriver sim;
    const ZV_DEVICE_EXTENSION& filter = sim.Filter();
    EXPECT_EQ(filter.Started, 1);
    EXPECT_NE(filter.ClassConnection.ClassService, nullptr);
    EXPECT_NE(filter.NextInitializationRoutine, nullptr);
    EXPECT_NE(filter.ControlDevice, nullptr);
    EXPECT_EQ(sim.Control().FilterDevice, filter.FilterDevice);
    EXPECT_TRUE(sim.Control().IsControlDevice);
    EXPECT_EQ(sim.DebugLog(), (std::vector<std::string>{"KbFilter_InitializationRoutine\n"}));
    EXPECT_TRUE(sim.Controller().CommandByte() & TI8042Controller::Translation);
}

} // namespace
} // namespace lay::sim
