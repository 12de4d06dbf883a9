#pragma once

#include "model/Notify.h"
#include "model/Types.h"

#include <memory>
#include <vector>

namespace lay {

// Rectangles meet when a corner of one lies inside the other (edges included). Two that cross
// like a plus sign, neither holding a corner of the other, do not meet by this rule.
bool RectsIntersect(const TRect& a, const TRect& b);
bool RectContains(const TRect& r, int x, int y);

class TKeyGroups;

// Cells merged into one physical key; zero-based, inclusive.
class TKeyGroup : public TNotifyObject {
public:
    TKeyGroup(TKeyGroups* owner, TNotifier* notifier) : TNotifyObject(notifier), FOwner(owner) {}

    TKeyGroups* Owner() const { return FOwner; }
    const TRect& Rect() const { return FRect; }
    void SetRect(const TRect& rect);
    void Assign(const TKeyGroup& source) { SetRect(source.FRect); }
    bool Intersects(const TRect& rect) const { return RectsIntersect(FRect, rect); }

private:
    TKeyGroups* FOwner;
    TRect FRect;
};

class TKeyGroups : public TNotifyObject {
public:
    explicit TKeyGroups(TNotifier* notifier) : TNotifyObject(notifier) {}

    int Count() const { return static_cast<int>(FItems.size()); }
    TKeyGroup& Items(int index) const;
    void Clear();
    TKeyGroup& Add();
    void Delete(int index);
    TKeyGroup* FindGroup(int col, int row) const;
    void Assign(const TKeyGroups& source);
    bool Equals(const TKeyGroups& other) const;

private:
    std::vector<std::unique_ptr<TKeyGroup>> FItems;
};

} // namespace lay
