// How the interpreter delimits atoms (the extent of groups and sets, the
// follower that decides on quantifiers and bars) and how it skips the
// alternatives that were not taken.
#include "engine_runner.h"

#include <gtest/gtest.h>

namespace {

void ExpectMatch(const char* ctrl, const char* text, int position) {
    const MatchRun run = RunMatch(ctrl, text);
    EXPECT_EQ(run.result, PatternEngine::kOk) << ctrl << " on " << text << ": " << run.error;
    EXPECT_EQ(run.position, position) << ctrl << " on " << text;
}

TEST(ScanGroupExtent, EscapedParenthesesAreNotCounted) {
    // If "\)" closed the group, the star would be read as a literal.
    ExpectMatch("(\\))*", "))x", 2);
    ExpectMatch("(\\(a)+", "(a(ab", 4);
}

TEST(ScanGroupExtent, ParenthesesInsideASetAreNotCounted) {
    ExpectMatch("([(])*", "((x", 2);
    // The set's first character is a member without inspection, so "[)]"
    // holds a ")" and does not end the group.
    ExpectMatch("([)]x)+", ")x)xy", 4);
    // "]" right after "[" does not end the set inside a group either.
    ExpectMatch("([]()]a)*", "]a(a)ab", 6);
}

TEST(ScanGroupExtent, NestedGroupsAndQuantifierAfterTheOuterOne) {
    ExpectMatch("((a)(b))*c", "ababc", 5);
    ExpectMatch("(a(b(c)))?d", "abcd", 4);
    ExpectMatch("(a(b(c)))?d", "d", 1);
}

TEST(ScanSetExtent, QuantifierFollowsTheFirstClosingBracket) {
    ExpectMatch("[]]*", "]]]a", 3);
    // [^] is one atom; "]*" is a starred literal "]".
    ExpectMatch("[^]]*", "x]]]", 4);
    ExpectMatch("[a-]+", "a-a-b", 4);
}

TEST(ScanEscapeExtent, EscapeIsTwoCharacters) {
    // "\(" is an atom, so the bar joins "(" and x.
    ExpectMatch("\\(|x", "(", 1);
    ExpectMatch("\\(|x", "x", 1);
    ExpectMatch("\\++", "+++a", 3);
}

TEST(ScanAlternativeScan, StepsOverTheQuantifierToFindTheBar) {
    // a* succeeds on nothing, so b is never tried and "c" then fails on "b".
    EXPECT_EQ(RunMatch("(a*|b)c", "bc").result, PatternEngine::kNoMatch);
    ExpectMatch("(a*|b)c", "c", 1);
    ExpectMatch("(a+|b)c", "bc", 2);
    ExpectMatch("(a?|b)c", "c", 1);
    ExpectMatch("([0-9]+|x)y", "xy", 2);
    ExpectMatch("((ab)+|c)d", "cd", 2);
}

TEST(ScanSkipAlternatives, SkipsEveryRemainingAlternativeWithItsQuantifier) {
    ExpectMatch("(a|b*|c+|(de)?)f", "af", 2);
    ExpectMatch("a|b*|[xy]+|\\)z", "az", 2);
    // In Generate too: the first alternative is written, the rest skipped.
    EXPECT_EQ(RunGenerate("(a|b*|c+|(de)?)f").text, "af");
}

TEST(ScanSkipAlternatives, AMarkerIsAOneCharacterAtomToTheSkip) {
    // After "a" matched, the skip steps over "|" and the marker's "%" and
    // stops at "n", which is then read as a literal.
    bool flag = false;
    const MatchRun run = RunMatch("a|%n(b)", "anb", &flag);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 3);
    EXPECT_FALSE(flag);
}

TEST(ScanFollower, GroupRunningToTheEndHasNoFollower) {
    // "(a" extends to the end: no quantifier applies and the error names the
    // missing parenthesis.
    const MatchRun run = RunMatch("(a*", "aab");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, PatternEngine::kErrMissingParen);
}

} // namespace
