#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/DeviceUser.h"
#include "device/KeyboardDriver.h"
#include "device/Progress.h"
#include "files/Keyboards.h"
#include "files/LayoutFormat.h"
#include "files/SettingsManager.h"
#include "model/CodeSet.h"

namespace lay {

class TClock;
class TLayout;
class TTextMetrics;

// Where the manager finds its files; empty fields take the places beside the program.
struct TManagerSetup {
    std::string ProgramFolder;   // the program's own folder
    std::string SettingsFile;    // TSettingsManager::DefaultFileName()
    std::string CatalogueFolder; // ProgramFolder + "Клавиатуры"
    std::string FirmwareFolder;  // ProgramFolder + "Прошивки"
    std::string CodeFile;        // TCodeSetFile::DefaultFileName()
};

inline constexpr const char* SReadLayoutCaption = "Чтение раскладки";
inline constexpr const char* SWriteLayoutCaption = "Запись раскладки";
inline constexpr const char* SWriteLayoutFileCaption = "Запись файла раскладки";
inline constexpr const char* SWriteProgramCaption = "Запись файла программы";
inline constexpr const char* SProgramTooLarge =
    "Размер исполняемой програмы для клавиатуры\n\rне может превышать 65 килобайт!";
inline constexpr const char* SBadCodesQuestion =
    "Раскладка содержит неверную последовательность кодов\r\nПродолжить запись ?";
inline constexpr const char* SUpdateQuestion =
    "Программа поддерживает клавиатуры версии 2.8 или выше.\r\nВерсия прошивки вашей клавиатуры устарела.\r\n"
    "Хотите обновить ее ?\r\n\r\n";
inline constexpr const char* SEarlyVersionQuestion =
    "Запись раскладки в клавиатуру ранней версии приведет\r\nк ее неправильной работе. Продолжить ?";
inline constexpr const char* SOtherModelQuestion =
    "Вы хотите записать раскладку для клавиатуры %s\r\nв клавиатуру другой модели %s. Продолжить ?";
inline constexpr const char* SOtherProgramQuestion =
    "Вы хотите записать в клавиатуру %s программу,\r\nпредназначенную для клавиатуры %s.\r\nЭто может "
    "привести к ее "
    "неправильной работе.\r\nПродолжить ?";
inline constexpr const char* SBadFormatIndex = "Неверный индекс формата";

// The one object through which the editor and the command line reach the keyboard, the layout
// files and the settings. Questions and warnings go to the given user; refusals end the
// operation with EAbort.
class TKeyboardManager {
public:
    explicit TKeyboardManager(TDeviceUser& user, const TManagerSetup& setup = {});
    ~TKeyboardManager();
    TKeyboardManager(const TKeyboardManager&) = delete;
    TKeyboardManager& operator=(const TKeyboardManager&) = delete;

private:
    // Declared in the order they are made.
    TKeyboardDriver FDriver;
    TProgress FProgress;
    TSettingsManager FSettings;
    TKeyboards FKeyboards;
    TLayoutFormats FSaveFormats{FKeyboards};
    TLayoutFormats FOpenFormats{FKeyboards};
    TCodeSet FCodeSet;
    TCodeTable FCodeTable;

public:
    std::string LastDir;
    std::string LastFile;
    std::function<void(TKeyboardManager& sender, const std::string& text, int tag)> OnMessage;
    std::function<void(TKeyboardManager& sender)> OnShowMessages;
    std::function<void(TKeyboardManager& sender)> OnClearMessages;

    TKeyboardDriver& Driver() { return FDriver; }
    TProgress& Progress() { return FProgress; }
    TSettingsManager& Settings() { return FSettings; }
    TKeyboards& Keyboards() { return FKeyboards; }
    TLayoutFormats& SaveFormats() { return FSaveFormats; }
    TLayoutFormats& OpenFormats() { return FOpenFormats; }
    TLayoutFormat& XMLFormat() const;
    // The image format every layout read from a keyboard is decoded with.
    TLayoutFormat& DeviceFormat() const;
    TDeviceUser& User() const { return *FUser; }
    const std::string& FirmwareFolder() const { return FFirmwareFolder; }

