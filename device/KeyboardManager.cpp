#include "device/KeyboardManager.h"

#include <cstdio>
#include <filesystem>

#include "device/Clock.h"
#include "files/CodeSetFile.h"
#include "files/EMFLayout.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/XMLKeyboard.h"
#include "model/Errors.h"
#include "model/Layout.h"
#include "model/Notes.h"
#include "model/Text.h"

namespace lay {

namespace {

template <class... TArgs> std::string Format(const char* pattern, TArgs... args) {
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, args...);
    return text;
}

constexpr std::size_t ReadBlock = 128;
constexpr std::size_t WriteBlockSize = 256;
constexpr std::uint32_t BlockPauseMs = 100;
constexpr std::size_t MaxKeyboardFile = 65 * 1024;

// size / block + 0.5, rounded to the nearest whole number with halves to even: the keyboard's
// tools have always counted blocks this way, one block more for an odd exact multiple.
std::size_t BlockCount(std::size_t size, std::size_t block) {
    const std::size_t twice = 2 * size + block; // 2 × (size / block + 0.5) × block
    std::size_t whole = twice / (2 * block);
    const std::size_t rest = twice % (2 * block);
    if (rest > block || (rest == block && whole % 2 == 1))
        ++whole;
    return whole;
}

std::string FolderOr(const std::string& folder, const std::string& programFolder, const char* name) {
    return folder.empty() ? FromPath(ToPath(programFolder) / ToPath(name)) : folder;
}

TSettingsManager MakeSettings(const TManagerSetup& setup) {
    return setup.SettingsFile.empty() ? TSettingsManager() : TSettingsManager(setup.SettingsFile);
}

} // namespace

TKeyboardManager::TKeyboardManager(TDeviceUser& user, const TManagerSetup& setup)
    : FSettings(MakeSettings(setup)), FUser(&user), FClock(&SystemClock()) {
    FillSaveRegistry(FSaveFormats);
    FillOpenRegistry(FOpenFormats);

    if (setup.CodeFile.empty())
        TCodeSetFile::Load(FCodeSet);
    else
        TCodeSetFile::Load(FCodeSet, setup.CodeFile);
    FCodeTable.BuildFlat(FCodeSet);
    SetCodeTable(&FCodeTable);

    const std::string programFolder = setup.ProgramFolder.empty() ? ProgramFolder() : setup.ProgramFolder;
    LastFile.clear();
    LastDir = FromPath(ToPath(programFolder) / "");
    FFirmwareFolder = FolderOr(setup.FirmwareFolder, programFolder, "Прошивки");

    FDriver.TryChooseDevice(FSettings.DeviceName);

    // A missing or broken catalogue leaves the list empty or partial; the windows that need a
    // model say so when they need it.
    TXMLKeyboard reader;
    try {
        reader.LoadFromFolder(FolderOr(setup.CatalogueFolder, programFolder, "Клавиатуры"), FKeyboards);
    } catch (const Exception& e) {
        FSkippedErrors.push_back(e.what());
    }
    for (const std::string& skipped : reader.SkippedErrors())
        FSkippedErrors.push_back(skipped);
}

TKeyboardManager::~TKeyboardManager() {
    // A newer manager may have installed its own table meanwhile; that one stays.
    if (&CodeTable() == &FCodeTable)
        SetCodeTable(nullptr);
}

void TKeyboardManager::SetClock(TClock& clock) {
    FClock = &clock;
    FDriver.SetClock(clock);
    FProgress.SetClock(clock);
}

TLayoutFormat& TKeyboardManager::CheckedFormat(const TLayoutFormats& formats, int index) const {
    if (index < 0 || index >= formats.Count())
        throw Exception(SBadFormatIndex);
    return formats.Items(index);
}

TLayoutFormat& TKeyboardManager::XMLFormat() const {
    return CheckedFormat(FSaveFormats, sfXML);
}

TLayoutFormat& TKeyboardManager::DeviceFormat() const {
    return CheckedFormat(FSaveFormats, sfBin210);
}

int TKeyboardManager::ImageFormatIndex(std::uint8_t minor) {
    switch (minor) {
    case 8:
        return sfBin28;
    case 9:
        return sfBin29;
    case 10:
        return sfBin210;
    default:
        return sfBin13;
    }
}

void TKeyboardManager::Remember(const std::string& fileName) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(ToPath(fileName), error);
    if (error)
        path = ToPath(fileName);
    LastFile = FromPath(path);
    LastDir = FromPath(path.parent_path() / "");
}

