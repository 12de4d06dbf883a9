#include "files/XMLLayout.h"

#include "files/Keyboards.h"
#include "model/Errors.h"
#include "model/Utils.h"

#include <climits>
#include <cstdio>

namespace lay {

namespace {

// --- writing -----------------------------------------------------------------------------------

std::string Int(int value) {
    return std::to_string(value);
}
std::string Flag(bool value) {
    return value ? "1" : "0";
}

std::string Colour(TColor value) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(static_cast<std::uint32_t>(value)));
    return buf;
}

std::string Version(std::uint16_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(value));
    return buf;
}

TXMLItem& Child(TXMLItem& parent, const char* name) {
    TXMLItem& item = parent.New();
    item.SetName(name);
    return item;
}

void WriteNotes(TXMLItem& parent, const TNotes& notes) {
    if (notes.IsEmpty())
        return;
    TXMLItem& list = Child(parent, "Ноты");
    for (int i = 0; i < notes.Count(); ++i) {
        const TNote& note = *notes.Items(i);
        TXMLItem& item = Child(list, "Нота");
        item.SetAttribute("Номер", Int(i + 1));
        item.SetAttribute("Нота", Int(note.Note()));
        item.SetAttribute("Длительность", Int(note.Duration()));
        item.SetAttribute("Громкость", Int(note.Volume()));
    }
}

// A sequence as the current format stores it: its text form in one attribute.
void WriteSequence(TXMLItem& parent, const char* name, const TScanCodes& codes) {
    if (codes.IsEmpty())
        return;
    Child(parent, name).SetAttribute("СканКоды", codes.Text());
}

// A sequence as the 1.3 format stores it: one element per key press with a make code.
void WriteSequence13(TXMLItem& parent, const char* name, const TScanCodes& codes) {
    if (codes.IsEmpty())
        return;
    TXMLItem& list = Child(parent, name);
    int number = 0;
    for (int i = 0; i < codes.Count(); ++i) {
        const TScanCode& code = codes.Items(i);
        // A press without bytes cannot come from the code table; there is nothing to store.
        if (code.CodeType != ctPress || code.Code().empty())
            continue;
        const TBytes& bytes = code.Code();
        TXMLItem& item = Child(list, "СканКод");
        item.SetAttribute("Номер", Int(++number));
        item.SetAttribute("Код", Int(bytes.size() == 1 ? bytes[0] : bytes[1]));
        item.SetAttribute("РасширенныйКод", Int(bytes.size() == 1 ? 0 : bytes[0]));
        item.SetAttribute("Текст", code.Name);
    }
}

void WritePicture(TXMLItem& parent, const TKeyPicture& picture) {
    TXMLItem& item = Child(parent, "Picture");
    const TFont& font = picture.Font();
    item.SetAttribute("BackgroundColor", Colour(picture.BackgroundColor()));
    item.SetAttribute("Text", picture.Text());
    item.SetAttribute("TextOrientation", Int(picture.TextOrientation()));
    item.SetAttribute("FontFixels", Int(font.PixelsPerInch));
    item.SetAttribute("FontCharset", Int(font.Charset));
    item.SetAttribute("FontColor", Colour(font.Color));
    item.SetAttribute("FontHeight", Int(font.Height()));
    item.SetAttribute("FontName", font.Name);
    item.SetAttribute("FontSize", Int(font.Size()));
    item.SetAttribute("FontStyle", Int(font.Style));
    if (picture.HasGraphic())
        Child(item, "Data").SetText(picture.PictureData());
}

using TSequenceWriter = void (*)(TXMLItem&, const char*, const TScanCodes&);

void WriteReader(TXMLItem& layerItem, const TMSR& msr, bool legacy, TSequenceWriter writeSequence) {
    TXMLItem& item = Child(layerItem, "MSR");
    item.SetAttribute("ПосылатьEnter", Flag(msr.SendEnter()));
    item.SetAttribute("СтопПриОшибке", Flag(msr.StopOnError()));
    if (!legacy)
        item.SetAttribute("LightIndication", Flag(msr.LightIndication()));
    static const char* const trackNames[] = {"Трек1", "Трек2", "Трек3"};
    for (int t = 0; t < TMSR::TrackCount; ++t) {
        const TMSRTrack& track = msr.Tracks(t);
        TXMLItem& trackItem = Child(item, trackNames[t]);
        trackItem.SetAttribute("Включен", Flag(track.Enabled()));
        writeSequence(trackItem, "Префикс", track.Prefix);
        writeSequence(trackItem, "Суффикс", track.Suffix);
    }
    WriteNotes(item, msr.Notes);
}

