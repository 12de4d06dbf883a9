#include "cli/Args.h"

#include <algorithm>
#include <charconv>

namespace lay::cli {

namespace {
bool Contains(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}
} // namespace

TArgs::TArgs(const std::vector<std::string>& words, const std::vector<std::string>& valued,
             const std::vector<std::string>& flags) {
    bool onlyPositional = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        // Short options ("-o") count only when the command names them: "-A" is a key release.
        const bool isShort = w.size() == 2 && w[0] == '-' && (Contains(valued, w) || Contains(flags, w));
        if (onlyPositional || ((w.size() < 3 || w.compare(0, 2, "--") != 0) && !isShort)) {
            FPositional.push_back(w);
            continue;
        }
        if (w == "--") {
            onlyPositional = true;
            continue;
        }
        const auto eq = w.find('=');
        const std::string name = w.substr(0, eq);
        const bool takesValue = Contains(valued, name);
        const bool isFlag = Contains(flags, name);
        if (!takesValue && !isFlag)
            throw EUsage{"Неизвестный параметр: " + name};
        if (eq != std::string::npos) {
            if (!takesValue)
                throw EUsage{"Параметр " + name + " не принимает значения"};
            FOptions.emplace_back(name, w.substr(eq + 1));
        } else if (takesValue && !isFlag) {
            if (i + 1 >= words.size())
                throw EUsage{"Параметру " + name + " нужно значение"};
            FOptions.emplace_back(name, words[++i]);
        } else {
            FOptions.emplace_back(name, std::nullopt);
        }
    }
}

bool TArgs::Has(const std::string& name) const {
    return std::any_of(FOptions.begin(), FOptions.end(), [&](const auto& o) { return o.first == name; });
}

std::optional<std::string> TArgs::Value(const std::string& name) const {
    // The last occurrence wins, as in most command-line tools.
    for (auto it = FOptions.rbegin(); it != FOptions.rend(); ++it)
        if (it->first == name)
            return it->second;
    return std::nullopt;
}

std::string TArgs::ValueOr(const std::string& name, const std::string& fallback) const {
    auto v = Value(name);
    return v ? *v : fallback;
}

std::optional<int> TArgs::IntValue(const std::string& name) const {
    auto v = Value(name);
    if (!v)
        return std::nullopt;
    int result = 0;
    const char* end = v->data() + v->size();
    auto [ptr, ec] = std::from_chars(v->data(), end, result);
    if (ec != std::errc() || ptr != end || v->empty())
        throw EUsage{"Параметр " + name + " ждёт целое число, а не «" + *v + "»"};
    return result;
}

} // namespace lay::cli
