#include "driver/sim/Firmware.h"

#include <algorithm>
#include <stdexcept>

#include "driver/sim/PosKeyboard.h"

namespace lay::sim {

namespace {

// The longest answer data: LEN counts the command code and the error code as well.
constexpr std::size_t MaxAnswerData = 253;
constexpr std::uint8_t StateFormat = 1;

std::uint16_t Word(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint16_t Sum16(const std::uint8_t* begin, const std::uint8_t* end) {
    std::uint32_t sum = 0;
    for (const std::uint8_t* p = begin; p != end; ++p)
        sum += *p;
    return static_cast<std::uint16_t>(sum);
}

} // namespace

TBytes TFirmware::Answer(std::uint8_t command, std::uint8_t error, const TBytes& data) {
    TBytes frame{ZORVATEK_STX, static_cast<std::uint8_t>(data.size() + 2), command, error};
    frame.insert(frame.end(), data.begin(), data.end());
    std::uint8_t lrc = 0;
    for (std::size_t i = 1; i < frame.size(); ++i)
        lrc ^= frame[i];
    frame.push_back(lrc);
    return frame;
}

std::uint8_t TFirmware::Status() const {
    std::uint8_t status = 0;
    if (FOptions.ProgramValid)
        status |= stProgramValid;
    if (FMode & 2)
        status |= stLoader;
    if (FMode & 1)
        status |= stProgramMode;
    if (LayoutValid())
        status |= stLayoutValid;
    return status;
}

bool TFirmware::LayoutValid() const {
    const std::size_t h = Word(&FMemory[0]);
    if (h < 2 || h + 10 > MemorySize)
        return false;
    const std::uint16_t format = Word(&FMemory[h]);
    const std::uint8_t minor = FOptions.ProgramMinor;
    // The program's minor number tells which image it runs, as the editor picks it.
    if (minor >= 8 && minor <= 10) {
        if (format < 520 || format > 522)
            return false;
        if (Word(&FMemory[h + 2]) != Sum16(&FMemory[0], &FMemory[h + 2]))
            return false;
        const std::size_t groups = FMemory[h + 8];
        return Word(&FMemory[h + 4]) == h + 10 + 4 * groups && h + 10 + 4 * groups <= MemorySize;
    }
    // Older programs run the 1.3 image, which has no checksum: its sizes must agree.
    if (format != 256)
        return false;
    const std::size_t groups = FMemory[h + 4];
    return Word(&FMemory[h + 2]) == h + 6 + 4 * groups && h + 6 + 4 * groups <= MemorySize;
}

TBytes TFirmware::OnFrame(const TBytes& frame) {
    FFrames.push_back(frame);
    // A damaged frame is not answered at all: the host times out and sends it again.
    if (frame.size() < 3 || frame[0] != ZORVATEK_STX || frame.size() != std::size_t{frame[1]} + 3)
        return {};
    std::uint8_t lrc = 0;
    for (std::size_t i = 1; i + 1 < frame.size(); ++i)
        lrc ^= frame[i];
    if (lrc != frame.back())
        return {};
    if (frame[1] == 0)
        return Answer(0, deBadParameter);

    const TBytes data(frame.begin() + 2, frame.end() - 1);
    const std::uint8_t command = data[0];
    const bool programRuns = RunsProgram() && FOptions.ProgramValid;
    switch (command) {
    case cmStatus:
        if (data.size() == 1)
            return Answer(command, 0, {Status()});
        if (data.size() == 2)
            return SwitchMode(command, data[1]);
        return Answer(command, deBadParameter);
    case cmReadInfo:
        if (RunsProgram() && !FOptions.ProgramValid)
            return Answer(command, deWrongMode);
        return Answer(command, 0, Info());
    case cmReadMemory:
        if (RunsProgram() && !FOptions.ProgramValid)
            return Answer(command, deWrongMode);
        return ReadMemory(data);
    case cmWriteMemory:
        if (RunsProgram())
            return Answer(command, deWrongMode);
        return WriteMemory(data);
    case cmPlayNotes: {
        if (!programRuns)
            return Answer(command, deWrongMode);
        // A partial note at the end is not played.
        const std::size_t bytes = (data.size() - 1) / 3 * 3;
        FNotesPlayed.emplace_back(data.begin() + 1, data.begin() + 1 + static_cast<std::ptrdiff_t>(bytes));
        return Answer(command, 0);
    }
    case cmReadMatrix: {
        if (RunsProgram())
            return Answer(command, deWrongMode);
        if (FOptions.LoaderMajor < 2 || FOptions.LoaderMinor < 6)
            return Answer(command, deUnsupported);
        TBytes matrix = Matrix;
        matrix.resize(std::clamp<std::size_t>(matrix.size(), 3, MaxAnswerData), 0);
        return Answer(command, 0, matrix);
    }
    default:
        return Answer(command, deUnsupported);
    }
}

TBytes TFirmware::Info() const {
    const bool loader = !RunsProgram();
    TBytes info{loader ? FOptions.LoaderMajor : FOptions.ProgramMajor,
                loader ? FOptions.LoaderMinor : FOptions.ProgramMinor,
                // 64 KiB does not fit the 16-bit field: the keyboard reports the last address.
                0xFF, 0xFF, FOptions.DeviceType, FOptions.LayerCount, FOptions.Tracks, FOptions.KeyPositions};
    if (FOptions.SendKeyCount)
        info.push_back(FOptions.KeyCount);
    return info;
}

TBytes TFirmware::SwitchMode(std::uint8_t command, std::uint8_t byte) {
    if (byte & ~0x12)
        return Answer(command, deBadParameter);
    const std::uint8_t target = static_cast<std::uint8_t>(((byte & 0x02) ? 2 : 0) + ((byte & 0x10) ? 1 : 0));
    if (target == FMode)
        return Answer(command, 0);
    if (FMode == 3 && FProgramEnd > 0)
        InstallProgram();
    if (target == 3) {
        FProgram.assign(MemorySize, 0);
        FProgramEnd = 0;
    }
    FMode = target;
    if (FKeyboard)
        FKeyboard->Restart(FOptions.RestartPause);
    return Answer(command, 0);
}

void TFirmware::InstallProgram() {
    const TBytes image(FProgram.begin(), FProgram.begin() + static_cast<std::ptrdiff_t>(FProgramEnd));
    if (const auto version = CheckProgram(image)) {
        FOptions.ProgramMajor = version->first;
        FOptions.ProgramMinor = version->second;
        FOptions.ProgramValid = true;
    } else {
        FOptions.ProgramValid = false;
    }
    FProgramEnd = 0;
}

TBytes TFirmware::WriteMemory(const TBytes& data) {
    if (data.size() < 4)
        return Answer(data[0], deBadParameter);
    const std::size_t address = Word(&data[1]);
    const std::size_t count = data.size() - 3;
    if (address + count > MemorySize)
        return Answer(data[0], deBadParameter);
    if (FMode == 3) {
        std::copy(data.begin() + 3, data.end(), FProgram.begin() + static_cast<std::ptrdiff_t>(address));
        FProgramEnd = std::max(FProgramEnd, address + count);
    } else {
        std::copy(data.begin() + 3, data.end(), FMemory.begin() + static_cast<std::ptrdiff_t>(address));
    }
    return Answer(data[0], 0);
}

TBytes TFirmware::ReadMemory(const TBytes& data) {
    if (data.size() != 4)
        return Answer(data[0], deBadParameter);
    const std::size_t address = Word(&data[1]);
    const std::size_t count = data[3];
    if (count == 0 || count > MaxAnswerData || address + count > MemorySize)
        return Answer(data[0], deBadParameter);
    return Answer(data[0], 0,
                  TBytes(FMemory.begin() + static_cast<std::ptrdiff_t>(address),
                         FMemory.begin() + static_cast<std::ptrdiff_t>(address + count)));
}

TBytes TFirmware::MakeProgram(std::uint8_t major, std::uint8_t minor, const TBytes& body) {
    if (body.size() > 0xFFFF)
        throw std::length_error("a program body holds at most 65535 bytes");
    const std::uint16_t sum = Sum16(body.data(), body.data() + body.size());
    TBytes image{'Z',
                 'V',
                 'P',
                 'G',
                 major,
                 minor,
                 static_cast<std::uint8_t>(body.size()),
                 static_cast<std::uint8_t>(body.size() >> 8),
                 static_cast<std::uint8_t>(sum),
                 static_cast<std::uint8_t>(sum >> 8)};
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

std::optional<std::pair<std::uint8_t, std::uint8_t>> TFirmware::CheckProgram(const TBytes& image) {
    if (image.size() < 10 || image[0] != 'Z' || image[1] != 'V' || image[2] != 'P' || image[3] != 'G')
        return std::nullopt;
    const std::size_t length = Word(&image[6]);
    if (10 + length > image.size())
        return std::nullopt;
    if (Sum16(&image[10], &image[10] + length) != Word(&image[8]))
        return std::nullopt;
    return std::make_pair(image[4], image[5]);
}

TBytes TFirmware::SaveState() const {
    TBytes state{'Z',
                 'V',
                 'K',
                 'S',
                 StateFormat,
                 FOptions.ProgramMajor,
                 FOptions.ProgramMinor,
                 static_cast<std::uint8_t>(FOptions.ProgramValid ? 1 : 0),
                 FMode};
    state.insert(state.end(), FMemory.begin(), FMemory.end());
    return state;
}

void TFirmware::LoadState(const TBytes& state) {
    if (state.size() != StateSize || state[0] != 'Z' || state[1] != 'V' || state[2] != 'K' ||
        state[3] != 'S' || state[4] != StateFormat || state[7] > 1 || state[8] > 3)
        throw std::runtime_error("not a keyboard state");
    FOptions.ProgramMajor = state[5];
    FOptions.ProgramMinor = state[6];
    FOptions.ProgramValid = state[7] == 1;
    FMode = state[8];
    std::copy(state.begin() + 9, state.end(), FMemory.begin());
}

} // namespace lay::sim
