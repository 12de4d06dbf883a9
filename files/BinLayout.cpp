#include "files/BinLayout.h"

#include "files/Keyboards.h"
#include "model/Errors.h"
#include "model/Layout.h"

#include <algorithm>

namespace lay {

namespace {

// An offset of FFFF in a slot means "no record", so no record may start there, and every
// offset is one word: the whole image stays below 64 KB.
constexpr std::uint16_t kNoRecord = 0xFFFF;
constexpr std::size_t kMaxImageSize = 0xFFFF;
constexpr int kMaxByteCount = 255;
constexpr int kMaxKeys13 = 64;

// Flags of a key record.
constexpr std::uint8_t kfSwitch = 0x01;
constexpr std::uint8_t kfTemporary = 0x08;
constexpr std::uint8_t kfRepeat = 0x10;
// Flags of a card-reader record, after the three track bits.
constexpr std::uint8_t rfStopOnError = 0x10;
constexpr std::uint8_t rfSendEnter = 0x20;
constexpr std::uint8_t rfLight = 0x80;
// Flags of a key-lock position.
constexpr std::uint8_t pfSwitch = 0x01;
constexpr std::uint8_t pfLock = 0x08;
// Every record of the current images says its sequences are device bytes; the 1.3 image
// leaves the bit clear and stores lists of pressed keys instead.
constexpr std::uint8_t fDeviceBytes = 0x40;

std::string Num(int value) {
    return std::to_string(value);
}

// Key-lock records carry no count: the keyboard reads as many positions as its model has, so
// that is how many every record holds, whatever the layer's own list says.
int PositionCount(const TKeyboard& keyboard) {
    return std::clamp(keyboard.KeyPos, 0, TKeyLock::MaxPositions);
}

std::string KeyPlace(const TKey& key, int layerIndex) {
    return "Слой " + Num(layerIndex + 1) + ". Клавиша (" + Num(key.Row() + 1) + "," + Num(key.Col() + 1) +
           "). ";
}

std::string ReaderPlace(int layerIndex) {
    return "Слой " + Num(layerIndex + 1) + ". Считыватель карт. ";
}

std::string PositionPlace(int layerIndex, int position) {
    return "Слой " + Num(layerIndex + 1) + ". Ключ. Положение " + Num(position + 1) + ". ";
}

// The offset the next appended record gets; refused while the image is still in memory, so that
// a layout too large for the keyboard never reaches a file or a device.
std::uint16_t NextRecord(const TBinStream& stream) {
    if (stream.Size() >= kNoRecord)
        throw Exception(SBinLayoutTooLarge);
    return static_cast<std::uint16_t>(stream.Size());
}

void WriteNotes(const TNotes& notes, TBinStream& stream, const std::string& place) {
    // The model allows 256 notes, one more than the count byte holds; cutting the melody short
    // would change what the keyboard plays without a word.
    if (notes.Count() > kMaxByteCount)
        throw Exception(place + "Мелодия из " + Num(notes.Count()) +
                        " нот не помещается в образ раскладки: в нём не больше 255 нот на мелодию.");
    stream.WriteByte(static_cast<std::uint8_t>(notes.Count()));
    for (int i = 0; i < notes.Count(); ++i) {
        const TNote* note = notes.Items(i);
        stream.WriteByte(note->Note());
        stream.WriteByte(note->Duration());
        stream.WriteByte(note->Volume());
    }
}

// The key whose record a key shares: the key at the top-left cell of its group, followed on
// while that key lies in a group of its own further up. Itself when it has no group, or when
// the key it would share with has no slot of its own to be found by.
const TKey& RecordOwner(const TLayout& layout, const TLayer& layer, const TKey& key, int maxKeys) {
    const TKey* owner = &key;
    // Each step moves up or left (the top-left of a rectangle holding the cell), so the walk
    // ends; the bound only guards against a model that breaks that.
    for (int steps = 0; steps <= layout.ColCount() + layout.RowCount(); ++steps) {
        const TKeyGroup* group = layout.GroupAt(owner->Col(), owner->Row());
        if (!group)
            break;
        const TKey* topLeft = layer.FindKey(group->Rect().Left, group->Rect().Top);
        if (!topLeft || topLeft == owner)
            break;
        owner = topLeft;
    }
    if (owner != &key && (owner->Number() < 1 || owner->Number() > maxKeys ||
                          layer.Keys.FindByNumber(owner->Number()) != owner))
        return key;
    return *owner;
}

TBytes GroupBytes(const TLayout& layout) {
    const int count = layout.Groups.Count();
    if (count > kMaxByteCount)
        throw Exception("Групп клавиш " + Num(count) +
                        ", а в образе раскладки их может быть не больше 255. Разгруппируйте лишние клавиши.");
    TBytes bytes{static_cast<std::uint8_t>(count)};
    for (int g = 0; g < count; ++g) {
        const TRect& r = layout.Groups.Items(g).Rect();
        for (int value : {r.Left, r.Top, r.Right, r.Bottom}) {
            if (value < 0 || value > kMaxByteCount)
                throw Exception(
                    "Группа клавиш " + Num(g + 1) +
                    " не помещается в образ раскладки: её колонки и ряды должны быть от 1 до 256.");
            bytes.push_back(static_cast<std::uint8_t>(value));
        }
    }
    return bytes;
}

std::uint8_t TypeForFlags(std::uint8_t flags) {
    if (!(flags & kfSwitch))
        return ktMacro;
    const auto target = static_cast<std::uint8_t>((flags >> 1) & 3);
    return static_cast<std::uint8_t>(((flags & kfTemporary) ? ktTempLayer1 : ktLayer1) + target);
}

// The one-layer move a go-to-layer key read in a layer stands for; 0 when it stands for none.
std::uint8_t MoveOf(std::uint8_t type, int layerIndex) {
    switch (type) {
    case ktLayer1:
        return layerIndex <= 1 ? ktLayerDown : 0;
    case ktLayer2:
        return layerIndex == 0 ? ktLayerUp : layerIndex == 2 ? ktLayerDown : 0;
    case ktLayer3:
        return layerIndex == 1 ? ktLayerUp : layerIndex == 3 ? ktLayerDown : 0;
    case ktLayer4:
        return layerIndex == 2 || layerIndex == 3 ? ktLayerUp : 0;
    default:
        return 0;
    }
}

TBinLayoutHeader ReadHeader(TBinStream& image) {
    TBinLayoutHeader header;
    image.SetPosition(0);
    header.Offset = image.ReadWord();
    image.SetPosition(header.Offset);
    header.Format = image.ReadWord();
    if (header.Format < bfLegacy13)
        return header;
    header.Applies = true;
    if (header.Format >= bfProgram28) {
        header.HasChecksum = true;
        header.Checksum = image.ReadWord();
        header.HasTotalSize = true;
        header.TotalSize = image.ReadWord();
        header.HasVersion = true;
        header.Version = image.ReadWord();
    } else {
        header.HasTotalSize = true;
        header.TotalSize = image.ReadWord();
    }
    const int count = image.ReadByte();
    const TBytes groups = image.ReadBytes(static_cast<std::size_t>(count) * 4);
    for (std::size_t g = 0; g < groups.size(); g += 4)
        header.Groups.push_back({groups[g], groups[g + 1], groups[g + 2], groups[g + 3]});
    header.KeyboardByte = image.ReadByte();
    const bool byteIsID = header.Format == bfProgram29 || header.Format == bfProgram210;
    header.KeyboardID = byteIsID ? header.KeyboardByte : header.KeyboardByte + 1;
    if (header.HasChecksum) {
        // The header was read up to here, so the bytes the checksum covers are all present.
        const TBytes& data = image.Bytes();
        for (std::size_t i = 0; i < header.Offset + 2; ++i)
            header.ComputedChecksum = static_cast<std::uint16_t>(header.ComputedChecksum + data[i]);
    }
    return header;
}

// Reads an image into a layout in place: what the image does not hold (key texts, pictures,
// keys whose slot is empty) stays as it was.
class TImageReader {
public:
    TImageReader(TLayout& layout, const TKeyboards& keyboards, TBinStream& image)
        : FLayout(layout), FKeyboards(keyboards), FImage(image) {}

