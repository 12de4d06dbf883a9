// Commands that read a layout file: dump, check, find, replace, convert.
#include "cli/Commands.h"
#include "cli/Format.h"
#include "cli/Session.h"

#include "files/BinLayout.h"
#include "files/FileUtils.h"
#include "files/FormatRegistry.h"
#include "files/Keyboards.h"
#include "model/Errors.h"
#include "model/Layout.h"

#include <ostream>
#include <sstream>

namespace lay::cli {

namespace {

std::vector<std::string> With(std::vector<std::string> list, const std::vector<std::string>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

std::string Cell(int row, int col) {
    return "(" + std::to_string(row) + "," + std::to_string(col) + ")";
}

std::string Yes(bool value) {
    return value ? "да" : "нет";
}

std::string ColourText(TColor c) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(static_cast<std::uint32_t>(c)));
    return buf;
}

bool PictureIsDefault(const TKeyPicture& p) {
    return p.Text().empty() && !p.HasGraphic() && p.BackgroundColor() == clWhite;
}

std::string PictureSummary(const TKeyPicture& p) {
    std::string text = "фон " + ColourText(p.BackgroundColor());
    if (!p.Text().empty())
        text += ", текст «" + p.Text() + "»" + (p.TextOrientation() != 0 ? " вертикально" : "") + ", шрифт " +
                p.Font().Name + " " + std::to_string(p.Font().Size());
    if (p.HasGraphic())
        text += ", " + p.Picture().Graphic->ClassName + " " +
                std::to_string(p.Picture().Graphic->Data.size()) + " байт";
    return text;
}

void DumpLayout(TLayout& layout, const TKeyboards& keyboards, std::ostream& out) {
    const TKeyboard* keyboard = keyboards.FindByID(layout.KeyboardID);
    out << "Клавиатура: " << layout.KeyboardID;
    if (keyboard)
        out << " «" << keyboard->ClassName << "» (" << keyboard->Name << ")";
    out << ", " << layout.ColCount() << " × " << layout.RowCount() << ", слоёв " << layout.LayerCount()
        << ", клавиш " << layout.KeyCount << "\n";
    out << "Версия: " << (layout.Version >> 8) << "." << (layout.Version & 0xFF) << "\n";
    const TRect& s = layout.Selection();
    out << "Выделение: " << Cell(s.Top, s.Left) << "-" << Cell(s.Bottom, s.Right) << "\n";
    for (int l = 0; l < layout.LayerCount(); ++l) {
        const TLayer& layer = layout.Layers.Items(l);
        out << "Слой " << l + 1 << "\n";
        for (int k = 0; k < layer.Keys.Count(); ++k) {
            const TKey& key = layer.Keys.Items(k);
            if (key.IsEmpty() && PictureIsDefault(key.Picture))
                continue;
            out << "  Клавиша " << Cell(key.Row() + 1, key.Col() + 1) << " №" << key.Number() << ": "
                << (key.KeyType() == ktNone ? std::string("нет функции") : KeyTypeCaption(key.KeyType()));
            if (key.RepeatKey())
                out << ", повтор";
            if (!key.Text().empty())
                out << ", примечание «" << key.Text() << "»";
            out << "\n";
            if (!key.PressCodes.IsEmpty())
                out << "    нажатие: " << key.PressCodes.Text() << "\n";
            if (!key.ReleaseCodes.IsEmpty())
                out << "    отжатие: " << key.ReleaseCodes.Text() << "\n";
            if (!key.Notes.IsEmpty())
                out << "    ноты: " << key.Notes.Text() << "\n";
            if (!PictureIsDefault(key.Picture))
                out << "    картинка: " << PictureSummary(key.Picture) << "\n";
        }
        if (layout.HasReader) {
            const TMSR& msr = layer.MSR;
            out << "  Считыватель: Enter после данных " << Yes(msr.SendEnter()) << ", блокировка при ошибке "
                << Yes(msr.StopOnError()) << ", световой сигнал " << Yes(msr.LightIndication()) << "\n";
            for (int t = 0; t < TMSR::TrackCount; ++t) {
                const TMSRTrack& track = msr.Tracks(t);
                out << "    трек " << t + 1 << ": " << (track.Enabled() ? "включен" : "выключен");
                if (!track.Prefix.IsEmpty())
                    out << ", префикс " << track.Prefix.Text();
                if (!track.Suffix.IsEmpty())
                    out << ", суффикс " << track.Suffix.Text();
                out << "\n";
            }
            if (!msr.Notes.IsEmpty())
                out << "    ноты: " << msr.Notes.Text() << "\n";
        }
        if (layer.KeyLock.Count() > 0) {
            out << "  Ключ: положений " << layer.KeyLock.Count() << "\n";
            for (int p = 0; p < layer.KeyLock.Count(); ++p) {
                const TKeyPosition& pos = layer.KeyLock.Items(p);
                out << "    " << p + 1 << ": " << PositionTypeCaption(pos.PositionType());
                if (pos.Lock())
                    out << ", блокировка";
                if (!pos.ScanCodes.IsEmpty())
                    out << ", коды " << pos.ScanCodes.Text();
                if (!pos.Notes.IsEmpty())
                    out << ", ноты " << pos.Notes.Text();
                out << "\n";
            }
        }
    }
    for (int g = 0; g < layout.Groups.Count(); ++g) {
        const TRect& r = layout.Groups.Items(g).Rect();
        out << "Группа " << g + 1 << ": " << Cell(r.Top + 1, r.Left + 1) << "-"
            << Cell(r.Bottom + 1, r.Right + 1) << "\n";
    }
}

std::string Hex4(std::uint16_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(value));
    return buf;
}

