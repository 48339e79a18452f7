// Where the classic engine had no guard: repetitions that make no progress,
// output buffers that are too small, atoms expected at the end of the CTRL
// string. Buffers here are heap blocks of exactly the given size so that the
// sanitizers catch any write past them.
#include "engine_runner.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct ExactBuffer {
    explicit ExactBuffer(std::size_t size) : data(new char[size]), size(size) {
        for (std::size_t i = 0; i < size; ++i)
            data[i] = '#';
    }
    std::unique_ptr<char[]> data;
    std::size_t size;
};

int GenerateInto(PatternEngine& engine, const char* ctrl, ExactBuffer& buffer, bool* flag = nullptr,
                 ValueList* values = nullptr) {
    engine.Reset();
    engine.SetCtrl(ctrl);
    engine.SetText(buffer.data.get(), buffer.size);
    engine.SetFlag(flag);
    engine.SetValues(values);
    return engine.Generate();
}

TEST(BoundsRepetition, RepetitionThatConsumesNothingEnds) {
    MatchRun run = RunMatch("(a?)*", "aab");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 2);
    run = RunMatch("($)*", "");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 0);
    EXPECT_EQ(RunMatch("(.)+x", "x").position, 1);
    EXPECT_EQ(RunMatch("(a*)*b", "aab").position, 3);
    EXPECT_EQ(RunMatch("((a|b?)+)*c", "abac").position, 4);
}

TEST(BoundsRepetition, ValueMarkInsideAnEmptyRepetitionIsRecordedABoundedNumberOfTimes) {
    ValueList values;
    EXPECT_EQ(RunMatch("(%v(x?))*", "y", nullptr, &values).result, PatternEngine::kOk);
    EXPECT_LE(values.size(), 2u);
    for (const std::string& value : values)
        EXPECT_EQ(value, "");
}

TEST(BoundsGenerate, OutputCutAtTheCapacityAndTerminated) {
    PatternEngine engine;
    ExactBuffer buffer(4);
    EXPECT_EQ(GenerateInto(engine, "abcdef", buffer), PatternEngine::kTruncated);
    EXPECT_STREQ(buffer.data.get(), "abc");
    EXPECT_EQ(engine.Position(), 3);
    EXPECT_STREQ(engine.ErrorText(), PatternEngine::kErrTruncated);
}

TEST(BoundsGenerate, ExactFitIsNotATruncation) {
    PatternEngine engine;
    ExactBuffer buffer(7);
    EXPECT_EQ(GenerateInto(engine, "%n(-[pP][rR][oO][tT][oO])($| )", buffer, nullptr),
              PatternEngine::kNoMatch);
    bool flag = true;
    EXPECT_EQ(GenerateInto(engine, "%n(-[pP][rR][oO][tT][oO])($| )", buffer, &flag), PatternEngine::kOk);
    EXPECT_STREQ(buffer.data.get(), "-PROTO");
}

TEST(BoundsGenerate, ValueLongerThanTheBuffer) {
    PatternEngine engine;
    ExactBuffer buffer(16);
    ValueList values{std::string(100, 'v')};
    EXPECT_EQ(GenerateInto(engine, "-D%v(x)", buffer, nullptr, &values), PatternEngine::kTruncated);
    EXPECT_EQ(std::string(buffer.data.get()), "-D" + std::string(13, 'v'));
}

TEST(BoundsGenerate, BufferWithRoomForTheTerminatorOnlyIsLeftAlone) {
    PatternEngine engine;
    ExactBuffer buffer(1);
    EXPECT_EQ(GenerateInto(engine, "a", buffer), PatternEngine::kTruncated);
    EXPECT_EQ(buffer.data[0], '#');
    EXPECT_EQ(GenerateInto(engine, "$", buffer), PatternEngine::kOk); // writes nothing
}

TEST(BoundsGenerate, QuantifiedAtomWhileValuesRemainTerminates) {
    ValueList values{"a", "b", "c"};
    GenerateRun run = RunGenerate("(x)*", nullptr, &values);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.text, "x");
    run = RunGenerate("(x(y)+)+", nullptr, &values);
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.text, "xy");
}

TEST(BoundsCtrlEnd, EmptyUnitsAtTheEndOfTheCtrlString) {
    // Nothing to interpret: an empty pattern matches and writes nothing.
    MatchRun run = RunMatch("", "abc");
    EXPECT_EQ(run.result, PatternEngine::kOk);
    EXPECT_EQ(run.position, 0);
    EXPECT_EQ(RunGenerate("").text, "");
    // A trailing bar offers an empty last alternative.
    EXPECT_EQ(RunMatch("a|", "b").result, PatternEngine::kOk);
    EXPECT_EQ(RunMatch("xa|", "xb").position, 1);
    // A trailing marker marks an empty unit.
    bool flag = false;
    EXPECT_EQ(RunMatch("-c%n", "-c", &flag).result, PatternEngine::kOk);
    EXPECT_TRUE(flag);
    ValueList values{"v"};
    EXPECT_EQ(RunGenerate("-c%v", nullptr, &values).text, "-cv");
    // An open group at the end reports its missing parenthesis.
    EXPECT_EQ(RunMatch("(", "x").error, PatternEngine::kErrMissingParen);
    EXPECT_EQ(RunMatch("%n(", "x").error, PatternEngine::kErrMissingParen);
}

TEST(BoundsCtrlEnd, SetAndEscapeScansStopAtTheEnd) {
    EXPECT_EQ(RunMatch("([a", "ab").error, PatternEngine::kErrMissingBracket);
    EXPECT_EQ(RunMatch("(a\\", "ab").error, PatternEngine::kErrTrailingEscape);
    EXPECT_EQ(RunMatch("(\\", "ab").error, PatternEngine::kErrTrailingEscape);
    EXPECT_EQ(RunGenerate("x[]").error, PatternEngine::kErrMissingBracket);
    EXPECT_EQ(RunGenerate("x|\\").text, "x");
    EXPECT_EQ(RunGenerate("x|[").text, "x");
}

} // namespace
