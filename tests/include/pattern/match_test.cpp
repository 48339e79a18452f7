// Match on the option pages' patterns: greediness without backtracking, what
// is recorded into the flag and the value list, and that it is recorded only
// when the whole Match succeeds.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kOutputPattern[] = "%n(-O)( )*%v(((\"[^\"]*\")|([^ ]+))+)";

struct Recorded {
    int result;
    int position;
    bool flag;
    ValueList values;
};

Recorded MatchRecording(const char* ctrl, const char* text) {
    bool flag = false;
    ValueList values;
    const MatchRun run = RunMatch(ctrl, text, &flag, &values);
    return {run.result, run.position, flag, values};
}

TEST(MatchGreedy, StarTakesEverythingAndNeverGivesBack) {
    EXPECT_EQ(RunMatch("a*a", "aa").result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("a+a", "aaa").result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("[a-z]+z", "abz").result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("a?a", "a").result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("( )*%v([^ ]+)", "  ").result, PatternEngine::kNoMatch);
}

TEST(MatchGreedy, FirstMatchingAlternativeWinsEvenIfTheRestThenFails) {
    EXPECT_EQ(RunMatch("((a)|(ab))c", "abc").result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("((a)|(ab))c", "ac").position, 2);
    EXPECT_EQ(RunMatch("((ab)|(a))c", "abc").position, 3);
    // Without the inner groups the bar joins single atoms: a(b|a)c.
    EXPECT_EQ(RunMatch("(ab|a)c", "abc").position, 3);
}

TEST(MatchGreedy, FailedRepetitionLeavesTheTextWhereItBegan) {
    // The second "(ab)" takes "a", fails on the end, and gives the "a" back.
    MatchRun run = RunMatch("(ab)*a", "aba");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 3);
    run = RunMatch("(-[xX])*-y", "-x-X-y");
    EXPECT_EQ(run.position, 6);
}

TEST(MatchAnchoring, SucceedsWhateverFollowsTheMatchedPart) {
    const MatchRun run = RunMatch("%n(-[xX])($| )", "-X -O");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 3); // the blank is consumed
}

TEST(MatchRecords, SwitchPatterns) {
    Recorded r = MatchRecording("%n(-[xX])($| )", "-x");
    EXPECT_EQ(r.result, PatternEngine::kOk);
    EXPECT_EQ(r.position, 2);
    EXPECT_TRUE(r.flag);

    r = MatchRecording("%n(-[xX])($| )", "-x\n-c");
    EXPECT_EQ(r.result, PatternEngine::kOk);
    EXPECT_EQ(r.position, 2); // the line feed is not consumed
    EXPECT_TRUE(r.flag);

    r = MatchRecording("%n(-M\"\\$\\(TARGETBASE\\)\\.map\")($| )", "-M\"$(TARGETBASE).map\" -x");
    EXPECT_EQ(r.result, PatternEngine::kOk);
    EXPECT_EQ(r.position, 22);
    EXPECT_TRUE(r.flag);
}

TEST(MatchRecords, OutputFilePattern) {
    const Recorded first = MatchRecording(kOutputPattern, "-O\"out file.hex\" -X");
    EXPECT_EQ(first.result, PatternEngine::kOk);
    EXPECT_TRUE(first.flag);
    const struct {
        const char* text;
        int position;
        const char* value;
    } cases[] = {
        {"-O\"out file.hex\" -X", 16, "\"out file.hex\""},
        {"-O  out.hex", 11, "out.hex"},
        {"-Oout.hex", 9, "out.hex"},
        {"-O\"a\"b", 6, "\"a\"b"}, // quoted and unquoted pieces run together into one value
        {"-O\"a b", 4, "\"a"},     // an unclosed quote is taken by the unquoted alternative
    };
    for (const auto& c : cases) {
        const Recorded r = MatchRecording(kOutputPattern, c.text);
        EXPECT_EQ(r.position, c.position) << c.text;
        EXPECT_EQ(r.values, ValueList{c.value}) << c.text;
    }
}

