#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "driver/core/ZorvatekCore.h"
#include "driver/sim/FrameResponder.h"
#include "driver/sim/I8042Controller.h"
#include "driver/sim/PosKeyboard.h"
#include "driver/sim/VirtualClock.h"

namespace lay::sim {

// The driver core in a simulated machine: one keyboard stack with the filter added, hooked into a
// simulated i8042 port driver and connected to a class driver that collects keystrokes, plus
// the control device. Control requests go in the way the I/O manager hands them over (one
// system buffer for input and output) and come back in virtual time.
class TSimulatedDriver {
public:
    // Without a responder the keyboard gets an empty script and answers no frame.
    explicit TSimulatedDriver(std::unique_ptr<TFrameResponder> responder = nullptr);
    ~TSimulatedDriver();
    TSimulatedDriver(const TSimulatedDriver&) = delete;
    TSimulatedDriver& operator=(const TSimulatedDriver&) = delete;

    // A control request on the control device. out.size() is the output buffer's length on the
    // way in; on return out holds the bytes returned. The result is the request's status.
    std::int32_t Ioctl(std::uint32_t code, const TBytes& in, TBytes& out);
    // What DeviceIoControl's caller finds in GetLastError for a status.
    static std::uint32_t Win32Error(std::int32_t status);

    // Lets virtual time pass, so that typed keys reach the class driver.
    void Run(std::int64_t microseconds) { FClock.Advance(microseconds); }

    TVirtualClock& Clock() { return FClock; }
    TI8042Controller& Controller() { return FController; }
    TPosKeyboard& Keyboard() { return FKeyboard; }
    ZV_DEVICE_EXTENSION& Filter() { return FFilter.Ext; }
    ZV_DEVICE_EXTENSION& Control() { return FControl.Ext; }
    const ZV_KERNEL_SERVICES& Services() const;

    // Bytes that reached the keyboard class driver as keystrokes.
    const std::vector<std::uint8_t>& Keystrokes() const { return FKeystrokes; }
    const std::vector<std::string>& DebugLog() const { return FDebugLog; }
    // Typematic requests that reached the port driver, and how they ended.
    int TypematicRequests() const { return FTypematicRequests; }
    // DPC bookkeeping: queue requests refused because the DPC was still queued, and runs.
    int DpcRefusals() const { return FDpcRefusals; }
    int DpcRuns() const { return FDpcRuns; }
    // The data event touched without the ring lock, or the lock taken twice: must stay 0.
    int LockViolations() const { return FLockViolations; }
    bool DataEventSignalled() const { return FEvent; }

    // How long a queued DPC waits before it runs.
    std::int64_t DpcLatency = 20;

private:
    struct TSimDevice {
        ZV_DEVICE_EXTENSION Ext;
    };

    friend struct TSimServices;

    ZV_DEVICE_EXTENSION* ExtensionOfHook();
    void PortInterrupt();
    void ClassService(std::uint8_t byte);
    std::int32_t PortSetTypematic(const std::uint8_t* parameters);
    bool PortWrite(std::uint8_t byte);

    TVirtualClock FClock;
    TI8042Controller FController;
    TPosKeyboard FKeyboard;

    TSimDevice FFilter{};
    TSimDevice FControl{};
    int FPhysicalDevice = 0;
    int FLowerDevice = 0;
    int FClassDevice = 0;
    ZV_CONNECT_DATA FPortConnection{}; // as the port driver got it after the filter
    ZV_HOOK_KEYBOARD FPortHook{};      // as the port driver got it back from the filter

    bool FEvent = false;
    bool FLockHeld = false;
    bool FDpcQueued = false;
    int FDpcRefusals = 0;
    int FDpcRuns = 0;
    int FLockViolations = 0;
    int FPortAck = -1;
    bool FPortExpectsAck = false;
    int FTypematicRequests = 0;
    std::vector<std::uint8_t> FKeystrokes;
    std::vector<std::string> FDebugLog;
};

} // namespace lay::sim