TBytes TKeyboardManager::ReadImage() {
    const std::uint16_t header = FDriver.ReadWord(0);
    const std::uint16_t version = FDriver.ReadWord(header);
    const std::uint16_t size =
        FDriver.ReadWord(static_cast<std::uint16_t>(header + (version < 0x0208 ? 2 : 4)));
    const std::size_t blocks = BlockCount(size, ReadBlock);

    FProgress.Start(static_cast<int>(blocks), SReadLayoutCaption);
    TBytes image;
    try {
        for (std::size_t i = 0; i < blocks; ++i) {
            const TBytes block = FDriver.ReadMemory(static_cast<std::uint16_t>(ReadBlock * i), ReadBlock);
            image.insert(image.end(), block.begin(), block.end());
            FProgress.Step(static_cast<int>(i + 1));
            if (FProgress.Cancelled)
                throw EAbort();
        }
    } catch (...) {
        FProgress.Finish();
        throw;
    }
    FProgress.Finish();
    image.resize(size);
    return image;
}

bool TKeyboardManager::WriteImage(const TBytes& image, const std::string& caption) {
    const std::size_t blocks = BlockCount(image.size(), WriteBlockSize);
    FProgress.Start(static_cast<int>(blocks), caption);

    // The header block is zeroed first and written last: until the very end the keyboard holds
    // an image it does not take as valid.
    TBytes header(image.begin(),
                  image.begin() + static_cast<std::ptrdiff_t>(std::min(image.size(), WriteBlockSize)));
    header.resize(WriteBlockSize, 0);
    TBytes work = image;
    std::fill(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(std::min(work.size(), WriteBlockSize)),
              0);

    bool complete = true;
    try {
        for (std::size_t i = 0; i < blocks; ++i) {
            const std::size_t from = std::min(work.size(), WriteBlockSize * i);
            const std::size_t to = std::min(work.size(), from + WriteBlockSize);
            FDriver.WriteBlock(static_cast<std::uint16_t>(WriteBlockSize * i),
                               TBytes(work.begin() + static_cast<std::ptrdiff_t>(from),
                                      work.begin() + static_cast<std::ptrdiff_t>(to)));
            FProgress.Step(static_cast<int>(i + 1));
            if (FProgress.Cancelled) {
                complete = false;
                break;
            }
            FClock->Sleep(BlockPauseMs);
        }
    } catch (...) {
        FProgress.Finish();
        throw;
    }
    FProgress.Finish();
    if (complete)
        FDriver.WriteBlock(0, header);
    return complete;
}

std::optional<TBytes> TKeyboardManager::ReadFileForKeyboard(const std::string& fileName) {
    const std::string bytes = ReadFileBytes(fileName);
    if (bytes.size() > MaxKeyboardFile) {
        FUser->Warning(SProgramTooLarge);
        return std::nullopt;
    }
    return TBytes(bytes.begin(), bytes.end());
}

bool TKeyboardManager::ConfirmLayoutCheck(TLayout& layout) {
    ClearMessages();
    // A layout that no window listens to reports its check through the manager.
    const TMessageSink previous = layout.MessageSink;
    if (!layout.MessageSink)
        layout.MessageSink = [this](const std::string& line, int tag) { DoMessage(line, tag); };
    bool valid;
    try {
        valid = layout.Check();
    } catch (...) {
        layout.MessageSink = previous;
        throw;
    }
    layout.MessageSink = previous;
    if (valid)
        return true;
    ShowMessages();
    return FUser->Confirm(SBadCodesQuestion);
}

bool TKeyboardManager::ConfirmDevice(TLayout& layout) {
    TKeyboardStatus status;
    FDriver.GetStatus(status);
    TDeviceInfo info;
    if (status.ProgramValid) {
        FDriver.ReadProgramInfo(info);
        if (info.Major < 2 || (info.Major == 2 && info.Minor < 8)) {
            if (FUser->Confirm(SUpdateQuestion))
                UpdateFirmware();
            if (!FUser->Confirm(SEarlyVersionQuestion))
                return false;
        }
    }
    FDriver.ReadProgramInfo(info);
    const TKeyboard& model = FKeyboards.ItemByID(layout.KeyboardID);
    if (model.Model == info.DeviceType)
        return true;
    const TKeyboard& device = FKeyboards.ItemByID(info.DeviceType);
    return FUser->Confirm(Format(SOtherModelQuestion, model.ClassName.c_str(), device.ClassName.c_str()));
}

void TKeyboardManager::WriteLayout(TLayout& layout) {
    if (!ConfirmLayoutCheck(layout) || !ConfirmDevice(layout))
        throw EAbort();
    TDeviceInfo info;
    FDriver.ReadProgramInfo(info);
    FDriver.SetMode(kmLoader);
    const TBytes image = CheckedFormat(FSaveFormats, ImageFormatIndex(info.Minor)).SaveToString(layout);
    WriteImage(image, SWriteLayoutCaption);
    FDriver.SetMode(kmWork);
}

