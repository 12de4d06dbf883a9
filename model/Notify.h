#pragma once

#include "model/Types.h"

#include <functional>
#include <memory>
#include <vector>

namespace lay {

// The one modified flag shared by every object of a layout's tree.
class TNotifier : public TObject {
public:
    bool Modified = false;
    // Called on the transition from not modified to modified.
    std::function<void(TNotifier* sender)> OnChange;

    void Changed();
    void ClearModified() { Modified = false; }
};

// Base of the model objects: each reports its changes to the shared flag and keeps a flag of
// its own, which the multi-key editor reads to learn what the user actually edited.
class TNotifyObject : public TObject {
public:
    explicit TNotifyObject(TNotifier* notifier) : FNotifier(notifier) {}
    TNotifyObject(const TNotifyObject&) = delete;
    TNotifyObject& operator=(const TNotifyObject&) = delete;

    TNotifier* Notifier() const { return FNotifier; }
    bool Modified() const { return FModified; }
    void Changed();
    void ClearModified() { FModified = false; }

private:
    TNotifier* FNotifier;
    bool FModified = false;
};

class TNotifyLink;

// A layout's registry of view links. It does not own them.
class TNotifyLinks {
public:
    TNotifyLinks() = default;
    TNotifyLinks(const TNotifyLinks&) = delete;
    TNotifyLinks& operator=(const TNotifyLinks&) = delete;
    ~TNotifyLinks();

    int Count() const { return static_cast<int>(FItems.size()); }
    TNotifyLink* Items(int index) const;
    void Add(TNotifyLink* link);
    void Remove(TNotifyLink* link);
    // A new link registered here; the caller owns it.
    [[nodiscard]] std::unique_ptr<TNotifyLink> AddLink(std::function<void(TObject* sender)> handler);
    // Most recently registered link first.
    void Notify(TObject* sender);

private:
    std::vector<TNotifyLink*> FItems;
};

class TNotifyLink {
public:
    explicit TNotifyLink(TNotifyLinks* links = nullptr);
    TNotifyLink(const TNotifyLink&) = delete;
    TNotifyLink& operator=(const TNotifyLink&) = delete;
    ~TNotifyLink();

    std::function<void(TObject* sender)> OnNotify;

    TNotifyLinks* Links() const { return FLinks; }
    void SetLinks(TNotifyLinks* links);
    void Notify(TObject* sender);

private:
    friend class TNotifyLinks;
    TNotifyLinks* FLinks = nullptr;
};

// Change kinds a layout reports through its links.
enum : std::uint8_t {
    lcDestroying = 0,
    lcKeys = 1,
    lcSelection = 2,
    lcLayout = 3,
    lcActivated = 4,
    lcDeactivated = 5,
};

} // namespace lay
