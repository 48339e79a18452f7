// The required prefix: how many leading TEXT characters every match is held
// to, and that a TEXT it turns away never matches (the option parser skips
// the interpreter for those).
#include "engine_runner.h"

#include <gtest/gtest.h>

namespace {

struct PrefixCase {
    const char* ctrl;
    int length;
    const char* matching;   // admitted, and Match succeeds on it (or null)
    const char* turnedAway; // not admitted, and Match fails on it (or null)
};

const PrefixCase kPrefixCases[] = {
    {"%n(-[sS])($| )", 2, "-S", "-x"},
    {"%n(-Zg-10)($| )", 6, "-Zg-10 ", "-Zg-1"},
    {"abcdefghij", PatternEngine::RequiredPrefix::kMaxLength, "abcdefghij", "abcdefgX"},
    {"[^a-c]d", 2, "zd", "bd"},
    {"[]-]x", 2, "-x", "ax"},
    {"\\(x", 2, "(x", "x"},
    // Only the first alternative's atom is chained: ab|cd is a(b|c)d.
    {"ab|cd", 1, "acd", "bcd"},
    // A quantifier after a marked atom is the next atom, a literal.
    {"%n(a)*", 2, "a*", "aa"},
    {"%%x", 3, "%%x", "%x"},
    {"a.b", 1, "ab", "bb"},
    // What can pass over the start requires nothing.
    {"a*bc", 0, "bc", nullptr},
    {"(ab)?c", 0, "c", nullptr},
    {"$", 0, "", nullptr},
    {"%n", 0, "x", nullptr},
    // Faults end the prefix where Match would report them.
    {"a)b", 1, nullptr, "b)b"},
    {"a[b", 1, nullptr, "bb"},
    {"[z-a]x", 0, nullptr, nullptr},
    {"x()", 1, nullptr, "y"},
};

TEST(RequiredPrefix, HoldsEveryMatchToTheLeadingAtoms) {
    for (const PrefixCase& c : kPrefixCases) {
        const PatternEngine::RequiredPrefix prefix = PatternEngine::RequiredPrefixOf(c.ctrl);
        EXPECT_EQ(prefix.Length(), c.length) << c.ctrl;
        if (c.matching != nullptr) {
            EXPECT_TRUE(prefix.Admits(c.matching)) << c.ctrl << " on " << c.matching;
            EXPECT_EQ(RunMatch(c.ctrl, c.matching).result, PatternEngine::kOk)
                << c.ctrl << " on " << c.matching;
        }
        if (c.turnedAway != nullptr) {
            EXPECT_FALSE(prefix.Admits(c.turnedAway)) << c.ctrl << " on " << c.turnedAway;
            EXPECT_NE(RunMatch(c.ctrl, c.turnedAway).result, PatternEngine::kOk)
                << c.ctrl << " on " << c.turnedAway;
        }
    }
}

TEST(RequiredPrefix, NoCtrlAdmitsEverything) {
    EXPECT_EQ(PatternEngine::RequiredPrefixOf(nullptr).Length(), 0);
    EXPECT_TRUE(PatternEngine::RequiredPrefixOf(nullptr).Admits(""));
}

} // namespace