void WriteKeyLock(TXMLItem& layerItem, const TKeyLock& keyLock, TSequenceWriter writeSequence) {
    if (keyLock.Count() == 0)
        return;
    TXMLItem& item = Child(layerItem, "KeyLock");
    for (int p = 0; p < keyLock.Count(); ++p) {
        const TKeyPosition& position = keyLock.Items(p);
        TXMLItem& positionItem = Child(item, "Позиция");
        positionItem.SetAttribute("Номер", Int(p + 1));
        positionItem.SetAttribute("ТипПоложения", Int(position.PositionType()));
        positionItem.SetAttribute("Блокировка", Flag(position.Lock()));
        writeSequence(positionItem, "СканКоды", position.ScanCodes);
        WriteNotes(positionItem, position.Notes);
    }
}

void WriteGroups(TXMLItem& root, const TKeyGroups& groups) {
    if (groups.Count() == 0)
        return;
    TXMLItem& item = Child(root, "Группы");
    for (int g = 0; g < groups.Count(); ++g) {
        const TRect& r = groups.Items(g).Rect();
        TXMLItem& groupItem = Child(item, "Группа");
        groupItem.SetAttribute("Top", Int(r.Top));
        groupItem.SetAttribute("Left", Int(r.Left));
        groupItem.SetAttribute("Right", Int(r.Right));
        groupItem.SetAttribute("Bottom", Int(r.Bottom));
    }
}

void WriteSelection(TXMLItem& params, const TLayout& layout) {
    params.SetAttribute("STop", Int(layout.Selection().Top));
    params.SetAttribute("SLeft", Int(layout.Selection().Left));
    params.SetAttribute("SRight", Int(layout.Selection().Right));
    params.SetAttribute("SBottom", Int(layout.Selection().Bottom));
}

// The layers in the current form or in the 1.3 form, which leaves out empty keys, pictures and the
// light setting, numbers keys by their place in the list and lists sequences key by key.
void WriteLayers(TXMLItem& root, const TLayout& layout, bool legacy) {
    if (layout.LayerCount() == 0)
        return;
    const TSequenceWriter writeSequence = legacy ? WriteSequence13 : WriteSequence;
    TXMLItem& layers = Child(root, "Слои");
    for (int l = 0; l < layout.LayerCount(); ++l) {
        const TLayer& layer = layout.Layers.Items(l);
        TXMLItem& layerItem = Child(layers, "Слой");
        if (layer.Keys.Count() > 0) {
            TXMLItem& keys = Child(layerItem, "Клавиши");
            for (int k = 0; k < layer.Keys.Count(); ++k) {
                const TKey& key = layer.Keys.Items(k);
                if (legacy && key.IsEmpty())
                    continue;
                TXMLItem& item = Child(keys, "Клавиша");
                item.SetAttribute("Номер", Int(legacy ? k + 1 : key.Number()));
                item.SetAttribute("Колонка", Int(key.Col()));
                item.SetAttribute("Ряд", Int(key.Row()));
                item.SetAttribute("Примечание", key.Text());
                item.SetAttribute("РазрешениеПовтора", Flag(key.RepeatKey()));
                item.SetAttribute("ТипКлавиши", Int(key.KeyType()));
                writeSequence(item, "КодыНажатия", key.PressCodes);
                writeSequence(item, "КодыОтжатия", key.ReleaseCodes);
                WriteNotes(item, key.Notes);
                if (!legacy)
                    WritePicture(item, key.Picture);
            }
        }
        WriteReader(layerItem, layer.MSR, legacy, writeSequence);
        WriteKeyLock(layerItem, layer.KeyLock, writeSequence);
    }
}

// --- reading -----------------------------------------------------------------------------------

