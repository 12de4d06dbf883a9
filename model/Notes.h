#pragma once

#include "model/Notify.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lay {

// Names of the 73 pitches: 0 is the pause "P", then six octaves "C_0" … "B4".
std::string NoteName(int index);
std::optional<int> FindNoteName(std::string_view name);

class TNotes;

// One beeper note: a pitch index with a duration and a volume in the keyboard's own units.
class TNote : public TNotifyObject {
public:
    TNote(TNotes* owner, TNotifier* notifier) : TNotifyObject(notifier), FOwner(owner) {}

    TNotes* Owner() const { return FOwner; }
    std::uint8_t Note() const { return FNote; }
    std::uint8_t Duration() const { return FDuration; }
    std::uint8_t Volume() const { return FVolume; }
    void SetNote(std::uint8_t value);
    void SetDuration(std::uint8_t value);
    void SetVolume(std::uint8_t value);

    void Assign(const TNote& source);
    bool Equals(const TNote& other) const;

private:
    TNotes* FOwner;
    std::uint8_t FNote = 0;
    std::uint8_t FDuration = 0;
    std::uint8_t FVolume = 0;
};

inline constexpr int MaxNotes = 256;
inline constexpr const char* STooManyNotes = "Количество нот не может быть больше 256.";

// A melody of at most 256 notes with its text form «name;duration;volume;…».
class TNotes : public TNotifyObject {
public:
    explicit TNotes(TNotifier* notifier) : TNotifyObject(notifier) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index outside the list.
    TNote* Items(int index) const;
    bool IsEmpty() const { return FItems.empty(); }
    void Clear();
    // A new note with all fields 0 at the end; raises STooManyNotes when the list is full.
    TNote* Add();

    void Assign(const TNotes& source);
    bool Equals(const TNotes& other) const;

    std::string Text() const;
    // Rebuilds the list from its text form. Triples with an unknown name are skipped; a duration
    // or volume that is no decimal integer raises the conversion error with the notes read so
    // far kept. Only the low eight bits of a number are stored.
    void SetText(std::string_view text);

private:
    std::vector<std::unique_ptr<TNote>> FItems;
};

} // namespace lay
