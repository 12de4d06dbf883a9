#include "ui/EditorArgs.h"

#include "model/Errors.h"

#include <charconv>
#include <optional>

namespace lay {

namespace {

int ModelNumber(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end)
        throw Exception("Неверный номер модели клавиатуры: «" + text + "»");
    return value;
}

} // namespace

TEditorArgs ParseEditorArgs(const std::vector<std::string>& words) {
    TEditorArgs args;
    std::optional<int> model;
    std::string firmware;
    bool simulated = false;
    std::string target;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0) {
            args.Files.push_back(word);
            continue;
        }
        const std::size_t equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const bool inlineValue = equals != std::string::npos;
        auto value = [&]() -> std::string {
            if (inlineValue)
                return word.substr(equals + 1);
            if (i + 1 >= words.size())
                throw Exception("Параметру " + name + " нужно значение");
            return words[++i];
        };
        if (name == "--simulator") {
            simulated = true;
            target = inlineValue ? word.substr(equals + 1) : std::string();
        } else if (name == "--sim-model") {
            model = ModelNumber(value());
        } else if (name == "--sim-firmware") {
            firmware = value();
        } else {
            throw Exception("Неизвестный параметр командной строки: " + word);
        }
    }
    if (!simulated && (model || !firmware.empty()))
        throw Exception(SSimOptionsNeedSimulator);
    if (simulated)
        args.Setup.Simulator = TSimulatorChoice{target, model, firmware};
    return args;
}

} // namespace lay
