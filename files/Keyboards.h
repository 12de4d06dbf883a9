#pragma once

#include "files/OwnedList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lay {

class TKeyDef;
class TKeyDefs;
class TKeyboardParam;
class TKeyboardParams;
class TParamsGroup;
class TParamsGroups;
class TKeyboard;
class TKeyboards;

// Entries of the catalogue's lists: made by their list's Add, moved between lists by SetOwner.
#define LAY_OWNED_ENTRY(TItem, TList)                                                                        \
public:                                                                                                      \
    TList* Owner() const {                                                                                   \
        return FOwner;                                                                                       \
    }                                                                                                        \
    void SetOwner(TList& list);                                                                              \
                                                                                                             \
private:                                                                                                     \
    friend class TOwnedList<TItem, TList>;                                                                   \
    explicit TItem(TList* owner) : FOwner(owner) {}                                                          \
    TList* FOwner;

// One key of a model: 1-based column and row, and the number that picks its slot in the image.
class TKeyDef {
    LAY_OWNED_ENTRY(TKeyDef, TKeyDefs)
public:
    int Left = 0;
    int Top = 0;
    int LogicalNumber = 0;
};

class TKeyDefs : public TOwnedList<TKeyDef, TKeyDefs> {};

class TKeyboardParam {
    LAY_OWNED_ENTRY(TKeyboardParam, TKeyboardParams)
public:
    std::string Name;
    std::string Value;
};

class TKeyboardParams : public TOwnedList<TKeyboardParam, TKeyboardParams> {};

class TParamsGroups : public TOwnedList<TParamsGroup, TParamsGroups> {
public:
    ~TParamsGroups();
    // Appends a deep copy of every group of source.
    void AppendCopy(const TParamsGroups& source);
};

// Free-form description of a model, shown to the user; groups nest.
class TParamsGroup {
    LAY_OWNED_ENTRY(TParamsGroup, TParamsGroups)
public:
    std::string Name;
    TParamsGroups Groups;
    TKeyboardParams Params;
};

// One keyboard model as its description file gives it. A plain description: layouts copy what
// they need from it.
class TKeyboard {
    LAY_OWNED_ENTRY(TKeyboard, TKeyboards)
public:
    int ID = 0;
    std::string Name; // also the stem of the model's firmware file name
    int Model = 0;    // the model code the keyboard reports of itself
    int Width = 0;    // columns
    int Height = 0;   // rows
    int KeyPos = 0;   // key-lock positions, with HasKey
    int Layers = 0;
    std::uint8_t Track1 = 0; // tracks the card reader reads, with HasReader
    std::uint8_t Track2 = 0;
    std::uint8_t Track3 = 0;
    std::uint8_t HasReader = 0;
    std::uint8_t HasKey = 0;
    std::string ClassName; // the model's name as the user sees it
    int MaxKeysNum = 0;    // key slots in the memory image
    TKeyDefs KeyDefs;
    TParamsGroups ParamsGroups;

    // Leaves ID, ClassName and MaxKeysNum as they are.
    void Clear();
    // Copies the values and appends copies of source's keys and parameter groups.
    void Assign(const TKeyboard& source);
    int KeyCount() const { return KeyDefs.Count(); }
};

#undef LAY_OWNED_ENTRY

// The catalogue: every model the program can make a layout for, in load order.
class TKeyboards : public TOwnedList<TKeyboard, TKeyboards> {
public:
    // The first entry with the identifier, or nullptr.
    TKeyboard* FindByID(int id) const;
    // As FindByID; an absent identifier raises
    // "Не найдено описание клавиатуры с идентификатором %d.".
    TKeyboard& ItemByID(int id) const;
    // Empties dest, then appends a copy of every entry of the model, in catalogue order.
    void GetByModel(int model, TKeyboards& dest) const;
};

// The parameter groups as the supported-devices list shows them: "[group]" lines, each
// parameter as "  name: value" under its group, nested groups two spaces further in.
std::vector<std::string> ParamsGroupsLines(const TParamsGroups& groups);

} // namespace lay
