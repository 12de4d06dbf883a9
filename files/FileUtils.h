#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

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

// Whether the file name ends in the extension (".bin"), in any letter case.
bool HasExtension(const std::string& fileName, std::string_view extension);

// The *.xml files of a folder (any letter case, hidden ones included) with their full paths,
// sorted by name without regard to case, so that every machine reads them in one order; ec
// tells when the folder cannot be read. The process's current folder is left alone.
std::vector<std::filesystem::path> ListXmlFiles(const std::filesystem::path& folder, std::error_code& ec);

// The running executable's full path and its folder, where the data folders live.
std::string ProgramPath();
std::string ProgramFolder();

} // namespace lay
