#include "ui/AppServices.h"

#include "files/CodeSetFile.h"
#include "files/EMFLayout.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/XMLKeyboard.h"
#include "model/Canvas.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <filesystem>

namespace lay {

namespace {

TLayoutFormat& FormatAt(const TLayoutFormats& formats, int index) {
    if (index < 0 || index >= formats.Count())
        throw Exception(SBadFormatIndex);
    return formats.Items(index);
}

} // namespace

TAppServices::TAppServices(const TAppOptions& options, std::unique_ptr<TTextMetrics> textMetrics)
    : Settings(options.SettingsFile.empty() ? TSettingsManager() : TSettingsManager(options.SettingsFile)),
      FTextMetrics(std::move(textMetrics)) {
    FillSaveRegistry(SaveFormats);
    FillOpenRegistry(OpenFormats);
    for (int i = 0; i < SaveFormats.Count(); ++i)
        if (auto* emf = dynamic_cast<TEMFLayout*>(&SaveFormats.Items(i)))
            emf->TextMetrics = FTextMetrics.get();

    if (options.CodeFile.empty())
        TCodeSetFile::Load(FCodeSet);
    else
        TCodeSetFile::Load(FCodeSet, options.CodeFile);
    FCodeTable.BuildFlat(FCodeSet);
    SetCodeTable(&FCodeTable);

    const std::string folder = options.CatalogueFolder.empty()
                                   ? FromPath(ToPath(ProgramFolder()) / ToPath("Клавиатуры"))
                                   : options.CatalogueFolder;
    // A catalogue that cannot be read leaves the editor usable for opening files; the reasons
    // are kept for whoever wants to show them.
    TXMLKeyboard reader;
    try {
        reader.LoadFromFolder(folder, Keyboards);
    } catch (const std::exception& e) {
        SkippedErrors.push_back(e.what());
    }
    for (const std::string& skipped : reader.SkippedErrors())
        SkippedErrors.push_back(skipped);

    LastDir = FromPath(ToPath(ProgramFolder()) / "");
}

TAppServices::~TAppServices() {
    SetCodeTable(nullptr);
}

void TAppServices::RememberFile(const std::string& fileName) {
    const std::filesystem::path full = std::filesystem::absolute(ToPath(fileName));
    LastDir = FromPath(full.parent_path() / "");
    LastFile = FromPath(full);
}

void TAppServices::SaveLayout(TLayout& layout, int formatIndex, const std::string& fileName) {
    RememberFile(fileName);
    FormatAt(SaveFormats, formatIndex).SaveToFile(layout, fileName);
}

void TAppServices::OpenLayout(TLayout& layout, int formatIndex, const std::string& fileName) {
    RememberFile(fileName);
    FormatAt(OpenFormats, formatIndex).LoadFromFile(layout, fileName);
}

std::string TAppServices::LayoutToXML(TLayout& layout) {
    // The file's bytes are Windows-1251; the clipboard carries program text.
    const TBytes bytes = FormatAt(SaveFormats, sfXML).SaveToString(layout);
    return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TAppServices::LayoutFromXML(TLayout& layout, const std::string& text) {
    const std::string bytes = Utf8ToCp1251(text);
    FormatAt(OpenFormats, ofXML).LoadFromString(layout, TBytes(bytes.begin(), bytes.end()));
}

void TAppServices::SetLayoutKeyboard(TLayout& layout, int keyboardId) {
    layout.SetKeyboard(KeyboardModel(Keyboards.ItemByID(keyboardId)));
}

std::vector<std::string> TAppServices::GetDevices() const {
    // The PS/2 port is the one port of the port list and always offers its keyboard.
    return {SPS2DeviceName};
}

void TAppServices::AddMessage(const std::string& line, int layoutId) {
    if (OnMessage)
        OnMessage(line, layoutId);
}

void TAppServices::ClearMessages() {
    if (OnClearMessages)
        OnClearMessages();
}

void TAppServices::ShowMessages() {
    if (OnShowMessages)
        OnShowMessages();
}

} // namespace lay
