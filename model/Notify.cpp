#include "model/Notify.h"

#include "model/Errors.h"

#include <algorithm>

namespace lay {

void TNotifier::Changed() {
    if (Modified)
        return;
    Modified = true;
    if (OnChange)
        OnChange(this);
}

void TNotifyObject::Changed() {
    if (FNotifier)
        FNotifier->Changed();
    FModified = true;
}

TNotifyLinks::~TNotifyLinks() {
    // The links outlive the registry (their windows own them); they must not point at it.
    for (TNotifyLink* link : FItems)
        link->FLinks = nullptr;
}

TNotifyLink* TNotifyLinks::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

void TNotifyLinks::Add(TNotifyLink* link) {
    FItems.push_back(link);
    link->FLinks = this;
}

void TNotifyLinks::Remove(TNotifyLink* link) {
    link->FLinks = nullptr;
    FItems.erase(std::remove(FItems.begin(), FItems.end(), link), FItems.end());
}

std::unique_ptr<TNotifyLink> TNotifyLinks::AddLink(std::function<void(TObject*)> handler) {
    auto link = std::make_unique<TNotifyLink>(this);
    link->OnNotify = std::move(handler);
    return link;
}

void TNotifyLinks::Notify(TObject* sender) {
    // A handler may drop its own link while being notified; walking down by index keeps
    // every remaining link called exactly once.
    for (int i = Count() - 1; i >= 0; --i) {
        if (i >= Count())
            continue;
        FItems[static_cast<std::size_t>(i)]->Notify(sender);
    }
}

TNotifyLink::TNotifyLink(TNotifyLinks* links) {
    SetLinks(links);
}

TNotifyLink::~TNotifyLink() {
    SetLinks(nullptr);
}

void TNotifyLink::SetLinks(TNotifyLinks* links) {
    if (links == FLinks)
        return;
    if (FLinks)
        FLinks->Remove(this);
    if (links)
        links->Add(this);
}

void TNotifyLink::Notify(TObject* sender) {
    if (OnNotify)
        OnNotify(sender);
}

} // namespace lay
