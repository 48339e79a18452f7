#include "compile_database.h"

#include "command_line_words.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <map>

namespace veska::host::portable {

namespace {

using Json = nlohmann::ordered_json;

char lower(char c) noexcept {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool equal_ignoring_case(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool starts_with(std::string_view text, std::string_view prefix) noexcept {
    return text.substr(0, prefix.size()) == prefix;
}

// A macro definition as the compiler page reads one: a name that starts
// with a letter or "_", then optionally "=" and a value.
bool is_macro_definition(std::string_view definition) noexcept {
    if (definition.empty() ||
        !(std::isalpha(static_cast<unsigned char>(definition[0])) || definition[0] == '_'))
        return false;
    const size_t nameEnd = definition.find('=');
    const std::string_view name = definition.substr(0, nameEnd);
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

bool is_absolute(std::string_view path) noexcept {
    return (path.size() >= 2 && path[1] == ':') || starts_with(path, "\\") || starts_with(path, "/");
}

// What two entries are compared by: the file made absolute against its
// directory, without regard to case or the kind of slash.
std::string file_key(std::string_view directory, std::string_view file) {
    std::string path = is_absolute(file) || directory.empty()
                           ? std::string(file)
                           : std::string(directory) + "\\" + std::string(file);
    for (char& c : path)
        c = c == '/' ? '\\' : lower(c);
    return path;
}

Json entry_of(const CompileRun& run) {
    Json entry;
    entry["directory"] = run.directory;
    entry["file"] = run.file;
    entry["arguments"] = clang_arguments(split_command_line(run.command), run.file);
    entry["command"] = run.command;
    return entry;
}

} // namespace

std::vector<std::string> clang_arguments(const std::vector<std::string>& words, std::string_view source) {
    std::vector<std::string> arguments;
    if (words.empty())
        return arguments;
    arguments.push_back(words.front());
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (equal_ignoring_case(word, source)) {
            arguments.push_back(word);
        } else if (word == "-C") {
            arguments.emplace_back("-c");
        } else if (equal_ignoring_case(word, "-SIGNED_CHAR")) {
            arguments.emplace_back("-fsigned-char");
        } else if (starts_with(word, "-I") && word.size() > 2 && !equal_ignoring_case(word, "-ICD")) {
            // (-ICD, in any case, is "compile for the in-circuit debugger")
            arguments.push_back(word);
        } else if (word == "-D" && i + 1 < words.size() && is_macro_definition(words[i + 1])) {
            arguments.push_back("-D" + words[++i]); // "-D NAME" is the macro NAME
        } else if (starts_with(word, "-D") && is_macro_definition(std::string_view(word).substr(2))) {
            arguments.push_back(word); // -D32 (32-bit double) is no macro: its name has no letter first
        } else if (starts_with(word, "-O") && word.size() > 2) {
            arguments.emplace_back("-o"); // -O alone is the post-pass optimisation
            arguments.push_back(word.substr(2));
        }
    }
    return arguments;
}

DatabaseText merge_compile_database(std::string_view existing, const std::vector<CompileRun>& runs) {
    DatabaseText result;
    Json database = Json::array();
    if (existing.find_first_not_of(" \t\r\n") != std::string_view::npos) {
        database = Json::parse(existing.begin(), existing.end(), nullptr, false);
        if (database.is_discarded()) {
            result.error = "it is not JSON";
            return result;
        }
        const bool entries =
            database.is_array() && std::all_of(database.begin(), database.end(), [](const Json& e) {
                return e.is_object() && e.contains("file") && e["file"].is_string() &&
                       (!e.contains("directory") || e["directory"].is_string());
            });
        if (!entries) {
            result.error = "it is not a list of entries with a \"file\"";
            return result;
        }
    }

    std::map<std::string, size_t> placeOfFile;
    for (size_t i = 0; i < database.size(); ++i) {
        const Json& entry = database[i];
        placeOfFile.emplace(
            file_key(entry.value("directory", std::string()), entry["file"].get<std::string>()), i);
    }
    for (const CompileRun& run : runs) {
        const std::string key = file_key(run.directory, run.file);
        const auto place = placeOfFile.find(key);
        if (place != placeOfFile.end()) {
            database[place->second] = entry_of(run);
        } else {
            placeOfFile.emplace(key, database.size());
            database.push_back(entry_of(run));
        }
    }
    result.text = database.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    result.written = true;
    return result;
}

} // namespace veska::host::portable
