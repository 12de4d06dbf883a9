// Commands about the keyboard catalogue: the models a layout can be made for.
#include "cli/Commands.h"
#include "cli/Format.h"

#include "files/FileUtils.h"
#include "files/Keyboards.h"
#include "files/XMLKeyboard.h"

#include <charconv>
#include <ostream>

namespace lay::cli {

namespace {

// The catalogue the program itself would load, or the folder the user names. Files that were
// skipped are told on the error stream: the editor keeps quiet about them, a script should not.
void LoadCatalogue(const TArgs& args, TKeyboards& catalogue, TIo& io) {
    const std::string folder =
        args.ValueOr("--catalogue", FromPath(ToPath(ProgramFolder()) / ToPath("Клавиатуры")));
    TXMLKeyboard loader;
    try {
        loader.LoadFromFolder(folder, catalogue);
    } catch (...) {
        for (const std::string& skipped : loader.SkippedErrors())
            io.Err << skipped << "\n";
        throw;
    }
    for (const std::string& skipped : loader.SkippedErrors())
        io.Err << skipped << "\n";
}

std::string Tracks(const TKeyboard& k) {
    if (!k.HasReader)
        return "-";
    std::string out;
    const std::uint8_t tracks[] = {k.Track1, k.Track2, k.Track3};
    for (int t = 0; t < 3; ++t)
        if (tracks[t])
            out += (out.empty() ? "" : ",") + std::to_string(t + 1);
    return out.empty() ? "нет" : out;
}

std::string Positions(const TKeyboard& k) {
    return k.HasKey ? std::to_string(k.KeyPos) : "-";
}

std::string Matrix(const TKeyboard& k) {
    return std::to_string(k.Width) + "x" + std::to_string(k.Height);
}

} // namespace

int CmdKeyboards(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, {"--catalogue"}, {});
    if (!args.Positional().empty())
        throw EUsage{"Лишние аргументы"};
    TKeyboards catalogue;
    LoadCatalogue(args, catalogue, io);
    TTable table({"ID", "Имя", "Класс", "Модель", "Матрица", "Слои", "Дорожки", "Ключ", "Слоты"});
    for (const TKeyboard& k : catalogue)
        table.AddRow({std::to_string(k.ID), k.Name, k.ClassName, std::to_string(k.Model), Matrix(k),
                      std::to_string(k.Layers), Tracks(k), Positions(k), std::to_string(k.MaxKeysNum)});
    table.Print(io.Out);
    return 0;
}

int CmdKeyboard(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, {"--catalogue"}, {});
    if (args.Positional().size() != 1)
        throw EUsage{"Нужен один аргумент: идентификатор клавиатуры"};
    const std::string& text = args.Positional()[0];
    int id = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc() || end != text.data() + text.size())
        throw EUsage{"Идентификатор клавиатуры — целое число, а не «" + text + "»"};

    TKeyboards catalogue;
    LoadCatalogue(args, catalogue, io);
    const TKeyboard& k = catalogue.ItemByID(id);
    TTable table({"Параметр", "Значение"});
    table.AddRow({"ID", std::to_string(k.ID)});
    table.AddRow({"Имя", k.Name});
    table.AddRow({"Класс", k.ClassName});
    table.AddRow({"Модель", std::to_string(k.Model)});
    table.AddRow({"Колонки x ряды", Matrix(k)});
    table.AddRow({"Слои", std::to_string(k.Layers)});
    table.AddRow({"Дорожки считывателя", Tracks(k)});
    table.AddRow({"Положения ключа", Positions(k)});
    table.AddRow({"Клавиши", std::to_string(k.KeyCount())});
    table.AddRow({"Слоты в образе", std::to_string(k.MaxKeysNum)});
    table.Print(io.Out);
    const std::vector<std::string> lines = ParamsGroupsLines(k.ParamsGroups);
    if (!lines.empty()) {
        io.Out << "\n";
        for (const std::string& line : lines)
            io.Out << line << "\n";
    }
    return 0;
}

} // namespace lay::cli
