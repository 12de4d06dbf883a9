#include "driver/sim/SimulatedDriver.h"

#include <algorithm>

#include "driver/sim/ScriptedResponder.h"

namespace lay::sim {

namespace {
// Stand-ins for the addresses of the driver's own routines and of the routines the port and
// class drivers hand over: the simulated stack recognises them by address.
char FilterServiceCallback;
char FilterInitialization;
char FilterInterruptHook;
char PortInitialization;
char PortHookContext;
char ClassServiceCallback;

constexpr std::uint16_t DataPort = 0x60;
constexpr std::uint16_t StatusPort = 0x64;
constexpr std::int64_t PortDriverTimeout = 100000; // the port driver's own bound per byte
} // namespace

struct TSimServices {
    static TSimulatedDriver& Sim(ZV_DEVICE_EXTENSION* ext) {
        return *static_cast<TSimulatedDriver*>(ext->Platform);
    }

    static std::uint8_t ReadPort(ZV_DEVICE_EXTENSION* ext, std::uint16_t port) {
        return Sim(ext).FController.ReadPort(port);
    }
    static void WritePort(ZV_DEVICE_EXTENSION* ext, std::uint16_t port, std::uint8_t value) {
        Sim(ext).FController.WritePort(port, value);
    }
    static void Stall(ZV_DEVICE_EXTENSION* ext, std::uint32_t microseconds) {
        Sim(ext).FClock.Advance(microseconds);
    }
    static ZV_STATUS WaitForData(ZV_DEVICE_EXTENSION* ext, std::int64_t timeout) {
        TSimulatedDriver& sim = Sim(ext);
        const std::int64_t deadline = sim.FClock.Now() + (timeout < 0 ? -timeout / 10 : 0);
        return sim.FClock.RunUntil([&sim] { return sim.FEvent; }, deadline) ? ZV_STATUS_SUCCESS
                                                                            : ZV_STATUS_TIMEOUT;
    }
    static void SetDataEvent(ZV_DEVICE_EXTENSION* ext) { SetEvent(Sim(ext), true); }
    static void ClearDataEvent(ZV_DEVICE_EXTENSION* ext) { SetEvent(Sim(ext), false); }
    static void SetEvent(TSimulatedDriver& sim, bool signalled) {
        if (!sim.FLockHeld) {
            ++sim.FLockViolations;
        }
        sim.FEvent = signalled;
    }
    static std::int32_t Increment(volatile std::int32_t* value) {
        *value = *value + 1;
        return *value;
    }
    static std::int32_t Decrement(volatile std::int32_t* value) {
        *value = *value - 1;
        return *value;
    }
    static std::uint8_t QueueDpc(ZV_DEVICE_EXTENSION* ext, std::uint8_t) {
        TSimulatedDriver& sim = Sim(ext);
        if (sim.FDpcQueued) {
            ++sim.FDpcRefusals;
            return 0;
        }
        sim.FDpcQueued = true;
        ZV_DEVICE_EXTENSION* filter = &sim.FFilter.Ext;
        sim.FClock.Schedule(sim.DpcLatency, [&sim, filter] {
            sim.FDpcQueued = false;
            ++sim.FDpcRuns;
            ZvDpcRoutine(filter);
        });
        return 1;
    }
    static std::uint8_t AcquireRingLock(ZV_DEVICE_EXTENSION* ext) {
        TSimulatedDriver& sim = Sim(ext);
        if (sim.FLockHeld) {
            ++sim.FLockViolations;
        }
        sim.FLockHeld = true;
        return 0;
    }
    static void ReleaseRingLock(ZV_DEVICE_EXTENSION* ext, std::uint8_t) {
        TSimulatedDriver& sim = Sim(ext);
        if (!sim.FLockHeld) {
            ++sim.FLockViolations;
        }
        sim.FLockHeld = false;
    }
    static void DebugPrint(ZV_DEVICE_EXTENSION* ext, const char* text) {
        Sim(ext).FDebugLog.emplace_back(text);
    }
    static ZV_DEVICE_EXTENSION* ExtensionOf(void* device) {
        return &static_cast<TSimulatedDriver::TSimDevice*>(device)->Ext;
    }
    static ZV_STATUS SendInternalRequest(ZV_DEVICE_EXTENSION* ext, std::uint32_t code, const void* input,
                                         std::uint32_t inputLength) {
        TSimulatedDriver& sim = Sim(ext);
        // The request is built with a buffer of its own and enters the stack at the filter.
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        TBytes buffer(bytes, bytes + inputLength);
        ZV_DECISION decision = ZvDispatchInternal(ExtensionOf(ext->FilterDevice), code,
                                                  buffer.empty() ? nullptr : buffer.data(), inputLength);
        if (decision.Action == ZV_COMPLETE) {
            return decision.Status;
        }
        if (code == ZV_IOCTL_KEYBOARD_SET_TYPEMATIC && buffer.size() >= ZV_TYPEMATIC_SIZE) {
            return sim.PortSetTypematic(buffer.data());
        }
        return ZV_STATUS_SUCCESS;
    }
    static ZV_STATUS PortInitializationRoutine(ZV_DEVICE_EXTENSION*, void*) { return ZV_STATUS_SUCCESS; }
};

namespace {
const ZV_KERNEL_SERVICES SimServices = {
    .ReadPort = &TSimServices::ReadPort,
    .WritePort = &TSimServices::WritePort,
    .Stall = &TSimServices::Stall,
    .WaitForData = &TSimServices::WaitForData,
    .SetDataEvent = &TSimServices::SetDataEvent,
    .ClearDataEvent = &TSimServices::ClearDataEvent,
    .InterlockedIncrement = &TSimServices::Increment,
    .InterlockedDecrement = &TSimServices::Decrement,
    .QueueDpc = &TSimServices::QueueDpc,
    .AcquireRingLock = &TSimServices::AcquireRingLock,
    .ReleaseRingLock = &TSimServices::ReleaseRingLock,
    .DebugPrint = &TSimServices::DebugPrint,
    .ExtensionOf = &TSimServices::ExtensionOf,
    .SendInternalRequest = &TSimServices::SendInternalRequest,
    .ServiceCallback = &FilterServiceCallback,
    .InitializationRoutine = &FilterInitialization,
    .InterruptHook = &FilterInterruptHook,
};
} // namespace

TSimulatedDriver::TSimulatedDriver(std::unique_ptr<TFrameResponder> responder)
    : FController(FClock),
      FKeyboard(FClock, FController,
                responder ? std::move(responder) : std::make_unique<TScriptedResponder>()) {
    FController.Attach(&FKeyboard);
    FController.OnInterrupt([this] { PortInterrupt(); });

    // What the Plug and Play manager, the class driver and the port driver do when the stack is
    // built: add the filter, connect the class driver, hook the port driver, start, initialise.
    ZvInitFilterExtension(&FFilter.Ext, &SimServices, &FFilter, &FPhysicalDevice, &FLowerDevice, &FEvent,
                          &FLockHeld, this);
    ZvInitControlExtension(&FControl.Ext, &FFilter.Ext, &FControl, this);

    FPortConnection = ZV_CONNECT_DATA{&FClassDevice, &ClassServiceCallback};
    ZvDispatchInternal(&FFilter.Ext, ZV_IOCTL_INTERNAL_KEYBOARD_CONNECT, &FPortConnection,
                       sizeof FPortConnection);

    FPortHook = ZV_HOOK_KEYBOARD{&PortHookContext, &PortInitialization, nullptr, nullptr, nullptr, nullptr};
    ZvDispatchInternal(&FFilter.Ext, ZV_IOCTL_INTERNAL_I8042_HOOK_KEYBOARD, &FPortHook, sizeof FPortHook);

    if (ZvDispatchPnp(&FFilter.Ext, ZV_PNP_START_DEVICE).Action == ZV_PASS_DOWN_AND_WAIT) {
        ZvPnpStartCompleted(&FFilter.Ext, ZV_STATUS_SUCCESS);
    }

    std::uint8_t translate = 0;
    if (FPortHook.InitializationRoutine == SimServices.InitializationRoutine &&
        ZV_SUCCESS(ZvInitializationRoutine(ExtensionOfHook(), &TSimServices::PortInitializationRoutine, this,
                                           &translate)) &&
        translate) {
        FController.SetCommandByte(FController.CommandByte() | TI8042Controller::Translation);
    }
}

TSimulatedDriver::~TSimulatedDriver() = default;

const ZV_KERNEL_SERVICES& TSimulatedDriver::Services() const {
    return SimServices;
}

ZV_DEVICE_EXTENSION* TSimulatedDriver::ExtensionOfHook() {
    return TSimServices::ExtensionOf(FPortHook.Context);
}

std::int32_t TSimulatedDriver::Ioctl(std::uint32_t code, const TBytes& in, TBytes& out) {
    // Buffered transfer: one system buffer, large enough for either direction.
    TBytes system(std::max(in.size(), out.size()));
    std::copy(in.begin(), in.end(), system.begin());
    std::uint8_t* buffer = system.empty() ? nullptr : system.data();
    std::uint32_t information = 0;
    const ZV_STATUS status = ZvDeviceControl(
        &FControl.Ext, code, in.empty() ? nullptr : buffer, static_cast<std::uint32_t>(in.size()),
        out.empty() ? nullptr : buffer, static_cast<std::uint32_t>(out.size()), &information);
    if (ZV_SUCCESS(status)) {
        out.assign(system.begin(), system.begin() + std::min<std::size_t>(information, out.size()));
    } else {
        out.clear();
    }
    return status;
}

std::uint32_t TSimulatedDriver::Win32Error(std::int32_t status) {
    switch (status) {
    case ZV_STATUS_SUCCESS:
        return 0;
    case ZV_STATUS_IO_TIMEOUT:
        return 121; // ERROR_SEM_TIMEOUT
    case ZV_STATUS_BUFFER_TOO_SMALL:
        return 122; // ERROR_INSUFFICIENT_BUFFER
    case ZV_STATUS_INVALID_PARAMETER:
        return 87; // ERROR_INVALID_PARAMETER
    case ZV_STATUS_NOT_IMPLEMENTED:
        return 1; // ERROR_INVALID_FUNCTION
    default:
        return 31; // ERROR_GEN_FAILURE
    }
}

void TSimulatedDriver::PortInterrupt() {
    // As the port driver's interrupt service routine: status, then the byte, then the hook.
    (void)FController.ReadPort(StatusPort);
    const std::uint8_t byte = FController.ReadPort(DataPort);
    if (FPortHook.IsrRoutine == SimServices.InterruptHook && !ZvInterruptHook(ExtensionOfHook(), byte)) {
        return;
    }
    if (FPortExpectsAck && (byte == 0xFA || byte == 0xFE)) {
        FPortAck = byte;
        return;
    }
    // A keystroke goes to whoever the port driver was connected to: the filter's callback,
    // which hands it on to the class driver the filter recorded.
    if (FPortConnection.ClassService == SimServices.ServiceCallback) {
        const ZV_DEVICE_EXTENSION* filter = TSimServices::ExtensionOf(FPortConnection.ClassDeviceObject);
        if (filter->ClassConnection.ClassService == &ClassServiceCallback &&
            filter->ClassConnection.ClassDeviceObject == &FClassDevice) {
            ClassService(byte);
        }
    } else if (FPortConnection.ClassService == &ClassServiceCallback) {
        ClassService(byte);
    }
}

void TSimulatedDriver::ClassService(std::uint8_t byte) {
    FKeystrokes.push_back(byte);
}

bool TSimulatedDriver::PortWrite(std::uint8_t byte) {
    const std::int64_t limit = FClock.Now() + PortDriverTimeout;
    while (FController.InputFull()) {
        if (FClock.Now() >= limit) {
            return false;
        }
        FClock.Advance(10);
    }
    FPortAck = -1;
    FPortExpectsAck = true;
    FController.WritePort(DataPort, byte);
    FClock.RunUntil([this] { return FPortAck >= 0; }, FClock.Now() + PortDriverTimeout);
    FPortExpectsAck = false;
    return FPortAck == 0xFA;
}

std::int32_t TSimulatedDriver::PortSetTypematic(const std::uint8_t* parameters) {
    ++FTypematicRequests;
    // Rate in characters per second and delay in milliseconds, squeezed into the keyboard's
    // one-byte form the way a port driver would: a rough scale is all the simulation needs.
    const int rate = parameters[2] | (parameters[3] << 8);
    const int delay = parameters[4] | (parameters[5] << 8);
    const int rateIndex = std::clamp(30 - rate, 0, 31);
    const int delayIndex = std::clamp(delay / 250 - 1, 0, 3);
    const auto value = static_cast<std::uint8_t>((delayIndex << 5) | rateIndex);
    if (!PortWrite(0xF3) || !PortWrite(value)) {
        return ZV_STATUS_IO_TIMEOUT;
    }
    return ZV_STATUS_SUCCESS;
}

} // namespace lay::sim
