#pragma once

#include <string>
#include <vector>

namespace lay {

// The application font as the settings keep it. Height and Size describe the same thing in two
// units: setting one recomputes the other at PixelsPerInch.
struct TFontSettings {
    int PixelsPerInch = 96;
    int Charset = 204;
    int Color = 0;
    int Height = -11; // negative: character height in pixels
    int Size = 8;     // points
    int Style = 0;    // 1 bold, 2 italic, 4 underline, 8 strike-out
    std::string Name = "MS Sans Serif";

    void SetHeight(int height);
    void SetSize(int size);
};

// One recently used file and the format index it is opened with again.
struct TMRUEntry {
    std::string FileName;
    int Filter = 0;
    bool operator==(const TMRUEntry&) const = default;
};

// The user's settings, in memory and in the settings INI file.
class TSettingsManager {
public:
    // The settings file beside the program (see DefaultFileName), read at once.
    TSettingsManager();
    // The settings kept in the named file, read at once.
    explicit TSettingsManager(std::string fileName);

    // Missing file, section or key, or a number that does not convert: the defaults.
    void Load();
    // Writes every setting and the recent files into the file, keeping what else it holds.
    // Raises, naming the file, when it cannot be written.
    void Save();
    const std::string& FileName() const { return FFileName; }

    // The program's path with ".ini", where the program's folder can be written; otherwise (an
    // installed program) "layomatic/layomatic.ini" under the user's configuration folder.
    static std::string DefaultFileName();
    static std::string FileNameFor(const std::string& programPath);

    int DockPanelHeight = 0;
    bool MessageFormDocked = false;
    std::string DeviceName = "PS/2 клавиатура";
    int KeyboardID = 1;
    bool SaveBeforeUpload = false;
    bool CheckUpdateOnLoad = true;
    bool FirstRun = true;
    int ViewMode = 0;
    TFontSettings Font;
    // Most recent first.
    std::vector<TMRUEntry> MRU;

private:
    std::string FFileName;
};

} // namespace lay
