#pragma once
// A random source that answers from a script and records every range it was asked for, so a
// test can pin both the numbers a placement draws and the order it draws them in.

#include "base/RandomSource.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace vorlandite::testing {

class ScriptedRandom final : public IRandomSource {
public:
    explicit ScriptedRandom(std::deque<int> answers = {}) : answers_(std::move(answers)) {}

    // The next scripted answer (0 when the script is used up), kept inside 0 .. n - 1.
    int Random(int n) override {
        asked_.push_back(n);
        if (n < 1)
            return 0;
        int answer = 0;
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        return std::clamp(answer, 0, n - 1);
    }
    void Randomize() override {}

    const std::vector<int>& Asked() const { return asked_; }

private:
    std::deque<int> answers_;
    std::vector<int> asked_;
};

} // namespace vorlandite::testing
