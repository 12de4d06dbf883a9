#pragma once

#include "files/Keyboards.h"
#include "files/LayoutFormat.h"
#include "model/Layout.h"

namespace lay::test {

// A small catalogue for layout tests:
//   3 — 4 × 3, two layers, card reader with tracks 1 and 2, key lock with two positions, a gap
//       at column 2 of row 1 (a double-width key);
//   4 — 5 × 2, one layer, nothing else;
//   5 — 2 × 2, four layers, key lock with three positions.
inline void FillCatalogue(TKeyboards& keyboards) {
    auto add = [&](int id, int width, int height, int layers, int keyPos, bool reader) -> TKeyboard& {
        TKeyboard& k = keyboards.Add();
        k.ID = id;
        k.Name = "Test" + std::to_string(id);
        k.ClassName = "Тестовая " + std::to_string(id);
        k.Width = width;
        k.Height = height;
        k.Layers = layers;
        k.KeyPos = keyPos;
        k.HasKey = keyPos > 0;
        k.HasReader = reader;
        k.Track1 = reader;
        k.Track2 = reader;
        int number = 0;
        for (int r = 1; r <= height; ++r)
            for (int c = 1; c <= width; ++c) {
                ++number;
                if (id == 3 && r == 1 && c == 2)
                    continue;
                TKeyDef& def = k.KeyDefs.Add();
                def.Left = c;
                def.Top = r;
                def.LogicalNumber = number;
            }
        k.MaxKeysNum = number;
        return k;
    };
    add(3, 4, 3, 2, 2, true);
    add(4, 5, 2, 1, 0, false);
    add(5, 2, 2, 4, 3, false);
}

} // namespace lay::test
