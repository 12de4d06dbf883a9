#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace lay {

// Paths travel through the program as UTF-8 text; this is where they become the platform's own.
std::filesystem::path ToPath(std::string_view utf8);
std::string FromPath(const std::filesystem::path& path);

// The whole file as bytes. A file that cannot be opened or read raises the program's error
// naming the file.
std::string ReadFileBytes(const std::string& fileName);

// Replaces the file with the bytes only once they are all on disk: they go to a temporary file
// beside the target, which is then renamed over it. When anything fails, the old file is left
// as it was and the error names the file.
void WriteFileAtomically(const std::string& fileName, std::string_view bytes);

// The running executable's full path and its folder, where the data folders live.
std::string ProgramPath();
std::string ProgramFolder();

} // namespace lay
