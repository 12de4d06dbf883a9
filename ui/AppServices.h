#pragma once

#include "files/Keyboards.h"
#include "files/LayoutFormat.h"
#include "files/SettingsManager.h"
#include "model/CodeSet.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lay {

class TTextMetrics;

// Where the program-wide services find their files. Empty fields mean the places beside the
// program; tests point them at fixtures and temporary folders.
struct TAppOptions {
    std::string SettingsFile;
    std::string CatalogueFolder;
    std::string CodeFile;
};

// The services every window of the editor reaches: settings, catalogue, standard code table,
// both format registries, the last file used, and the route of check and search lines to the
// message window. The keyboard manager takes these over once the device side joins the editor.
class TAppServices {
public:
    // textMetrics measures text for the metafile export (approximated without).
    explicit TAppServices(const TAppOptions& options = {},
                          std::unique_ptr<TTextMetrics> textMetrics = nullptr);
    ~TAppServices();
    TAppServices(const TAppServices&) = delete;
    TAppServices& operator=(const TAppServices&) = delete;

    TSettingsManager Settings;
    TKeyboards Keyboards;
    TLayoutFormats SaveFormats{Keyboards};
    TLayoutFormats OpenFormats{Keyboards};

    // Folder (with its trailing separator) and full name of the last layout file used.
    std::string LastDir;
    std::string LastFile;
    // Catalogue files that could not be read; the editor starts without them.
    std::vector<std::string> SkippedErrors;

    std::string SaveFilter() const { return SaveFormats.Filter(); }
    std::string OpenFilter() const { return OpenFormats.Filter(); }

    // Formats are chosen by index (the file dialog's filter index − 1), never by extension; an
    // index outside the registry raises "Неверный индекс формата".
    void SaveLayout(TLayout& layout, int formatIndex, const std::string& fileName);
    void OpenLayout(TLayout& layout, int formatIndex, const std::string& fileName);
    // The clipboard's form of a layout: XML layout text.
    std::string LayoutToXML(TLayout& layout);
    void LayoutFromXML(TLayout& layout, const std::string& text);
    // Gives the layout the catalogue model with that identifier.
    void SetLayoutKeyboard(TLayout& layout, int keyboardId);
    // The names of the keyboards the device selector offers.
    std::vector<std::string> GetDevices() const;

    // Check and search lines, with the identifier of the layout that wrote them.
    std::function<void(const std::string& line, int layoutId)> OnMessage;
    std::function<void()> OnClearMessages;
    std::function<void()> OnShowMessages;
    void AddMessage(const std::string& line, int layoutId);
    void ClearMessages();
    void ShowMessages();

private:
    void RememberFile(const std::string& fileName);

    TCodeSet FCodeSet;
    TCodeTable FCodeTable;
    // Real font metrics for the metafile export; made by the editor, which has a font system.
    std::unique_ptr<TTextMetrics> FTextMetrics;
};

inline constexpr const char* SBadFormatIndex = "Неверный индекс формата";
inline constexpr const char* SPS2DeviceName = "PS/2 клавиатура";

} // namespace lay
