// The atoms, quantifiers and alternation of the CTRL-string language, seen
// through Match (and Generate where the atom writes something particular).
#include "engine_runner.h"

#include <gtest/gtest.h>

namespace {

void ExpectMatch(const char* ctrl, const char* text, int position) {
    const MatchRun run = RunMatch(ctrl, text);
    EXPECT_EQ(run.result, PatternEngine::kOk) << ctrl << " on " << text;
    EXPECT_EQ(run.position, position) << ctrl << " on " << text;
}

void ExpectNoMatch(const char* ctrl, const char* text) {
    EXPECT_EQ(RunMatch(ctrl, text).result, PatternEngine::kNoMatch) << ctrl << " on " << text;
}

TEST(GrammarLiterals, MatchAnchoredAtStartAndCaseSensitive) {
    ExpectMatch("abc", "abcdef", 3);
    ExpectNoMatch("abc", "xabc"); // never searches further along
    ExpectNoMatch("abc", "aBc");
    ExpectNoMatch("abc", "ab");
}

TEST(GrammarLiterals, QuantifierAndBarCharactersWithoutAnAtomAreLiterals) {
    ExpectMatch("*a", "*a", 2);
    ExpectMatch("?a", "?a", 2);
    // A literal "+" is an atom like any other, here made optional by "?".
    ExpectMatch("+?", "+?", 1);
    ExpectMatch("+?x", "x", 1);
    ExpectMatch("|a", "|a", 2);
    ExpectMatch("a]", "a]", 2);
    // The second star follows the quantifier, not an atom.
    ExpectMatch("a**", "aa*", 3);
}

TEST(GrammarLiterals, PercentIsLiteralUnlessFollowedByNOrV) {
    ExpectMatch("%q", "%q", 2);
    ExpectMatch("%", "%", 1);
    ExpectMatch("100%%", "100%%", 5);
    EXPECT_EQ(RunGenerate("%q").text, "%q");
}

TEST(GrammarEscapes, NextCharacterIsTakenLiterally) {
    ExpectMatch("\\(\\)\\[\\$\\.\\\\", "()[$.\\", 6);
    ExpectNoMatch("\\$", "");
    ExpectNoMatch("\\.", "x");
    EXPECT_EQ(RunGenerate("\\$\\(A\\)\\*").text, "$(A)*");
}

TEST(GrammarAnchors, DollarSucceedsAtEndOrLineFeedWithoutConsuming) {
    ExpectMatch("$", "", 0);
    ExpectMatch("($)", "", 0);
    ExpectMatch("a$", "a\nb", 1);
    ExpectNoMatch("a$", "ab");
}

TEST(GrammarAnchors, DotRejectsOnlyALineFeedAndConsumesNothing) {
    ExpectMatch(".", "x", 0);
    ExpectMatch(".x", "x", 1);
    ExpectMatch(".", "", 0);
    ExpectNoMatch(".", "\n");
    EXPECT_EQ(RunGenerate("a.b$c").text, "abc");
}

TEST(GrammarSets, MembersAndRanges) {
    ExpectMatch("[xX]", "x", 1);
    ExpectMatch("[xX]", "X", 1);
    ExpectNoMatch("[xX]", "y");
    ExpectMatch("[a-c0-9_]", "b", 1);
    ExpectMatch("[a-c0-9_]", "7", 1);
    ExpectMatch("[a-c0-9_]", "_", 1);
    ExpectNoMatch("[a-c0-9_]", "d");
    ExpectMatch("[a-a]", "a", 1);
}

TEST(GrammarSets, NegatedSets) {
    ExpectMatch("[^a-c]", "d", 1);
    ExpectNoMatch("[^a-c]", "b");
    ExpectMatch("[^\"]", "x", 1);
    ExpectNoMatch("[^\"]", "\"");
    // [^] has no members: any one character.
    ExpectMatch("[^]", "\n", 1);
}

TEST(GrammarSets, FirstCharacterRules) {
    // "]" or "-" right after "[" is a member.
    ExpectMatch("[]a]", "]", 1);
    ExpectMatch("[]a]", "a", 1);
    ExpectMatch("[-a]", "-", 1);
    ExpectMatch("[-a]", "a", 1);
    // A "-" before "]" is a member too.
    ExpectMatch("[a-]", "-", 1);
    ExpectMatch("[a-]", "a", 1);
    ExpectNoMatch("[a-]", "b");
    // After "^" the next "]" closes the set: a negated empty set, then "]".
    ExpectMatch("[^]]", "x]", 2);
    ExpectNoMatch("[^]]", "xy");
}

TEST(GrammarSets, BackslashIsAnOrdinaryMember) {
    ExpectMatch("[\\]", "\\", 1);
    ExpectNoMatch("[\\]]", "]"); // the set is [\] followed by a literal "]"
    ExpectMatch("[\\]]", "\\]", 2);
}

TEST(GrammarSets, NeverMatchAtTheEndOfTheText) {
    ExpectNoMatch("[^\"]", "");
    ExpectNoMatch("[^]", "");
    ExpectNoMatch("[a-z]", "");
}

TEST(GrammarSets, RangesCompareBytesUnsigned) {
    ExpectMatch("[\x80-\xff]", "\xe9", 1);
    ExpectNoMatch("[\x80-\xff]", "e");
    ExpectMatch("[^\x80-\xff]", "e", 1);
}

TEST(GrammarSets, GenerateWritesTheLastCharacterBeforeTheBracket) {
    EXPECT_EQ(RunGenerate("[xX]").text, "X");
    EXPECT_EQ(RunGenerate("[a-z]").text, "z");
    EXPECT_EQ(RunGenerate("[^\"]").text, "\"");
    EXPECT_EQ(RunGenerate("[]]").text, "]");
    EXPECT_EQ(RunGenerate("[^]").text, "^");
}

TEST(GrammarQuantifiers, StarPlusQuestion) {
    ExpectMatch("a*b", "aaab", 4);
    ExpectMatch("a*b", "b", 1);
    ExpectMatch("a+b", "aab", 3);
    ExpectNoMatch("a+b", "b");
    ExpectMatch("a?b", "ab", 2);
    ExpectMatch("a?b", "b", 1);
    ExpectMatch("[0-9]+", "123x", 3);
}

TEST(GrammarQuantifiers, ApplyToAWholeGroup) {
    ExpectMatch("(-[xX])*", "-x-X-y", 4);
    ExpectMatch("(ab)+c", "ababc", 5);
    ExpectNoMatch("(ab)+c", "c");
}

TEST(GrammarAlternation, BindsTighterThanSequence) {
    // ab|cd is a, then b or c, then d.
    ExpectMatch("ab|cd", "abd", 3);
    ExpectMatch("ab|cd", "acd", 3);
    ExpectNoMatch("ab|cd", "ab");
    ExpectNoMatch("ab|cd", "cd");
    ExpectMatch("(ab)|(cd)", "cd", 2);
}

TEST(GrammarAlternation, ChainTriedFromTheLeft) {
    ExpectMatch("(a|b|c)d", "cd", 2);
    ExpectMatch("(a|b|c)d", "ad", 2);
    ExpectNoMatch("(a|b|c)d", "dd");
    ExpectMatch("x|[0-9]+|y", "y", 1);
    ExpectMatch("(x|[0-9]+|y)z", "42z", 3);
}

TEST(GrammarAlternation, QuantifiedUnitsTakePart) {
    ExpectMatch("(a+|b)c", "bc", 2);
    ExpectMatch("(a+|b)c", "aac", 3);
    // A starred unit always succeeds, so what follows the bar is never tried.
    ExpectMatch("a*|b", "b", 0);
}

TEST(GrammarMarkers, MarkedAtomIsOneAtom) {
    bool flag = false;
    ValueList values;
    EXPECT_EQ(RunMatch("%n(-[xX])", "-x", &flag).result, PatternEngine::kOk);
    EXPECT_TRUE(flag);
    EXPECT_EQ(RunMatch("%v[0-9]", "7", nullptr, &values).result, PatternEngine::kOk);
    EXPECT_EQ(values, ValueList{"7"});
}

TEST(GrammarMarkers, QuantifierOrBarAfterAMarkedAtomIsTheNextAtom) {
    bool flag = false;
    // The star is a literal: "a" once, then "*".
    MatchRun run = RunMatch("%n(a)*", "a*", &flag);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 2);
    EXPECT_TRUE(flag);
    flag = false;
    EXPECT_EQ(RunMatch("%n(a)*", "aa", &flag).result, PatternEngine::kNoMatch);
    EXPECT_FALSE(flag);
    // The bar is a literal too.
    ExpectMatch("%n(b)|a", "b|a", 3);
    ExpectNoMatch("%n(b)|a", "a");
}

} // namespace
