// Fuzz target: what the host writes about a build from outside text: an
// existing compilation database merged with a run of an arbitrary command
// line, and an arbitrary tool message in a SARIF log. Both must come out as
// JSON of their form, whatever they were given.
//
// Input: three parts separated by NUL bytes: the existing database, the
// command line, the message.
#include "command_line_words.h"
#include "compile_database.h"
#include "fuzz_check.h"
#include "sarif_log.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace {

using namespace veska::host::portable;

std::string part(const uint8_t*& data, const uint8_t* end) {
    std::string text;
    while (data < end && *data != 0)
        text.push_back(static_cast<char>(*data++));
    if (data < end)
        ++data;
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t* end = data + size;
    const std::string existing = part(data, end);
    const std::string line = part(data, end);
    const std::string message = part(data, end);

    const std::vector<std::string> words = split_command_line(line);
    for (const std::string& word : words)
        FUZZ_CHECK(word.size() <= line.size());
    const std::string source = words.size() > 1 ? words.back() : std::string("C:\\a.c");
    const std::vector<std::string> arguments = clang_arguments(words, source);
    FUZZ_CHECK(arguments.size() <= 2 * words.size());
    if (!words.empty())
        FUZZ_CHECK(arguments.front() == words.front());

    const DatabaseText merged = merge_compile_database(existing, {CompileRun{"C:\\w", source, line}});
    FUZZ_CHECK(merged.written != !merged.error.empty());
    if (merged.written) {
        const auto database = nlohmann::json::parse(merged.text, nullptr, false);
        FUZZ_CHECK(database.is_array() && !database.empty());
    }

    const auto log = nlohmann::json::parse(
        sarif_log(SarifRun{"tool", "1.0", "C:\\w", false, {PlacedMessage{message, source, 7}}}), nullptr,
        false);
    FUZZ_CHECK(log.is_object() && log["runs"][0]["results"].size() == 1);
    return 0;
}