bool HasAttribute(const TXMLItem& item, const char* name) {
    return !item.Attribute(name).empty();
}
int IntAttribute(const TXMLItem& item, const char* name) {
    return StrToInt(item.Attribute(name));
}
bool FlagAttribute(const TXMLItem& item, const char* name) {
    return item.Attribute(name) == "1";
}
// Overwrites target only when the attribute is there: an absent one keeps what was before.
void ReadIntIfPresent(const TXMLItem& item, const char* name, int& target) {
    if (HasAttribute(item, name))
        target = IntAttribute(item, name);
}

class TReader {
public:
    TReader(TLayout& layout, const TKeyboards& keyboards, std::uint16_t fileVersion)
        : FLayout(layout), FKeyboards(keyboards), FFileVersion(fileVersion) {}

    void ApplyParams(const TXMLItem& params) {
        TRect selection = FLayout.Selection();
        // A side the element lacks keeps the current selection's value.
        ReadIntIfPresent(params, "SLeft", selection.Left);
        ReadIntIfPresent(params, "STop", selection.Top);
        ReadIntIfPresent(params, "SRight", selection.Right);
        ReadIntIfPresent(params, "SBottom", selection.Bottom);
        FLayout.SetSelection(selection);

        long long id = 0;
        if (FFileVersion == 0 || FFileVersion == 0x208) {
            // The earlier files count models from 0.
            id = HasAttribute(params, "Параметры") ? IntAttribute(params, "Параметры") + 1LL : 4;
            FLayout.Version = 0x20A;
        } else if (FFileVersion == 0x209 || FFileVersion == 0x20A) {
            id = HasAttribute(params, "KeyboardID") ? IntAttribute(params, "KeyboardID") : 4;
        } else {
            return; // a version we do not know: the layout keeps its keyboard
        }
        // One past the last int names no model, as any identifier the catalogue lacks.
        if (id > INT_MAX)
            throw Exception("Не найдено описание клавиатуры с идентификатором " + std::to_string(id) + ".");
        FLayout.SetKeyboard(KeyboardModel(FKeyboards.ItemByID(static_cast<int>(id))));
    }

    void ApplyLayers(const TXMLItem& layers) {
        for (int i = 0; i < layers.Count(); ++i) {
            const TXMLItem& item = layers.Items(i);
            if (item.Name() == "Слой" && i < FLayout.LayerCount())
                ApplyLayer(FLayout.Layers.Items(i), item);
        }
    }

    void ApplyGroups(const TXMLItem& groups) {
        FLayout.Groups.Clear();
        TRect rect{0, 0, 0, 0};
        for (int i = 0; i < groups.Count(); ++i) {
            const TXMLItem& item = groups.Items(i);
            if (item.Name() != "Группа")
                continue;
            // An absent side keeps the previous group's value.
            ReadIntIfPresent(item, "Left", rect.Left);
            ReadIntIfPresent(item, "Top", rect.Top);
            ReadIntIfPresent(item, "Right", rect.Right);
            ReadIntIfPresent(item, "Bottom", rect.Bottom);
            FLayout.Groups.Add().SetRect(rect);
        }
    }

private:
    void ApplyLayer(TLayer& layer, const TXMLItem& layerItem) {
        for (int i = 0; i < layerItem.Count(); ++i) {
            const TXMLItem& item = layerItem.Items(i);
            if (item.Name() == "Клавиши") {
                for (int k = 0; k < item.Count(); ++k)
                    if (item.Items(k).Name() == "Клавиша")
                        ApplyKey(layer, item.Items(k));
            } else if (item.Name() == "MSR") {
                ApplyReader(layer.MSR, item);
            } else if (item.Name() == "KeyLock") {
                ApplyKeyLock(layer.KeyLock, item);
            }
        }
    }

    void ApplyKey(TLayer& layer, const TXMLItem& item) {
        if (!HasAttribute(item, "Колонка") || !HasAttribute(item, "Ряд"))
            return;
        TKey* key = layer.FindKey(IntAttribute(item, "Колонка"), IntAttribute(item, "Ряд"));
        if (!key)
            return;
        if (HasAttribute(item, "ТипКлавиши"))
            key->SetKeyType(static_cast<std::uint8_t>(IntAttribute(item, "ТипКлавиши")));
        key->SetText(item.Attribute("Примечание"));
        key->SetRepeatKey(FlagAttribute(item, "РазрешениеПовтора"));
        if (HasAttribute(item, "Номер"))
            key->SetNumber(IntAttribute(item, "Номер"));
        for (int i = 0; i < item.Count(); ++i) {
            const TXMLItem& child = item.Items(i);
            if (child.Name() == "КодыНажатия")
                ReadSequence(child, key->PressCodes);
            else if (child.Name() == "КодыОтжатия")
                ReadSequence(child, key->ReleaseCodes);
            else if (child.Name() == "Ноты")
                ReadNotes(child, key->Notes);
            else if (child.Name() == "Picture")
                ReadPicture(child, key->Picture);
        }
    }

