#include "model/CodeSet.h"

#include "model/Errors.h"
#include "model/ScanCodes.h"
#include "model/Text.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace lay {

const TStdCode& TCodeTable::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

TStdCode& TCodeTable::AddCode(const std::string& name, const TBytes& scanCode, const TBytes& makeCode,
                              const TBytes& breakCode) {
    auto code = std::make_unique<TStdCode>();
    code->Owner = this;
    code->Name = name;
    code->Scancode = scanCode;
    code->Makecode = makeCode;
    code->Breakcode = breakCode;
    FItems.push_back(std::move(code));
    return *FItems.back();
}

void TCodeTable::BuildFlat(const TCodeSet& codeSet) {
    for (int g = 0; g < codeSet.Count(); ++g) {
        const TCodeTable& group = codeSet.Items(g);
        for (const auto& code : group.FItems)
            AddCode(code->Name, code->Scancode, code->Makecode, code->Breakcode);
    }
    FMaxCodeLength = 0;
    for (const auto& code : FItems) {
        FMaxCodeLength = std::max(FMaxCodeLength, static_cast<int>(code->Makecode.size()));
        FMaxCodeLength = std::max(FMaxCodeLength, static_cast<int>(code->Breakcode.size()));
    }
}

namespace {

std::unique_ptr<TScanCode> MakeElement(const TStdCode& code, bool release) {
    auto element = std::make_unique<TScanCode>();
    element->Name = code.Name;
    element->ScanCode = code.Scancode;
    element->CodeType = release ? ctRelease : ctPress;
    element->SetCode(release ? code.Breakcode : code.Makecode);
    return element;
}

} // namespace

std::unique_ptr<TScanCode> TCodeTable::FindByName(const std::string& name, bool release) const {
    for (const auto& code : FItems)
        if (AnsiSameText(code->Name, name))
            return MakeElement(*code, release);
    return nullptr;
}

std::unique_ptr<TScanCode> TCodeTable::FindByScanCode(const TBytes& scanCode, bool release) const {
    for (const auto& code : FItems)
        if (code->Scancode == scanCode)
            return MakeElement(*code, release);
    return nullptr;
}

std::unique_ptr<TScanCode> TCodeTable::FindMake(const TBytes& bytes) const {
    for (const auto& code : FItems)
        if (code->Makecode == bytes)
            return MakeElement(*code, false);
    return nullptr;
}

std::unique_ptr<TScanCode> TCodeTable::FindBreak(const TBytes& bytes) const {
    for (const auto& code : FItems)
        if (code->Breakcode == bytes)
            return MakeElement(*code, true);
    return nullptr;
}

std::unique_ptr<TScanCode> TCodeTable::TranslateKeyMessage(const TKeyMessage& message, int mode) const {
    try {
        bool release = false;
        if (message.Msg == WM_KEYUP || message.Msg == WM_SYSKEYUP)
            release = true;
        else if (message.Msg != WM_KEYDOWN && message.Msg != WM_SYSKEYDOWN)
            return nullptr;
        if ((release && mode == tmPress) || (!release && mode == tmRelease))
            return nullptr;
        // An automatic repeat of a held key is not a new press.
        if (!release && (message.LParam & (1u << 30)) != 0)
            return nullptr;
        if ((message.LParam & 0xFFFFu) != 1)
            return nullptr;
        TBytes identity;
        if ((message.LParam & (1u << 24)) != 0)
            identity.push_back(0xE0);
        identity.push_back(static_cast<std::uint8_t>((message.LParam >> 16) & 0xFF));
        return FindByScanCode(identity, release);
    } catch (const std::exception&) {
        return nullptr;
    }
}

TCodeTable& TCodeSet::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FGroups[static_cast<std::size_t>(index)];
}

TCodeTable& TCodeSet::AddGroup(const std::string& name) {
    FGroups.push_back(std::make_unique<TCodeTable>(name));
    return *FGroups.back();
}

