#include "cli/Commands.h"

#include "model/Errors.h"

#include <iostream>

namespace lay::cli {

const std::vector<TCommand>& Commands() {
    static const std::vector<TCommand> table = {
        {"codes", "", "the standard code table: group, name, scan code, make code, break code", CmdCodes},
        {"parse", "TEXT", "parse a code sequence: its elements, device bytes, check and short text",
         CmdParse},
        {"decode", "HEX", "split device bytes back into the text form of a code sequence", CmdDecode},
    };
    return table;
}

namespace {

void PrintHelp(std::ostream& out) {
    out << "layomatic-cli — programs POS keyboards from scripts\n\n"
           "Usage: layomatic-cli COMMAND [ARGUMENTS] [OPTIONS]\n\nCommands:\n";
    for (const TCommand& c : Commands()) {
        std::string head = std::string(c.Name) + (*c.Usage ? std::string(" ") + c.Usage : std::string());
        out << "  " << head;
        for (std::size_t n = head.size(); n < 28; ++n)
            out << ' ';
        out << ' ' << c.Summary << '\n';
    }
    out << "\nlayomatic-cli COMMAND --help shows the command's own usage.\n"
           "Exit status: 0 success, 1 the operation failed, 2 the command line is wrong.\n";
}

} // namespace

int Run(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        PrintHelp(out);
        return words.empty() ? 2 : 0;
    }
    const TCommand* command = nullptr;
    for (const TCommand& c : Commands())
        if (words[0] == c.Name)
            command = &c;
    if (!command) {
        err << "Неизвестная команда: " << words[0] << "\n";
        PrintHelp(err);
        return 2;
    }
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    for (const std::string& w : rest)
        if (w == "--help") {
            out << "Usage: layomatic-cli " << command->Name << ' ' << command->Usage << "\n"
                << command->Summary << "\n";
            return 0;
        }
    TIo io{out, err};
    try {
        return command->Execute(rest, io);
    } catch (const EUsage& e) {
        err << e.Message << "\nUsage: layomatic-cli " << command->Name << ' ' << command->Usage << "\n";
        return 2;
    } catch (const EAbort&) {
        return 1;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return 1;
    }
}

int Run(int argc, char** argv, std::ostream& out, std::ostream& err) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i)
        words.emplace_back(argv[i]);
    return Run(words, out, err);
}

} // namespace lay::cli
