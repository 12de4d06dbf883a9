#pragma once

#include "model/Types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>

namespace lay {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// A memory stream for building and reading binary layout images. Values are little-endian.
// Writing past the end grows the stream (a gap left by a seek is filled with zeros); reading
// past the end raises EReadError and leaves the position where it was.
class TBinStream {
public:
    TBinStream() = default;
    explicit TBinStream(TBytes data) : FData(std::move(data)) {}

    std::size_t Size() const { return FData.size(); }
    // Bytes beyond a shrunk size are gone; bytes added by growing are zero.
    void SetSize(std::size_t size);
    std::size_t Position() const { return FPosition; }
    // The position may lie beyond the end, as with any seekable stream.
    void SetPosition(std::size_t position) { FPosition = position; }
    // Returns the new position; a position before the start raises EReadError.
    std::size_t Seek(std::int64_t offset, TSeekOrigin origin);
    void Clear();

    const TBytes& Bytes() const { return FData; }

    void Write(std::span<const std::uint8_t> bytes);
    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    void WriteDWord(std::uint32_t value);
    void WriteBytes(std::span<const std::uint8_t> bytes) { Write(bytes); }

    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDWord();
    TBytes ReadBytes(std::size_t count);

private:
    // Raises EReadError unless count bytes follow the position.
    void Require(std::size_t count) const;

    TBytes FData;
    std::size_t FPosition = 0;
};

// The 16-bit sum of all bytes of the stream, which the keyboard checks its image with. The
// stream is read from its start and left positioned at its end.
std::uint16_t StreamChecksum(TBinStream& stream);

} // namespace lay
