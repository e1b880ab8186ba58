#pragma once
// Which display item the show takes next: in table order, at random, or "mixed" (every item once
// per pass in a shuffled order). Whatever the order, the show avoids putting the same item twice
// in a row when it has a choice, also across the boundary between two mixed passes, and the
// "first item at start" option reserves item 0 as an opening picture that never comes back.
//
// The state is the pair the controller keeps between ticks: ItemCounter, the item the next tick
// shows, and MixedOrderBag, what is left of the current mixed pass. The generator is injected so
// that a seeded show repeats itself exactly.

#include <vector>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::slideshow {

// Values of the DisplayOrder setting.
inline constexpr int kOrderSequential = 0;
inline constexpr int kOrderRandom = 1;
inline constexpr int kOrderMixed = 2;

struct ItemOrderSettings {
    int ImageCount = 0;
    int DisplayOrder = kOrderSequential; // any other value is taken as sequential
    bool FirstItemAtStart = false;
};

struct ItemChoice {
    int item = -1; // the new ItemCounter; -1 when there is no item at all
    // Only the same item can follow from now on: the caller empties its EffectList for the rest
    // of the run, so that the picture does not go through a transition into itself.
    bool emptyEffectList = false;
};

class ItemOrder {
public:
    // random: the program's one generator; must outlive the order.
    ItemOrder(IRandomSource& random, ItemOrderSettings settings);

    // The show's first item: item 0 when FirstItemAtStart is set and there are items, otherwise
    // an ordinary choice from "nothing shown yet".
    ItemChoice ChooseFirstItem();
    // The item after ItemCounter, which it replaces.
    ItemChoice ChooseNextCounter();

    int ItemCounter() const { return itemCounter_; }
    const std::vector<int>& MixedOrderBag() const { return mixedOrderBag_; }
    const ItemOrderSettings& Settings() const { return settings_; }

private:
    int ChooseRandom(int previous);
    int TakeFromMixedBag(int previous);
    // The entry a freshly shuffled pass will show first.
    int OpeningEntry(bool reserveFirst) const;

    IRandomSource& random_;
    ItemOrderSettings settings_;
    int itemCounter_ = -1;
    std::vector<int> mixedOrderBag_; // the pass is taken from its end
};

} // namespace vorlandite::slideshow
