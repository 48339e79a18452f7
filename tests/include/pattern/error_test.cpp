// Result codes 2 to 4 and their messages: when each is reported, when it is
// not (lazy detection, exhausted TEXT), where the CTRL position is left, and
// how long the error text stays.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ErrorMissingStrings, NoTextIsTestedFirst) {
    PatternEngine engine;
    engine.Reset();
    EXPECT_EQ(engine.Match(), PatternEngine::kNoText);
    EXPECT_STREQ(engine.ErrorText(),
                 "The client must set a TEXT string prior to performing parsing operations.");
    engine.Reset();
    EXPECT_EQ(engine.Generate(), PatternEngine::kNoText);
    EXPECT_STREQ(engine.ErrorText(), PatternEngine::kErrNoText);
}

TEST(ErrorMissingStrings, NoCtrl) {
    PatternEngine engine;
    char buffer[8] = "";
    engine.Reset();
    engine.SetText("abc");
    EXPECT_EQ(engine.Match(), PatternEngine::kNoCtrl);
    EXPECT_STREQ(engine.ErrorText(),
                 "The client must set a CTRL string prior to performing parsing operations.");
    engine.Reset();
    engine.SetText(buffer, sizeof buffer);
    EXPECT_EQ(engine.Generate(), PatternEngine::kNoCtrl);
    EXPECT_STREQ(engine.ErrorText(), PatternEngine::kErrNoCtrl);
}

TEST(ErrorMissingStrings, NotTurnedIntoNoMatchOnAnEmptyText) {
    PatternEngine engine;
    engine.Reset();
    engine.SetText("");
    EXPECT_EQ(engine.Match(), PatternEngine::kNoCtrl);
}

TEST(ErrorMissingStrings, GenerateNeedsAWritableBuffer) {
    PatternEngine engine;
    engine.Reset();
    engine.SetCtrl("a");
    engine.SetText("read only");
    EXPECT_EQ(engine.Generate(), PatternEngine::kNoText);
}

TEST(ErrorInvalidRange, ReportedWhenReached) {
    const MatchRun run = RunMatch("[z-a]", "m");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, "There is an invalid range in a character set.");
    // Also after a member that already matched: the whole set is read.
    EXPECT_EQ(RunMatch("[mz-a]", "m").result, PatternEngine::kSyntaxError);
}

TEST(ErrorInvalidRange, NotReportedWhenNotReached) {
    MatchRun run = RunMatch("x[z-a]", "y");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, "");
    // At the end of the TEXT the set fails before its syntax is examined.
    run = RunMatch("[z-a]", "");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, "");
    // Generate writes the last character and never checks ranges.
    EXPECT_EQ(RunGenerate("[z-a]").text, "a");
}

TEST(ErrorMissingBracket, BracketAtTheEndOrSetWithoutClosingBracket) {
    for (const char* ctrl : {"[", "[abc", "x[^", "[]"}) {
        const std::string text = ctrl[0] == 'x' ? "xy" : "a";
        const MatchRun run = RunMatch(ctrl, text.c_str());
        EXPECT_EQ(run.result, PatternEngine::kSyntaxError) << ctrl;
        EXPECT_EQ(run.error, "There is a missing closing bracket on a character set.") << ctrl;

        const GenerateRun gen = RunGenerate(ctrl);
        EXPECT_EQ(gen.result, PatternEngine::kSyntaxError) << ctrl;
        EXPECT_EQ(gen.error, PatternEngine::kErrMissingBracket) << ctrl;
    }
}

TEST(ErrorMissingBracket, NotReportedWithTheTextExhausted) {
    const MatchRun run = RunMatch("a[abc", "a");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, "");
}

TEST(ErrorEmptyGroup, ReportedWheneverReached) {
    MatchRun run = RunMatch("()", "a");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, "The sequence \"()\" is invalid in a CTRL string.");
    // With the TEXT exhausted the code is 1, but the message is kept.
    run = RunMatch("()", "");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, PatternEngine::kErrEmptyGroup);

    EXPECT_EQ(RunGenerate("()").result, PatternEngine::kSyntaxError);
    EXPECT_EQ(RunGenerate("(a())").error, PatternEngine::kErrEmptyGroup);
}

TEST(ErrorEmptyGroup, CtrlPositionPutBackToTheAtomAndItsMarker) {
    PatternEngine engine;
    RunMatch(engine, "ab%v()", "abc");
    EXPECT_EQ(engine.CtrlPosition(), 2);
    RunMatch(engine, "a(b())", "abc");
    EXPECT_EQ(engine.CtrlPosition(), 3);
}

TEST(ErrorMissingParen, ExhaustedTextGivesNoMatchWithTheMessage) {
    MatchRun run = RunMatch("(a", "ab");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, "There is a missing closing parenthesis.");
    run = RunMatch("(a", "a");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, PatternEngine::kErrMissingParen);
    EXPECT_EQ(RunGenerate("(a").result, PatternEngine::kSyntaxError);
    EXPECT_EQ(RunGenerate("(").error, PatternEngine::kErrMissingParen);
}

