#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lay {

// A window handle as it travels through the command line: a number, 0 for none.
using TWindowHandle = std::intptr_t;

enum class TSetupOperation { None, Install, Uninstall };

struct TSetupCommand {
    TSetupOperation Operation = TSetupOperation::None;
    TWindowHandle Owner = 0;
};

// Looks for "install", then "uninstall", written after "-", "/" or "\" in any case in any of the
// parameters (the program's name not among them); the owner is the second parameter as a decimal
// number, 0 when it is missing or not a number.
TSetupCommand ParseSetupCommand(const std::vector<std::string>& params);

// How installing and removing report to the person who asked for it: message boxes on Windows,
// the console elsewhere; tests record them.
class TSetupUser {
public:
    virtual ~TSetupUser() = default;
    virtual void ShowInformation(TWindowHandle owner, const std::string& title, const std::string& text) = 0;
    virtual void ShowError(TWindowHandle owner, const std::string& title, const std::string& text) = 0;
};

TSetupUser& SystemSetupUser();

// Install the filter driver from "Inst.inf" beside the program and make it the upper filter of
// every keyboard served by i8042prt, or undo that. Success is reported to the user; a failure
// raises Exception with the complete message, or EAbort when Setup has already told the user.
void InstallDriver(TWindowHandle owner, TSetupUser& user = SystemSetupUser());
void UninstallDriver(TWindowHandle owner, TSetupUser& user = SystemSetupUser());

// Run before anything else at program start. True when the command line asked to install or
// remove the driver: that has been done (or its error shown) and the program ends.
bool InitialCheck(const std::vector<std::string>& params, TSetupUser& user = SystemSetupUser());

inline constexpr const char* SSetupTitle = "Внимание";
inline constexpr const char* SErrorTitle = "Ошибка";
inline constexpr const char* SDriverInstalled =
    "Драйвер был успешно установлен.\n\rДля дальнейшей работы необходимо перезагрузить компьютер.";
inline constexpr const char* SDriverRemoved =
    "Драйвер был успешно удален.\n\rДля дальнейшей работы необходимо перезагрузить компьютер.";
inline constexpr const char* SDriverOnlyOnWindows =
    "Драйвер клавиатуры Zorvatek устанавливается и удаляется только в Windows. "
    "В этой системе драйвер не установлен и не удален.";

// Setup error codes after which Setup has shown its own message (the user cancelled a copy).
bool IsSilentSetupError(std::uint32_t code);
// The complete message of a failed installation or removal.
std::string SetupErrorText(bool install, std::uint32_t code, const std::string& systemText,
                           const std::string& infPath);

} // namespace lay
