#pragma once
// The numbering of the effects: their names as the effect list shows them, and which family runs
// each number with which sub-index.

#include <string_view>

namespace vorlandite::transitions {

class TTransThread;

inline constexpr int kEffectCount = 120;

// The name of effect 1 to 120 (the effect list shows effect i + 1 at index i); empty for other
// numbers. Effects 89 and 90 share a name and are two different effects.
std::string_view EffectName(int effect);

// A family's entry point: runs the family's effect `subIndex` on the thread, frame by frame,
// until it ends or the transition is aborted. Called only with N >= 1.
using FamilyEntry = void (*)(TTransThread& thread, int subIndex);

struct FamilyDispatch {
    FamilyEntry entry = nullptr;
    int subIndex = 0;
    std::string_view family;  // for diagnostics and benchmarks
};

// The family and sub-index of effect 1 to 120; Entry is null for other numbers.
FamilyDispatch FamilyFor(int effect);

} // namespace vorlandite::transitions
