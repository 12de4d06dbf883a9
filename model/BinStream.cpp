#include "model/BinStream.h"

#include "model/Errors.h"

#include <algorithm>

namespace lay {

void TBinStream::SetSize(std::size_t size) {
    FData.resize(size, 0);
    if (FPosition > size)
        FPosition = size;
}

std::size_t TBinStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        base = 0;
        break;
    case TSeekOrigin::soCurrent:
        base = static_cast<std::int64_t>(FPosition);
        break;
    case TSeekOrigin::soEnd:
        base = static_cast<std::int64_t>(FData.size());
        break;
    }
    if (offset < -base)
        throw EReadError(SReadError);
    FPosition = static_cast<std::size_t>(base + offset);
    return FPosition;
}

void TBinStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TBinStream::Write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return;
    const std::size_t end = FPosition + bytes.size();
    if (end > FData.size())
        FData.resize(end, 0);
    std::copy(bytes.begin(), bytes.end(), FData.begin() + static_cast<std::ptrdiff_t>(FPosition));
    FPosition = end;
}

void TBinStream::WriteByte(std::uint8_t value) {
    Write(std::span<const std::uint8_t>(&value, 1));
}

void TBinStream::WriteWord(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    Write(bytes);
}

void TBinStream::WriteDWord(std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    Write(bytes);
}

void TBinStream::Require(std::size_t count) const {
    if (FPosition > FData.size() || count > FData.size() - FPosition)
        throw EReadError(SReadError);
}

std::uint8_t TBinStream::ReadByte() {
    Require(1);
    return FData[FPosition++];
}

std::uint16_t TBinStream::ReadWord() {
    Require(2);
    const auto value = static_cast<std::uint16_t>(FData[FPosition] | (FData[FPosition + 1] << 8));
    FPosition += 2;
    return value;
}

std::uint32_t TBinStream::ReadDWord() {
    Require(4);
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | FData[FPosition + static_cast<std::size_t>(i)];
    FPosition += 4;
    return value;
}

TBytes TBinStream::ReadBytes(std::size_t count) {
    Require(count);
    const auto from = FData.begin() + static_cast<std::ptrdiff_t>(FPosition);
    TBytes bytes(from, from + static_cast<std::ptrdiff_t>(count));
    FPosition += count;
    return bytes;
}

std::uint16_t StreamChecksum(TBinStream& stream) {
    std::uint16_t sum = 0;
    for (std::uint8_t b : stream.Bytes())
        sum = static_cast<std::uint16_t>(sum + b);
    stream.SetPosition(stream.Size());
    return sum;
}

} // namespace lay
