#pragma once

#include "model/KeyLock.h"
#include "model/Keys.h"
#include "model/MSR.h"
#include "model/Notify.h"

#include <memory>
#include <vector>

namespace lay {

class TLayers;

// One layer: its keys, its card-reader settings and its key-lock settings.
class TLayer : public TNotifyObject {
public:
    TLayer(TLayers* layers, TNotifier* notifier)
        : TNotifyObject(notifier), MSR(notifier), Keys(notifier), KeyLock(notifier), FLayers(layers) {}

    TMSR MSR;
    TKeys Keys;
    TKeyLock KeyLock;

    TLayers* Layers() const { return FLayers; }
    TKey* FindKey(int col, int row) const { return Keys.FindKey(col, row); }
    // Raises "Клавиша с координатами (%d, %d) не найдена." for a cell without a key.
    TKey& KeyAt(int col, int row) const;
    void Assign(const TLayer& source);

private:
    TLayers* FLayers;
};

class TLayers : public TNotifyObject {
public:
    explicit TLayers(TNotifier* notifier) : TNotifyObject(notifier) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    TLayer& Items(int index) const;
    void Clear();
    TLayer& Add();
    // At least one layer; surplus layers go from the end, new ones start empty.
    void SetCount(int count);
    void Assign(const TLayers& source);

private:
    std::vector<std::unique_ptr<TLayer>> FItems;
};

} // namespace lay
