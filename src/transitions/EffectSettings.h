#pragma once
// The settings side of the effects: the step count for a speed, the effect set string and the
// random choice from it.
//
// An effect set string holds one 8-bit character per enabled effect, its code being the effect
// number 1 to 120, in no particular order and without separator; the empty string means no
// effect. The configuration panel writes it in ascending order.

#include "base/Result.h"
#include "transitions/EffectCatalog.h"

#include <array>
#include <string>
#include <string_view>

namespace vorlandite {
class IRandomSource;
}

namespace vorlandite::transitions {

inline constexpr int kMinEffectSpeed = 1;
inline constexpr int kMaxEffectSpeed = 10;

// The step count N for a window width and a speed 1 ("Smooth") to 10 ("Fast"). Widths 800 and
// 1024 have tables of their own; other widths give width div speed, cut down to a multiple of 4.
// A speed outside 1 to 10 (a hand-edited setting, an item record) is clamped into it. Narrow
// windows can give 0; the engine then shows the new picture without an effect.
int StepsForSpeed(int windowWidth, int speed);

// An effect number drawn uniformly from the string's characters (a number that occurs twice
// counts twice); 0 for the empty string. Codes are taken as they are, so a code outside 1 to 120
// reaches the engine, which picks a random effect for it.
int RandomEffect(std::string_view effectSet, IRandomSource& random);

// The check marks of the effect list: item i is effect i + 1.
using EffectChecklist = std::array<bool, kEffectCount>;

// One character per checked item, in ascending order.
std::string EffectSetFromChecklist(const EffectChecklist& checklist);

// Unchecks every item, then checks the item of each character. A character whose code names no
// effect (0, or above 120) is an error; the items of the characters before it stay checked.
Status EffectSetToChecklist(std::string_view effectSet, EffectChecklist& checklist);

} // namespace vorlandite::transitions
