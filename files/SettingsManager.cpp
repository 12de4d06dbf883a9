#include "files/SettingsManager.h"

#include "files/FileUtils.h"
#include "files/IniFile.h"
#include "model/Errors.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#define LAY_ACCESS _waccess
#define LAY_W_OK 2
#else
#include <unistd.h>
#endif

namespace lay {

namespace {

// Rounds half away from zero, as the platform's own MulDiv does, and like it gives -1 for a zero
// denominator or a result that does not fit an int (a settings file may hold any numbers).
int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0)
        return -1;
    const double exact = static_cast<double>(number) * numerator / denominator;
    const double rounded = exact < 0 ? std::ceil(exact - 0.5) : std::floor(exact + 0.5);
    if (rounded < static_cast<double>(INT_MIN) || rounded > static_cast<double>(INT_MAX))
        return -1;
    return static_cast<int>(rounded);
}

// The one int without a negative counterpart stays at the end of the range.
int Negative(int value) {
    return value == INT_MIN ? INT_MAX : -value;
}

constexpr const char* kSettings = "SETTINGS";
constexpr const char* kMRU = "MRU";

bool CanWrite(const std::filesystem::path& path) {
#ifdef _WIN32
    return LAY_ACCESS(path.c_str(), LAY_W_OK) == 0;
#else
    return access(path.c_str(), W_OK) == 0;
#endif
}

std::string ConfigFolder() {
#ifdef _WIN32
    const char* base = std::getenv("APPDATA");
    if (base && *base)
        return base;
#else
    // Relative values are to be ignored, says the base-directory convention.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && *home)
        return FromPath(ToPath(home) / ".config");
#endif
    return {};
}

} // namespace

void TFontSettings::SetHeight(int height) {
    Height = height;
    Size = Negative(MulDiv(height, 72, PixelsPerInch));
}

void TFontSettings::SetSize(int size) {
    Size = size;
    Height = Negative(MulDiv(size, PixelsPerInch, 72));
}

std::string TSettingsManager::FileNameFor(const std::string& programPath) {
    auto beside = ToPath(programPath);
    beside.replace_extension(".ini");
    std::error_code ec;
    const bool fileOk = !std::filesystem::exists(beside, ec) || CanWrite(beside);
    if (fileOk && CanWrite(beside.parent_path()))
        return FromPath(beside);
    const std::string config = ConfigFolder();
    if (config.empty())
        return FromPath(beside); // nowhere better: Save names the file when it fails
    return FromPath(ToPath(config) / "layomatic" / "layomatic.ini");
}

std::string TSettingsManager::DefaultFileName() {
    return FileNameFor(ProgramPath());
}

TSettingsManager::TSettingsManager() : TSettingsManager(DefaultFileName()) {}

TSettingsManager::TSettingsManager(std::string fileName) : FFileName(std::move(fileName)) {
    Load();
}

void TSettingsManager::Load() {
    TIniFile ini;
    ini.LoadFromFile(FFileName);
    DockPanelHeight = ini.ReadInteger(kSettings, "DockPanelHeight", 0);
    MessageFormDocked = ini.ReadBool(kSettings, "MessageFormDocked", false);
    DeviceName = ini.ReadString(kSettings, "DeviceName", "PS/2 клавиатура");
    KeyboardID = ini.ReadInteger(kSettings, "KeyboardID", 1);
    SaveBeforeUpload = ini.ReadBool(kSettings, "SaveBeforeUpload", false);
    CheckUpdateOnLoad = ini.ReadBool(kSettings, "CheckUpdateOnLoad", true);
    FirstRun = ini.ReadBool(kSettings, "FirstRun", true);
    ViewMode = ini.ReadInteger(kSettings, "ViewMode", 0);
    Font.PixelsPerInch = ini.ReadInteger(kSettings, "FontPixelsPerInch", 96);
    Font.Charset = ini.ReadInteger(kSettings, "FontCharset", 204);
    Font.Color = ini.ReadInteger(kSettings, "FontColor", 0);
    Font.SetHeight(ini.ReadInteger(kSettings, "FontHeight", -11));
    // The size comes after the height and has the last word.
    Font.SetSize(ini.ReadInteger(kSettings, "FontSize", 8));
    Font.Style = ini.ReadInteger(kSettings, "FontStyle", 0);
    Font.Name = ini.ReadString(kSettings, "FontName", "MS Sans Serif");

    // Keys are taken in pairs as they stand, whatever their names: file name, then format index.
    MRU.clear();
    if (ini.SectionExists(kMRU)) {
        const std::vector<std::string> keys = ini.ReadSection(kMRU);
        for (std::size_t i = 0; i + 1 < keys.size(); i += 2)
            MRU.push_back({ini.ReadString(kMRU, keys[i], ""), ini.ReadInteger(kMRU, keys[i + 1], 0)});
    }
}

void TSettingsManager::Save() {
    // Whatever else the file holds stays, the keys of a longer earlier file list among it.
    TIniFile ini;
    try {
        ini.LoadFromFile(FFileName);
    } catch (const Exception& e) {
        throw Exception("Не удалось сохранить настройки в файл \"" + FFileName + "\":\r\n" + e.Message());
    }
    ini.WriteInteger(kSettings, "DockPanelHeight", DockPanelHeight);
    ini.WriteBool(kSettings, "MessageFormDocked", MessageFormDocked);
    ini.WriteString(kSettings, "DeviceName", DeviceName);
    ini.WriteInteger(kSettings, "KeyboardID", KeyboardID);
    ini.WriteBool(kSettings, "SaveBeforeUpload", SaveBeforeUpload);
    ini.WriteBool(kSettings, "CheckUpdateOnLoad", CheckUpdateOnLoad);
    ini.WriteBool(kSettings, "FirstRun", FirstRun);
    ini.WriteInteger(kSettings, "ViewMode", ViewMode);
    ini.WriteInteger(kSettings, "FontPixelsPerInch", Font.PixelsPerInch);
    ini.WriteInteger(kSettings, "FontCharset", Font.Charset);
    ini.WriteInteger(kSettings, "FontColor", Font.Color);
    ini.WriteInteger(kSettings, "FontHeight", Font.Height);
    ini.WriteString(kSettings, "FontName", Font.Name);
    ini.WriteInteger(kSettings, "FontSize", Font.Size);
    ini.WriteInteger(kSettings, "FontStyle", Font.Style);
    for (std::size_t i = 0; i < MRU.size(); ++i) {
        ini.WriteString(kMRU, "File" + std::to_string(i), MRU[i].FileName);
        ini.WriteInteger(kMRU, "Filter" + std::to_string(i), MRU[i].Filter);
    }

    const auto folder = ToPath(FFileName).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec))
        std::filesystem::create_directories(folder, ec); // the user's configuration folder on first save
    try {
        ini.SaveToFile(FFileName);
    } catch (const Exception& e) {
        throw Exception("Не удалось сохранить настройки в файл \"" + FFileName + "\":\r\n" + e.Message());
    }
}

} // namespace lay
