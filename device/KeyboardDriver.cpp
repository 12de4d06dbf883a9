#include "device/KeyboardDriver.h"

#include <cstdio>

#include "device/Clock.h"
#include "device/PortPS2.h"
#include "driver/core/ZorvatekIoctl.h"
#include "model/Errors.h"

namespace lay {

namespace {

enum : std::uint8_t {
    cmWriteMemory = ZORVATEK_CMD_WRITE_MEMORY,
    cmReadMemory = ZORVATEK_CMD_READ_MEMORY,
    cmReadInfo = ZORVATEK_CMD_READ_INFO,
    cmStatus = ZORVATEK_CMD_STATUS,
    cmPlayNotes = ZORVATEK_CMD_PLAY_NOTES,
    cmReadMatrix = ZORVATEK_CMD_READ_MATRIX,
};

constexpr int SendAttempts = 3;
constexpr std::uint32_t ModeTimeoutMs = 3000;
// The keyboard restarts after a switch and hears nothing meanwhile.
constexpr std::uint32_t RestartWaitMs = 500;
constexpr std::size_t MaxNotesBytes = 254;
constexpr std::size_t BlockSize = 256;
constexpr std::size_t HalfBlock = 128;

template <class... TArgs> std::string Format(const char* pattern, TArgs... args) {
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, args...);
    return text;
}

} // namespace

std::uint32_t PackStatus(const TKeyboardStatus& status) {
    return std::uint32_t{status.RawStatus} | (std::uint32_t{status.ProgramValid} << 8) |
           (std::uint32_t{status.Mode} << 16) | (std::uint32_t{status.LayoutValid} << 24);
}

TKeyboardDriver::TKeyboardDriver() : FClock(&SystemClock()) {
    FPortPS2 = &FPorts.Add<TPortPS2>();
    FPort = FPortPS2;
}

TKeyboardDriver::~TKeyboardDriver() = default;

std::uint8_t TKeyboardDriver::FrameChecksum(const std::uint8_t* bytes, std::size_t count) {
    std::uint8_t lrc = 0;
    for (std::size_t i = 0; i < count; ++i)
        lrc ^= bytes[i];
    return lrc;
}

TBytes TKeyboardDriver::EncodeFrame(const TBytes& command) {
    if (command.size() > 255)
        throw Exception(SFrameTooLong);
    TBytes frame;
    frame.reserve(command.size() + 3);
    frame.push_back(0x02);
    frame.push_back(static_cast<std::uint8_t>(command.size()));
    frame.insert(frame.end(), command.begin(), command.end());
    frame.push_back(FrameChecksum(frame.data() + 1, frame.size() - 1));
    return frame;
}

TBytes TKeyboardDriver::DecodeAnswer(const TBytes& answer) {
    if (answer.size() < 5)
        throw Exception(SBadFrameLength);
    // The device's own error is reported even when the rest of the frame is damaged.
    if (const int code = answer[3])
        throw Exception(Format(SDeviceError, code, code, DeviceErrorText(code).c_str()));
    if (FrameChecksum(answer.data() + 1, answer.size() - 2) != answer.back())
        throw Exception(SCrcError);
    return TBytes(answer.begin() + 4, answer.end() - 1);
}

void TKeyboardDriver::CheckAnswerLength(const TBytes& data, std::size_t minimum) {
    if (data.size() < minimum)
        throw Exception(SBadFrameLength);
}

std::string TKeyboardDriver::DeviceErrorText(int code) {
    switch (code) {
    case 0:
        return "Ошибок нет";
    case 4:
        return "Неверное значение параметра команды";
    case 8:
        return "Команда не поддерживается устройством";
    case 115:
        return "Клавиатура находится в неверном режиме";
    default:
        return "Неизвестная ошибка устройства";
    }
}

TBytes TKeyboardDriver::SendFrame(const TBytes& frame) {
    if (!FPort)
        throw Exception(SNoPorts);
    TBytes answer;
    FPort->Transfer(frame, answer, SendAttempts);
    return answer;
}

TBytes TKeyboardDriver::SendCommand(const TBytes& command) {
    return DecodeAnswer(SendFrame(EncodeFrame(command)));
}

std::string TKeyboardDriver::GetDriverVersion() {
    if (!FPort)
        throw Exception(SNoPorts);
    return FPort->GetDriverVersion();
}

void TKeyboardDriver::ReadInfo(TDeviceInfo& info) {
    const TBytes data = SendCommand({cmReadInfo});
    CheckAnswerLength(data, 8);
    info = TDeviceInfo{};
    info.Major = data[0];
    info.Minor = data[1];
    info.Version = std::to_string(info.Major) + "." + std::to_string(info.Minor);
    info.MemorySize = static_cast<std::uint16_t>(data[2] | (data[3] << 8));
    info.DeviceType = data[4];
    info.LayerCount = data[5];
    info.Track1 = (data[6] & 0x01) != 0;
    info.Track2 = (data[6] & 0x02) != 0;
    info.Track3 = (data[6] & 0x04) != 0;
    info.KeyPositions = data[7];
    if (data.size() > 8)
        info.KeyCount = data[8];
}

void TKeyboardDriver::ReadStatus(TKeyboardStatus& status) {
    const TBytes data = SendCommand({cmStatus});
    CheckAnswerLength(data, 1);
    const std::uint8_t s = data[0];
    status.RawStatus = s;
    status.ProgramValid = (s & 0x01) != 0;
    status.Mode = static_cast<std::uint8_t>(((s & 0x02) ? 2 : 0) + ((s & 0x10) ? 1 : 0));
    status.LayoutValid = (s & 0x20) != 0;
}