namespace {

struct TDefaultKey {
    const char* Name;
    std::initializer_list<std::uint8_t> Scan;
    std::initializer_list<std::uint8_t> Make;
};

struct TDefaultGroup {
    const char* Name;
    std::initializer_list<TDefaultKey> Keys;
};

// Scan codes of set 1 as the computer reports them; make codes of set 2 as the keyboard sends them.
const std::initializer_list<TDefaultGroup> kDefaultSet = {
    {"Алфавитные английские",
     {{"A", {0x1E}, {0x1C}}, {"B", {0x30}, {0x32}}, {"C", {0x2E}, {0x21}}, {"D", {0x20}, {0x23}},
      {"E", {0x12}, {0x24}}, {"F", {0x21}, {0x2B}}, {"G", {0x22}, {0x34}}, {"H", {0x23}, {0x33}},
      {"I", {0x17}, {0x43}}, {"J", {0x24}, {0x3B}}, {"K", {0x25}, {0x42}}, {"L", {0x26}, {0x4B}},
      {"M", {0x32}, {0x3A}}, {"N", {0x31}, {0x31}}, {"O", {0x18}, {0x44}}, {"P", {0x19}, {0x4D}},
      {"Q", {0x10}, {0x15}}, {"R", {0x13}, {0x2D}}, {"S", {0x1F}, {0x1B}}, {"T", {0x14}, {0x2C}},
      {"U", {0x16}, {0x3C}}, {"V", {0x2F}, {0x2A}}, {"W", {0x11}, {0x1D}}, {"X", {0x2D}, {0x22}},
      {"Y", {0x15}, {0x35}}, {"Z", {0x2C}, {0x1A}}}},
    {"Цифры",
     {{"0", {0x0B}, {0x45}},
      {"1", {0x02}, {0x16}},
      {"2", {0x03}, {0x1E}},
      {"3", {0x04}, {0x26}},
      {"4", {0x05}, {0x25}},
      {"5", {0x06}, {0x2E}},
      {"6", {0x07}, {0x36}},
      {"7", {0x08}, {0x3D}},
      {"8", {0x09}, {0x3E}},
      {"9", {0x0A}, {0x46}}}},
    // The key left of 1 and the apostrophe key share the name "'"; a lookup by name finds the first.
    {"Символы",
     {{"'", {0x29}, {0x0E}},
      {"-", {0x0C}, {0x4E}},
      {"=", {0x0D}, {0x55}},
      {"\\", {0x2B}, {0x5D}},
      {"[", {0x1A}, {0x54}},
      {"]", {0x1B}, {0x5B}},
      {";", {0x27}, {0x4C}},
      {"'", {0x28}, {0x52}},
      {",", {0x33}, {0x41}},
      {".", {0x34}, {0x49}},
      {"/", {0x35}, {0x4A}}}},
    {"Управляющие клавиши",
     {{"Backspace", {0x0E}, {0x66}},
      {"Space", {0x39}, {0x29}},
      {"TAB", {0x0F}, {0x0D}},
      {"CAPS", {0x3A}, {0x58}},
      {"LShift", {0x2A}, {0x12}},
      {"RShift", {0x36}, {0x59}},
      {"LCtrl", {0x1D}, {0x14}},
      {"RCtrl", {0xE0, 0x1D}, {0xE0, 0x14}},
      {"LWin", {0xE0, 0x5B}, {0xE0, 0x1F}},
      {"LAlt", {0x38}, {0x11}},
      {"RWin", {0xE0, 0x5C}, {0xE0, 0x27}},
      {"RAlt", {0xE0, 0x38}, {0xE0, 0x11}},
      {"APPS", {0xE0, 0x5D}, {0xE0, 0x2F}},
      {"ENTER", {0x1C}, {0x5A}},
      {"ESC", {0x01}, {0x76}},
      {"F1", {0x3B}, {0x05}},
      {"F2", {0x3C}, {0x06}},
      {"F3", {0x3D}, {0x04}},
      {"F4", {0x3E}, {0x0C}},
      {"F5", {0x3F}, {0x03}},
      {"F6", {0x40}, {0x0B}},
      {"F7", {0x41}, {0x83}},
      {"F8", {0x42}, {0x0A}},
      {"F9", {0x43}, {0x01}},
      {"F10", {0x44}, {0x09}},
      {"F11", {0x57}, {0x78}},
      {"F12", {0x58}, {0x07}},
      {"Scroll", {0x46}, {0x7E}},
      {"INSERT", {0xE0, 0x52}, {0xE0, 0x70}},
      {"HOME", {0xE0, 0x47}, {0xE0, 0x6C}},
      {"PageUp", {0xE0, 0x49}, {0xE0, 0x7D}},
      {"DELETE", {0xE0, 0x53}, {0xE0, 0x71}},
      {"END", {0xE0, 0x4F}, {0xE0, 0x69}},
      {"Pagedown", {0xE0, 0x51}, {0xE0, 0x7A}},
      {"Up", {0xE0, 0x48}, {0xE0, 0x75}},
      {"Down", {0xE0, 0x50}, {0xE0, 0x72}},
      {"Left", {0xE0, 0x4B}, {0xE0, 0x6B}},
      {"Right", {0xE0, 0x4D}, {0xE0, 0x74}},
      {"PrintScrn", {0xE0, 0x37}, {0xE0, 0x12, 0xE0, 0x7C}},
      {"Pause/Break", {0x45}, {0xE1, 0x14, 0x77, 0xE1, 0xF0, 0x14, 0xF0, 0x77}}}},
    // NumLock is reported with E0 and Pause/Break without, the other way round from what one expects.
    {"Keypad",
     {{"NumLock", {0xE0, 0x45}, {0x77}},
      {"</>", {0xE0, 0x35}, {0xE0, 0x4A}},
      {"<*>", {0x37}, {0x7C}},
      {"<->", {0x4A}, {0x7B}},
      {"<+>", {0x4E}, {0x79}},
      {"<Enter>", {0xE0, 0x1C}, {0xE0, 0x5A}},
      {"<.>", {0x53}, {0x71}},
      {"<0>", {0x52}, {0x70}},
      {"<1>", {0x4F}, {0x69}},
      {"<2>", {0x50}, {0x72}},
      {"<3>", {0x51}, {0x7A}},
      {"<4>", {0x4B}, {0x6B}},
      {"<5>", {0x4C}, {0x73}},
      {"<6>", {0x4D}, {0x74}},
      {"<7>", {0x47}, {0x6C}},
      {"<8>", {0x48}, {0x75}},
      {"<9>", {0x49}, {0x7D}}}},
    {"Управление питанием",
     {{"Power", {0xE0, 0x5E}, {0xE0, 0x37}},
      {"Sleep", {0xE0, 0x5F}, {0xE0, 0x3F}},
      {"Wake", {0xE0, 0x63}, {0xE0, 0x5E}}}},
    {"Мультимедиа",
     {{"NextTrack", {0xE0, 0x19}, {0xE0, 0x4D}},
      {"PreviousTrack", {0xE0, 0x10}, {0xE0, 0x15}},
      {"Stop", {0xE0, 0x24}, {0xE0, 0x3B}},
      {"Play/Pause", {0xE0, 0x22}, {0xE0, 0x34}},
      {"Mute", {0xE0, 0x20}, {0xE0, 0x23}},
      {"VolumeUp", {0xE0, 0x30}, {0xE0, 0x32}},
      {"VolumeDown", {0xE0, 0x2E}, {0xE0, 0x21}},
      {"MediaSelect", {0xE0, 0x6D}, {0xE0, 0x50}},
      {"E-Mail", {0xE0, 0x6C}, {0xE0, 0x48}},
      {"Calculator", {0xE0, 0x21}, {0xE0, 0x2B}},
      {"MyComputer", {0xE0, 0x6B}, {0xE0, 0x40}}}},
    {"WWW",
     {{"WWWSearch", {0xE0, 0x65}, {0xE0, 0x10}},
      {"WWWHome", {0xE0, 0x32}, {0xE0, 0x3A}},
      {"WWWBack", {0xE0, 0x6A}, {0xE0, 0x38}},
      {"WWWForward", {0xE0, 0x69}, {0xE0, 0x30}},
      {"WWWStop", {0xE0, 0x68}, {0xE0, 0x28}},
      {"WWWRefresh", {0xE0, 0x67}, {0xE0, 0x20}},
      {"WWWFavorites", {0xE0, 0x66}, {0xE0, 0x18}}}},
};

// The usual break code: F0 before the last byte of the make code.
TBytes BreakOf(const TBytes& make) {
    TBytes result = make;
    result.insert(result.end() - 1, 0xF0);
    return result;
}

} // namespace

void TCodeSet::LoadDefault() {
    Clear();
    for (const TDefaultGroup& group : kDefaultSet) {
        TCodeTable& table = AddGroup(group.Name);
        for (const TDefaultKey& key : group.Keys) {
            const TBytes make(key.Make);
            TBytes brk;
            if (std::string_view(key.Name) == "PrintScrn")
                brk = {0xE0, 0xF0, 0x7C, 0xE0, 0xF0, 0x12};
            else if (std::string_view(key.Name) != "Pause/Break")
                brk = BreakOf(make);
            table.AddCode(key.Name, TBytes(key.Scan), make, brk);
        }
    }
}

namespace {

const TCodeTable* gInstalledTable = nullptr;

struct TBuiltInTable {
    TCodeTable Flat;
    TBuiltInTable() {
        TCodeSet set;
        set.LoadDefault();
        Flat.BuildFlat(set);
    }
};

const TCodeTable& BuiltInTable() {
    static const TBuiltInTable table;
    return table.Flat;
}

} // namespace

const TCodeTable& CodeTable() {
    return gInstalledTable ? *gInstalledTable : BuiltInTable();
}

void SetCodeTable(const TCodeTable* table) {
    gInstalledTable = table;
}

} // namespace lay
