#include "model/ScanCodes.h"

#include "model/CodeSet.h"
#include "model/Errors.h"
#include "model/Utils.h"

#include <algorithm>

namespace lay {

namespace {

std::string HexByte(std::uint8_t b) {
    return BytesToHex(std::span<const std::uint8_t>(&b, 1));
}

// A whole token of hexadecimal digits (either case), read as a number; only its lowest byte counts.
bool ParseHexToken(const std::string& token, std::uint8_t& lowByte) {
    if (token.empty())
        return false;
    std::uint64_t value = 0;
    for (char c : token) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
        value = (value << 4) | digit;
        // Like any 32-bit number reader, a value that does not fit is no number at all.
        if (value > 0xFFFFFFFFull)
            return false;
    }
    lowByte = static_cast<std::uint8_t>(value & 0xFF);
    return true;
}

} // namespace

// --- TScanCode ---------------------------------------------------------------------------------

void TScanCode::SetCode(const TBytes& code) {
    if (code == FCode)
        return;
    // The element's own old bytes leave the total when they are replaced, so shrinking an
    // element of a full sequence is allowed.
    if (FOwner && FOwner->TotalLength() - FCode.size() + code.size() > TScanCodes::MaxBytes)
        throw Exception(SScanCodesTooLong);
    FCode = code;
}

void TScanCode::Assign(const TScanCode& source) {
    Name = source.Name;
    SetCode(source.FCode);
    CodeType = source.CodeType;
    ScanCode = source.ScanCode;
}

bool TScanCode::Equals(const TScanCode& other) const {
    return FCode == other.FCode && CodeType == other.CodeType;
}

std::string TScanCode::Sign() const {
    switch (CodeType) {
    case ctPress:
        return "+";
    case ctRelease:
        return "-";
    case ctRaw:
        return "";
    default:
        throw Exception("Неверное значение CodeType");
    }
}

std::string TScanCode::Text() const {
    // A raw element of several bytes is written as one token per byte: a single token is read
    // back as one byte, and this form reads back whole everywhere the text form is read.
    if (CodeType == ctRaw && FCode.size() > 1) {
        std::string text = BytesToHexSpaced(FCode);
        text.pop_back();
        return text;
    }
    return Sign() + Name;
}

// --- TScanCodes --------------------------------------------------------------------------------

TScanCode& TScanCodes::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

int TScanCodes::TotalLength() const {
    int total = 0;
    for (const auto& item : FItems)
        total += static_cast<int>(item->FCode.size());
    return total;
}

void TScanCodes::CheckLength(std::size_t newBytes) const {
    if (TotalLength() + newBytes > MaxBytes)
        throw Exception(SScanCodesTooLong);
}

void TScanCodes::Clear() {
    // From the end, each removal reported as Remove reports it, without searching the list.
    while (!FItems.empty()) {
        FItems.back()->FOwner = nullptr;
        FItems.pop_back();
        Changed();
    }
}

TScanCode& TScanCodes::Add() {
    return Append(std::make_unique<TScanCode>());
}

TScanCode& TScanCodes::AddCopy(const TScanCode& source) {
    CheckLength(source.Code().size());
    TScanCode& element = Add();
    element.Assign(source);
    return element;
}

TScanCode& TScanCodes::Append(std::unique_ptr<TScanCode> element) {
    // Even an element without bytes is refused once the sequence is full.
    if (TotalLength() + element->FCode.size() >= MaxBytes)
        throw Exception(SScanCodesTooLong);
    element->FOwner = this;
    FItems.push_back(std::move(element));
    Changed();
    return *FItems.back();
}

std::unique_ptr<TScanCode> TScanCodes::Remove(TScanCode& element) {
    auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& p) { return p.get() == &element; });
    if (it == FItems.end())
        return nullptr;
    std::unique_ptr<TScanCode> taken = std::move(*it);
    FItems.erase(it);
    taken->FOwner = nullptr;
    Changed();
    return taken;
}

TBytes TScanCodes::Bytes() const {
    TBytes result;
    for (const auto& item : FItems)
        result.insert(result.end(), item->FCode.begin(), item->FCode.end());
    return result;
}

bool TScanCodes::Equals(const TScanCodes& other) const {
    return ItemsEqual(FItems, other.FItems);
}

void TScanCodes::Assign(const TScanCodes& source) {
    if (&source == this || Equals(source))
        return;
    Clear();
    for (const auto& item : source.FItems)
        AddCopy(*item);
}

std::string TScanCodes::Text() const {
    std::string text;
    for (const auto& item : FItems) {
        if (!text.empty())
            text += ' ';
        text += item->Text();
    }
    return text;
}