    // Device operations and waits run on this clock (the simulator's when it stands in).
    void SetClock(TClock& clock);
    TClock& Clock() const { return *FClock; }

    // Device operations.
    void WriteLayout(TLayout& layout);
    void ReadLayout(TLayout& layout);
    void ReadMemoryToFile(const std::string& fileName);
    void WriteMemoryFromFile(const std::string& fileName);
    void WriteProgramFromFile(const std::string& fileName);
    void UpdateFirmware();
    void PlayNotes(const std::string& notesText);
    // The image as the keyboard holds it, size taken from its header.
    TBytes ReadImage();
    // Writes an image block by block, its header block last; false when cancelled.
    bool WriteImage(const TBytes& image, const std::string& caption);
    // The save-registry place of the image format for a program's minor version.
    static int ImageFormatIndex(std::uint8_t minor);

    // Device choice.
    void GetDevices(TDeviceList& list) { FDriver.GetDevices(list); }
    void RefreshDevices() { FDriver.RefreshDevices(); }
    const std::string& DeviceName() const { return FDriver.DeviceName(); }
    void SelectDevice(const std::string& name);

    // Files and the model.
    void SaveLayout(TLayout& layout, int formatIndex, const std::string& fileName);
    void OpenLayout(TLayout& layout, int formatIndex, const std::string& fileName);
    std::string SaveFilter() const { return FSaveFormats.Filter(); }
    std::string OpenFilter() const { return FOpenFormats.Filter(); }
    // The layout as XML layout text in UTF-8, the clipboard's form, and back.
    std::string LayoutToXML(TLayout& layout);
    void LayoutFromXML(TLayout& layout, const std::string& text);
    void SetLayoutKeyboard(TLayout& layout, int keyboardID);
    void DoMessage(const std::string& text, int tag);
    void ClearMessages();
    void ShowMessages();
    // Measures text for the metafile export; without it the export approximates. Not owned.
    void SetTextMetrics(TTextMetrics* metrics);
    // Catalogue files that could not be read (the catalogue keeps the others).
    const std::vector<std::string>& SkippedErrors() const { return FSkippedErrors; }

    // The settings, read and written in place.
    const TFontSettings& Font() const { return FSettings.Font; }
    void SetFont(const TFontSettings& font) { FSettings.Font = font; }
    const std::vector<TMRUEntry>& MRU() const { return FSettings.MRU; }
    void SetMRU(const std::vector<TMRUEntry>& mru) { FSettings.MRU = mru; }
    bool SaveBeforeUpload() const { return FSettings.SaveBeforeUpload; }
    void SetSaveBeforeUpload(bool value) { FSettings.SaveBeforeUpload = value; }
    bool CheckUpdateOnLoad() const { return FSettings.CheckUpdateOnLoad; }
    void SetCheckUpdateOnLoad(bool value) { FSettings.CheckUpdateOnLoad = value; }
    int KeyboardID() const { return FSettings.KeyboardID; }
    void SetKeyboardID(int value) { FSettings.KeyboardID = value; }
    int ViewMode() const { return FSettings.ViewMode; }
    void SetViewMode(int value) { FSettings.ViewMode = value; }
    int DockPanelHeight() const { return FSettings.DockPanelHeight; }
    void SetDockPanelHeight(int value) { FSettings.DockPanelHeight = value; }
    bool MessageFormDocked() const { return FSettings.MessageFormDocked; }
    void SetMessageFormDocked(bool value) { FSettings.MessageFormDocked = value; }
    bool FirstRun() const { return FSettings.FirstRun; }
    void SetFirstRun(bool value) { FSettings.FirstRun = value; }
    void SaveSettings() { FSettings.Save(); }

private:
    void Remember(const std::string& fileName);
    bool ConfirmLayoutCheck(TLayout& layout);
    bool ConfirmDevice(TLayout& layout);
    // The file's bytes, or nothing when it is too large for the keyboard (the user is told).
    std::optional<TBytes> ReadFileForKeyboard(const std::string& fileName);
    TLayoutFormat& CheckedFormat(const TLayoutFormats& formats, int index) const;

    TDeviceUser* FUser;
    TClock* FClock;
    std::string FFirmwareFolder;
    std::vector<std::string> FSkippedErrors;
};

} // namespace lay
