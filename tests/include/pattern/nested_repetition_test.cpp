// Nested repetitions cost no more than the TEXT they run on: a repetition
// whose first attempt consumes nothing is not attempted again (the marks
// that attempt would add are taken once more instead), and a group met again
// at the same place is replayed, not interpreted again.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// `length` characters of the words the fuzzer found these costs on.
std::string CycledText(std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += "a?\"I b"[i % 6];
    return text;
}

// Repetitions nested three deep, each of whose last attempt fails only after
// running the repetitions inside it to the end of the TEXT: interpreted
// afresh at every outer attempt, they take time near the cube of the TEXT
// length. Each outer attempt takes one character; a line feed ends them with
// the error of the "()" they then reach.
constexpr char kDeepCtrl[] = "((^|[^]((((((?)))|([^]|[I]))*\")|([^]))+a)|(.|()[^]))+";

TEST(NestedRepetition, EachGroupIsInterpretedOncePerTextPosition) {
    struct Case {
        std::size_t length;
        std::size_t line_feed_at; // or length for none
    };
    const std::vector<Case> cases = {{20, 20}, {20, 12}, {250, 250}, {250, 240}, {2000, 2000}, {2000, 1990}};
    const std::size_t groups =
        static_cast<std::size_t>(std::count(kDeepCtrl, kDeepCtrl + sizeof kDeepCtrl, '('));
    for (const Case& c : cases) {
        std::string text = CycledText(c.length);
        if (c.line_feed_at < c.length)
            text[c.line_feed_at] = '\n';
        PatternEngine engine;
        const MatchRun run = RunMatch(engine, kDeepCtrl, text.c_str());
        EXPECT_EQ(run.result, PatternEngine::kOk) << c.length;
        EXPECT_EQ(run.position, static_cast<int>(c.line_feed_at)) << c.length;
        EXPECT_EQ(run.error, c.line_feed_at < c.length ? PatternEngine::kErrEmptyGroup : "") << c.length;
        EXPECT_LE(engine.GroupsInterpreted(), PatternEngine::kMemoAfterGroups + groups * (c.length + 1))
            << c.length;
    }
}

// More places than the default memory holds at every position of a long
// TEXT: emptied and refilled, it would interpret the repetitions again, at
// a cost near a power of the TEXT length.
TEST(NestedRepetition, TheMemoryHoldsEveryPlaceOfALongText) {
    constexpr char kWideCtrl[] = "(.(^|[^])(((((?))+|((%v(a*)(%)|[^]|[I])*)*\")|([^]))+#a)|.|(()[^]))+";
    const std::size_t places = sizeof kWideCtrl - 1;
    for (const std::size_t length : {2000, 4000}) {
        const std::string text = CycledText(length);
        PatternEngine engine;
        bool flag = false;
        ValueList values; // the value marks fill the memory's room for marks first
        const MatchRun run = RunMatch(engine, kWideCtrl, text.c_str(), &flag, &values);
        EXPECT_EQ(run.result, PatternEngine::kOk) << length;
        EXPECT_LE(engine.GroupsInterpreted(), PatternEngine::kMemoAfterGroups + 2 * places * (length + 1))
            << length;
    }
}

TEST(NestedRepetition, ReplayedGroupsGiveTheirMarksAndErrorsAgain) {
    // Long enough that the groups at the end are remembered.
    const std::string as(2 * PatternEngine::kMemoAfterGroups, 'a');
    struct Case {
        const char* ctrl;
        std::string text;
        int position;
        std::string error;
        ValueList values;
    };
    const std::vector<Case> cases = {
        // The second attempt consumes nothing but takes the mark of "(%v.)",
        // met before at the end of the "a"s.
        {"(((a)*(%v.)))*", as, static_cast<int>(as.size()), "", {"", ""}},
        // The first attempt's "[z-a]" fails on "!", then its "()" on "@"
        // (both swallowed by their repetitions); the second attempt meets
        // "[z-a]" again on "!", and that error is the last.
        {"((([^!]|[z-a])*\")|(([^@]|(@()))*[^]))+",
         as + "@c!e",
         static_cast<int>(as.size()) + 1,
         PatternEngine::kErrInvalidRange,
         {}},
    };
    for (const Case& c : cases) {
        ValueList values;
        const MatchRun run = RunMatch(c.ctrl, c.text.c_str(), nullptr, &values);
        EXPECT_EQ(run.result, PatternEngine::kOk) << c.ctrl;
        EXPECT_EQ(run.position, c.position) << c.ctrl;
        EXPECT_EQ(run.error, c.error) << c.ctrl;
        EXPECT_EQ(values, c.values) << c.ctrl;
    }
}

} // namespace