void TScanCodes::SetText(const std::string& text, std::vector<std::string>* rejected) {
    Clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == ' ')
            ++pos;
        const std::size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos) {
            std::string token = text.substr(pos, end - pos);
            if (!ParseToken(token) && rejected)
                rejected->push_back(std::move(token));
        }
        pos = end;
    }
}

bool TScanCodes::ParseToken(const std::string& token) {
    if (token.empty())
        return false;
    if (token[0] == '+' || token[0] == '-') {
        auto found = CodeTable().FindByName(token.substr(1), token[0] == '-');
        if (!found)
            return false;
        AddCopy(*found);
        return true;
    }
    std::uint8_t byte = 0;
    if (!ParseHexToken(token, byte))
        return false;
    CheckLength(1);
    TScanCode& element = Add();
    element.Name = token;
    element.SetCode({byte});
    element.CodeType = ctRaw;
    return true;
}

TScanCode& TScanCodes::AddRaw(const TBytes& bytes) {
    CheckLength(bytes.size());
    TScanCode& element = Add();
    element.SetCode(bytes);
    element.CodeType = ctRaw;
    element.Name = BytesToHex(bytes);
    return element;
}

void TScanCodes::AddBytes(const TBytes& bytes) {
    const TCodeTable& table = CodeTable();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t limit =
            std::min(bytes.size() - pos, static_cast<std::size_t>(std::max(table.MaxCodeLength(), 0)));
        std::unique_ptr<TScanCode> found;
        std::size_t used = 0;
        // The shortest match wins; at equal length a make code wins over a break code.
        for (std::size_t len = 1; len <= limit && !found; ++len) {
            const TBytes prefix(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                                bytes.begin() + static_cast<std::ptrdiff_t>(pos + len));
            found = table.FindMake(prefix);
            if (!found)
                found = table.FindBreak(prefix);
            used = len;
        }
        if (!found) {
            found = std::make_unique<TScanCode>();
            found->CodeType = ctRaw;
            found->SetCode({bytes[pos]});
            found->Name = HexByte(bytes[pos]);
            used = 1;
        }
        AddCopy(*found);
        pos += used;
    }
}

void TScanCodes::AddWord(std::uint16_t value) {
    TBytes bytes;
    if (value > 0xFF)
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    if ((value & 0xFF) != 0)
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
    AddBytes(bytes);
}

void TScanCodes::AppendReleases() {
    const int presses = Count();
    for (int i = 0; i < presses; ++i) {
        const TScanCode& press = Items(i);
        if (press.CodeType != ctPress)
            continue;
        if (auto release = CodeTable().FindByScanCode(press.ScanCode, true))
            AddCopy(*release);
    }
}

TScanCode* TScanCodes::FindByScanCode(const TBytes& scanCode) const {
    for (const auto& item : FItems)
        if (item->ScanCode == scanCode)
            return item.get();
    return nullptr;
}

std::string TScanCodes::PairingFault() const {
    std::vector<const TScanCode*> held;
    auto findHeld = [&](const TBytes& identity) {
        return std::find_if(held.begin(), held.end(),
                            [&](const TScanCode* h) { return h->ScanCode == identity; });
    };
    for (const auto& item : FItems) {
        if (item->CodeType == ctPress) {
            auto it = findHeld(item->ScanCode);
            if (it != held.end())
                return "Код " + (*it)->Text() + ": Два нажатия подряд.";
            held.push_back(item.get());
        } else if (item->CodeType == ctRelease) {
            auto it = findHeld(item->ScanCode);
            if (it == held.end())
                return "Код " + item->Text() + ": Отжатие перед нажатием.";
            held.erase(it);
        }
    }
    if (!held.empty())
        return "Код " + held.front()->Text() + ": Нет отжатия.";
    return {};
}

bool TScanCodes::Check() {
    std::string fault = PairingFault();
    if (fault.empty())
        return true;
    ErrorText = std::move(fault);
    return false;
}

bool TScanCodes::IsValid() const {
    return PairingFault().empty();
}

std::string TScanCodes::ShortText() const {
    const std::string full = Text();
    if (full.empty() || !IsValid())
        return full;
    std::string result;
    std::vector<const TScanCode*> open;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        const TScanCode& item = *FItems[i];
        if (item.CodeType == ctRaw)
            return full;
        if (item.CodeType == ctPress) {
            open.push_back(&item);
            result += item.Name;
            if (i + 1 < FItems.size() && FItems[i + 1]->CodeType == ctPress)
                result += '+';
        } else {
            if (open.empty() || open.back()->Name != item.Name)
                return full;
            open.pop_back();
            if (open.empty())
                result += ' ';
        }
    }
    if (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

} // namespace lay
