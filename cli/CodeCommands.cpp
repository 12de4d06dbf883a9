// Commands about key codes: the standard table, parsing the text form, decoding device bytes.
#include "cli/Commands.h"
#include "cli/Format.h"

#include "files/CodeSetFile.h"
#include "model/CodeSet.h"
#include "model/ScanCodes.h"

#include <ostream>

namespace lay::cli {

int CmdCodes(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, {"--file", "--save"}, {"--built-in"});
    if (!args.Positional().empty())
        throw EUsage{"Лишние аргументы"};
    // The same table the program works with: the file beside it, or the built-in set.
    TCodeSet set;
    if (args.Has("--built-in"))
        set.LoadDefault();
    else if (auto file = args.Value("--file"))
        TCodeSetFile::LoadFromFile(set, *file);
    else
        TCodeSetFile::Load(set);
    if (auto target = args.Value("--save")) {
        TCodeSetFile::SaveToFile(set, *target);
        io.Err << "Записано: " << *target << "\n";
        return 0;
    }
    TTable table({"Группа", "Имя", "Скан-код", "Нажатие", "Отжатие"});
    for (int g = 0; g < set.Count(); ++g) {
        const TCodeTable& group = set.Items(g);
        for (int i = 0; i < group.Count(); ++i) {
            const TStdCode& code = group.Items(i);
            table.AddRow({group.Name(), code.Name, HexSpaced(code.Scancode), HexSpaced(code.Makecode),
                          HexSpaced(code.Breakcode)});
        }
    }
    table.Print(io.Out);
    return 0;
}

int CmdParse(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, {}, {});
    if (args.Positional().size() != 1)
        throw EUsage{"Нужен один аргумент: текст последовательности (в кавычках)"};
    TScanCodes codes;
    std::vector<std::string> rejected;
    codes.SetText(args.Positional()[0], &rejected);
    for (const std::string& token : rejected)
        io.Err << "Пропущен нераспознанный элемент: " << token << "\n";

    TTable table({"Знак", "Имя", "Байты"});
    for (int i = 0; i < codes.Count(); ++i) {
        const TScanCode& code = codes.Items(i);
        table.AddRow({code.Sign(), code.Name, HexSpaced(code.Code())});
    }
    table.Print(io.Out);
    io.Out << "Текст: " << codes.Text() << "\n";
    io.Out << "Байты (" << codes.TotalLength() << "): " << HexSpaced(codes.Bytes()) << "\n";
    const bool valid = codes.Check();
    io.Out << "Проверка: " << (valid ? "ошибок нет" : codes.ErrorText) << "\n";
    io.Out << "Кратко: " << codes.ShortText() << "\n";
    return valid ? 0 : 1;
}

int CmdDecode(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, {}, {});
    if (args.Positional().empty())
        throw EUsage{"Нужны байты в шестнадцатеричном виде, например: 12 1C F0 1C F0 12"};
    std::string hex;
    for (const std::string& w : args.Positional())
        hex += (hex.empty() ? "" : " ") + w;
    TScanCodes codes;
    codes.AddBytes(ParseHexArgument(hex));
    io.Out << codes.Text() << "\n";
    return 0;
}

} // namespace lay::cli