std::string VersionText(std::uint16_t version) {
    return std::to_string(version >> 8) + "." + std::to_string(version & 0xFF);
}

// The image's own header, before the reader interprets it: what a keyboard would find there.
void DumpImageHeader(const TBytes& image, std::ostream& out) {
    const TBinLayoutHeader h = ReadBinLayoutHeader(image);
    out << "Образ: " << image.size() << " байт, заголовок по смещению " << h.Offset << ", формат "
        << h.Format;
    switch (h.Format) {
    case bfLegacy13:
        out << " (1.3)";
        break;
    case bfProgram28:
    case bfProgram29:
    case bfProgram210:
        out << " (" << VersionText(h.Format) << ")";
        break;
    default:
        out << " (неизвестный)";
        break;
    }
    out << "\n";
    if (!h.Applies) {
        out << "  заголовок не применяется: клавиатура и группы остаются прежними\n";
        return;
    }
    if (h.HasChecksum)
        out << "  контрольная сумма: " << Hex4(h.Checksum)
            << (h.Checksum == h.ComputedChecksum
                    ? ", совпадает"
                    : ", не совпадает (по данным " + Hex4(h.ComputedChecksum) + ")")
            << "\n";
    else
        out << "  контрольной суммы нет\n";
    if (h.HasTotalSize)
        out << "  размер по заголовку: " << h.TotalSize << " байт\n";
    if (h.HasVersion)
        out << "  версия: " << VersionText(h.Version) << "\n";
    out << "  групп: " << h.Groups.size() << "\n";
    for (std::size_t g = 0; g < h.Groups.size(); ++g) {
        const TRect& r = h.Groups[g];
        out << "    группа " << g + 1 << ": " << Cell(r.Top + 1, r.Left + 1) << "-"
            << Cell(r.Bottom + 1, r.Right + 1) << "\n";
    }
    out << "  клавиатура: " << h.KeyboardID << " (байт " << static_cast<int>(h.KeyboardByte) << ")\n";
}

// --layer N: 0 (the default) for every layer.
int LayerOption(const TArgs& args, const TLayout& layout) {
    const int layer = args.IntValue("--layer").value_or(0);
    if (layer < 0 || layer > layout.LayerCount())
        throw EUsage{"В раскладке нет слоя " + std::to_string(layer) + " (слоёв " +
                     std::to_string(layout.LayerCount()) + ")"};
    return layer;
}