TEST(MatchRecords, LongerSwitchNeverSetsTheFlagOfAShorterOne) {
    for (const auto& [ctrl, text] :
         {std::pair{"%n(-W1)($| )", "-W10"}, std::pair{"%n(-[sS])($| )", "-STRICT"},
          std::pair{"%n(-Zg-1)($| )", "-Zg-10"}, std::pair{"%n(-[xX])($| )", "-x1"}}) {
        const Recorded r = MatchRecording(ctrl, text);
        EXPECT_EQ(r.result, PatternEngine::kNoMatch) << ctrl;
        EXPECT_FALSE(r.flag) << ctrl;
    }
}

TEST(MatchRecords, EmptyText) {
    Recorded r = MatchRecording("%n(-[xX])($| )", "");
    EXPECT_EQ(r.result, PatternEngine::kNoMatch);
    EXPECT_FALSE(r.flag);
    r = MatchRecording("($)", "");
    EXPECT_EQ(r.result, PatternEngine::kOk);
    EXPECT_EQ(r.position, 0);
}

TEST(MatchRecords, MarkersAtAnyDepthInOrder) {
    bool flag = false;
    ValueList values;
    const MatchRun run = RunMatch("(%v([a-z]+)=%v([0-9]+))%n(;)", "key=42;", &flag, &values);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_TRUE(flag);
    EXPECT_EQ(values, (ValueList{"key", "42"}));
}

TEST(MatchRecords, RepeatedValueMarkerAppendsEachRepetition) {
    ValueList values;
    EXPECT_EQ(RunMatch("(%v([0-9])[,]?)*", "1,2,3", nullptr, &values).result, PatternEngine::kOk);
    EXPECT_EQ(values, (ValueList{"1", "2", "3"}));
}

TEST(MatchRecords, MarkersWithoutBindingsHaveNoEffect) {
    const MatchRun run = RunMatch("%n(a)%v(b)", "ab");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 2);
}

TEST(MatchMarksOnlyOnSuccess, FailureChangesNeitherFlagNorList) {
    bool flag = false;
    ValueList values{"kept"};
    EXPECT_EQ(RunMatch("%n(-O)( )*%v([^ ]+)", "-O ", &flag, &values).result, PatternEngine::kNoMatch);
    EXPECT_FALSE(flag);
    EXPECT_EQ(values, ValueList{"kept"});

    EXPECT_EQ(RunMatch("%v(a)%n(b)c", "abd", &flag, &values).result, PatternEngine::kNoMatch);
    EXPECT_FALSE(flag);
    EXPECT_EQ(values, ValueList{"kept"});
}

TEST(MatchMarksOnlyOnSuccess, SyntaxErrorDiscardsPendingMarks) {
    bool flag = false;
    ValueList values;
    EXPECT_EQ(RunMatch("%n(a)%v(b)()", "abc", &flag, &values).result, PatternEngine::kSyntaxError);
    EXPECT_FALSE(flag);
    EXPECT_TRUE(values.empty());
}

TEST(MatchMarksOnlyOnSuccess, SuccessNeverClearsWhatIsAlreadyThere) {
    bool flag = true;
    ValueList values{"old"};
    EXPECT_EQ(RunMatch("%v(x)", "x", &flag, &values).result, PatternEngine::kOk);
    EXPECT_TRUE(flag);
    EXPECT_EQ(values, (ValueList{"old", "x"}));
    // A failing Match on a set flag leaves it set.
    EXPECT_EQ(RunMatch("%n(y)", "x", &flag, &values).result, PatternEngine::kNoMatch);
    EXPECT_TRUE(flag);
}

TEST(MatchMarksOnlyOnSuccess, MarksInsideAFailedGroupAreDroppedWithItsText) {
    // "%n(a)" matched before "b" failed: the group gives "a" back and the
    // match succeeds through the second alternative, without the mark.
    bool flag = false;
    MatchRun run = RunMatch("(%n(a)b)|a", "ac", &flag);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 1);
    EXPECT_FALSE(flag);

    // The failed last attempt of a repetition records nothing either.
    ValueList values;
    run = RunMatch("(%v([a-z]+)=)*", "ab=cd", nullptr, &values);
    EXPECT_EQ(run.position, 3);
    EXPECT_EQ(values, ValueList{"ab"});
}

} // namespace
