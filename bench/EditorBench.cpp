// What the editor spends on the largest keyboard of the catalogue: opening a four-layer layout
// file into a document window, and repainting its key grid in each view mode.
#include "device/DeviceUser.h"
#include "device/KeyboardManager.h"
#include "model/Layout.h"
#include "ui/DocForm.h"
#include "ui/KeyGrid.h"
#include "ui/UserDialogs.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace lay;

namespace {

class TSilentUser : public TDeviceUser {
public:
    bool Confirm(const std::string&) override { return false; }
    void Warning(const std::string&) override {}
};

// The catalogue's largest model, every key of its four layers with sequences, text and a melody,
// saved once as the XML layout the benchmarks open.
struct TEditorBench {
    QTemporaryDir Dir;
    TSilentUser User;
    TQtDialogs Dialogs;
    std::unique_ptr<TKeyboardManager> Manager;
    std::string FileName;
    int KeyCount = 0;

    TEditorBench() {
        TManagerSetup setup;
        setup.SettingsFile = Dir.filePath("layomatic.ini").toStdString();
        setup.CatalogueFolder = LAYOMATIC_DATA "/Клавиатуры";
        setup.CodeFile = LAYOMATIC_DATA "/Клавиши/Клавиши.xml";
        Manager = std::make_unique<TKeyboardManager>(User, setup);
        int largest = 0;
        for (int i = 0; i < Manager->Keyboards().Count(); ++i) {
            const TKeyboard& k = Manager->Keyboards().Items(i);
            if (k.Layers >= 4 && k.KeyCount() > KeyCount) {
                KeyCount = k.KeyCount();
                largest = k.ID;
            }
        }
        TLayout layout;
        Manager->SetLayoutKeyboard(layout, largest);
        const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        for (int l = 0; l < layout.LayerCount(); ++l) {
            TLayer& layer = layout.Layers.Items(l);
            for (int i = 0; i < layer.Keys.Count(); ++i) {
                TKey& key = layer.Keys.Items(i);
                std::string press = "+LShift";
                for (int n = 0; n < 6; ++n) {
                    const std::string letter(1, letters[(i + n + l) % 26]);
                    press += " +" + letter + " -" + letter;
                }
                key.PressCodes.SetText(press + " -LShift");
                key.ReleaseCodes.SetText("+ENTER -ENTER");
                key.Notes.SetText("C1;4;10;E1;4;10;G1;4;10");
                key.SetText("Клавиша " + std::to_string(i + 1));
                // Picture view: a caption on a coloured key, as tills are labelled.
                key.Picture.SetText("Итог " + std::to_string(i + 1));
                key.Picture.SetBackgroundColor(0xC0E0FF + static_cast<TColor>((i * 37) % 64));
            }
        }
        FileName = Dir.filePath("largest.xml").toStdString();
        Manager->SaveLayout(layout, 0, FileName);
    }
};

TEditorBench& Bench() {
    static TEditorBench bench;
    return bench;
}

// Reading the file into a new document window and sizing its grid, as opening a file does.
void BM_OpenLayoutDocument(benchmark::State& state) {
    TEditorBench& b = Bench();
    for (auto _ : state) {
        TfmDoc doc(*b.Manager, b.Dialogs);
        b.Manager->OpenLayout(doc.Layout, 0, b.FileName);
        doc.resize(1200, 800);
        doc.show();
        doc.SetGridSize(doc.Layout.ColCount() + 1, doc.Layout.RowCount() + 1);
        QApplication::processEvents();
        benchmark::DoNotOptimize(doc.Layout.LayerCount());
    }
    state.counters["keys"] = b.KeyCount;
}
BENCHMARK(BM_OpenLayoutDocument)->Unit(benchmark::kMillisecond);

// One full repaint of the grid into an image of the window's size, all layers shown.
void BM_RepaintGrid(benchmark::State& state) {
    TEditorBench& b = Bench();
    TfmDoc doc(*b.Manager, b.Dialogs);
    b.Manager->OpenLayout(doc.Layout, 0, b.FileName);
    doc.resize(1200, 800);
    doc.show();
    doc.SetViewMode(static_cast<int>(state.range(0)));
    doc.SetGridSize(doc.Layout.ColCount() + 1, doc.Layout.RowCount() + 1);
    QApplication::processEvents();
    QImage image(doc.Grid().size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        doc.Grid().render(&painter);
        painter.end();
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) == vmLayout    ? "layout"
                   : state.range(0) == vmPicture ? "picture"
                                                 : "simplified");
    state.counters["width"] = image.width();
    state.counters["height"] = image.height();
    // EDITOR_BENCH_IMAGES=FOLDER keeps the painted grids, to see what was measured.
    if (const char* folder = std::getenv("EDITOR_BENCH_IMAGES"))
        image.save(QString("%1/grid-%2.png").arg(folder).arg(state.range(0)));
}
BENCHMARK(BM_RepaintGrid)->Arg(vmLayout)->Arg(vmSimplified)->Arg(vmPicture)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    // Windows are made but never shown.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