void TKeyboardDriver::SendMode(std::uint8_t mode) {
    std::uint8_t byte = 0;
    if (mode == 1 || mode == 3)
        byte |= 0x10;
    if (mode == 2 || mode == 3)
        byte |= 0x02;
    SendCommand({cmStatus, byte});
}

void TKeyboardDriver::SetMode(std::uint8_t mode) {
    const std::uint32_t start = FClock->TickCount();
    bool switched = false;
    bool damaged = false;
    for (;;) {
        try {
            TKeyboardStatus status;
            ReadStatus(status);
            // Only a program mode needs the program: the loader is how a damaged one is written
            // again, so the way there stays open.
            damaged = mode <= 1 && status.Mode <= 1 && !status.ProgramValid;
            if (damaged)
                throw Exception(SProgramDamaged);
            if (status.Mode == mode)
                return;
            SendMode(mode);
            switched = true;
        } catch (const EProgramFault&) {
            throw;
        } catch (const Exception&) {
            if (!switched)
                throw;
            FClock->Sleep(RestartWaitMs);
        }
        if (FClock->TickCount() - start > ModeTimeoutMs) {
            // A keyboard that came back from the switch with a broken program says so, rather
            // than looking like a lost connection.
            if (damaged)
                throw Exception(SProgramDamaged);
            RaiseNoConnection();
        }
    }
}

void TKeyboardDriver::GetStatus(TKeyboardStatus& status) {
    SetMode(kmWork);
    ReadStatus(status);
}

TBytes TKeyboardDriver::ReadMemory(std::uint16_t address, int count) {
    if (count < 1 || count > 255)
        throw EProgramFault("ReadMemory: " + std::to_string(count) + " bytes");
    TBytes data = SendCommand({cmReadMemory, static_cast<std::uint8_t>(address),
                               static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(count)});
    if (data.size() != static_cast<std::size_t>(count))
        throw Exception(Format(SWrongDataCount, count, static_cast<int>(data.size())));
    return data;
}

std::uint16_t TKeyboardDriver::ReadWord(std::uint16_t address) {
    const TBytes data = ReadMemory(address, 2);
    return static_cast<std::uint16_t>(data[0] | (data[1] << 8));
}

void TKeyboardDriver::WriteMemory(std::uint16_t address, const TBytes& data) {
    TBytes command{cmWriteMemory, static_cast<std::uint8_t>(address),
                   static_cast<std::uint8_t>(address >> 8)};
    command.insert(command.end(), data.begin(), data.end());
    SendCommand(command);
}

void TKeyboardDriver::WriteBlock(std::uint16_t address, const TBytes& data) {
    TBytes block(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(std::min(data.size(), BlockSize)));
    block.resize(BlockSize, 0);
    WriteMemory(address, TBytes(block.begin(), block.begin() + HalfBlock));
    WriteMemory(static_cast<std::uint16_t>(address + HalfBlock),
                TBytes(block.begin() + HalfBlock, block.end()));
}

void TKeyboardDriver::PlayNotes(const TBytes& notes) {
    if (notes.size() > MaxNotesBytes)
        throw Exception(STooManyNotesToPlay);
    TBytes command{cmPlayNotes};
    command.insert(command.end(), notes.begin(), notes.end());
    SendCommand(command);
}

void TKeyboardDriver::ReadProgramInfo(TDeviceInfo& info) {
    SetMode(kmWork);
    ReadInfo(info);
}

void TKeyboardDriver::ReadLoaderInfo(TDeviceInfo& info) {
    SetMode(kmLoader);
    ReadInfo(info);
}

TBytes TKeyboardDriver::ReadMatrix() {
    SetMode(kmLoader);
    TBytes data = SendCommand({cmReadMatrix});
    CheckAnswerLength(data, 3);
    return data;
}

bool TKeyboardDriver::MatrixTestSupported(const TDeviceInfo& loader) {
    return loader.Major >= 2 && loader.Minor >= 6;
}

bool TKeyboardDriver::MatrixHasShorts() {
    const TBytes data = ReadMatrix();
    return data[0] != 0 || data[1] != 0 || data[2] != 0;
}

void TKeyboardDriver::GetDevices(TDeviceList& list) {
    list.clear();
    for (int i = 0; i < FPorts.Count(); ++i)
        FPorts.Items(i).GetDevices(list);
}

void TKeyboardDriver::RefreshDevices() {
    for (int i = 0; i < FPorts.Count(); ++i)
        FPorts.Items(i).Refresh();
    ChooseDevice(FDeviceName);
}

bool TKeyboardDriver::FindDevice(const std::string& name) {
    for (int i = 0; i < FPorts.Count(); ++i)
        if (FPorts.Items(i).HasDevice(name)) {
            FPort = &FPorts.Items(i);
            FDeviceName = name;
            return true;
        }
    return false;
}

bool TKeyboardDriver::ChooseAny(const std::string& name) {
    if (FindDevice(name))
        return true;
    if (FPorts.Count() == 0)
        throw Exception(SNoPorts);
    for (int i = 0; i < FPorts.Count(); ++i) {
        FPort = &FPorts.Items(i);
        TDeviceList scratch;
        FPort->GetDevices(scratch);
        if (!scratch.empty()) {
            FDeviceName = scratch.front().Name;
            return true;
        }
    }
    return false;
}

void TKeyboardDriver::ChooseDevice(const std::string& name) {
    if (!ChooseAny(name))
        throw Exception(SNoDevices);
}

void TKeyboardDriver::TryChooseDevice(const std::string& name) {
    try {
        ChooseAny(name);
    } catch (const Exception&) {
    }
}

void TKeyboardDriver::SelectDevice(const std::string& name) {
    if (name != FDeviceName && !FindDevice(name))
        throw Exception(Format(SDeviceNotFound, name.c_str()));
}

} // namespace lay
