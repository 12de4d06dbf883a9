// What saving, loading, writing into a keyboard and reading back cost for a large layout: four
// layers of 128 keys, every key with long sequences and a melody, cards, key lock and groups.
#include "files/BinLayout.h"
#include "files/Keyboards.h"
#include "files/XMLLayout.h"
#include "model/Layout.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace lay;

namespace {

struct TBench {
    TKeyboards Keyboards;
    TLayoutFormats Formats{Keyboards};
    TBinLayout210& Image = Formats.Add<TBinLayout210>();
    TXMLLayout& XML = Formats.Add<TXMLLayout>();
    TLayout Layout;

    TBench() {
        TKeyboard& k = Keyboards.Add();
        k.ID = 1;
        k.Name = "Bench128";
        k.Width = 16;
        k.Height = 8;
        k.Layers = 4;
        k.KeyPos = 8;
        k.HasKey = 1;
        k.HasReader = 1;
        k.Track1 = k.Track2 = k.Track3 = 1;
        for (int r = 0; r < k.Height; ++r)
            for (int c = 0; c < k.Width; ++c) {
                TKeyDef& def = k.KeyDefs.Add();
                def.Left = c + 1;
                def.Top = r + 1;
                def.LogicalNumber = r * k.Width + c + 1;
            }
        k.MaxKeysNum = k.KeyCount();
        Layout.SetKeyboard(KeyboardModel(k));

        // About 60 bytes pressed and 20 released per key, eight notes: the image stays within
        // the keyboard's 64 KB with room for the reader and the key lock.
        const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        for (int l = 0; l < Layout.LayerCount(); ++l) {
            TLayer& layer = Layout.Layers.Items(l);
            for (int i = 0; i < layer.Keys.Count(); ++i) {
                TKey& key = layer.Keys.Items(i);
                std::string press = "+LShift";
                for (int n = 0; n < 19; ++n) {
                    const std::string letter(1, letters[(i + n + l) % 26]);
                    press += " +" + letter + " -" + letter;
                }
                key.PressCodes.SetText(press + " -LShift");
                key.ReleaseCodes.SetText("+ENTER -ENTER +Left -Left +F1 -F1 +ESC -ESC");
                key.Notes.SetText("C1;4;10;D1;4;10;E1;4;10;F1;4;10;G1;4;10;A1;4;10;B1;4;10;C2;8;12");
                key.SetRepeatKey(i % 3 == 0);
                key.SetText("Клавиша " + std::to_string(i + 1));
            }
            for (int t = 0; t < TMSR::TrackCount; ++t) {
                layer.MSR.Tracks(t).Prefix.SetText("+F2 -F2");
                layer.MSR.Tracks(t).Suffix.SetText("+ENTER -ENTER");
            }
            layer.MSR.Notes.SetText("A3;2;5;P;1;0;A3;2;5");
            for (int p = 0; p < layer.KeyLock.Count(); ++p) {
                layer.KeyLock.Items(p).SetPositionType(static_cast<std::uint8_t>(p % 5));
                layer.KeyLock.Items(p).ScanCodes.SetText("+F" + std::to_string(p + 3) + " -F" +
                                                         std::to_string(p + 3));
                layer.KeyLock.Items(p).Notes.SetText("E2;3;3");
            }
        }
        // Sixteen double-width keys along the bottom two rows.
        for (int g = 0; g < 16; ++g)
            Layout.Group({(g % 8) * 2, 6 + g / 8, (g % 8) * 2 + 1, 6 + g / 8});
    }
};

TBench& Bench() {
    static TBench bench;
    return bench;
}

void BM_ImageEncode(benchmark::State& state) {
    TBench& b = Bench();
    std::size_t size = 0;
    for (auto _ : state) {
        const TBytes image = b.Image.SaveToString(b.Layout);
        size = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["image_bytes"] = static_cast<double>(size);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_ImageEncode)->Unit(benchmark::kMicrosecond);

// Into a layout that already has the keyboard, as when a document is read back again.
void BM_ImageDecode(benchmark::State& state) {
    TBench& b = Bench();
    const TBytes image = b.Image.SaveToString(b.Layout);
    TLayout target;
    target.Assign(b.Layout);
    for (auto _ : state)
        b.Image.LoadFromString(target, image);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_ImageDecode)->Unit(benchmark::kMicrosecond);

// Into a new layout, as the keyboard manager reads a keyboard: the keyboard is applied first.
void BM_ImageDecodeNewLayout(benchmark::State& state) {
    TBench& b = Bench();
    const TBytes image = b.Image.SaveToString(b.Layout);
    for (auto _ : state) {
        TLayout target;
        b.Image.LoadFromString(target, image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * image.size()));
}
BENCHMARK(BM_ImageDecodeNewLayout)->Unit(benchmark::kMicrosecond);

void BM_XMLSave(benchmark::State& state) {
    TBench& b = Bench();
    std::size_t size = 0;
    for (auto _ : state) {
        const TBytes text = b.XML.SaveToString(b.Layout);
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["file_bytes"] = static_cast<double>(size);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}
BENCHMARK(BM_XMLSave)->Unit(benchmark::kMicrosecond);

void BM_XMLLoad(benchmark::State& state) {
    TBench& b = Bench();
    const TBytes text = b.XML.SaveToString(b.Layout);
    for (auto _ : state) {
        TLayout target;
        b.XML.LoadFromString(target, text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_XMLLoad)->Unit(benchmark::kMicrosecond);

} // namespace
