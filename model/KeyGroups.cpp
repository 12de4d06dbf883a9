#include "model/KeyGroups.h"

#include "model/Errors.h"

namespace lay {

bool RectContains(const TRect& r, int x, int y) {
    return r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom;
}

namespace {
bool AnyCornerInside(const TRect& a, const TRect& b) {
    return RectContains(b, a.Left, a.Top) || RectContains(b, a.Right, a.Top) ||
           RectContains(b, a.Left, a.Bottom) || RectContains(b, a.Right, a.Bottom);
}
} // namespace

bool RectsIntersect(const TRect& a, const TRect& b) {
    return AnyCornerInside(a, b) || AnyCornerInside(b, a);
}

void TKeyGroup::SetRect(const TRect& rect) {
    FRect = rect;
    Changed();
}

TKeyGroup& TKeyGroups::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

void TKeyGroups::Clear() {
    if (FItems.empty())
        return;
    FItems.clear();
    Changed();
}

TKeyGroup& TKeyGroups::Add() {
    FItems.push_back(std::make_unique<TKeyGroup>(this, Notifier()));
    Changed();
    return *FItems.back();
}

void TKeyGroups::Delete(int index) {
    (void)Items(index);
    FItems.erase(FItems.begin() + index);
    Changed();
}

TKeyGroup* TKeyGroups::FindGroup(int col, int row) const {
    for (const auto& group : FItems)
        if (RectContains(group->Rect(), col, row))
            return group.get();
    return nullptr;
}

void TKeyGroups::Assign(const TKeyGroups& source) {
    if (&source == this)
        return;
    Clear();
    for (const auto& group : source.FItems)
        Add().Assign(*group);
}

bool TKeyGroups::Equals(const TKeyGroups& other) const {
    if (Count() != other.Count())
        return false;
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (!(FItems[i]->Rect() == other.FItems[i]->Rect()))
            return false;
    return true;
}

} // namespace lay
