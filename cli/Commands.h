#pragma once

#include "cli/Args.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace lay::cli {

// Where a command writes: its results to Out, its errors and progress to Err.
struct TIo {
    std::ostream& Out;
    std::ostream& Err;
};

struct TCommand {
    const char* Name;
    const char* Usage;   // the words after the command name
    const char* Summary; // one line for --help
    // Returns the exit status. Errors of the program's own (lay::Exception) may be thrown:
    // Run prints their message and exits with 1.
    int (*Execute)(const std::vector<std::string>& words, TIo& io);
};

const std::vector<TCommand>& Commands();

int Run(int argc, char** argv, std::ostream& out, std::ostream& err);
int Run(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The command groups; each lives in a file of its own.
int CmdCodes(const std::vector<std::string>& words, TIo& io);
int CmdParse(const std::vector<std::string>& words, TIo& io);
int CmdDecode(const std::vector<std::string>& words, TIo& io);
int CmdDump(const std::vector<std::string>& words, TIo& io);
int CmdCheck(const std::vector<std::string>& words, TIo& io);
int CmdFind(const std::vector<std::string>& words, TIo& io);
int CmdReplace(const std::vector<std::string>& words, TIo& io);
int CmdConvert(const std::vector<std::string>& words, TIo& io);
int CmdRender(const std::vector<std::string>& words, TIo& io);
int CmdKeyboards(const std::vector<std::string>& words, TIo& io);
int CmdKeyboard(const std::vector<std::string>& words, TIo& io);
int CmdInfo(const std::vector<std::string>& words, TIo& io);
int CmdStatus(const std::vector<std::string>& words, TIo& io);
int CmdWrite(const std::vector<std::string>& words, TIo& io);
int CmdRead(const std::vector<std::string>& words, TIo& io);
int CmdReadMemory(const std::vector<std::string>& words, TIo& io);
int CmdWriteMemory(const std::vector<std::string>& words, TIo& io);
int CmdWriteProgram(const std::vector<std::string>& words, TIo& io);
int CmdUpdateFirmware(const std::vector<std::string>& words, TIo& io);
int CmdPlay(const std::vector<std::string>& words, TIo& io);
int CmdMode(const std::vector<std::string>& words, TIo& io);
int CmdDevices(const std::vector<std::string>& words, TIo& io);

} // namespace lay::cli
