#pragma once

#include "model/Errors.h"

#include <memory>
#include <string>
#include <vector>

namespace lay {

// An ordered list that owns its entries. Entries are made by Add and know their list; SetOwner
// on an entry moves it to the end of another list of the same kind.
template <class TItem, class TList> class TOwnedList {
public:
    TOwnedList() = default;
    TOwnedList(const TOwnedList&) = delete;
    TOwnedList& operator=(const TOwnedList&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    TItem& Items(int index) const {
        if (index < 0 || index >= Count())
            throw EListError("Индекс списка вне допустимых пределов (" + std::to_string(index) + ")");
        return *FItems[static_cast<std::size_t>(index)];
    }
    TItem& operator[](int index) const { return Items(index); }
    TItem& Add() {
        FItems.push_back(std::unique_ptr<TItem>(new TItem(static_cast<TList*>(this))));
        return *FItems.back();
    }
    void Clear() { FItems.clear(); }
    void Delete(int index) {
        Items(index);
        FItems.erase(FItems.begin() + index);
    }
    int IndexOf(const TItem* item) const {
        for (std::size_t i = 0; i < FItems.size(); ++i)
            if (FItems[i].get() == item)
                return static_cast<int>(i);
        return -1;
    }

    // For range-for over the entries.
    class TIterator {
    public:
        using Inner = typename std::vector<std::unique_ptr<TItem>>::const_iterator;
        explicit TIterator(Inner it) : FIt(it) {}
        TItem& operator*() const { return **FIt; }
        TIterator& operator++() {
            ++FIt;
            return *this;
        }
        bool operator!=(const TIterator& other) const { return FIt != other.FIt; }

    private:
        Inner FIt;
    };
    TIterator begin() const { return TIterator(FItems.begin()); }
    TIterator end() const { return TIterator(FItems.end()); }

protected:
    ~TOwnedList() = default;

    // Takes the item from its present list to the end of this one.
    void Adopt(TItem& item) {
        TList* from = item.FOwner;
        if (from == this)
            return;
        auto& source = static_cast<TOwnedList*>(from)->FItems;
        for (auto it = source.begin(); it != source.end(); ++it)
            if (it->get() == &item) {
                std::unique_ptr<TItem> moving = std::move(*it);
                source.erase(it);
                moving->FOwner = static_cast<TList*>(this);
                FItems.push_back(std::move(moving));
                return;
            }
    }

private:
    friend TItem;
    std::vector<std::unique_ptr<TItem>> FItems;
};

} // namespace lay
