#pragma once

#include "files/BinLayout.h"
#include "files/Keyboards.h"
#include "files/LayoutFormat.h"
#include "model/Layout.h"

#include <functional>
#include <string>

namespace lay::test {

enum : int { trTrack1 = 1, trTrack2 = 2, trTrack3 = 4 };

// Keyboards shaped for device images:
//   5   — 2 × 1, one layer, nothing else, two slots: the smallest image there is;
//   7   — 4 × 3, four layers, card reader reading tracks 1 and 3, key lock with three positions,
//         keys numbered row by row, 14 slots (two slots without a key);
//   8   — 3 × 1, one layer, keys numbered from the right (3, 2, 1);
//   64, 65 — 2 × 1, one layer, with 64 and 65 slots;
//   256 — 2 × 1, one layer: an identifier that needs the whole keyboard byte.
inline void FillImageCatalogue(TKeyboards& keyboards) {
    auto add = [&](int id, int width, int height, int layers, int keyPos, int tracks, int maxKeys,
                   const std::function<int(int col, int row)>& number) {
        TKeyboard& k = keyboards.Add();
        k.ID = id;
        k.Name = "Image" + std::to_string(id);
        k.ClassName = "Образ " + std::to_string(id);
        k.Width = width;
        k.Height = height;
        k.Layers = layers;
        k.KeyPos = keyPos;
        k.HasKey = keyPos > 0;
        k.HasReader = tracks != 0;
        k.Track1 = (tracks & trTrack1) != 0;
        k.Track2 = (tracks & trTrack2) != 0;
        k.Track3 = (tracks & trTrack3) != 0;
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) {
                TKeyDef& def = k.KeyDefs.Add();
                def.Left = c + 1;
                def.Top = r + 1;
                def.LogicalNumber = number(c, r);
            }
        k.MaxKeysNum = maxKeys;
    };
    auto rowByRow = [](int width) { return [width](int c, int r) { return r * width + c + 1; }; };
    add(5, 2, 1, 1, 0, 0, 2, rowByRow(2));
    add(7, 4, 3, 4, 3, trTrack1 | trTrack3, 14, rowByRow(4));
    add(8, 3, 1, 1, 0, 0, 3, [](int c, int) { return 3 - c; });
    add(64, 2, 1, 1, 0, 0, 64, rowByRow(2));
    add(65, 2, 1, 1, 0, 0, 65, rowByRow(2));
    add(256, 2, 1, 1, 0, 0, 2, rowByRow(2));
}

// A layout of keyboard 7 with something in every part an image holds: every kind of key type,
// repeat flags, sequences with raw bytes, notes, both card-reader tracks, every key-lock position
// type, and a group whose keys share one record.
inline void FillFullLayout(TLayout& layout, const TKeyboards& keyboards) {
    layout.SetKeyboard(KeyboardModel(keyboards.ItemByID(7)));
    for (int l = 0; l < layout.LayerCount(); ++l) {
        TLayer& layer = layout.Layers.Items(l);
        const std::string n = std::to_string(l + 1);
        TKey& macro = layer.KeyAt(0, 0);
        macro.PressCodes.SetText("+LShift +" + n + " -" + n + " -LShift");
        macro.ReleaseCodes.SetText("+Left -Left 7F");
        macro.SetRepeatKey(l % 2 == 0);
        macro.Notes.SetText("C1;4;10;P;2;0;B4;" + n + ";255");
        layer.KeyAt(1, 0).Notes.SetText("A3;1;1");
        layer.KeyAt(2, 0).SetKeyType(static_cast<std::uint8_t>(ktLayer1 + l));
        layer.KeyAt(3, 0).SetKeyType(static_cast<std::uint8_t>(ktTempLayer4 - l));
        layer.KeyAt(3, 0).SetRepeatKey(true);
        layer.KeyAt(3, 1).PressCodes.SetText("+ENTER");
        layer.KeyAt(3, 1).ReleaseCodes.SetText("-ENTER");

        TMSR& msr = layer.MSR;
        msr.SetSendEnter(l % 2 == 1);
        msr.SetStopOnError(l % 2 == 0);
        msr.SetLightIndication(l != 2);
        msr.Tracks(1).SetEnabled(false);
        msr.Tracks(0).Prefix.SetText("+F1 -F1");
        msr.Tracks(2).Suffix.SetText("+ENTER -ENTER");
        msr.Notes.SetText("G2;3;" + n);

        for (int p = 0; p < layer.KeyLock.Count(); ++p) {
            TKeyPosition& position = layer.KeyLock.Items(p);
            position.SetPositionType(static_cast<std::uint8_t>((l + p) % 5));
            position.SetLock(p == 1);
            if (position.PositionType() == ptMacro)
                position.ScanCodes.SetText("+ESC -ESC");
            position.Notes.SetText("E1;" + std::to_string(p + 1) + ";7");
        }
    }
    layout.SetKeyType(1, 2, ktLayerUp);
    layout.SetKeyType(2, 2, ktLayerDown);
    // The group's top-left key (1, 1) stands for the whole group; (2, 1) is not written.
    layout.Group({1, 1, 2, 1});
    for (int l = 0; l < layout.LayerCount(); ++l)
        layout.Layers.Items(l).KeyAt(1, 1).PressCodes.SetText("+TAB -TAB");
    layout.Layers.Items(0).KeyAt(2, 1).PressCodes.SetText("+Space -Space");
}

} // namespace lay::test
