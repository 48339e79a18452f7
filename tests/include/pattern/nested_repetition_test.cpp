// A repetition whose first attempt consumes nothing is not attempted again:
// the marks that attempt would add are taken once more instead, so nested
// repetitions cost one attempt per level, not two.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NestedRepetition, DeepNestingOfEmptyRepetitionsEnds) {
    // Two attempts per level would be 2^64 attempts.
    std::string ctrl(64, '(');
    ctrl += "a*";
    for (int level = 0; level < 64; ++level)
        ctrl += ")*";
    ctrl += "b";
    const MatchRun run = RunMatch(ctrl.c_str(), "aab");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 3);
}

TEST(NestedRepetition, MarksOfTheAttemptNotRunAreStillTaken) {
    // Each empty level repeats the marks of the level inside it.
    ValueList values;
    EXPECT_EQ(RunMatch("((%v(a?))*)*b", "aab", nullptr, &values).result, PatternEngine::kOk);
    EXPECT_EQ(values, (ValueList{"a", "a", "", "", ""}));
    values.clear();
    EXPECT_EQ(RunMatch("(((%v(x?))*)*)*a", "ab", nullptr, &values).position, 1);
    EXPECT_EQ(values, ValueList(8, ""));
}

} // namespace
