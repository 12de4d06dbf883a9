#pragma once

#include "model/Notes.h"
#include "model/Notify.h"
#include "model/ScanCodes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lay {

class TKeyLock;

// The caption of a position type as the key-lock window lists it; empty for unknown types.
std::string PositionTypeCaption(int type);

// What turning the key to a position does.
enum : std::uint8_t { ptMacro = 0, ptLayer1 = 1, ptLayer2 = 2, ptLayer3 = 3, ptLayer4 = 4 };

class TKeyPosition : public TNotifyObject {
public:
    TKeyPosition(TKeyLock* keyLock, TNotifier* notifier);

    TNotes Notes;
    TScanCodes ScanCodes;

    TKeyLock* KeyLock() const { return FKeyLock; }
    std::uint8_t PositionType() const { return FPositionType; }
    bool Lock() const { return FLock; }
    void SetPositionType(std::uint8_t value);
    void SetLock(bool value);

    void Assign(const TKeyPosition& source);
    bool Equals(const TKeyPosition& other) const;
    // The sequence's check; its message stays in ScanCodes.ErrorText.
    bool Check() { return ScanCodes.Check(); }

private:
    friend class TKeyLock;
    TKeyLock* FKeyLock;
    std::uint8_t FPositionType = ptMacro;
    bool FLock = false;
};

// The key switch of one layer: up to eight positions, position 1 first.
class TKeyLock : public TNotifyObject {
public:
    static constexpr int MaxPositions = 8;

    explicit TKeyLock(TNotifier* notifier) : TNotifyObject(notifier) {}

    std::string ErrorText;

    int Count() const { return static_cast<int>(FItems.size()); }
    TKeyPosition& Items(int index) const;
    void Clear();
    // Refused once eight positions exist; positions added before stay.
    TKeyPosition& Add();
    void SetCount(int count);
    void Assign(const TKeyLock& source);
    bool Equals(const TKeyLock& other) const;
    bool Check();

private:
    std::vector<std::unique_ptr<TKeyPosition>> FItems;
};

inline constexpr const char* STooManyKeyPositions = "Количество положений ключа не может быть больше 8.";

} // namespace lay