void TKeyboardManager::ReadLayout(TLayout& layout) {
    const TBytes image = ReadImage();
    DeviceFormat().LoadFromString(layout, image);
    FDriver.SetMode(kmWork);
}

void TKeyboardManager::ReadMemoryToFile(const std::string& fileName) {
    Remember(fileName);
    // The file is replaced only by a complete image: a failed or cancelled read keeps what the
    // file held before.
    const TBytes image = ReadImage();
    WriteFileAtomically(fileName,
                        std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

void TKeyboardManager::WriteMemoryFromFile(const std::string& fileName) {
    Remember(fileName);
    // The file is read before the keyboard leaves work mode, so that a file that cannot be
    // used leaves the keyboard as it was.
    const std::optional<TBytes> image = ReadFileForKeyboard(fileName);
    if (!image || image->empty())
        return;
    FDriver.SetMode(kmLoader);
    WriteImage(*image, SWriteLayoutFileCaption);
    FDriver.SetMode(kmWork);
}

void TKeyboardManager::WriteProgramFromFile(const std::string& fileName) {
    Remember(fileName);
    const std::string bytes = ReadFileBytes(fileName);

    TDeviceInfo loader;
    FDriver.ReadLoaderInfo(loader);
    const std::string name = FromPath(ToPath(fileName).filename());
    const std::string prefix = name.substr(0, name.find('_'));
    bool confirmed = true;
    if (const TKeyboard* model = FKeyboards.FindByID(loader.DeviceType); model && model->Name != prefix)
        confirmed = FUser->Confirm(Format(SOtherProgramQuestion, model->Name.c_str(), prefix.c_str()));

    if (confirmed) {
        if (bytes.size() > MaxKeyboardFile) {
            FUser->Warning(SProgramTooLarge);
        } else if (!bytes.empty()) {
            FDriver.SetMode(kmProgram);
            WriteImage(TBytes(bytes.begin(), bytes.end()), SWriteProgramCaption);
        }
    }
    FDriver.SetMode(kmWork);
    if (!confirmed)
        throw EAbort();
}

void TKeyboardManager::UpdateFirmware() {
    TDeviceInfo info;
    FDriver.ReadProgramInfo(info);
    const TKeyboard& model = FKeyboards.ItemByID(info.DeviceType);
    WriteProgramFromFile(FromPath(ToPath(FFirmwareFolder) / ToPath(model.Name + "_v2.8.bin")));
}

void TKeyboardManager::PlayNotes(const std::string& notesText) {
    TNotifier notifier;
    TNotes notes(&notifier);
    notes.SetText(notesText);
    TBytes bytes;
    for (int i = 0; i < notes.Count(); ++i) {
        const TNote& note = *notes.Items(i);
        bytes.insert(bytes.end(), {note.Note(), note.Duration(), note.Volume()});
    }
    FDriver.PlayNotes(bytes);
}

void TKeyboardManager::SelectDevice(const std::string& name) {
    FDriver.SelectDevice(name);
    FSettings.DeviceName = name;
}

void TKeyboardManager::SaveLayout(TLayout& layout, int formatIndex, const std::string& fileName) {
    Remember(fileName);
    CheckedFormat(FSaveFormats, formatIndex).SaveToFile(layout, fileName);
}

void TKeyboardManager::OpenLayout(TLayout& layout, int formatIndex, const std::string& fileName) {
    Remember(fileName);
    CheckedFormat(FOpenFormats, formatIndex).LoadFromFile(layout, fileName);
}

std::string TKeyboardManager::LayoutToXML(TLayout& layout) {
    // The file's bytes are Windows-1251; the clipboard carries program text.
    const TBytes bytes = XMLFormat().SaveToString(layout);
    return Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TKeyboardManager::LayoutFromXML(TLayout& layout, const std::string& text) {
    const std::string bytes = Utf8ToCp1251(text);
    CheckedFormat(FOpenFormats, ofXML).LoadFromString(layout, TBytes(bytes.begin(), bytes.end()));
}

void TKeyboardManager::SetLayoutKeyboard(TLayout& layout, int keyboardID) {
    layout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(keyboardID)));
}

void TKeyboardManager::DoMessage(const std::string& text, int tag) {
    if (OnMessage)
        OnMessage(*this, text, tag);
}

void TKeyboardManager::ClearMessages() {
    if (OnClearMessages)
        OnClearMessages(*this);
}

void TKeyboardManager::ShowMessages() {
    if (OnShowMessages)
        OnShowMessages(*this);
}

void TKeyboardManager::SetTextMetrics(TTextMetrics* metrics) {
    for (int i = 0; i < FSaveFormats.Count(); ++i)
        if (auto* emf = dynamic_cast<TEMFLayout*>(&FSaveFormats.Items(i)))
            emf->TextMetrics = metrics;
}

} // namespace lay
