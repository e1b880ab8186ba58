// The item order: the sequences the three orders give, the reserved opening item, the empty and
// single-item shows, and when the effects are dropped because only one item can follow.

#include "slideshow/order/ItemOrder.h"

#include "base/RandomSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace vorlandite::slideshow {
namespace {

// Counts the draws and answers each with 0, the least random answer there is: every rejection
// loop must still end.
class ZeroRandom final : public IRandomSource {
public:
    int Random(int) override {
        ++draws;
        return 0;
    }
    void Randomize() override {}
    int draws = 0;
};

// The first item and then `count - 1` further choices.
std::vector<int> ShowItems(ItemOrder& order, int count, std::vector<bool>* emptied = nullptr) {
    std::vector<int> items;
    ItemChoice choice = order.ChooseFirstItem();
    for (;;) {
        items.push_back(choice.item);
        if (emptied)
            emptied->push_back(choice.emptyEffectList);
        if (int(items.size()) == count)
            return items;
        choice = order.ChooseNextCounter();
    }
}

TEST(ItemOrder, SequentialCyclesThroughTheTable) {
    SeededRandom random(1);
    ItemOrder order(random, {4, kOrderSequential, false});
    EXPECT_EQ(ShowItems(order, 7), (std::vector<int>{0, 1, 2, 3, 0, 1, 2}));
}

TEST(ItemOrder, SequentialShowsTheOpeningItemOnlyOnce) {
    SeededRandom random(1);
    ItemOrder order(random, {4, kOrderSequential, true});
    EXPECT_EQ(ShowItems(order, 8), (std::vector<int>{0, 1, 2, 3, 1, 2, 3, 1}));
}

TEST(ItemOrder, UnknownOrderRunsSequentially) {
    // Left as it was, the value would keep ItemCounter on -1 (nothing ever shown), or spin for
    // ever looking for an item other than the reserved opening one.
    SeededRandom random(1);
    ItemOrder plain(random, {3, 7, false});
    EXPECT_EQ(ShowItems(plain, 4), (std::vector<int>{0, 1, 2, 0}));
    ItemOrder reserved(random, {3, -1, true});
    EXPECT_EQ(ShowItems(reserved, 5), (std::vector<int>{0, 1, 2, 1, 2}));
}

TEST(ItemOrder, NoItems) {
    for (int displayOrder : {kOrderSequential, kOrderRandom, kOrderMixed}) {
        for (bool first : {false, true}) {
            ZeroRandom random;
            ItemOrder order(random, {0, displayOrder, first});
            for (ItemChoice choice : {order.ChooseFirstItem(), order.ChooseNextCounter()}) {
                EXPECT_EQ(choice.item, -1);
                EXPECT_TRUE(choice.emptyEffectList);
            }
            EXPECT_EQ(random.draws, 0);
        }
    }
}

TEST(ItemOrder, OneItemFollowsItselfWithoutEffects) {
    for (int displayOrder : {kOrderSequential, kOrderRandom, kOrderMixed}) {
        SCOPED_TRACE(displayOrder);
        SeededRandom random(5);
        ItemOrder order(random, {1, displayOrder, false});
        std::vector<bool> emptied;
        EXPECT_EQ(ShowItems(order, 3, &emptied), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(emptied, (std::vector<bool>{true, true, true}));

        // With the opening item reserved the first one is set directly; the next choice empties.
        ItemOrder reserved(random, {1, displayOrder, true});
        emptied.clear();
        EXPECT_EQ(ShowItems(reserved, 3, &emptied), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(emptied, (std::vector<bool>{false, true, true}));
    }
}

struct TwoItemsRow {
    const char* name;
    int displayOrder;
};

class TwoItemsWithOpeningItem : public ::testing::TestWithParam<TwoItemsRow> {};

TEST_P(TwoItemsWithOpeningItem, ThenOnlyTheSecondWithoutEffects) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SeededRandom random(seed);
        ItemOrder order(random, {2, GetParam().displayOrder, true});
        std::vector<bool> emptied;
        EXPECT_EQ(ShowItems(order, 6, &emptied), (std::vector<int>{0, 1, 1, 1, 1, 1}));
        // From the third item on the picture changes into itself.
        EXPECT_EQ(emptied, (std::vector<bool>{false, false, true, true, true, true}));
    }
}

INSTANTIATE_TEST_SUITE_P(AnyOrder, TwoItemsWithOpeningItem,
                         ::testing::Values(TwoItemsRow{"Sequential", kOrderSequential},
                                           TwoItemsRow{"Random", kOrderRandom},
                                           TwoItemsRow{"Mixed", kOrderMixed}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(ItemOrder, RandomTwoItemsAlternate) {
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SeededRandom random(seed);
        ItemOrder order(random, {2, kOrderRandom, false});
        const std::vector<int> items = ShowItems(order, 12);
        for (size_t i = 1; i < items.size(); ++i)
            ASSERT_NE(items[i], items[i - 1]) << "seed " << seed << " at " << i;
    }
}

TEST(ItemOrder, RandomNeverRepeatsAndNeverReturnsToTheOpeningItem) {
    SeededRandom random(42);
    ItemOrder order(random, {5, kOrderRandom, true});
    const std::vector<int> items = ShowItems(order, 400);
    EXPECT_EQ(items[0], 0);
    std::set<int> seen;
    for (size_t i = 1; i < items.size(); ++i) {
        ASSERT_NE(items[i], 0);
        ASSERT_NE(items[i], items[i - 1]);
        seen.insert(items[i]);
    }
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3, 4}));
}

