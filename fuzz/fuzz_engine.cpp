// Fuzz target: Match and Generate of an arbitrary CTRL string on an arbitrary
// TEXT string, with or without a flag and a value list bound; a successful
// match is admitted by the CTRL string's required prefix.
//
// Input: byte 0 = options (bit 0 bind a flag, bit 1 the flag starts true,
// bit 2 bind a value list, bit 3 large output buffer), byte 1 = output
// capacity, then NUL-separated: CTRL, TEXT, values...
#include "fuzz_check.h"
#include "pattern_engine.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> SplitAtNul(const uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            parts.emplace_back();
        } else {
            parts.back().push_back(static_cast<char>(data[i]));
        }
    }
    return parts;
}

// Values are pieces of the consumed part of the TEXT.
bool IsSliceOf(const std::string& value, const std::string& text, int consumed) {
    return text.substr(0, static_cast<std::size_t>(consumed)).find(value) != std::string::npos;
}

void CheckErrorText(const PatternEngine& engine) {
    FUZZ_CHECK(std::memchr(engine.ErrorText(), '\0', PatternEngine::kErrorTextSize) != nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const uint8_t options = data[0];
    std::size_t capacity = data[1];
    if (options & 8)
        capacity *= 16;
    std::vector<std::string> parts = SplitAtNul(data + 2, size - 2);
    const std::string ctrl = parts[0];
    const std::string text = parts.size() > 1 ? parts[1] : std::string();
    ValueList initial_values;
    for (std::size_t i = 2; i < parts.size() && i < 10; ++i)
        initial_values.push_back(parts[i]);

    const bool bind_flag = options & 1;
    const bool initial_flag = (options & 2) != 0;
    const bool bind_values = options & 4;

    PatternEngine engine;

    // Match: marks only on success, only ever adding.
    bool flag = initial_flag;
    ValueList values = initial_values;
    engine.Reset();
    engine.SetCtrl(ctrl.c_str());
    engine.SetText(text.c_str());
    engine.SetFlag(bind_flag ? &flag : nullptr);
    engine.SetValues(bind_values ? &values : nullptr);
    const int matched = engine.Match();
    FUZZ_CHECK(matched >= PatternEngine::kOk && matched <= PatternEngine::kSyntaxError);
    CheckErrorText(engine);
    if (matched == PatternEngine::kOk) {
        // The option parser turns away what the required prefix does not
        // admit: a match it does not admit would be lost.
        FUZZ_CHECK(PatternEngine::RequiredPrefixOf(ctrl.c_str()).Admits(text.c_str()));
        FUZZ_CHECK(engine.Position() >= 0 && static_cast<std::size_t>(engine.Position()) <= text.size());
        FUZZ_CHECK(flag || !initial_flag);
        FUZZ_CHECK(values.size() >= initial_values.size());
        for (std::size_t i = 0; i < initial_values.size(); ++i)
            FUZZ_CHECK(values[i] == initial_values[i]);
        for (std::size_t i = initial_values.size(); i < values.size(); ++i)
            FUZZ_CHECK(IsSliceOf(values[i], text, engine.Position()));
    } else {
        FUZZ_CHECK(flag == initial_flag);
        FUZZ_CHECK(values == initial_values);
    }

    // Generate into a buffer of exactly `capacity` bytes, twice (the cursor
    // moves on); never past the buffer, always terminated when written.
    flag = initial_flag;
    values = initial_values;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    std::memset(buffer.get(), 'Z', capacity);
    engine.Reset();
    engine.SetCtrl(ctrl.c_str());
    engine.SetText(buffer.get(), capacity);
    engine.SetFlag(bind_flag ? &flag : nullptr);
    engine.SetValues(bind_values ? &values : nullptr);
    for (int round = 0; round < 2; ++round) {
        const int generated = engine.Generate();
        FUZZ_CHECK(generated >= PatternEngine::kOk && generated <= PatternEngine::kTruncated &&
                   generated != PatternEngine::kNoText && generated != PatternEngine::kNoCtrl);
        CheckErrorText(engine);
        const std::size_t written = static_cast<std::size_t>(engine.Position());
        if (written > 0) {
            FUZZ_CHECK(written < capacity);
            FUZZ_CHECK(buffer[written] == '\0');
            FUZZ_CHECK(std::strlen(buffer.get()) == written);
        }
        if (generated == PatternEngine::kTruncated)
            FUZZ_CHECK(capacity == 0 || written == capacity - 1);
        FUZZ_CHECK(flag == initial_flag);
        FUZZ_CHECK(values == initial_values);
    }
    return 0;
}
