#include "files/Keyboards.h"

#include "model/Errors.h"

#include <cstdio>

namespace lay {

TParamsGroups::~TParamsGroups() = default;

void TKeyDef::SetOwner(TKeyDefs& list) {
    static_cast<TOwnedList<TKeyDef, TKeyDefs>&>(list).Adopt(*this);
}
void TKeyboardParam::SetOwner(TKeyboardParams& list) {
    static_cast<TOwnedList<TKeyboardParam, TKeyboardParams>&>(list).Adopt(*this);
}
void TParamsGroup::SetOwner(TParamsGroups& list) {
    static_cast<TOwnedList<TParamsGroup, TParamsGroups>&>(list).Adopt(*this);
}
void TKeyboard::SetOwner(TKeyboards& list) {
    static_cast<TOwnedList<TKeyboard, TKeyboards>&>(list).Adopt(*this);
}

void TParamsGroups::AppendCopy(const TParamsGroups& source) {
    for (const TParamsGroup& group : source) {
        TParamsGroup& copy = Add();
        copy.Name = group.Name;
        for (const TKeyboardParam& param : group.Params) {
            TKeyboardParam& p = copy.Params.Add();
            p.Name = param.Name;
            p.Value = param.Value;
        }
        copy.Groups.AppendCopy(group.Groups);
    }
}

void TKeyboard::Clear() {
    KeyDefs.Clear();
    ParamsGroups.Clear();
    Name.clear();
    Model = Width = Height = KeyPos = Layers = 0;
    Track1 = Track2 = Track3 = HasReader = HasKey = 0;
}

void TKeyboard::Assign(const TKeyboard& source) {
    if (&source == this)
        return;
    Name = source.Name;
    ClassName = source.ClassName;
    Model = source.Model;
    ID = source.ID;
    Width = source.Width;
    Height = source.Height;
    KeyPos = source.KeyPos;
    Layers = source.Layers;
    Track1 = source.Track1;
    Track2 = source.Track2;
    Track3 = source.Track3;
    HasReader = source.HasReader;
    HasKey = source.HasKey;
    MaxKeysNum = source.MaxKeysNum;
    for (const TKeyDef& key : source.KeyDefs) {
        TKeyDef& copy = KeyDefs.Add();
        copy.Left = key.Left;
        copy.Top = key.Top;
        copy.LogicalNumber = key.LogicalNumber;
    }
    ParamsGroups.AppendCopy(source.ParamsGroups);
}

TKeyboard* TKeyboards::FindByID(int id) const {
    for (TKeyboard& keyboard : *this)
        if (keyboard.ID == id)
            return &keyboard;
    return nullptr;
}

TKeyboard& TKeyboards::ItemByID(int id) const {
    if (TKeyboard* keyboard = FindByID(id))
        return *keyboard;
    throw Exception("Не найдено описание клавиатуры с идентификатором " + std::to_string(id) + ".");
}

void TKeyboards::GetByModel(int model, TKeyboards& dest) const {
    if (&dest == this) {
        for (int i = Count() - 1; i >= 0; --i)
            if (Items(i).Model != model)
                dest.Delete(i);
        return;
    }
    dest.Clear();
    for (const TKeyboard& keyboard : *this)
        if (keyboard.Model == model)
            dest.Add().Assign(keyboard);
}

namespace {

void AppendGroupLines(const TParamsGroups& groups, const std::string& indent,
                      std::vector<std::string>& lines) {
    for (const TParamsGroup& group : groups) {
        lines.push_back(indent + "[" + group.Name + "]");
        for (const TKeyboardParam& param : group.Params)
            lines.push_back(indent + "  " + param.Name + ": " + param.Value);
        AppendGroupLines(group.Groups, indent + "  ", lines);
    }
}

} // namespace

std::vector<std::string> ParamsGroupsLines(const TParamsGroups& groups) {
    std::vector<std::string> lines;
    AppendGroupLines(groups, "", lines);
    return lines;
}

} // namespace lay