    void ReadSequence(const TXMLItem& item, TScanCodes& codes) {
        if (FFileVersion != 0) {
            codes.SetText(item.Attribute("СканКоды"));
            return;
        }
        // A 1.3 file lists the pressed keys only; their releases follow them in order.
        codes.Clear();
        for (int i = 0; i < item.Count(); ++i) {
            const TXMLItem& child = item.Items(i);
            if (child.Name() != "СканКод")
                continue;
            const int code = HasAttribute(child, "Код") ? IntAttribute(child, "Код") & 0xFF : 0;
            const int extended =
                HasAttribute(child, "РасширенныйКод") ? IntAttribute(child, "РасширенныйКод") & 0xFF : 0;
            codes.AddWord(static_cast<std::uint16_t>(extended * 256 + code));
        }
        codes.AppendReleases();
    }

    static void ReadNotes(const TXMLItem& item, TNotes& notes) {
        notes.Clear();
        for (int i = 0; i < item.Count(); ++i) {
            const TXMLItem& child = item.Items(i);
            if (child.Name() != "Нота")
                continue;
            TNote& note = *notes.Add();
            if (HasAttribute(child, "Нота"))
                note.SetNote(static_cast<std::uint8_t>(IntAttribute(child, "Нота")));
            if (HasAttribute(child, "Длительность"))
                note.SetDuration(static_cast<std::uint8_t>(IntAttribute(child, "Длительность")));
            if (HasAttribute(child, "Громкость"))
                note.SetVolume(static_cast<std::uint8_t>(IntAttribute(child, "Громкость")));
        }
    }

    static void ReadPicture(const TXMLItem& item, TKeyPicture& picture) {
        if (HasAttribute(item, "BackgroundColor"))
            picture.SetBackgroundColor(HexToInt(item.Attribute("BackgroundColor")));
        picture.SetText(item.Attribute("Text"));
        if (HasAttribute(item, "TextOrientation"))
            picture.SetTextOrientation(static_cast<std::uint8_t>(IntAttribute(item, "TextOrientation")));
        TFont font = picture.Font();
        if (HasAttribute(item, "FontFixels"))
            font.PixelsPerInch = IntAttribute(item, "FontFixels");
        if (HasAttribute(item, "FontCharset"))
            font.Charset = static_cast<std::uint8_t>(IntAttribute(item, "FontCharset"));
        if (HasAttribute(item, "FontColor"))
            font.Color = HexToInt(item.Attribute("FontColor"));
        if (HasAttribute(item, "FontHeight"))
            font.SetHeight(IntAttribute(item, "FontHeight"));
        if (HasAttribute(item, "FontSize"))
            font.SetSize(IntAttribute(item, "FontSize"));
        if (HasAttribute(item, "FontStyle"))
            font.Style = static_cast<std::uint8_t>(IntAttribute(item, "FontStyle"));
        font.Name = item.Attribute("FontName");
        picture.SetFont(font);
        for (int i = 0; i < item.Count(); ++i)
            if (item.Items(i).Name() == "Data") {
                picture.SetPictureData(item.Items(i).Text());
                break;
            }
    }

    void ApplyReader(TMSR& msr, const TXMLItem& item) {
        msr.SetSendEnter(FlagAttribute(item, "ПосылатьEnter"));
        msr.SetStopOnError(FlagAttribute(item, "СтопПриОшибке"));
        msr.SetLightIndication(FlagAttribute(item, "LightIndication"));
        static const char* const trackNames[] = {"Трек1", "Трек2", "Трек3"};
        for (int i = 0; i < item.Count(); ++i) {
            const TXMLItem& child = item.Items(i);
            if (child.Name() == "Ноты") {
                ReadNotes(child, msr.Notes);
                continue;
            }
            for (int t = 0; t < TMSR::TrackCount; ++t) {
                if (child.Name() != trackNames[t])
                    continue;
                TMSRTrack& track = msr.Tracks(t);
                track.SetEnabled(FlagAttribute(child, "Включен"));
                for (int j = 0; j < child.Count(); ++j) {
                    const TXMLItem& part = child.Items(j);
                    if (part.Name() == "Префикс")
                        ReadSequence(part, track.Prefix);
                    else if (part.Name() == "Суффикс")
                        ReadSequence(part, track.Suffix);
                }
            }
        }
    }

