// Operations that walk every key of a layout and talk to the user through report lines.
#include "model/Layout.h"

#include "model/Errors.h"
#include "model/Text.h"
#include "model/Utils.h"

#include <array>
#include <span>

namespace lay {

namespace {

// More lines than this would only bury the first mistakes.
constexpr int kMaxCheckErrors = 10;

std::string Num(int value) {
    return std::to_string(value);
}

} // namespace

bool TLayout::Check() {
    bool result = true;
    int errors = 0;
    auto fail = [&](const std::string& rest) {
        result = false;
        ++errors;
        Report("[Ошибка(" + Num(errors) + ")] " + rest);
        return errors > kMaxCheckErrors;
    };
    for (int l = 0; l < Layers.Count(); ++l) {
        TLayer& layer = Layers.Items(l);
        const std::string layerText = "Слой " + Num(l + 1) + ". ";
        for (int k = 0; k < layer.Keys.Count(); ++k) {
            TKey& key = layer.Keys.Items(k);
            const std::string keyText =
                layerText + "Клавиша (" + Num(key.Row() + 1) + "," + Num(key.Col() + 1) + "). ";
            if (!key.PressCodes.Check() && fail(keyText + "Коды нажатия. " + key.PressCodes.ErrorText))
                return result;
            if (!key.ReleaseCodes.Check() && fail(keyText + "Коды отжатия. " + key.ReleaseCodes.ErrorText))
                return result;
        }
        if (!layer.MSR.Check() && fail(layerText + layer.MSR.ErrorText))
            return result;
        if (!layer.KeyLock.Check() && fail(layerText + layer.KeyLock.ErrorText))
            return result;
    }
    return result;
}

void TLayout::ForEachKeyInSearchArea(int layer, const std::function<void(int, TKey&)>& visit) {
    const TRect area = SearchArea();
    const std::vector<int> layers = LayersFor(layer);
    for (int col = area.Left; col <= area.Right; ++col)
        for (int row = area.Top; row <= area.Bottom; ++row)
            for (int l : layers)
                if (TKey* key = Layers.Items(l).FindKey(col - 1, row - 1))
                    visit(l, *key);
}

int TLayout::Find(const std::string& text, int layer) {
    const std::string wanted = AnsiUpperCase(text);
    if (wanted.empty())
        return 0;
    int hits = 0;
    ForEachKeyInSearchArea(layer, [&](int l, TKey& key) {
        const std::string where = "[Поиск] Слой " + Num(l + 1) + ". Клавиша (" + Num(key.Row() + 1) + "," +
                                  Num(key.Col() + 1) + "). ";
        const std::string press = AnsiUpperCase(key.PressCodes.Text());
        if (press.find(wanted) != std::string::npos) {
            Report(where + "Коды нажатия. Строка " + press + " найдена.");
            ++hits;
        }
        const std::string release = AnsiUpperCase(key.ReleaseCodes.Text());
        if (release.find(wanted) != std::string::npos) {
            Report(where + "Коды отжатия. Строка " + release + " найдена.");
            ++hits;
        }
    });
    return hits;
}

int TLayout::Replace(const std::string& findText, const std::string& replacement, int layer) {
    const TRect area = SearchArea();
    const std::vector<int> layers = LayersFor(layer);
    int total = 0;
    for (int col = area.Left; col <= area.Right; ++col)
        for (int row = area.Top; row <= area.Bottom; ++row)
            for (int l : layers) {
                TKey* key = Layers.Items(l).FindKey(col - 1, row - 1);
                if (!key)
                    continue;
                for (TScanCodes* codes : {&key->PressCodes, &key->ReleaseCodes}) {
                    TReplaceResult r =
                        ReplaceText(codes->Text(), findText, replacement, rfReplaceAll | rfIgnoreCase);
                    if (r.Count > 0)
                        codes->SetText(r.Text);
                    total += r.Count;
                }
            }
    return total;
}

bool TLayout::GotoMessage(const std::string& line) {
    auto inside = [&](int row, int col) {
        return row >= 1 && row <= FRowCount && col >= 1 && col <= FColCount;
    };
    // A line that is neither kind, or carries a malformed number, simply names no key.
    auto scan = [](const std::string& text, const char* pattern, std::span<int> values) {
        try {
            ScanText(text, pattern, values);
        } catch (const Exception&) {
        }
    };
    std::array<int, 4> check{0, 0, 0, 0};
    scan(line, "[Ошибка(%d)] Слой %d. Клавиша (%d,%d)", check);
    int row = check[2];
    int col = check[3];
    if (!inside(row, col)) {
        std::array<int, 3> found{0, 0, 0};
        scan(line, "[Поиск] Слой %d. Клавиша (%d,%d).", found);
        row = found[1];
        col = found[2];
        if (!inside(row, col))
            return false;
    }
    SetSelection({col, row, col, row});
    return true;
}

} // namespace lay
