#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/DriverChannel.h"
#include "device/Ports.h"

namespace lay {

inline constexpr const char* SPS2DeviceName = "PS/2 клавиатура";
inline constexpr const char* SDriverNotInstalled = "Драйвер для доступа к клавиатуре не установлен";
inline constexpr const char* SWriteError = "Ошибка при записи данных. Код ошибки: %d";

// The keyboard on the PS/2 connector, reached through the filter driver. The driver's device is
// opened on the first request that needs it and stays open; a failed open is tried again by the
// next request.
class TPortPS2 : public TCustomPort {
public:
    explicit TPortPS2(TCustomPorts* ports = nullptr);
    ~TPortPS2() override;

    void GetDevices(TDeviceList& list) override;
    std::string GetDriverVersion() override;
    bool HasDevice(const std::string& name) override { return name == SPS2DeviceName; }
    void Transfer(const TBytes& request, TBytes& answer, int attempts) override;

    // What opens the driver's device: the system's driver unless replaced (the simulator, an
    // emulator over TCP, a test). Replacing it closes the open device.
    void SetOpener(TChannelOpener opener);

    bool IsOpen() const { return FHandle != nullptr; }
    void Open();
    // The open device; raises SDriverNotInstalled when it cannot be opened.
    TDriverChannel& GetHandle();
    void Close();

    // Device type keyboard, buffered transfer, any access.
    static constexpr std::uint32_t KeyboardIoctl(std::uint32_t function) {
        return (0x0Bu << 16) | (function << 2);
    }

private:
    TChannelOpener FOpener;
    std::unique_ptr<TDriverChannel> FHandle;
};

} // namespace lay