    void ApplyKeyLock(TKeyLock& keyLock, const TXMLItem& item) {
        keyLock.Clear();
        for (int i = 0; i < item.Count(); ++i) {
            const TXMLItem& child = item.Items(i);
            if (child.Name() != "Позиция")
                continue;
            TKeyPosition& position = keyLock.Add();
            if (HasAttribute(child, "ТипПоложения"))
                position.SetPositionType(static_cast<std::uint8_t>(IntAttribute(child, "ТипПоложения")));
            position.SetLock(FlagAttribute(child, "Блокировка"));
            for (int j = 0; j < child.Count(); ++j) {
                const TXMLItem& part = child.Items(j);
                if (part.Name() == "СканКоды")
                    ReadSequence(part, position.ScanCodes);
                else if (part.Name() == "Ноты")
                    ReadNotes(part, position.Notes);
            }
        }
    }

    TLayout& FLayout;
    const TKeyboards& FKeyboards;
    std::uint16_t FFileVersion;
};

} // namespace

void TXMLLayout::WriteTree(TBinStream& stream) {
    const std::string bytes = FParser.SaveToString();
    stream.Write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void TXMLLayout::SaveToStream(TLayout& layout, TBinStream& stream) {
    FParser.Clear();
    TXMLItem& root = FParser.Root();
    root.SetName("Раскладка");
    root.SetAttribute("Vesion", Version(layout.Version));

    TXMLItem& params = Child(root, "Параметры");
    params.SetAttribute("KeyboardID", Int(layout.KeyboardID));
    WriteSelection(params, layout);

    WriteLayers(root, layout, false);
    WriteGroups(root, layout.Groups);
    WriteTree(stream);
}

void TXMLLayout::LoadFromStream(TLayout& layout, TBinStream& stream) {
    const TBytes& all = stream.Bytes();
    const std::size_t from = std::min(stream.Position(), all.size());
    FParser.LoadFromString(
        std::string_view(reinterpret_cast<const char*>(all.data()) + from, all.size() - from));
    stream.SetPosition(all.size());

    const TXMLItem& root = FParser.Root();
    const std::string version = root.Attribute("Vesion");
    if (!version.empty()) {
        const TBytes b = HexToBytes(version);
        FileVersion =
            static_cast<std::uint16_t>(((b.size() > 0 ? b[0] : 0) << 8) | (b.size() > 1 ? b[1] : 0));
        layout.Version = FileVersion;
    } else {
        FileVersion = 0;
        layout.Version = 0x20A;
    }

    TReader reader(layout, Keyboards(), FileVersion);
    bool anyParams = false;
    for (int i = 0; i < root.Count(); ++i)
        if (root.Items(i).Name() == "Параметры") {
            anyParams = true;
            reader.ApplyParams(root.Items(i));
        }
    if (!anyParams)
        RaiseFormatError("Не найдены параметры раскладки.");
    for (int i = 0; i < root.Count(); ++i) {
        const TXMLItem& item = root.Items(i);
        if (item.Name() == "Слои")
            reader.ApplyLayers(item);
        else if (item.Name() == "Группы")
            reader.ApplyGroups(item);
    }
    layout.ClearNonMacroCodes();
}

void TXMLLayout13::SaveToStream(TLayout& layout, TBinStream& stream) {
    FParser.Clear();
    TXMLItem& root = FParser.Root();
    root.SetName("Раскладка");

    TXMLItem& params = Child(root, "Параметры");
    params.SetAttribute("Параметры", Int(layout.KeyboardID - 1));
    WriteSelection(params, layout);

    WriteLayers(root, layout, true);
    WriteGroups(root, layout.Groups);
    WriteTree(stream);
}

} // namespace lay
