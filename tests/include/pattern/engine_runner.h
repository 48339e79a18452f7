// Small helpers that run one Match or Generate the way a client does:
// Reset, the setters, then the operation.
#ifndef SUITE_TESTS_ENGINE_RUNNER_H
#define SUITE_TESTS_ENGINE_RUNNER_H

#include "pattern_engine.h"

#include <string>

struct MatchRun {
    int result;
    int position;
    std::string error;
};

inline MatchRun RunMatch(PatternEngine& engine, const char* ctrl, const char* text, bool* flag = nullptr,
                         ValueList* values = nullptr) {
    engine.Reset();
    engine.SetCtrl(ctrl);
    engine.SetText(text);
    engine.SetFlag(flag);
    engine.SetValues(values);
    const int result = engine.Match();
    return {result, engine.Position(), engine.ErrorText()};
}

inline MatchRun RunMatch(const char* ctrl, const char* text, bool* flag = nullptr,
                         ValueList* values = nullptr) {
    PatternEngine engine;
    return RunMatch(engine, ctrl, text, flag, values);
}

struct GenerateRun {
    int result;
    std::string text; // the buffer's contents after the call
    int position;
    std::string error;
};

// Readies engine to generate ctrl into the buffer of size characters.
inline void PrepareGenerate(PatternEngine& engine, const char* ctrl, char* buffer, size_t size,
                            bool* flag = nullptr, ValueList* values = nullptr) {
    engine.Reset();
    engine.SetCtrl(ctrl);
    engine.SetText(buffer, size);
    engine.SetFlag(flag);
    engine.SetValues(values);
}

inline GenerateRun RunGenerate(const char* ctrl, bool* flag = nullptr, ValueList* values = nullptr) {
    PatternEngine engine;
    char buffer[256] = "";
    PrepareGenerate(engine, ctrl, buffer, sizeof buffer, flag, values);
    const int result = engine.Generate();
    return {result, buffer, engine.Position(), engine.ErrorText()};
}

#endif // SUITE_TESTS_ENGINE_RUNNER_H
