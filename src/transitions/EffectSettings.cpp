#include "transitions/EffectSettings.h"

#include "base/RandomSource.h"

#include <algorithm>

namespace vorlandite::transitions {
namespace {

// Step counts by speed 1 to 10 for the two screen widths the speeds were tuned on.
constexpr std::array<int, 10> kStepTable800 = {800, 600, 400, 200, 100, 60, 40, 20, 8, 4};
constexpr std::array<int, 10> kStepTable1024 = {1024, 768, 400, 256, 128, 64, 32, 16, 8, 4};

} // namespace

int StepsForSpeed(int windowWidth, int speed) {
    speed = std::clamp(speed, kMinEffectSpeed, kMaxEffectSpeed);
    if (windowWidth == 800)
        return kStepTable800[std::size_t(speed - 1)];
    if (windowWidth == 1024)
        return kStepTable1024[std::size_t(speed - 1)];
    return windowWidth / speed / 4 * 4;
}

int RandomEffect(std::string_view effectSet, IRandomSource& random) {
    if (effectSet.empty())
        return 0;
    const int position = random.Random(int(effectSet.size()));
    return static_cast<unsigned char>(effectSet[std::size_t(position)]);
}

std::string EffectSetFromChecklist(const EffectChecklist& checklist) {
    std::string effectSet;
    for (std::size_t i = 0; i < checklist.size(); ++i)
        if (checklist[i])
            effectSet.push_back(static_cast<char>(i + 1));
    return effectSet;
}

Status EffectSetToChecklist(std::string_view effectSet, EffectChecklist& checklist) {
    checklist.fill(false);
    for (const char c : effectSet) {
        const int effect = static_cast<unsigned char>(c);
        if (effect < 1 || effect > kEffectCount)
            return MakeError("effect set names effect " + std::to_string(effect) + ", which does not exist");
        checklist[std::size_t(effect - 1)] = true;
    }
    return Status::Ok();
}

} // namespace vorlandite::transitions