    void Read() {
        const TBinLayoutHeader header = ReadHeader(FImage);
        if (header.Applies) {
            // Looked up before anything changes, so an unknown keyboard leaves the layout alone.
            const TKeyboard& keyboard = FKeyboards.ItemByID(header.KeyboardID);
            FLayout.Groups.Clear();
            for (const TRect& rect : header.Groups)
                FLayout.Groups.Add().SetRect(rect);
            FLayout.SetKeyboard(KeyboardModel(keyboard));
            FLayout.Version = 0x20A;
        }
        const TKeyboard& keyboard = FKeyboards.ItemByID(FLayout.KeyboardID);
        const int maxKeys = std::max(keyboard.MaxKeysNum, 0);
        FPositions = PositionCount(keyboard);
        for (int e = 0; e < FLayout.LayerCount(); ++e)
            ReadLayer(e, maxKeys);
        RestoreUpDownKeys();
        FLayout.ClearNonMacroCodes();
    }

private:
    void ReadLayer(int e, int maxKeys) {
        TLayer& layer = FLayout.Layers.Items(e);
        FImage.SetPosition(2 + 2 * static_cast<std::size_t>(e));
        const std::size_t table = FImage.ReadWord();
        const auto keys = static_cast<std::size_t>(maxKeys);
        auto slotAt = [&](std::size_t index) {
            FImage.SetPosition(table + 2 * index);
            return FImage.ReadWord();
        };
        for (std::size_t i = 0; i < keys; ++i) {
            const std::uint16_t record = slotAt(i);
            if (record == kNoRecord)
                continue;
            if (TKey* key = layer.Keys.FindByNumber(static_cast<int>(i) + 1)) {
                FImage.SetPosition(record);
                ReadKey(*key);
            }
        }
        const std::uint16_t reader = slotAt(keys);
        const std::uint16_t keyLock = slotAt(keys + 1);
        if (reader != kNoRecord) {
            FImage.SetPosition(reader);
            ReadReader(layer.MSR);
        }
        if (keyLock != kNoRecord) {
            FImage.SetPosition(keyLock);
            ReadKeyLock(layer.KeyLock);
        }
    }

