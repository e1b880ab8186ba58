#include "slideshow/order/ItemOrder.h"

#include "base/RandomSource.h"

#include <cstdint>
#include <numeric>
#include <utility>

namespace vorlandite::slideshow {

ItemOrder::ItemOrder(IRandomSource& random, ItemOrderSettings settings)
    : random_(random), settings_(settings) {}

ItemChoice ItemOrder::ChooseFirstItem() {
    itemCounter_ = -1;
    if (settings_.FirstItemAtStart && settings_.ImageCount > 0) {
        itemCounter_ = 0;
        return {itemCounter_, false};
    }
    return ChooseNextCounter();
}

ItemChoice ItemOrder::ChooseNextCounter() {
    const int n = settings_.ImageCount;
    const int previous = itemCounter_;
    const bool reserveFirst = settings_.FirstItemAtStart && n > 1;

    if (n > 0) {
        // Item 0 opens the show only. Sequential and mixed orders can land on it; the random
        // order leaves it out of its candidates. Each order reaches another item within a pass.
        do {
            switch (settings_.DisplayOrder) {
            case kOrderRandom:
                itemCounter_ = ChooseRandom(previous);
                break;
            case kOrderMixed:
                itemCounter_ = TakeFromMixedBag(previous);
                break;
            default:
                // An unknown order value (a hand-edited setting) would otherwise freeze the show
                // on "nothing chosen", or loop for ever when item 0 is reserved: run sequentially.
                itemCounter_ = (itemCounter_ + 1) % n;
                break;
            }
        } while (reserveFirst && itemCounter_ <= 0);
    }

    const bool onlyOneItemLeft = n <= 1 || (settings_.FirstItemAtStart && n <= 2 && previous != 0);
    return {itemCounter_, onlyOneItemLeft};
}

int ItemOrder::ChooseRandom(int previous) {
    const int n = settings_.ImageCount;
    const int first = settings_.FirstItemAtStart && n > 1 ? 1 : 0;
    const int candidates = n - first;
    int item = 0;
    do {
        item = first + random_.Random(candidates);
    } while (candidates >= 2 && item == previous);
    return item;
}

int ItemOrder::OpeningEntry(bool reserveFirst) const {
    const size_t size = mixedOrderBag_.size();
    if (reserveFirst && size >= 2 && mixedOrderBag_[size - 1] == 0)
        return mixedOrderBag_[size - 2];
    return mixedOrderBag_.back();
}

int ItemOrder::TakeFromMixedBag(int previous) {
    const int n = settings_.ImageCount;
    if (mixedOrderBag_.empty()) {
        mixedOrderBag_.resize(size_t(n));
        std::iota(mixedOrderBag_.begin(), mixedOrderBag_.end(), 0);
        // Random swaps, more than 3n of them, and then on until the item that opens the new pass
        // differs from the one that closed the last. The draw order (x, then y) is part of what
        // makes a seeded show repeat itself.
        const bool reserveFirst = settings_.FirstItemAtStart && n > 1;
        const int candidates = reserveFirst ? n - 1 : n;
        int64_t swaps = 0;
        for (;;) {
            ++swaps;
            const int x = random_.Random(n);
            const int y = random_.Random(n);
            std::swap(mixedOrderBag_[size_t(x)], mixedOrderBag_[size_t(y)]);
            if (n < 2)
                break;
            // The reserved item 0 is skipped when it comes up, so with it at the end the entry
            // before it opens the pass; comparing the bare last entry would let the closing item
            // of the last pass come again. With one candidate a repeat cannot be avoided.
            if (swaps > 3 * int64_t(n) && (candidates < 2 || OpeningEntry(reserveFirst) != previous))
                break;
        }
    }
    const int item = mixedOrderBag_.back();
    mixedOrderBag_.pop_back();
    return item;
}

} // namespace vorlandite::slideshow
