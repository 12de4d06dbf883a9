#include "device/KeyboardSimulator.h"

#include <charconv>
#include <filesystem>

#include "device/KeyboardManager.h"
#include "device/PortPS2.h"
#include "files/FileUtils.h"
#include "files/Keyboards.h"
#include "model/Errors.h"

namespace lay {

class TSimulatorChannel : public TDriverChannel {
public:
    explicit TSimulatorChannel(TKeyboardSimulator& simulator) : FSimulator(simulator) {}

    bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) override {
        const std::int32_t status = FSimulator.Driver().Ioctl(code, in, out);
        if (ZV_SUCCESS(status))
            return true;
        error = sim::TSimulatedDriver::Win32Error(status);
        ++FSimulator.FFailedRequests;
        return false;
    }

    std::string ErrorText(std::uint32_t error) const override {
        return "Ошибка " + std::to_string(error) + " в имитаторе клавиатуры";
    }

private:
    TKeyboardSimulator& FSimulator;
};

std::uint32_t TKeyboardSimulator::TVirtualTime::TickCount() {
    return static_cast<std::uint32_t>(FOwner.Driver().Clock().Now() / 1000);
}

void TKeyboardSimulator::TVirtualTime::Sleep(std::uint32_t milliseconds) {
    FOwner.Driver().Run(std::int64_t{milliseconds} * 1000);
}

void TKeyboardSimulator::ApplyFirmware(sim::TFirmwareOptions& options, const std::string& firmware) {
    if (firmware.empty())
        return;
    if (firmware == "damaged") {
        options.ProgramValid = false;
        return;
    }
    const std::size_t dot = firmware.find('.');
    int major = -1;
    int minor = -1;
    if (dot != std::string::npos) {
        const char* begin = firmware.data();
        const char* end = begin + firmware.size();
        const auto a = std::from_chars(begin, begin + dot, major);
        const auto b = std::from_chars(begin + dot + 1, end, minor);
        if (a.ptr != begin + dot || a.ec != std::errc() || b.ptr != end || b.ec != std::errc())
            major = minor = -1;
    }
    if (major < 0 || major > 255 || minor < 0 || minor > 255)
        throw Exception("Неверная версия программы клавиатуры: «" + firmware +
                        "» (нужно «2.10», «2.9», «2.8», «2.7» или «damaged»)");
    options.ProgramMajor = static_cast<std::uint8_t>(major);
    options.ProgramMinor = static_cast<std::uint8_t>(minor);
    options.ProgramValid = true;
}

TKeyboardSimulator::TKeyboardSimulator(const TKeyboard& model, const std::string& firmware,
                                       const std::string& stateFile)
    : FStateFile(stateFile) {
    sim::TFirmwareOptions options;
    options.DeviceType = static_cast<std::uint8_t>(model.Model);
    options.LayerCount = static_cast<std::uint8_t>(model.Layers);
    options.Tracks = static_cast<std::uint8_t>((model.HasReader && model.Track1 ? 1 : 0) |
                                               (model.HasReader && model.Track2 ? 2 : 0) |
                                               (model.HasReader && model.Track3 ? 4 : 0));
    options.KeyPositions = static_cast<std::uint8_t>(model.HasKey ? model.KeyPos : 0);
    options.KeyCount = static_cast<std::uint8_t>(model.KeyCount());

    auto firmwareModel = std::make_unique<sim::TFirmware>(options);
    FFirmware = firmwareModel.get();
    if (!FStateFile.empty() && std::filesystem::exists(ToPath(FStateFile))) {
        const std::string state = ReadFileBytes(FStateFile);
        try {
            FFirmware->LoadState(TBytes(state.begin(), state.end()));
        } catch (const std::runtime_error&) {
            throw Exception("Файл " + FStateFile + " не хранит состояние имитатора клавиатуры");
        }
    }
    ApplyFirmware(FFirmware->Options(), firmware);
    FDriver = std::make_unique<sim::TSimulatedDriver>(std::move(firmwareModel));
    FFirmware->AttachKeyboard(&FDriver->Keyboard());
}

TKeyboardSimulator::~TKeyboardSimulator() = default;

void TKeyboardSimulator::SaveState() {
    if (FStateFile.empty())
        return;
    const TBytes state = FFirmware->SaveState();
    WriteFileAtomically(FStateFile,
                        std::string_view(reinterpret_cast<const char*>(state.data()), state.size()));
}

TChannelOpener TKeyboardSimulator::Opener() {
    return [this]() -> std::unique_ptr<TDriverChannel> { return std::make_unique<TSimulatorChannel>(*this); };
}

void TKeyboardSimulator::Connect(TKeyboardManager& manager) {
    manager.SetClock(FTime);
    manager.Driver().PortPS2().SetOpener(Opener());
}

std::unique_ptr<TKeyboardSimulator> ConnectSimulator(TKeyboardManager& manager,
                                                     const TSimulatorChoice& choice) {
    if (choice.Target.rfind("tcp:", 0) == 0) {
        const std::string address = choice.Target.substr(4);
        const auto colon = address.rfind(':');
        int port = 0;
        if (colon != std::string::npos) {
            const char* begin = address.data() + colon + 1;
            const char* end = address.data() + address.size();
            const auto parsed = std::from_chars(begin, end, port);
            if (parsed.ec != std::errc() || parsed.ptr != end)
                port = 0;
        }
        if (port <= 0 || port > 65535 || colon == 0)
            throw ESimulatorOption(SBadTcpTarget);
        const std::string host = address.substr(0, colon);
        manager.Driver().PortPS2().SetOpener(
            [host, port] { return OpenTcpChannel(host, static_cast<std::uint16_t>(port)); });
        return nullptr;
    }
    const int model = choice.Model.value_or(manager.Settings().KeyboardID);
    auto simulator = std::make_unique<TKeyboardSimulator>(manager.Keyboards().ItemByID(model),
                                                          choice.Firmware, choice.Target);
    simulator->Connect(manager);
    return simulator;
}

} // namespace lay
