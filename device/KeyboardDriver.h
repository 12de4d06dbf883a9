#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/Ports.h"
#include "model/Types.h"

namespace lay {

class TClock;
class TPortPS2;

// What the keyboard tells about the firmware that answers (its program, or its loader).
struct TDeviceInfo {
    std::string Version; // "%d.%d" of Major and Minor
    std::uint8_t Major = 0;
    std::uint8_t Minor = 0;
    std::uint16_t MemorySize = 0;
    std::uint8_t DeviceType = 0; // the model number
    std::uint8_t LayerCount = 0;
    bool Track1 = false;
    bool Track2 = false;
    bool Track3 = false;
    std::uint8_t KeyPositions = 0;
    std::int32_t KeyCount = 0; // 0 when the keyboard does not send it
};

struct TKeyboardStatus {
    std::uint8_t RawStatus = 0;
    bool ProgramValid = false;
    std::uint8_t Mode = 0; // 0 work, 1 unused, 2 loader, 3 loader taking a program
    bool LayoutValid = false;
};

// The status as one value: the raw byte lowest, then ProgramValid, Mode and LayoutValid.
std::uint32_t PackStatus(const TKeyboardStatus& status);

enum : std::uint8_t { kmWork = 0, kmLoader = 2, kmProgram = 3 };

inline constexpr const char* SFrameTooLong = "Длина данных кадра не может превышать 255 байт.";
inline constexpr const char* SBadFrameLength = "Неверная длина кадра.";
inline constexpr const char* SDeviceError = "Ошибка устройства: %d, %.2xh\r\n%s";
inline constexpr const char* SCrcError = "Ошибка CRC";
inline constexpr const char* SWrongDataCount =
    "Устройство вернуло неверное количество данных.\r\nЗапрошено: %d, получено: %d.";
inline constexpr const char* STooManyNotesToPlay = "Количество нот не может превышать 84.";
inline constexpr const char* SProgramDamaged = "Программа клавиатуры повреждена.\r\nНеобходимо записать "
                                               "программу в клавиатуру.\r\nСделать это можно из меню "
                                               "\"Устройство\\Запись программы\"";
inline constexpr const char* SNoPorts = "Нет доступных портов";
inline constexpr const char* SNoDevices = "Нет доступных устройств";
inline constexpr const char* SDeviceNotFound = "Устройство %s не найдено.";

// The keyboard's service protocol over the current port, and the choice of that port and device.
// Every operation is synchronous and fails with an Exception carrying the user's message.
class TKeyboardDriver {
public:
    TKeyboardDriver();
    virtual ~TKeyboardDriver();
    TKeyboardDriver(const TKeyboardDriver&) = delete;
    TKeyboardDriver& operator=(const TKeyboardDriver&) = delete;

    TCustomPorts& Ports() { return FPorts; }
    TCustomPort* Port() const { return FPort; }
    const std::string& DeviceName() const { return FDeviceName; }
    // The PS/2 port the driver was made with.
    TPortPS2& PortPS2() const { return *FPortPS2; }

    TClock& Clock() const { return *FClock; }
    void SetClock(TClock& clock) { FClock = &clock; }

    virtual void ReadInfo(TDeviceInfo& info);
    virtual TBytes SendFrame(const TBytes& frame);
    virtual std::string GetDriverVersion();
    virtual std::uint16_t ReadWord(std::uint16_t address);
    virtual void PlayNotes(const TBytes& notes);
    // 256 bytes at the address, as two writes of 128; data is cut or padded with zeros to 256.
    virtual void WriteBlock(std::uint16_t address, const TBytes& data);
    // count is 1 to 255; the answer must hold exactly count bytes.
    virtual TBytes ReadMemory(std::uint16_t address, int count);
    virtual void ReadProgramInfo(TDeviceInfo& info);
    virtual void ReadLoaderInfo(TDeviceInfo& info);
    virtual TBytes ReadMatrix();

    // The one path of every command: frame, exchange, check; returns the answer data.
    TBytes SendCommand(const TBytes& command);
    void WriteMemory(std::uint16_t address, const TBytes& data);
    void ReadStatus(TKeyboardStatus& status);
    void SendMode(std::uint8_t mode);
    // Brings the keyboard into the mode, waiting out the restart that follows a switch.
    void SetMode(std::uint8_t mode);
    void GetStatus(TKeyboardStatus& status);
    static bool MatrixTestSupported(const TDeviceInfo& loader);
    bool MatrixHasShorts();

    static std::uint8_t FrameChecksum(const std::uint8_t* bytes, std::size_t count);
    static TBytes EncodeFrame(const TBytes& command);
    // The answer data of an answer frame, or the error it carries.
    static TBytes DecodeAnswer(const TBytes& answer);
    static void CheckAnswerLength(const TBytes& data, std::size_t minimum);
    static std::string DeviceErrorText(int code);

    // Device choice.
    void GetDevices(TDeviceList& list);
    void RefreshDevices();
    bool FindDevice(const std::string& name);
    void ChooseDevice(const std::string& name);
    void TryChooseDevice(const std::string& name);
    void SelectDevice(const std::string& name);

private:
    // ChooseDevice's search; false when no port lists a device.
    bool ChooseAny(const std::string& name);

    TCustomPorts FPorts;
    TCustomPort* FPort = nullptr;
    TPortPS2* FPortPS2 = nullptr;
    std::string FDeviceName;
    TClock* FClock;
};

} // namespace lay