    void ReadKey(TKey& key) {
        const std::uint8_t flags = FImage.ReadByte();
        key.SetRepeatKey((flags & kfRepeat) != 0);
        key.SetKeyType(TypeForFlags(flags));
        ReadSequence(key.PressCodes, flags);
        ReadSequence(key.ReleaseCodes, flags);
        ReadNotes(key.Notes);
    }

    void ReadReader(TMSR& msr) {
        msr.Clear();
        const std::uint8_t flags = FImage.ReadByte();
        for (int t = 0; t < TMSR::TrackCount; ++t)
            msr.Tracks(t).SetEnabled((flags & (1 << t)) != 0);
        msr.SetStopOnError((flags & rfStopOnError) != 0);
        msr.SetSendEnter((flags & rfSendEnter) != 0);
        msr.SetLightIndication((flags & rfLight) != 0);
        const bool has[TMSR::TrackCount] = {FLayout.Track1, FLayout.Track2, FLayout.Track3};
        for (int t = 0; t < TMSR::TrackCount; ++t)
            if (has[t]) {
                ReadSequence(msr.Tracks(t).Prefix, flags);
                ReadSequence(msr.Tracks(t).Suffix, flags);
            }
        ReadNotes(msr.Notes);
    }

    // The image stores no position count: the keyboard description decides how many there are.
    // A layer whose list is shorter (one added to the layout after its key lock was set up)
    // gets the positions the image holds for it.
    void ReadKeyLock(TKeyLock& keyLock) {
        if (keyLock.Count() != FPositions)
            keyLock.SetCount(FPositions);
        for (int p = 0; p < keyLock.Count(); ++p) {
            TKeyPosition& position = keyLock.Items(p);
            const std::uint8_t flags = FImage.ReadByte();
            position.SetLock((flags & pfLock) != 0);
            const int target = (flags >> 1) & 3;
            position.SetPositionType(static_cast<std::uint8_t>((flags & pfSwitch) ? target + 1 : ptMacro));
            ReadSequence(position.ScanCodes, flags);
            ReadNotes(position.Notes);
        }
    }

    void ReadSequence(TScanCodes& codes, std::uint8_t flags) {
        codes.Clear();
        const std::uint8_t count = FImage.ReadByte();
        if (flags & fDeviceBytes) {
            codes.AddBytes(FImage.ReadBytes(count));
            return;
        }
        // A 1.3 list holds the pressed keys only; the releases follow them in the same order.
        std::vector<std::uint16_t> words(count);
        for (auto& word : words)
            word = FImage.ReadWord();
        for (std::uint16_t word : words)
            codes.AddWord(word);
        codes.AppendReleases();
    }

