#pragma once

#include "model/KeyGroups.h"
#include "model/Layers.h"
#include "model/Notify.h"
#include "model/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lay {

// One key of a keyboard model: one-based column and row, and the logical number that picks its
// slot in the device image.
struct TKeyDefinition {
    int Left = 0;
    int Top = 0;
    int LogicalNumber = 0;
};

// What a layout takes from a keyboard model of the catalogue. The catalogue fills it; the layout
// knows nothing of where it came from.
struct TKeyboardModel {
    int ID = 0;
    int Width = 0;
    int Height = 0;
    int Layers = 0;
    int KeyPos = 0;
    bool Track1 = false;
    bool Track2 = false;
    bool Track3 = false;
    bool HasKey = false;
    bool HasReader = false;
    std::vector<TKeyDefinition> Keys;
};

class TCanvas;
class TKey;
class TMasterKey;

// Where check and search lines go, with the ID of the layout that wrote them.
using TMessageSink = std::function<void(const std::string& line, int layoutId)>;

// View modes of a document; operations given the picture mode work on layer 1's pictures.
enum : int { vmLayout = 0, vmPicture = 1, vmSimplified = 2 };

// The document: the complete programming of one keyboard.
class TLayout : public TObject {
public:
    TLayout();
    ~TLayout() override;
    TLayout(const TLayout&) = delete;
    TLayout& operator=(const TLayout&) = delete;

private:
    // Declared first so they are destroyed last: the layers and groups report into the notifier
    // until they are gone.
    TNotifyLinks FLinks;
    TNotifier FNotifier;

public:
    TKeyGroups Groups;
    TLayers Layers; // destroyed first

    std::string FileName;
    int KeyboardID = 0;
    bool HasKey = false;
    bool HasReader = false;
    int KeyCount = 0;
    std::uint16_t Version = 0x020A;
    bool Track1 = false;
    bool Track2 = false;
    bool Track3 = false;
    TMessageSink MessageSink;

    int ID() const { return FID; }
    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    int KeyPosCount() const { return FKeyPosCount; }
    int LayerCount() const { return Layers.Count(); }
    const TRect& Selection() const { return FSelection; }
    std::uint8_t LastChange() const { return FLastChange; }

    TNotifier& Notifier() { return FNotifier; }
    bool Modified() const { return FNotifier.Modified; }
    void ClearModified() { FNotifier.ClearModified(); }
    void SetFileName(const std::string& fileName);

    // Marks the layout modified for kinds 1 and 3, then tells every view, newest first.
    void Changed(std::uint8_t kind);
    [[nodiscard]] std::unique_ptr<TNotifyLink> AddLink(std::function<void(TObject*)> handler);
    void Activated() { Changed(lcActivated); }
    void Deactivated() { Changed(lcDeactivated); }

    // Keyboard model.
    void ApplyParams(const TKeyboardModel& model);
    void LoadKeyboard(const TKeyboardModel& model);
    // Moves the layout to another model, keys following their logical numbers.
    void SetKeyboard(const TKeyboardModel& model);
    void SetColCount(int value);
    void SetRowCount(int value);
    void SetKeyPosCount(int value);
    void SetKeyType(int col, int row, std::uint8_t type);

    // Selection (one-based) and groups (zero-based).
    void SetSelection(const TRect& selection);
    bool IsSingleCell() const;
    TRect SearchArea() const;
    TKeyGroup* GroupAt(int col, int row) const { return Groups.FindGroup(col, row); }
    bool Group(const TRect& rect);
    void Ungroup(const TRect& rect);
    bool IntersectsGroup(const TRect& rect) const;

    // Key contents. layer: 0 for all layers, 1 to 4 for one.
    void ClearKey(int col, int row, int viewMode, int layer);
    void ClearKeys(const TRect& rect, int layer, int viewMode);
    void ClearNonMacroCodes();

    void Assign(const TLayout& source);
    void AssignMSR(const TLayout& source);
    void AssignKeyLock(const TLayout& source);

    // The multi-key editor. Load fills the buffer from the selection of layer LayerIndex (the
    // caller sets it first); Apply writes the edited fields to every selected key.
    void LoadMasterKey(TMasterKey& masterKey) const;
    void ApplyMasterKey(TMasterKey& masterKey, bool pictureOnly);

    // Copy and paste through a clip layout, which carries a whole layout; its selection tells
    // which cells were copied. layer: 0 for all layers, 1 to 4 for one.
    void CopyTo(TLayout& clip) const;
    void CutTo(TLayout& clip, int layer, int viewMode);
    void Paste(const TLayout& clip, int layer, int viewMode);
    // One copied key into every selected cell.
    void PasteSingle(const TLayout& clip, int layer, int viewMode);
    // A copied block cell by cell, the selection shrunk to the block first.
    void PasteRect(const TLayout& clip, int layer, int viewMode);
    void FitSelection(const TLayout& clip);

    // Draws layer 1's key pictures: the matrix as a grid of cells (columns that do not fit the
    // area continue in one block below) and under it the groups as larger boxes.
    void Draw(TCanvas& canvas, int cellWidth, const TRect& area, int vertGap, int horzGap,
              int cellHeight) const;
    // One key's picture in a rectangle; nothing for no key.
    void DrawKey(TCanvas& canvas, const TRect& rect, const TKey* key) const;

    // Check, search and replace across the keys; lines go to MessageSink.
    bool Check();
    int Find(const std::string& text, int layer);
    int Replace(const std::string& findText, const std::string& replacement, int layer);
    bool GotoMessage(const std::string& line);

private:
    void Report(const std::string& line) const;
    // Zero-based indexes of the layers one operation concerns: all for 0, else the one numbered.
    std::vector<int> LayersFor(int layer) const;
    // Every key of the search area: columns outer, rows inner, then the layers; cells without a key
    // are skipped. visit gets the zero-based layer index.
    void ForEachKeyInSearchArea(int layer, const std::function<void(int, TKey&)>& visit);

    int FID;
    int FColCount = 0;
    int FRowCount = 0;
    int FKeyPosCount = 0;
    TRect FSelection{1, 1, 1, 1};
    std::uint8_t FLastChange = 0;
};

} // namespace lay