// Scripts search the whole layout unless asked to keep to the selection stored in the file.
void SearchScope(const TArgs& args, TLayout& layout) {
    if (!args.Has("--selection"))
        layout.SetSelection({1, 1, 1, 1});
}

} // namespace

int CmdDump(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, kSessionOptions, {});
    if (args.Positional().size() != 1)
        throw EUsage{"Нужен один файл раскладки"};
    TSession session(args, io.Err);
    const std::string& fileName = args.Positional()[0];
    // The header comes first and on its own: when the reader refuses the image, what its header
    // says is what one needs to see.
    std::string header;
    if (OpenFormatFor(fileName) == ofBin210) {
        const std::string bytes = ReadFileBytes(fileName);
        std::ostringstream text;
        DumpImageHeader(TBytes(bytes.begin(), bytes.end()), text);
        header = text.str();
    }
    io.Out << "Файл: " << fileName << "\n" << header;
    TLayout layout;
    session.Open(layout, fileName);
    DumpLayout(layout, session.Keyboards, io.Out);
    return 0;
}

int CmdCheck(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, kSessionOptions, {});
    if (args.Positional().size() != 1)
        throw EUsage{"Нужен один файл раскладки"};
    TSession session(args, io.Err);
    TLayout layout;
    session.Open(layout, args.Positional()[0]);
    layout.MessageSink = [&](const std::string& line, int) { io.Out << line << "\n"; };
    if (layout.Check()) {
        io.Out << "Ошибок нет.\n";
        return 0;
    }
    return 1;
}

int CmdFind(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, With(kSessionOptions, {"--layer"}), {"--selection"});
    if (args.Positional().size() != 2)
        throw EUsage{"Нужны файл раскладки и искомый текст"};
    TSession session(args, io.Err);
    TLayout layout;
    session.Open(layout, args.Positional()[0]);
    const int layer = LayerOption(args, layout);
    SearchScope(args, layout);
    layout.MessageSink = [&](const std::string& line, int) { io.Out << line << "\n"; };
    const int hits = layout.Find(args.Positional()[1], layer);
    if (hits == 0) {
        io.Err << "Строка " << args.Positional()[1] << " не найдена.\n";
        return 1;
    }
    return 0;
}

int CmdReplace(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, With(kSessionOptions, {"--layer", "-o", "--output", "--to"}), {"--selection"});
    if (args.Positional().size() != 3)
        throw EUsage{"Нужны файл раскладки, искомый текст и замена"};
    const auto output = args.Value("-o") ? args.Value("-o") : args.Value("--output");
    if (!output)
        throw EUsage{"Куда записать результат: -o ФАЙЛ"};
    TSession session(args, io.Err);
    TLayout layout;
    session.Open(layout, args.Positional()[0]);
    TLayoutFormat& format = session.SaveFormat(args.ValueOr("--to", "xml"));
    const int layer = LayerOption(args, layout);
    const TRect selection = layout.Selection();
    SearchScope(args, layout);
    const int count = layout.Replace(args.Positional()[1], args.Positional()[2], layer);
    layout.SetSelection(selection); // the file keeps the user's selection
    io.Out << "[Замена] (" << args.Positional()[1] << "->" << args.Positional()[2]
           << ") Количество замен: " << count << "\n";
    format.SaveToFile(layout, *output);
    return 0;
}

int CmdConvert(const std::vector<std::string>& words, TIo& io) {
    TArgs args(words, With(kSessionOptions, {"--to"}), {});
    if (args.Positional().size() != 2)
        throw EUsage{"Нужны исходный и новый файл"};
    const auto to = args.Value("--to");
    if (!to)
        throw EUsage{"Какой формат записать: --to xml|xml13|…"};
    TSession session(args, io.Err);
    TLayout layout;
    session.Open(layout, args.Positional()[0]);
    session.SaveFormat(*to).SaveToFile(layout, args.Positional()[1]);
    return 0;
}

} // namespace lay::cli