    void ReadNotes(TNotes& notes) {
        notes.Clear();
        const std::uint8_t count = FImage.ReadByte();
        const TBytes bytes = FImage.ReadBytes(static_cast<std::size_t>(count) * 3);
        for (std::size_t i = 0; i < bytes.size(); i += 3) {
            TNote* note = notes.Add();
            note->SetNote(bytes[i]);
            note->SetDuration(bytes[i + 1]);
            note->SetVolume(bytes[i + 2]);
        }
    }

    // The image has no code for "one layer up" or "down": those keys were written as go-to keys
    // of the neighbouring layer. Where every layer's key at a cell reads as the same one-layer
    // move, the move is what was written.
    void RestoreUpDownKeys() {
        const int layers = FLayout.LayerCount();
        if (layers == 0)
            return;
        std::vector<TKey*> keys(static_cast<std::size_t>(layers));
        for (int col = 0; col < FLayout.ColCount(); ++col)
            for (int row = 0; row < FLayout.RowCount(); ++row) {
                std::uint8_t move = 0;
                bool agree = true;
                for (int l = 0; l < layers && agree; ++l) {
                    TKey* key = FLayout.Layers.Items(l).FindKey(col, row);
                    const std::uint8_t m = key ? MoveOf(key->KeyType(), l) : 0;
                    agree = m != 0 && (l == 0 || m == move);
                    move = m;
                    keys[static_cast<std::size_t>(l)] = key;
                }
                if (agree)
                    for (TKey* key : keys)
                        key->SetKeyType(move);
            }
    }

