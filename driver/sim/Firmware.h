#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/core/ZorvatekIoctl.h"
#include "driver/sim/FrameResponder.h"

namespace lay::sim {

class TPosKeyboard;

// What the keyboard tells about itself; the keyboard simulator takes it from a catalogue model.
struct TFirmwareOptions {
    std::uint8_t DeviceType = 1; // the model number
    std::uint8_t LayerCount = 1;
    std::uint8_t Tracks = 0; // bit 0 track 1, bit 1 track 2, bit 2 track 3
    std::uint8_t KeyPositions = 0;
    std::uint8_t KeyCount = 0;
    // The key count goes out as the ninth byte of the information only when set, as on the
    // keyboards that know it.
    bool SendKeyCount = true;
    std::uint8_t ProgramMajor = 2;
    std::uint8_t ProgramMinor = 10;
    bool ProgramValid = true;
    std::uint8_t LoaderMajor = 2;
    std::uint8_t LoaderMinor = 9;
    // From the answer to a mode switch until the keyboard listens again.
    std::int64_t RestartPause = 250000;
};

// The keyboard's firmware behind the service frames: 64 KiB of layout memory, the program and
// the loader, the operating mode, the notes it played and the state of its key matrix.
//
// Mode 0 (and 1) runs the program, which answers the information with its own version, reads
// memory and plays notes. Mode 2 runs the loader, which also writes the layout memory and scans
// the matrix; mode 3 is the loader taking a program: writes go to the program area, and the
// program is checked when the keyboard leaves mode 3. After every mode switch the keyboard
// restarts and hears nothing for RestartPause.
//
// A program as the loader takes it (the simulator's stand-in for a real program file):
//   0  "ZVPG"   4  major   5  minor   6  body length L (16-bit)   8  16-bit sum of the body
//   10 the body, L bytes
class TFirmware : public TFrameResponder {
public:
    static constexpr std::size_t MemorySize = 65536;

    enum : std::uint8_t {
        cmWriteMemory = ZORVATEK_CMD_WRITE_MEMORY,
        cmReadMemory = ZORVATEK_CMD_READ_MEMORY,
        cmReadInfo = ZORVATEK_CMD_READ_INFO,
        cmStatus = ZORVATEK_CMD_STATUS,
        cmPlayNotes = ZORVATEK_CMD_PLAY_NOTES,
        cmReadMatrix = ZORVATEK_CMD_READ_MATRIX,
    };
    enum : std::uint8_t { deBadParameter = 4, deUnsupported = 8, deWrongMode = 115 };
    enum : std::uint8_t {
        stProgramValid = 0x01,
        stLoader = 0x02,
        stProgramMode = 0x10,
        stLayoutValid = 0x20
    };

    explicit TFirmware(TFirmwareOptions options) : FOptions(options) {}

    // The keyboard whose processor restarts after a mode switch; without one the firmware never
    // goes deaf.
    void AttachKeyboard(TPosKeyboard* keyboard) { FKeyboard = keyboard; }

    TBytes OnFrame(const TBytes& frame) override;

    // The status byte as the keyboard reports it.
    std::uint8_t Status() const;
    std::uint8_t Mode() const { return FMode; }
    void SetMode(std::uint8_t mode) { FMode = mode; }
    bool LayoutValid() const;
    const TFirmwareOptions& Options() const { return FOptions; }
    TFirmwareOptions& Options() { return FOptions; }

    std::array<std::uint8_t, MemorySize>& Memory() { return FMemory; }
    const std::array<std::uint8_t, MemorySize>& Memory() const { return FMemory; }
    // The bytes written in mode 3 since the keyboard entered it.
    const TBytes& ProgramArea() const { return FProgram; }
    // Every melody played, three bytes a note, in order.
    const std::vector<TBytes>& NotesPlayed() const { return FNotesPlayed; }
    // What a matrix scan reports: a non-zero byte is a short circuit.
    TBytes Matrix{0, 0, 0};
    // Every frame received, in order.
    const std::vector<TBytes>& Frames() const { return FFrames; }

    // A whole answer frame around data: STX, LEN, command, error, data, LRC.
    static TBytes Answer(std::uint8_t command, std::uint8_t error, const TBytes& data = {});

    // A program image the loader accepts, reporting the given version.
    static TBytes MakeProgram(std::uint8_t major, std::uint8_t minor, const TBytes& body);
    // The version a program image reports, or nothing when the loader would refuse it.
    static std::optional<std::pair<std::uint8_t, std::uint8_t>> CheckProgram(const TBytes& image);

    // The keyboard's persistent state (the memory, the program it runs and its mode, since the
    // keyboard stays powered between two runs of the program) as bytes, and back.
    // Format: "ZVKS", format 1, program major, program minor, program valid (0 or 1), mode (0 to
    // 3), then the 65536 bytes of memory. A wrong state raises std::runtime_error and changes
    // nothing.
    TBytes SaveState() const;
    void LoadState(const TBytes& state);
    static constexpr std::size_t StateSize = 9 + MemorySize;

private:
    TBytes Info() const;
    TBytes SwitchMode(std::uint8_t command, std::uint8_t byte);
    TBytes WriteMemory(const TBytes& data);
    TBytes ReadMemory(const TBytes& data);
    bool RunsProgram() const { return FMode == 0 || FMode == 1; }
    void InstallProgram();

    TFirmwareOptions FOptions;
    TPosKeyboard* FKeyboard = nullptr;
    std::uint8_t FMode = 0;
    std::array<std::uint8_t, MemorySize> FMemory{};
    TBytes FProgram;
    std::size_t FProgramEnd = 0;
    std::vector<TBytes> FNotesPlayed;
    std::vector<TBytes> FFrames;
};

} // namespace lay::sim