TEST(ErrorMissingParen, CtrlPositionPutBackToTheGroupThatReachedTheEnd) {
    PatternEngine engine;
    RunMatch(engine, "x%n(a", "xab");
    EXPECT_EQ(engine.CtrlPosition(), 1);
    // The innermost group reaches the end first; the enclosing groups stop
    // at its error and leave the position alone.
    RunMatch(engine, "x(a(b", "xabc");
    EXPECT_EQ(engine.CtrlPosition(), 3);
}

TEST(ErrorExtraParen, WhereAnAtomIsExpected) {
    MatchRun run = RunMatch("a)", "ab");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, "There is an extra closing parenthesis.");
    run = RunMatch("a)", "a");
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.error, PatternEngine::kErrExtraParen);
    EXPECT_EQ(RunGenerate(")").error, PatternEngine::kErrExtraParen);
    // An empty alternative inside a group meets the ")".
    EXPECT_EQ(RunMatch("(a|)", "bc").error, PatternEngine::kErrExtraParen);
}

TEST(ErrorLazyDetection, FaultAfterAFailureIsNotReported) {
    for (const char* ctrl : {"b()", "b(a", "b)", "b[", "b[z-a]"}) {
        const MatchRun run = RunMatch(ctrl, "ax");
        EXPECT_EQ(run.result, PatternEngine::kNoMatch) << ctrl;
        EXPECT_EQ(run.error, "") << ctrl;
    }
}

TEST(ErrorLazyDetection, FaultInAnAlternativeNotTakenIsNotReported) {
    EXPECT_EQ(RunMatch("a|()", "a").result, PatternEngine::kOk);
    EXPECT_EQ(RunMatch("a*|)", "x").result, PatternEngine::kOk);
    const GenerateRun gen = RunGenerate("a|()|[");
    EXPECT_EQ(gen.result, PatternEngine::kOk);
    EXPECT_EQ(gen.text, "a");
}

TEST(ErrorLazyDetection, FirstAlternativeFaultIsNotRescuedByTheNext) {
    EXPECT_EQ(RunMatch("()|a", "a").result, PatternEngine::kSyntaxError);
    EXPECT_EQ(RunGenerate("()|a").result, PatternEngine::kSyntaxError);
}

TEST(ErrorLazyDetection, ARepetitionSwallowsAFaultOfALaterAttempt) {
    // The second repetition takes "b" and then meets "()": the repetition
    // ends there, the TEXT goes back to where that attempt began, and the
    // match succeeds, with the message left in the error text.
    const MatchRun run = RunMatch("(a|(b()))*", "abc");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 1);
    EXPECT_EQ(run.error, PatternEngine::kErrEmptyGroup);
}

TEST(ErrorTextLifetime, StaysUntilTheNextErrorOrReset) {
    PatternEngine engine;
    RunMatch(engine, "()", "a");
    engine.SetCtrl("a");
    EXPECT_EQ(engine.Match(), PatternEngine::kOk);
    EXPECT_STREQ(engine.ErrorText(), PatternEngine::kErrEmptyGroup);
    engine.SetCtrl("a)");
    engine.SetText("ab");
    EXPECT_EQ(engine.Match(), PatternEngine::kSyntaxError);
    EXPECT_STREQ(engine.ErrorText(), PatternEngine::kErrExtraParen);
    engine.Reset();
    EXPECT_STREQ(engine.ErrorText(), "");
}

TEST(ErrorTrailingEscape, SyntaxErrorNeverReadPastTheEnd) {
    MatchRun run = RunMatch("a\\", "ab");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, PatternEngine::kErrTrailingEscape);
    run = RunMatch("a\\", "a"); // TEXT exhausted
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunMatch("(a\\", "ab").error, PatternEngine::kErrTrailingEscape);
    EXPECT_EQ(RunMatch("a\\", "b").error, ""); // not reached

    const GenerateRun gen = RunGenerate("a\\");
    EXPECT_EQ(gen.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(gen.text, "a");
}

TEST(ErrorNesting, GroupsNestedTooDeeplyAreASyntaxError) {
    const std::string fine = std::string(PatternEngine::kMaxGroupDepth, '(') + "a" +
                             std::string(PatternEngine::kMaxGroupDepth, ')');
    EXPECT_EQ(RunMatch(fine.c_str(), "a").result, PatternEngine::kOk);
    EXPECT_EQ(RunGenerate(fine.c_str()).text, "a");

    const std::string deep = "x" + std::string(PatternEngine::kMaxGroupDepth + 1, '(') + "a" +
                             std::string(PatternEngine::kMaxGroupDepth + 1, ')');
    PatternEngine engine;
    const MatchRun run = RunMatch(engine, deep.c_str(), "xab");
    EXPECT_EQ(run.result, PatternEngine::kSyntaxError);
    EXPECT_EQ(run.error, PatternEngine::kErrTooDeep);
    EXPECT_EQ(engine.CtrlPosition(), 1 + PatternEngine::kMaxGroupDepth); // the innermost "("
    EXPECT_EQ(RunGenerate(deep.c_str()).error, PatternEngine::kErrTooDeep);
}

} // namespace
