#pragma once

#include "model/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lay {

class TScanCode;
class TCodeTable;
class TCodeSet;

// One standard PC key: what the keyboard sends for it and how the computer names it.
struct TStdCode {
    TCodeTable* Owner = nullptr;
    TBytes Makecode;  // sent when the key is pressed
    TBytes Scancode;  // what the computer reports for the key: its identity
    TBytes Breakcode; // sent when the key is released; may be empty
    std::string Name;
};

// A key message of the computer's own keyboard, in the form the platform delivers it: the
// message identifier and the parameter word (repeat count in bits 0-15, scan code in 16-23,
// extended key in bit 24, "already down" in bit 30).
struct TKeyMessage {
    std::uint32_t Msg = 0;
    std::uint32_t LParam = 0;
};

constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr std::uint32_t WM_SYSKEYUP = 0x0105;

// Which key messages TranslateKeyMessage accepts.
enum TTranslateMode : int { tmPress = 0, tmRelease = 1, tmBoth = 2 };

// A group of standard keys, or the flat table of all of them that serves every lookup.
class TCodeTable {
public:
    explicit TCodeTable(std::string name = {}) : FName(std::move(name)) {}
    TCodeTable(const TCodeTable&) = delete;
    TCodeTable& operator=(const TCodeTable&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TStdCode& Items(int index) const;
    const std::string& Name() const { return FName; }
    // Longest make or break code; computed by BuildFlat only.
    int MaxCodeLength() const { return FMaxCodeLength; }

    TStdCode& AddCode(const std::string& name, const TBytes& scanCode, const TBytes& makeCode,
                      const TBytes& breakCode);
    // Appends a copy of every key of every group of the set, in order.
    void BuildFlat(const TCodeSet& codeSet);

    // Lookups give new elements that belong to the caller, or null; the first match wins.
    std::unique_ptr<TScanCode> FindByName(const std::string& name, bool release) const;
    std::unique_ptr<TScanCode> FindByScanCode(const TBytes& scanCode, bool release) const;
    std::unique_ptr<TScanCode> FindMake(const TBytes& bytes) const;
    std::unique_ptr<TScanCode> FindBreak(const TBytes& bytes) const;
    // The key a message of the computer's keyboard stands for; null for anything it cannot name.
    std::unique_ptr<TScanCode> TranslateKeyMessage(const TKeyMessage& message, int mode) const;

private:
    std::string FName;
    std::vector<std::unique_ptr<TStdCode>> FItems;
    int FMaxCodeLength = 0;
};

// The standard keys in named groups, as they are offered for choosing.
class TCodeSet {
public:
    TCodeSet() = default;
    TCodeSet(const TCodeSet&) = delete;
    TCodeSet& operator=(const TCodeSet&) = delete;

    int Count() const { return static_cast<int>(FGroups.size()); }
    TCodeTable& Items(int index) const;
    TCodeTable& AddGroup(const std::string& name);
    void Clear() { FGroups.clear(); }
    // The built-in set: eight groups, 125 keys.
    void LoadDefault();

private:
    std::vector<std::unique_ptr<TCodeTable>> FGroups;
};

// The program-wide flat table that sequences are parsed and decomposed with. Until a table is
// installed (the keyboard manager installs the one it loads), the built-in set serves.
const TCodeTable& CodeTable();
// Installs a table the caller keeps alive; null goes back to the built-in set.
void SetCodeTable(const TCodeTable* table);

} // namespace lay