    TLayout& FLayout;
    const TKeyboards& FKeyboards;
    TBinStream& FImage;
    int FPositions = 0;
};

} // namespace

// --- TBinLayout28 ------------------------------------------------------------------------------

void TBinLayout28::SaveToStream(TLayout& layout, TBinStream& stream) {
    TBinStream image;
    WriteImage(layout, image);
    stream.Write(image.Bytes());
}

void TBinLayout28::LoadFromStream(TLayout& layout, TBinStream& stream) {
    TBinStream image(stream.Bytes());
    stream.SetPosition(stream.Size());
    try {
        TImageReader(layout, Keyboards(), image).Read();
    } catch (const EReadError& e) {
        // An image shorter than its own offsets say is damaged data, not a fault of the program.
        throw Exception(e.Message());
    }
}

const TKeyboard& TBinLayout28::LayoutKeyboard(const TLayout& layout) const {
    return Keyboards().ItemByID(layout.KeyboardID);
}

std::uint8_t TBinLayout28::KeyboardByte(const TLayout& layout, bool lessOne) {
    const int value = lessOne ? layout.KeyboardID - 1 : layout.KeyboardID;
    if (value < 0 || value > kMaxByteCount)
        throw Exception("Идентификатор клавиатуры " + Num(layout.KeyboardID) +
                        " не помещается в образ раскладки этого формата: допустимы идентификаторы от " +
                        (lessOne ? "1 до 256." : "0 до 255."));
    return static_cast<std::uint8_t>(value);
}

void TBinLayout28::WriteImage(TLayout& layout, TBinStream& stream) {
    WriteCurrentImage(layout, stream, bfProgram28, true);
}

void TBinLayout28::WriteCurrentImage(TLayout& layout, TBinStream& stream, std::uint16_t format,
                                     bool keyboardLessOne) {
    const TKeyboard& keyboard = LayoutKeyboard(layout);
    // What does not fit the header is refused before the long part is built.
    const TBytes groups = GroupBytes(layout);
    const std::uint8_t keyboardByte = KeyboardByte(layout, keyboardLessOne);
    WriteLayers(layout, stream, keyboard, true);

    const std::size_t header = stream.Size();
    const std::size_t total = header + 9 + groups.size();
    if (total > kMaxImageSize)
        throw Exception(SBinLayoutTooLarge);
    stream.SetPosition(0);
    stream.WriteWord(static_cast<std::uint16_t>(header));
    stream.SetPosition(header);
    stream.WriteWord(format);
    const std::uint16_t checksum = StreamChecksum(stream);
    stream.WriteWord(checksum);
    stream.WriteWord(static_cast<std::uint16_t>(total));
    stream.WriteWord(layout.Version);
    stream.Write(groups);
    stream.WriteByte(keyboardByte);
}

void TBinLayout28::WriteLayers(TLayout& layout, TBinStream& stream, const TKeyboard& keyboard,
                               bool lightIndication) {
    const std::size_t keys = static_cast<std::size_t>(std::max(keyboard.MaxKeysNum, 0));
    const int positions = PositionCount(keyboard);
    const std::size_t layers = static_cast<std::size_t>(layout.LayerCount());
    const std::size_t tableSize = 2 * keys + 4;
    const std::size_t slotArea = 2 + 2 * layers + layers * tableSize;
    if (slotArea >= kMaxImageSize)
        throw Exception(SBinLayoutTooLarge);
    stream.SetSize(slotArea);

    const bool hasTrack[TMSR::TrackCount] = {layout.Track1, layout.Track2, layout.Track3};
    std::vector<std::uint16_t> slots(keys);
    std::vector<int> sharedWith(keys);
    for (std::size_t e = 0; e < layers; ++e) {
        const int layerIndex = static_cast<int>(e);
        const std::size_t table = 2 + 2 * layers + e * tableSize;
        stream.SetPosition(2 + 2 * e);
        stream.WriteWord(static_cast<std::uint16_t>(table));
        const TLayer& layer = layout.Layers.Items(layerIndex);

        // Records go in slot order; a key that shares its group's record gets the offset once
        // every record of the layer has one, whichever number the group's top-left key has.
        std::fill(slots.begin(), slots.end(), kNoRecord);
        std::fill(sharedWith.begin(), sharedWith.end(), 0);
        for (std::size_t i = 0; i < keys; ++i) {
            const TKey* key = layer.Keys.FindByNumber(static_cast<int>(i) + 1);
            if (!key)
                continue;
            const TKey& owner = RecordOwner(layout, layer, *key, static_cast<int>(keys));
            if (&owner != key) {
                sharedWith[i] = owner.Number();
                continue;
            }
            if (key->IsEmpty())
                continue;
            slots[i] = NextRecord(stream);
            stream.SetPosition(stream.Size());
            WriteKey(*key, layerIndex, stream);
        }
        for (std::size_t i = 0; i < keys; ++i) {
            if (sharedWith[i] != 0)
                slots[i] = slots[static_cast<std::size_t>(sharedWith[i] - 1)];
            stream.SetPosition(table + 2 * i);
            stream.WriteWord(slots[i]);
        }

        const TMSR& msr = layer.MSR;
        const std::uint16_t reader = NextRecord(stream);
        stream.SetPosition(stream.Size());
        std::uint8_t flags = BaseFlags();
        for (int t = 0; t < TMSR::TrackCount; ++t)
            if (msr.Tracks(t).Enabled())
                flags |= static_cast<std::uint8_t>(1 << t);
        if (msr.StopOnError())
            flags |= rfStopOnError;
        if (msr.SendEnter())
            flags |= rfSendEnter;
        if (lightIndication && msr.LightIndication())
            flags |= rfLight;
        stream.WriteByte(flags);
        for (int t = 0; t < TMSR::TrackCount; ++t)
            if (hasTrack[t]) {
                WriteSequence(msr.Tracks(t).Prefix, stream);
                WriteSequence(msr.Tracks(t).Suffix, stream);
            }
        WriteNotes(msr.Notes, stream, ReaderPlace(layerIndex));

        const std::uint16_t keyLock = NextRecord(stream);
        stream.SetPosition(stream.Size());
        for (int p = 0; p < positions; ++p) {
            if (p >= layer.KeyLock.Count()) {
                // A position the layer never got: one that does nothing.
                stream.WriteByte(BaseFlags());
                stream.WriteByte(0);
                stream.WriteByte(0);
                continue;
            }
            const TKeyPosition& position = layer.KeyLock.Items(p);
            std::uint8_t positionFlags = BaseFlags();
            if (position.PositionType() != ptMacro)
                positionFlags |=
                    static_cast<std::uint8_t>(pfSwitch | (((position.PositionType() - 1) & 3) << 1));
            if (position.Lock())
                positionFlags |= pfLock;
            stream.WriteByte(positionFlags);
            WriteSequence(position.ScanCodes, stream);
            WriteNotes(position.Notes, stream, PositionPlace(layerIndex, p));
        }

        stream.SetPosition(table + 2 * keys);
        stream.WriteWord(reader);
        stream.WriteWord(keyLock);
        stream.SetPosition(stream.Size());
    }
}

void TBinLayout28::WriteSequence(const TScanCodes& codes, TBinStream& stream) {
    const TBytes bytes = codes.Bytes();
    if (bytes.size() > static_cast<std::size_t>(TScanCodes::MaxBytes))
        throw Exception(SScanCodesTooLong);
    stream.WriteByte(static_cast<std::uint8_t>(bytes.size()));
    stream.Write(bytes);
}

void TBinLayout28::WriteKey(const TKey& key, int layerIndex, TBinStream& stream) {
    const std::uint8_t type = key.KeyType();
    int target = 0;
    std::uint8_t flags = BaseFlags();
    switch (type) {
    case ktMacro:
        break;
    case ktLayerUp:
        target = layerIndex < 3 ? layerIndex + 1 : layerIndex;
        break;
    case ktLayerDown:
        target = layerIndex > 0 ? layerIndex - 1 : 0;
        break;
    case ktLayer1:
    case ktLayer2:
    case ktLayer3:
    case ktLayer4:
        target = type - ktLayer1;
        break;
    case ktTempLayer1:
    case ktTempLayer2:
    case ktTempLayer3:
    case ktTempLayer4:
        target = type - ktTempLayer1;
        flags |= kfTemporary;
        break;
    default:
        break;
    }
    if (type != ktMacro)
        flags |= kfSwitch;
    flags |= static_cast<std::uint8_t>((target & 3) << 1);
    if (key.RepeatKey())
        flags |= kfRepeat;
    stream.WriteByte(flags);
    if (type == ktMacro) {
        WriteSequence(key.PressCodes, stream);
        WriteSequence(key.ReleaseCodes, stream);
    } else {
        // Only a macro sends codes; whatever a key of another type still holds stays behind.
        stream.WriteByte(0);
        stream.WriteByte(0);
    }
    WriteNotes(key.Notes, stream, KeyPlace(key, layerIndex));
}

// --- descendants -------------------------------------------------------------------------------

void TBinLayout29::WriteImage(TLayout& layout, TBinStream& stream) {
    WriteCurrentImage(layout, stream, bfProgram29, false);
}

void TBinLayout210::WriteImage(TLayout& layout, TBinStream& stream) {
    WriteCurrentImage(layout, stream, bfProgram210, false);
}

void TBinLayout13::WriteImage(TLayout& layout, TBinStream& stream) {
    const TKeyboard& keyboard = LayoutKeyboard(layout);
    if (keyboard.MaxKeysNum > kMaxKeys13)
        throw Exception(SBinLayout13TooManyKeys);
    const TBytes groups = GroupBytes(layout);
    const std::uint8_t keyboardByte = KeyboardByte(layout, true);
    // The 1.3 firmware has no light signal for the card reader.
    WriteLayers(layout, stream, keyboard, false);

    const std::size_t header = stream.Size();
    const std::size_t total = header + 5 + groups.size();
    if (total > kMaxImageSize)
        throw Exception(SBinLayoutTooLarge);
    stream.SetPosition(0);
    stream.WriteWord(static_cast<std::uint16_t>(header));
    stream.SetPosition(header);
    stream.WriteWord(bfLegacy13);
    stream.WriteWord(static_cast<std::uint16_t>(total));
    stream.Write(groups);
    stream.WriteByte(keyboardByte);
}

void TBinLayout13::WriteSequence(const TScanCodes& codes, TBinStream& stream) {
    // One word per pressed key whose make code the firmware can hold; releases and raw bytes
    // the firmware makes or cannot send.
    std::vector<std::uint16_t> words;
    for (int i = 0; i < codes.Count(); ++i) {
        const TScanCode& code = codes.Items(i);
        if (code.CodeType != ctPress)
            continue;
        const TBytes& make = code.Code();
        if (make.size() == 1)
            words.push_back(make[0]);
        else if (make.size() == 2)
            words.push_back(static_cast<std::uint16_t>(make[0] << 8 | make[1]));
    }
    if (words.size() > static_cast<std::size_t>(kMaxByteCount))
        throw Exception(SScanCodesTooLong);
    stream.WriteByte(static_cast<std::uint8_t>(words.size()));
    for (std::uint16_t word : words)
        stream.WriteWord(word);
}

// --- header ------------------------------------------------------------------------------------

TBinLayoutHeader ReadBinLayoutHeader(const TBytes& image) {
    TBinStream stream(image);
    try {
        return ReadHeader(stream);
    } catch (const EReadError& e) {
        throw Exception(e.Message());
    }
}

} // namespace lay
