#include "model/Notes.h"

#include "model/Errors.h"
#include "model/Utils.h"

#include <array>

namespace lay {

namespace {

constexpr int kNoteCount = 73;
constexpr std::array<const char*, 12> kSemitones = {"C",   "Cis", "D",   "Dis", "E",   "F",
                                                    "Fis", "G",   "Gis", "A",   "Ais", "B"};
constexpr std::array<const char*, 6> kOctaves = {"_0", "0", "1", "2", "3", "4"};

const std::array<std::string, kNoteCount>& NoteNames() {
    static const std::array<std::string, kNoteCount> names = [] {
        std::array<std::string, kNoteCount> n;
        n[0] = "P";
        for (int i = 1; i < kNoteCount; ++i)
            n[static_cast<std::size_t>(i)] = std::string(kSemitones[static_cast<std::size_t>((i - 1) % 12)]) +
                                             kOctaves[static_cast<std::size_t>((i - 1) / 12)];
        return n;
    }();
    return names;
}

} // namespace

std::string NoteName(int index) {
    if (index < 0 || index >= kNoteCount)
        return {};
    return NoteNames()[static_cast<std::size_t>(index)];
}

std::optional<int> FindNoteName(std::string_view name) {
    const auto& names = NoteNames();
    for (int i = 0; i < kNoteCount; ++i)
        if (names[static_cast<std::size_t>(i)] == name)
            return i;
    return std::nullopt;
}

void TNote::SetNote(std::uint8_t value) {
    if (FNote == value)
        return;
    FNote = value;
    Changed();
}

void TNote::SetDuration(std::uint8_t value) {
    if (FDuration == value)
        return;
    FDuration = value;
    Changed();
}

void TNote::SetVolume(std::uint8_t value) {
    if (FVolume == value)
        return;
    FVolume = value;
    Changed();
}

void TNote::Assign(const TNote& source) {
    FNote = source.FNote;
    FDuration = source.FDuration;
    SetVolume(source.FVolume);
}

bool TNote::Equals(const TNote& other) const {
    return FNote == other.FNote && FDuration == other.FDuration && FVolume == other.FVolume;
}

TNote* TNotes::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return FItems[static_cast<std::size_t>(index)].get();
}

void TNotes::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TNote* TNotes::Add() {
    if (Count() >= MaxNotes)
        throw Exception(STooManyNotes);
    FItems.push_back(std::make_unique<TNote>(this, Notifier()));
    Changed();
    return FItems.back().get();
}

void TNotes::Assign(const TNotes& source) {
    // Clearing first would empty the source as well.
    if (&source == this)
        return;
    Clear();
    for (const auto& note : source.FItems)
        Add()->Assign(*note);
}

bool TNotes::Equals(const TNotes& other) const {
    return ItemsEqual(FItems, other.FItems);
}

std::string TNotes::Text() const {
    std::string text;
    for (const auto& note : FItems) {
        if (note != FItems.front())
            text += ';';
        text += NoteName(note->Note());
        text += ';';
        text += std::to_string(note->Duration());
        text += ';';
        text += std::to_string(note->Volume());
    }
    return text;
}

void TNotes::SetText(std::string_view text) {
    Clear();
    std::vector<std::string_view> fields;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find(';', from);
        if (at == std::string_view::npos) {
            fields.push_back(text.substr(from));
            break;
        }
        fields.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    for (std::size_t i = 0; i + 3 <= fields.size(); i += 3) {
        const std::optional<int> index = FindNoteName(fields[i]);
        if (!index)
            continue;
        // Both numbers are converted before the note is added, so a bad number leaves no
        // half-read note behind.
        const int duration = StrToInt(fields[i + 1]);
        const int volume = StrToInt(fields[i + 2]);
        TNote* note = Add();
        note->SetNote(static_cast<std::uint8_t>(*index));
        note->SetDuration(static_cast<std::uint8_t>(duration & 0xFF));
        note->SetVolume(static_cast<std::uint8_t>(volume & 0xFF));
    }
}

} // namespace lay
