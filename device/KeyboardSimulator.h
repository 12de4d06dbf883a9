#pragma once

#include <memory>
#include <optional>
#include <string>

#include "device/Clock.h"
#include "device/DriverChannel.h"
#include "driver/sim/Firmware.h"
#include "driver/sim/SimulatedDriver.h"
#include "model/Errors.h"

namespace lay {

class TKeyboard;
class TKeyboardManager;

// A simulated keyboard in process, in place of the driver's device: the very driver core on a
// simulated i8042 controller and POS keyboard whose firmware is TFirmware, all in virtual time.
class TKeyboardSimulator {
public:
    // The keyboard reports the catalogue model's number, layers, tracks, key-lock positions and
    // key count. firmware: "X.Y" for a program of that version, "damaged" for a broken program,
    // empty for the state file's program (2.10 without one). With a state file the keyboard's
    // memory and program come from it (when it exists) and go back into it with SaveState.
    explicit TKeyboardSimulator(const TKeyboard& model, const std::string& firmware = {},
                                const std::string& stateFile = {});
    ~TKeyboardSimulator();
    TKeyboardSimulator(const TKeyboardSimulator&) = delete;
    TKeyboardSimulator& operator=(const TKeyboardSimulator&) = delete;

    // Writes the state file, when there is one.
    void SaveState();

    // The driver's device as the PS/2 port opens it.
    TChannelOpener Opener();
    // Lets the manager's port reach this keyboard and its waits run in this keyboard's time.
    void Connect(TKeyboardManager& manager);

    TClock& Clock() { return FTime; }
    sim::TFirmware& Firmware() { return *FFirmware; }
    sim::TSimulatedDriver& Driver() { return *FDriver; }
    // Every control request that failed on its way, in the channel's error codes.
    int FailedRequests() const { return FFailedRequests; }

    // Applies a --sim-firmware value to the options; raises for a value that is none.
    static void ApplyFirmware(sim::TFirmwareOptions& options, const std::string& firmware);

private:
    class TVirtualTime : public TClock {
    public:
        explicit TVirtualTime(TKeyboardSimulator& owner) : FOwner(owner) {}
        std::uint32_t TickCount() override;
        void Sleep(std::uint32_t milliseconds) override;

    private:
        TKeyboardSimulator& FOwner;
    };
    friend class TSimulatorChannel;

    sim::TFirmware* FFirmware = nullptr; // owned by the simulated keyboard
    std::unique_ptr<sim::TSimulatedDriver> FDriver;
    TVirtualTime FTime{*this};
    std::string FStateFile;
    int FFailedRequests = 0;
};

// A keyboard without hardware, as the command line of both programs names it:
// --simulator[=STATE | =tcp:HOST:PORT], --sim-model ID, --sim-firmware X.Y|damaged.
struct TSimulatorChoice {
    std::string Target;       // a state file, "tcp:HOST:PORT", or empty for a fresh keyboard
    std::optional<int> Model; // catalogue identifier; the KeyboardID setting when absent
    std::string Firmware;
};

// An option that names no keyboard (a TCP address without a port, say).
class ESimulatorOption : public Exception {
public:
    using Exception::Exception;
};

inline constexpr const char* SSimOptionsNeedSimulator =
    "--sim-model и --sim-firmware действуют только с --simulator";
inline constexpr const char* SBadTcpTarget = "Нужно --simulator=tcp:АДРЕС:ПОРТ, например tcp:127.0.0.1:5555";

// Points the manager's PS/2 port at the chosen keyboard: an emulator over TCP (nothing returned)
// or a simulated keyboard in process, which is returned and must outlive the manager's use of it.
std::unique_ptr<TKeyboardSimulator> ConnectSimulator(TKeyboardManager& manager,
                                                     const TSimulatorChoice& choice);

} // namespace lay
