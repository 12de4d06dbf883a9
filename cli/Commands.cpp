#include "cli/Commands.h"

#include "model/Errors.h"

#include <iostream>
#include <string>

namespace lay::cli {

const std::vector<TCommand>& Commands() {
    static const std::vector<TCommand> table = {
        {"codes", "[--file FILE | --built-in] [--save FILE]",
         "the standard code table: group, name, scan code, make code, break code", CmdCodes},
        {"parse", "TEXT", "parse a code sequence: its elements, device bytes, check and short text",
         CmdParse},
        {"decode", "HEX", "split device bytes back into the text form of a code sequence", CmdDecode},
        {"dump", "FILE [--catalogue DIR]", "everything a layout file holds, key by key", CmdDump},
        {"check", "FILE [--catalogue DIR]", "check every code sequence; exit status 1 when one is wrong",
         CmdCheck},
        {"find", "FILE TEXT [--layer N] [--selection] [--catalogue DIR]",
         "keys whose codes contain the text; exit status 1 when none do", CmdFind},
        {"replace", "FILE FIND WITH -o OUT [--to FORMAT] [--layer N] [--selection] [--catalogue DIR]",
         "replace text in the codes of keys and save the result", CmdReplace},
        {"convert", "IN OUT --to FORMAT [--catalogue DIR]",
         "save a layout in another format (xml, xml13, bin210, bin13, bin28, bin29)", CmdConvert},
        {"render", "FILE OUT.emf [--catalogue DIR]",
         "draw the key pictures of a layout into a metafile (as convert --to emf)", CmdRender},
        {"keyboards", "[--catalogue DIR]", "the keyboard models of the catalogue, one line each",
         CmdKeyboards},
        {"keyboard", "ID [--catalogue DIR]", "one keyboard model with its description", CmdKeyboard},
        // The device commands all take [--simulator[=STATE|=tcp:HOST:PORT] [--sim-model ID]
        // [--sim-firmware X.Y]] [--yes] [--catalogue DIR].
        {"info", "[DEVICE OPTIONS]", "the keyboard's versions, model, memory and matrix", CmdInfo},
        {"status", "[DEVICE OPTIONS]", "the keyboard's status byte: program, mode, layout", CmdStatus},
        {"write", "LAYOUT [DEVICE OPTIONS]", "write a layout (.xml or .bin) into the keyboard", CmdWrite},
        {"read", "OUT [--to FORMAT] [DEVICE OPTIONS]", "read the keyboard's layout and save it", CmdRead},
        {"read-memory", "OUT.bin [DEVICE OPTIONS]", "save the keyboard's memory image", CmdReadMemory},
        {"write-memory", "IN.bin [DEVICE OPTIONS]", "write a memory image into the keyboard", CmdWriteMemory},
        {"write-program", "IN.prg [DEVICE OPTIONS]", "write a program (firmware) file into the keyboard",
         CmdWriteProgram},
        {"update-firmware", "[DEVICE OPTIONS]", "write the model's program from \"Прошивки\"",
         CmdUpdateFirmware},
        {"play", "NOTES [DEVICE OPTIONS]", "play notes «name;duration;volume;…» on the keyboard", CmdPlay},
        {"mode", "work|loader [DEVICE OPTIONS]", "switch the keyboard to work or loader mode", CmdMode},
        {"devices", "[DEVICE OPTIONS]", "the devices to choose from, the current one marked", CmdDevices},
    };
    return table;
}

namespace {

void PrintHelp(std::ostream& out) {
    out << "layomatic-cli — programs POS keyboards from scripts\n\n"
           "Usage: layomatic-cli COMMAND [ARGUMENTS] [OPTIONS]\n\nCommands:\n";
    for (const TCommand& c : Commands()) {
        std::string head = std::string(c.Name) + (*c.Usage ? std::string(" ") + c.Usage : std::string());
        // Long usages get their summary on a line of its own, so the summaries stay in one column.
        out << "  " << head;
        if (head.size() > 28)
            out << "\n" << std::string(31, ' ');
        else
            out << std::string(29 - head.size(), ' ');
        out << c.Summary << '\n';
    }
    out << "\nlayomatic-cli COMMAND --help shows the command's own usage.\n"
           "Device options: --simulator[=STATE | =tcp:HOST:PORT] [--sim-model ID] [--sim-firmware "
           "X.Y|damaged]\n"
           "  (the simulated keyboard, its memory kept in STATE; or a keyboard emulator over TCP),\n"
           "  --yes (answer Yes to every question; without it questions are asked on the terminal\n"
           "  and refused when there is none), --catalogue DIR. Ctrl+C cancels a transfer.\n"
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