TEST(ItemOrder, RandomTakesTheOnlyCandidateEvenWhenItRepeats) {
    // A single candidate is taken even when it repeats the item just shown: no redrawing.
    ZeroRandom random;
    ItemOrder order(random, {2, kOrderRandom, true});
    EXPECT_EQ(ShowItems(order, 3), (std::vector<int>{0, 1, 1}));
}

TEST(ItemOrder, MixedShowsEveryItemOncePerPassAndNeverTwiceInARow) {
    for (uint32_t seed = 1; seed <= 50; ++seed) {
        SeededRandom random(seed);
        ItemOrder order(random, {3, kOrderMixed, false});
        const std::vector<int> items = ShowItems(order, 30);
        for (size_t pass = 0; pass < items.size(); pass += 3) {
            const std::set<int> group(items.begin() + long(pass), items.begin() + long(pass) + 3);
            ASSERT_EQ(group, (std::set<int>{0, 1, 2})) << "seed " << seed << " pass " << pass / 3;
        }
        for (size_t i = 1; i < items.size(); ++i)
            ASSERT_NE(items[i], items[i - 1]) << "seed " << seed << " at " << i;
    }
}

TEST(ItemOrder, MixedWithOpeningItemSkipsItAndNeverRepeatsAcrossPasses) {
    for (uint32_t seed = 1; seed <= 50; ++seed) {
        SeededRandom random(seed);
        ItemOrder order(random, {4, kOrderMixed, true});
        const std::vector<int> items = ShowItems(order, 40);
        ASSERT_EQ(items[0], 0);
        std::vector<int> counts(4, 0);
        for (size_t i = 1; i < items.size(); ++i) {
            ASSERT_NE(items[i], items[i - 1]) << "seed " << seed << " at " << i;
            ++counts[size_t(items[i])];
        }
        EXPECT_EQ(counts[0], 0);
        // Each pass holds 1, 2 and 3 once: the counts stay within one of each other.
        EXPECT_LE(std::max({counts[1], counts[2], counts[3]}) - std::min({counts[1], counts[2], counts[3]}), 1);
    }
}

TEST(ItemOrder, MixedShuffleSwapsMoreThanThreeTimesTheItemCount) {
    // Two draws per swap, and the stop comes after the first swap above 3n, not at 3n.
    ZeroRandom random;
    ItemOrder order(random, {3, kOrderMixed, false});
    EXPECT_EQ(order.ChooseFirstItem().item, 2);
    EXPECT_EQ(random.draws, 2 * 10);
    EXPECT_EQ(order.MixedOrderBag(), (std::vector<int>{0, 1}));
    // The bag is used up before it is refilled.
    order.ChooseNextCounter();
    order.ChooseNextCounter();
    EXPECT_EQ(random.draws, 2 * 10);
    EXPECT_TRUE(order.MixedOrderBag().empty());
}

} // namespace
} // namespace vorlandite::slideshow
