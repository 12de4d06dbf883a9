#include <unistd.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "device/DeviceInfo.h"
#include "device/KeyboardManager.h"
#include "device/KeyboardSimulator.h"
#include "device/PortPS2.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "model/Errors.h"
#include "model/Layout.h"

namespace lay::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}

// Ctrl+C during a device command cancels it the way the progress window's button does: after
// the block being transferred, so the keyboard is left in a known state.
class TInterruptGuard {
public:
    TInterruptGuard() {
        gInterrupted = 0;
        FPrevious = std::signal(SIGINT, OnInterrupt);
    }
    ~TInterruptGuard() { std::signal(SIGINT, FPrevious); }
    TInterruptGuard(const TInterruptGuard&) = delete;
    TInterruptGuard& operator=(const TInterruptGuard&) = delete;

private:
    void (*FPrevious)(int);
};

// The boxes' texts break lines with CR LF (and now and then LF CR); a terminal wants LF.
std::string TerminalText(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != '\r')
            result += c;
    while (!result.empty() && result.back() == '\n')
        result.pop_back();
    return result;
}

// Questions go to the terminal; --yes answers them all; without a terminal they are refused,
// so that an unattended script never does something risky by default.
class TCliUser : public TDeviceUser {
public:
    TCliUser(bool yes, std::ostream& err) : FYes(yes), FErr(err) {}

    bool Confirm(const std::string& text) override {
        FErr << SAttentionTitle << ": " << TerminalText(text) << "\n";
        if (FYes) {
            FErr << "  -> да (--yes)\n";
            return true;
        }
        if (!::isatty(STDIN_FILENO)) {
            FErr << "  -> нет: ответить некому (нет терминала); согласие на все вопросы даёт --yes\n";
            return false;
        }
        FErr << "Продолжить? [д/н] " << std::flush;
        std::string answer;
        std::getline(std::cin, answer);
        return answer.rfind("д", 0) == 0 || answer.rfind("Д", 0) == 0 || answer.rfind("y", 0) == 0 ||
               answer.rfind("Y", 0) == 0;
    }

    void Warning(const std::string& text) override {
        FErr << SAttentionTitle << ": " << TerminalText(text) << "\n";
    }

private:
    bool FYes;
    std::ostream& FErr;
};

const std::vector<std::string> kDeviceValued = {"--simulator", "--sim-model", "--sim-firmware", "--catalogue",
                                                "--to"};
const std::vector<std::string> kDeviceFlags = {"--simulator", "--yes"};

// What every device command sets up: the manager as the editor makes it, the keyboard it talks
// to (the driver's, an emulator's over TCP, or the simulator's), questions and progress on err.
class TDeviceSession {
public:
    TDeviceSession(const std::vector<std::string>& words, TIo& io, std::size_t positional, const char* what)
        : Args(words, kDeviceValued, kDeviceFlags), FUser(Args.Has("--yes"), io.Err), FErr(io.Err) {
        if (Args.Positional().size() != positional)
            throw EUsage{what};
        if (Args.Value("--to") && std::string(what).find("--to") == std::string::npos)
            throw EUsage{"Параметр --to только для команды read"};
        TManagerSetup setup;
        if (const auto catalogue = Args.Value("--catalogue"))
            setup.CatalogueFolder = *catalogue;
        Manager = std::make_unique<TKeyboardManager>(FUser, setup);
        ConnectKeyboard();
        Manager->Progress().OnProgress = [this](TProgress& p) { ShowProgress(p); };
    }

    // Runs the command; the simulated keyboard keeps whatever it holds afterwards, also when the
    // command failed half-way, as a real keyboard would.
    int Run(const std::function<void()>& body) {
        TInterruptGuard guard;
        try {
            body();
        } catch (...) {
            if (FSimulator)
                FSimulator->SaveState();
            throw;
        }
        if (FSimulator)
            FSimulator->SaveState();
        return 0;
    }

    TArgs Args;
    std::unique_ptr<TKeyboardManager> Manager;

private:
    void ConnectKeyboard() {
        const bool simulated = Args.Has("--simulator");
        if (!simulated) {
            if (Args.Has("--sim-model") || Args.Has("--sim-firmware"))
                throw EUsage{SSimOptionsNeedSimulator};
            return;
        }
        TSimulatorChoice choice;
        choice.Target = Args.Value("--simulator").value_or("");
        choice.Model = Args.IntValue("--sim-model");
        choice.Firmware = Args.ValueOr("--sim-firmware", "");
        try {
            FSimulator = ConnectSimulator(*Manager, choice);
        } catch (const ESimulatorOption& e) {
            throw EUsage{e.Message()};
        }
    }

