#pragma once

#include "model/BinStream.h"
#include "model/Layout.h"
#include "model/Types.h"

#include <memory>
#include <string>
#include <vector>

namespace lay {

class TKeyboard;
class TKeyboards;
class TLayoutFormats;

// One way of turning a layout into bytes and back. The stream operations are the format's own;
// files and byte strings are built on them here.
class TLayoutFormat {
public:
    explicit TLayoutFormat(TLayoutFormats* owner) : FOwner(owner) {}
    virtual ~TLayoutFormat() = default;
    TLayoutFormat(const TLayoutFormat&) = delete;
    TLayoutFormat& operator=(const TLayoutFormat&) = delete;

    TLayoutFormats* Owner() const { return FOwner; }
    // The catalogue of the registry the format belongs to.
    const TKeyboards& Keyboards() const;

    // "description|pattern" for a file dialog.
    virtual std::string GetFilter() const { return {}; }
    // Writes the layout at the stream's position.
    virtual void SaveToStream(TLayout& layout, TBinStream& stream);
    // Reads a layout from the stream's position into the given one.
    virtual void LoadFromStream(TLayout& layout, TBinStream& stream);

    // The file is replaced only once the whole layout has been written; a failing format leaves
    // the old file, the layout's file name and its modified state as they were.
    void SaveToFile(TLayout& layout, const std::string& fileName);
    void LoadFromFile(TLayout& layout, const std::string& fileName);
    TBytes SaveToString(TLayout& layout);
    // Empty data raises "Отсутствуют данные раскладки".
    void LoadFromString(TLayout& layout, const TBytes& data);

private:
    TLayoutFormats* FOwner;
};

// An ordered list of formats over one keyboard catalogue; the order is what file dialogs show.
class TLayoutFormats {
public:
    explicit TLayoutFormats(const TKeyboards& keyboards) : FKeyboards(&keyboards) {}
    TLayoutFormats(const TLayoutFormats&) = delete;
    TLayoutFormats& operator=(const TLayoutFormats&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TLayoutFormat& Items(int index) const;
    const TKeyboards& Keyboards() const { return *FKeyboards; }

    template <class TFormat, class... TArgs> TFormat& Add(TArgs&&... args) {
        auto format = std::make_unique<TFormat>(this, std::forward<TArgs>(args)...);
        TFormat& result = *format;
        FItems.push_back(std::move(format));
        return result;
    }

    // The file dialog's filter: every entry joined by "|", in order.
    std::string Filter() const;

private:
    const TKeyboards* FKeyboards;
    std::vector<std::unique_ptr<TLayoutFormat>> FItems;
};

// What a layout takes from a catalogue model.
TKeyboardModel KeyboardModel(const TKeyboard& keyboard);

inline constexpr const char* SNoLayoutData = "Отсутствуют данные раскладки";

} // namespace lay
