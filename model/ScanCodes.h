#pragma once

#include "model/Notify.h"
#include "model/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lay {

class TScanCodes;

enum : std::uint8_t { ctPress = 0, ctRelease = 1, ctRaw = 2 };

// One element of a code sequence: the press or release of a standard key, or raw bytes.
class TScanCode {
public:
    TScanCode() = default;
    TScanCode(const TScanCode&) = delete;
    TScanCode& operator=(const TScanCode&) = delete;

    std::string Name; // the key's name, or the raw bytes as hexadecimal digits
    TBytes ScanCode;  // the key's identity; press and release of one key share it; empty for raw
    std::uint8_t CodeType = ctPress;

    const TBytes& Code() const { return FCode; }
    // Refused (before anything changes) when the owning sequence would grow past 255 bytes.
    void SetCode(const TBytes& code);
    TScanCodes* Owner() const { return FOwner; }

    void Assign(const TScanCode& source);
    // Same bytes and same kind; names and identities are not compared.
    bool Equals(const TScanCode& other) const;
    std::string Sign() const;
    std::string Text() const;

private:
    friend class TScanCodes;
    TBytes FCode;
    TScanCodes* FOwner = nullptr;
};

// What a key, a card-reader track or a key-lock position sends: at most 255 bytes in all.
class TScanCodes : public TNotifyObject {
public:
    static constexpr int MaxBytes = 255;

    explicit TScanCodes(TNotifier* notifier = nullptr) : TNotifyObject(notifier) {}

    std::string ErrorText; // the reason of the last failed Check

    int Count() const { return static_cast<int>(FItems.size()); }
    TScanCode& Items(int index) const;
    bool IsEmpty() const { return FItems.empty(); }

    void Clear();
    // A new empty element at the end.
    TScanCode& Add();
    // Takes an element over (from a lookup, or removed from another sequence).
    TScanCode& Append(std::unique_ptr<TScanCode> element);
    // A copy of the element at the end; a sequence it would make too long is refused before
    // anything is added.
    TScanCode& AddCopy(const TScanCode& source);
    // Takes the element out and gives it to the caller.
    std::unique_ptr<TScanCode> Remove(TScanCode& element);
    // Raises the length error when `newBytes` cannot join the current total.
    void CheckLength(std::size_t newBytes) const;
    int TotalLength() const;

    TBytes Bytes() const;
    bool Equals(const TScanCodes& other) const;
    void Assign(const TScanCodes& source);

    std::string Text() const;
    // Tokens it cannot read are skipped; `rejected`, when given, collects them.
    void SetText(const std::string& text, std::vector<std::string>* rejected = nullptr);
    bool ParseToken(const std::string& token);
    TScanCode& AddRaw(const TBytes& bytes);
    void AddBytes(const TBytes& bytes);
    void AddWord(std::uint16_t value);
    // Older formats store only the pressed keys: after them come their releases, in the same
    // order. Raw elements get none.
    void AppendReleases();
    TScanCode* FindByScanCode(const TBytes& scanCode) const;

    bool Check();
    bool IsValid() const;
    std::string ShortText() const;

private:
    // Shared by Check and IsValid: the message of the first pairing fault, or empty.
    std::string PairingFault() const;
    std::vector<std::unique_ptr<TScanCode>> FItems;
};

inline constexpr const char* SScanCodesTooLong = "Длина скан-кодов не может превышать 255 байт.";

} // namespace lay
