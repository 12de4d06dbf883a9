#include "device/DriverSetup.h"

#include <charconv>
#include <cstdio>
#include <iostream>

#include "model/Errors.h"

namespace lay {

namespace {

bool IsSwitch(const std::string& param, const char* name) {
    if (param.empty() || (param[0] != '-' && param[0] != '/' && param[0] != '\\')) {
        return false;
    }
    const std::string_view rest(param.data() + 1, param.size() - 1);
    const std::string_view wanted(name);
    if (rest.size() != wanted.size()) {
        return false;
    }
    for (std::size_t i = 0; i < rest.size(); ++i) {
        char c = rest[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != wanted[i]) {
            return false;
        }
    }
    return true;
}

bool HasSwitch(const std::vector<std::string>& params, const char* name) {
    for (const std::string& param : params) {
        if (IsSwitch(param, name)) {
            return true;
        }
    }
    return false;
}

TWindowHandle ParseHandle(const std::vector<std::string>& params) {
    if (params.size() < 2) {
        return 0;
    }
    std::string_view text = params[1];
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return 0;
    }
    return static_cast<TWindowHandle>(value);
}

} // namespace

TSetupCommand ParseSetupCommand(const std::vector<std::string>& params) {
    TSetupCommand command;
    if (HasSwitch(params, "install")) {
        command.Operation = TSetupOperation::Install;
    } else if (HasSwitch(params, "uninstall")) {
        command.Operation = TSetupOperation::Uninstall;
    } else {
        return command;
    }
    command.Owner = ParseHandle(params);
    return command;
}

bool IsSilentSetupError(std::uint32_t code) {
    return code == 0xE000022Fu || code == 0xE000020Bu;
}

std::string SetupErrorText(bool install, std::uint32_t code, const std::string& systemText,
                           const std::string& infPath) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%.8x", static_cast<unsigned>(code));
    std::string text = install ? "При установке драйвера возникла ошибка:\r\n"
                               : "При удалении драйвера возникла ошибка:\r\n";
    text += number;
    text += ", ";
    text += systemText;
    if (code == 2) {
        text += "\r\nНе найден файл " + infPath + " ";
        text += install ? "для установки драйвера." : "для удаления драйвера.";
    } else if (code == 5) {
        text += "\r\n";
        text += install ? "Вы должны обладать правами администратора для установки драйвера."
                        : "Вы должны обладать правами администратора для удаления драйвера.";
    }
    return text;
}

bool InitialCheck(const std::vector<std::string>& params, TSetupUser& user) {
    const TSetupCommand command = ParseSetupCommand(params);
    if (command.Operation == TSetupOperation::None) {
        return false;
    }
    try {
        if (command.Operation == TSetupOperation::Install) {
            InstallDriver(command.Owner, user);
        } else {
            UninstallDriver(command.Owner, user);
        }
    } catch (const EAbort&) {
        // Setup has already told the user.
    } catch (const std::exception& e) {
        user.ShowError(command.Owner, SErrorTitle, e.what());
    }
    return true;
}

#ifndef _WIN32

namespace {

class TConsoleSetupUser : public TSetupUser {
public:
    void ShowInformation(TWindowHandle, const std::string& title, const std::string& text) override {
        std::cout << title << ": " << text << std::endl;
    }
    void ShowError(TWindowHandle, const std::string& title, const std::string& text) override {
        std::cerr << title << ": " << text << std::endl;
    }
};

} // namespace

TSetupUser& SystemSetupUser() {
    static TConsoleSetupUser user;
    return user;
}

// The filter is a Windows kernel driver: there is nothing to install here, and saying that it
// worked would send the user off to restart for nothing.
void InstallDriver(TWindowHandle, TSetupUser&) {
    throw Exception(SDriverOnlyOnWindows);
}
void UninstallDriver(TWindowHandle, TSetupUser&) {
    throw Exception(SDriverOnlyOnWindows);
}

#endif

} // namespace lay
