// Generate: the texts written for the option pages' patterns, the
// first-alternative rule, the markers (honoured outside groups only), the
// value cursor and the quantifiers.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GenerateTexts, OptionPagePatternsWithTheFlagSet) {
    bool flag = true;
    const std::pair<const char*, const char*> table[] = {
        {"%n(-[xX])($| )", "-X"},
        {"%n(-[pP][rR][oO][tT][oO])($| )", "-PROTO"},
        {"%n(-[sS][iI][gG][nN][eE][dD]_[cC][hH][aA][rR])($| )", "-SIGNED_CHAR"},
        {"%n(-W-10)($| )", "-W-10"},
        {"%n(-M\"\\$\\(TARGETBASE\\)\\.map\")($| )", "-M\"$(TARGETBASE).map\""},
    };
    for (const auto& [ctrl, expected] : table) {
        const GenerateRun run = RunGenerate(ctrl, &flag);
        EXPECT_EQ(run.result, PatternEngine::kOk) << ctrl;
        EXPECT_EQ(run.text, expected) << ctrl;
        EXPECT_EQ(run.position, static_cast<int>(std::strlen(expected))) << ctrl;
    }
}

TEST(GenerateTexts, FlagFalseOrUnboundWritesNothing) {
    bool flag = false;
    EXPECT_EQ(RunGenerate("%n(-[xX])($| )", &flag).result, PatternEngine::kNoMatch);
    EXPECT_EQ(RunGenerate("%n(-[xX])($| )").result, PatternEngine::kNoMatch);

    PatternEngine engine;
    char buffer[8] = "keep";
    PrepareGenerate(engine, "%n(-[xX])($| )", buffer, sizeof buffer, &flag);
    EXPECT_EQ(engine.Generate(), PatternEngine::kNoMatch);
    EXPECT_STREQ(buffer, "keep");
}

TEST(GenerateTexts, TerminatedAfterTheLastCharacterWritten) {
    PatternEngine engine;
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    PrepareGenerate(engine, "ab", buffer, sizeof buffer);
    EXPECT_EQ(engine.Generate(), PatternEngine::kOk);
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(buffer[3], 'Z');
}

TEST(GenerateTexts, CharactersBeforeAFailingMarkerStay) {
    bool flag = false;
    const GenerateRun run = RunGenerate("ab%n(c)", &flag);
    EXPECT_EQ(run.result, PatternEngine::kNoMatch);
    EXPECT_EQ(run.text, "ab");
}

TEST(GenerateAlternatives, OnlyTheFirstIsWritten) {
    EXPECT_EQ(RunGenerate("($| )").text, "");
    EXPECT_EQ(RunGenerate("($| )").result, PatternEngine::kOk);
    EXPECT_EQ(RunGenerate("( |$)").text, " ");
    EXPECT_EQ(RunGenerate("(a|b|c)d").text, "ad");
    EXPECT_EQ(RunGenerate("ab|cd").text, "abd");
    EXPECT_EQ(RunGenerate("((xy)|z)").text, "xy");
}

TEST(GenerateAlternatives, StarredFirstAlternativeWritesNothingWithoutValues) {
    const GenerateRun run = RunGenerate("a*|b");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.text, "");
}

TEST(GenerateMarkers, InsideGroupsTheyAreIgnored) {
    bool flag = false;
    EXPECT_EQ(RunGenerate("(%n(a))", &flag).text, "a");
    EXPECT_EQ(RunGenerate("(%n(a))").text, "a");
    // An inner value marker neither writes nor consumes a value.
    ValueList values{"V"};
    const GenerateRun run = RunGenerate("(%v(a))%v(b)", nullptr, &values);
    EXPECT_EQ(run.text, "aV");
}

TEST(GenerateMarkers, ValueReplacesTheAtomAndItsQuantifier) {
    ValueList values{"value"};
    GenerateRun run = RunGenerate("%v(x)", nullptr, &values);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.text, "value");
    // The skip takes the marked atom with a quantifier after it.
    run = RunGenerate("%v(x)?y", nullptr, &values);
    EXPECT_EQ(run.text, "valuey");
    run = RunGenerate("%v[a-z]+;", nullptr, &values);
    EXPECT_EQ(run.text, "value;");
}

TEST(GenerateMarkers, ValueMarkerWithoutValuesFails) {
    EXPECT_EQ(RunGenerate("a%v(x)").result, PatternEngine::kNoMatch);
    ValueList empty;
    EXPECT_EQ(RunGenerate("a%v(x)", nullptr, &empty).result, PatternEngine::kNoMatch);
}

TEST(GenerateValueCursor, SuccessiveGeneratesWriteSuccessiveValues) {
    PatternEngine engine;
    ValueList values{"first", "second"};
    char buffer[32];
    PrepareGenerate(engine, "%v(x)", buffer, sizeof buffer, nullptr, &values);
    EXPECT_EQ(engine.Generate(), PatternEngine::kOk);
    EXPECT_STREQ(buffer, "first");
    EXPECT_EQ(engine.Generate(), PatternEngine::kOk);
    EXPECT_STREQ(buffer, "second");
    EXPECT_EQ(engine.Generate(), PatternEngine::kNoMatch); // none remains
    // SetValues puts the cursor back on the first value.
    engine.SetValues(&values);
    EXPECT_EQ(engine.Generate(), PatternEngine::kOk);
    EXPECT_STREQ(buffer, "first");
    EXPECT_EQ(values, (ValueList{"first", "second"}));
}

TEST(GenerateValueCursor, TwoMarkersTakeTwoValues) {
    ValueList values{"k", "v"};
    EXPECT_EQ(RunGenerate("%v(a)=%v(b)", nullptr, &values).text, "k=v");
}

TEST(GenerateQuantifiers, WithoutValuesOptionalPartsAreLeftOut) {
    EXPECT_EQ(RunGenerate("a?b").text, "b");
    EXPECT_EQ(RunGenerate("a*b").text, "b");
    EXPECT_EQ(RunGenerate("a+b").text, "ab");
    EXPECT_EQ(RunGenerate("(-x)*(-y)+").text, "-y");
}

TEST(GenerateQuantifiers, WhileValuesRemainEachIsWrittenOnce) {
    ValueList values{"v"};
    EXPECT_EQ(RunGenerate("a?b", nullptr, &values).text, "ab");
    EXPECT_EQ(RunGenerate("a*b", nullptr, &values).text, "ab");
    EXPECT_EQ(RunGenerate("a+b", nullptr, &values).text, "ab");
    EXPECT_EQ(RunGenerate("(-x)*(-y)+", nullptr, &values).text, "-x-y");
}

TEST(GenerateQuantifiers, OutputFilePatternWritesSwitchBlankAndValue) {
    bool flag = true;
    ValueList values{"out.hex"};
    const GenerateRun run = RunGenerate("%n(-O)( )*%v(((\"[^\"]*\")|([^ ]+))+)", &flag, &values);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.text, "-O out.hex");
}

TEST(GenerateAtoms, AnchorsWriteNothingEscapesWriteTheirCharacter) {
    EXPECT_EQ(RunGenerate("$.a\\.\\$").text, "a.$");
    EXPECT_EQ(RunGenerate("%").text, "%");
    EXPECT_EQ(RunGenerate("").result, PatternEngine::kOk);
    EXPECT_EQ(RunGenerate("").position, 0);
}

} // namespace
