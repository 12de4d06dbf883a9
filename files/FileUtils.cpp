#include "files/FileUtils.h"

#include "model/Errors.h"
#include "model/Text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lay {

std::filesystem::path ToPath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string FromPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

namespace {

std::string Reason(const std::error_code& ec) {
    switch (static_cast<std::errc>(ec.value())) {
    case std::errc::no_such_file_or_directory:
        return "файл или папка не существует";
    case std::errc::permission_denied:
    case std::errc::operation_not_permitted:
    case std::errc::read_only_file_system:
        return "нет доступа";
    case std::errc::no_space_on_device:
        return "нет места на диске";
    case std::errc::is_a_directory:
        return "это папка";
    default:
        return "код ошибки " + std::to_string(ec.value());
    }
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

} // namespace

std::string ReadFileBytes(const std::string& fileName) {
    const auto path = ToPath(fileName);
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw Exception("Не удалось открыть файл \"" + fileName +
                        "\": " + Reason(std::make_error_code(std::errc::is_a_directory)));
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Exception("Не удалось открыть файл \"" + fileName +
                        "\": " + Reason(errno ? LastError() : std::make_error_code(std::errc::io_error)));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw Exception("Не удалось прочитать файл \"" + fileName + "\"");
    return std::move(bytes).str();
}

namespace {

// Writes the whole file and flushes it to the disk; false with errno set when anything fails.
bool WriteDurably(const std::filesystem::path& path, std::string_view bytes) {
    errno = 0;
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 30);
#ifdef _WIN32
        const int written = _write(fd, bytes.data() + done, static_cast<unsigned>(chunk));
#else
        const ssize_t written = ::write(fd, bytes.data() + done, chunk);
        if (written < 0 && errno == EINTR)
            continue;
#endif
        ok = written > 0;
        if (ok)
            done += static_cast<std::size_t>(written);
    }
#ifdef _WIN32
    ok = ok && _commit(fd) == 0;
    const int saved = errno;
    ok = _close(fd) == 0 && ok;
#else
    ok = ok && ::fsync(fd) == 0;
    const int saved = errno;
    ok = ::close(fd) == 0 && ok;
#endif
    if (!ok && saved != 0)
        errno = saved;
    return ok;
}

} // namespace

void WriteFileAtomically(const std::string& fileName, std::string_view bytes) {
    const auto target = ToPath(fileName);
    std::random_device seed;
    const auto temp = target.parent_path() /
                      ToPath("." + FromPath(target.filename()) + "." + std::to_string(seed()) + ".tmp");
    auto fail = [&](const std::error_code& ec) {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
        throw Exception("Не удалось записать файл \"" + fileName + "\": " + Reason(ec));
    };
    // The bytes are on the disk before the new file takes the old one's name: a power cut in
    // between must not leave an empty file where the old one was.
    if (!WriteDurably(temp, bytes))
        fail(errno ? LastError() : std::make_error_code(std::errc::io_error));
    // The new file keeps the old one's permissions.
    std::error_code permissionsEc;
    const auto old = std::filesystem::status(target, permissionsEc);
    if (!permissionsEc && std::filesystem::exists(old))
        std::filesystem::permissions(temp, old.permissions(), permissionsEc);
#ifdef _WIN32
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fail(std::error_code(static_cast<int>(GetLastError()), std::system_category()));
#else
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    if (ec)
        fail(ec);
    // And the new name is on the disk too.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
#endif
}

std::string ProgramPath() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            throw Exception("Не удалось определить путь программы");
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    return FromPath(std::filesystem::path(buffer));
#else
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw Exception("Не удалось определить путь программы");
    return FromPath(path);
#endif
}

std::string ProgramFolder() {
    return FromPath(ToPath(ProgramPath()).parent_path());
}

std::vector<std::filesystem::path> ListXmlFiles(const std::filesystem::path& folder, std::error_code& ec) {
    std::vector<std::filesystem::path> files;
    ec.clear();
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (it->is_regular_file(fileEc) && HasExtension(FromPath(it->path()), ".xml"))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        const std::string na = FromPath(a.filename()), nb = FromPath(b.filename());
        const int c = AnsiCompareText(na, nb);
        return c != 0 ? c < 0 : na < nb;
    });
    return files;
}

bool HasExtension(const std::string& fileName, std::string_view extension) {
    return AnsiSameText(FromPath(ToPath(fileName).extension()), extension);
}

} // namespace lay