    void ShowProgress(TProgress& p) {
        if (gInterrupted)
            p.Cancel();
        switch (p.State) {
        case psStarted:
            FErr << p.Caption << "\n";
            break;
        case psStep:
            FErr << "\r  выполнено " << (p.Max > 0 ? p.Position * 100 / p.Max : 100) << " %, прошло "
                 << p.Elapsed << " с" << std::flush;
            break;
        default:
            FErr << (p.Cancelled ? "\n  прервано\n" : "\n");
            break;
        }
    }

    TCliUser FUser;
    std::ostream& FErr;
    std::unique_ptr<TKeyboardSimulator> FSimulator;
};

} // namespace

int CmdInfo(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 0, "Команда info не принимает аргументов");
    return s.Run([&] {
        const TDeviceInfoReport report = ReadDeviceInfo(s.Manager->Driver(), s.Manager->Keyboards());
        for (const TDeviceInfoRow& row : report.Rows)
            io.Out << row.Caption << ": " << row.Value << (row.Alarm ? " (!)" : "") << "\n";
        io.Out << TerminalText(report.StateText) << "\n";
    });
}

int CmdStatus(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 0, "Команда status не принимает аргументов");
    return s.Run([&] {
        // As the keyboard is, without bringing it to work mode first: this is also how to look
        // at a keyboard whose program is damaged.
        TKeyboardStatus status;
        s.Manager->Driver().ReadStatus(status);
        static const char* const modes[] = {"0 (работа)", "1", "2 (загрузчик)",
                                            "3 (загрузчик, запись программы)"};
        char raw[8];
        std::snprintf(raw, sizeof raw, "%.2Xh", status.RawStatus);
        io.Out << "Состояние: " << raw << "\n"
               << "Программа: " << (status.ProgramValid ? "исправна" : "повреждена") << "\n"
               << "Режим: " << modes[status.Mode & 3] << "\n"
               << "Раскладка: " << (status.LayoutValid ? "работает" : "повреждена") << "\n";
    });
}

int CmdWrite(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен один файл раскладки");
    const std::string& fileName = s.Args.Positional()[0];
    return s.Run([&] {
        TLayout layout;
        s.Manager->OpenLayout(layout, OpenFormatFor(fileName), fileName);
        s.Manager->WriteLayout(layout);
        io.Out << "Раскладка " << fileName << " записана в клавиатуру\n";
    });
}

int CmdRead(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен файл, куда сохранить раскладку (и --to FORMAT)");
    const std::string& fileName = s.Args.Positional()[0];
    std::string name = s.Args.ValueOr("--to", "");
    if (name.empty())
        name = HasExtension(fileName, ".bin") ? "bin210" : HasExtension(fileName, ".emf") ? "emf" : "xml";
    const int index = SaveFormatIndex(s.Manager->SaveFormats(), name);
    if (index < 0)
        throw EUsage{"Неизвестный формат «" + name + "»"};
    return s.Run([&] {
        TLayout layout;
        s.Manager->ReadLayout(layout);
        s.Manager->SaveLayout(layout, index, fileName);
        io.Out << "Раскладка из клавиатуры сохранена в " << fileName << "\n";
    });
}

int CmdReadMemory(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен файл для образа памяти");
    return s.Run([&] { s.Manager->ReadMemoryToFile(s.Args.Positional()[0]); });
}

int CmdWriteMemory(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен файл образа памяти");
    return s.Run([&] { s.Manager->WriteMemoryFromFile(s.Args.Positional()[0]); });
}

int CmdWriteProgram(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен файл программы");
    return s.Run([&] { s.Manager->WriteProgramFromFile(s.Args.Positional()[0]); });
}

int CmdUpdateFirmware(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 0, "Команда update-firmware не принимает аргументов");
    return s.Run([&] { s.Manager->UpdateFirmware(); });
}

int CmdPlay(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужны ноты: «имя;длительность;громкость;…»");
    return s.Run([&] { s.Manager->PlayNotes(s.Args.Positional()[0]); });
}

int CmdMode(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 1, "Нужен режим: work или loader");
    const std::string& mode = s.Args.Positional()[0];
    if (mode != "work" && mode != "loader")
        throw EUsage{"Неизвестный режим «" + mode + "»: work или loader"};
    return s.Run([&] { s.Manager->Driver().SetMode(mode == "work" ? kmWork : kmLoader); });
}

int CmdDevices(const std::vector<std::string>& words, TIo& io) {
    TDeviceSession s(words, io, 0, "Команда devices не принимает аргументов");
    return s.Run([&] {
        TDeviceList list;
        s.Manager->GetDevices(list);
        for (const TDeviceEntry& entry : list)
            io.Out << (entry.Name == s.Manager->DeviceName() ? "* " : "  ") << entry.Name << "\n";
    });
}

} // namespace lay::cli
