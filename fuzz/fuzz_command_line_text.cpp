// Fuzz target: the text rules behind the command-line macros: directory
// lists ($(INCDIR), $(INCDIR_), include options), the object and library
// list, path pieces and $(TARGETBASE), the linker's target option and macro
// replacement.
//
// Input: byte 0 = options (bit 0: fill an object list up to its bound;
// bits 4-7: the macro length bound, 16 per step, 15 for the full command
// line), then NUL-separated: the text, then macro names and values in turn.
#include "command_line_text.h"
#include "fuzz_check.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace suite::cmdline;

std::vector<std::string> SplitAtNul(const uint8_t* data, std::size_t size) {
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back().push_back(static_cast<char>(data[i]));
    }
    return parts;
}

std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (const char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

std::vector<std::string> Entries(const std::string& list) {
    std::vector<std::string> entries(1);
    for (const char c : list) {
        if (c == ';')
            entries.emplace_back();
        else
            entries.back().push_back(c);
    }
    return entries;
}

void FuzzDirectoryLists(const std::string& list) {
    const std::vector<std::string> entries = Entries(list);
    std::string removed = "untouched";
    if (apply_trailing_separator_rule(list, TrailingSeparator::Remove, removed)) {
        FUZZ_CHECK(removed.size() <= kMaxDirectoryList);
        const std::vector<std::string> kept = Entries(removed);
        FUZZ_CHECK(kept.size() == entries.size());
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const std::string& entry = entries[i];
            const bool hadSeparator = !entry.empty() && entry.back() == '\\';
            FUZZ_CHECK(kept[i] == (hadSeparator ? entry.substr(0, entry.size() - 1) : entry));
        }
    } else {
        FUZZ_CHECK(removed == "untouched");
        FUZZ_CHECK(list.size() > kMaxDirectoryList);
    }

    std::string added = "untouched";
    if (apply_trailing_separator_rule(list, TrailingSeparator::Add, added)) {
        FUZZ_CHECK(added.size() <= kMaxDirectoryList);
        for (const std::string& entry : Entries(added))
            FUZZ_CHECK(entry.empty() || entry.back() == '\\');
        std::string again;
        FUZZ_CHECK(apply_trailing_separator_rule(added, TrailingSeparator::Add, again) && again == added);
        std::string addedThenRemoved;
        FUZZ_CHECK(apply_trailing_separator_rule(added, TrailingSeparator::Remove, addedThenRemoved));
        FUZZ_CHECK(addedThenRemoved == removed);
    } else {
        FUZZ_CHECK(added == "untouched");
    }

    // Empty entries add nothing to the include options; each other entry is
    // one quoted option.
    std::string compact;
    std::size_t quotes = 0;
    for (const std::string& entry : entries)
        if (!entry.empty()) {
            compact += (compact.empty() ? "" : ";") + entry;
            quotes += 2 + static_cast<std::size_t>(std::count(entry.begin(), entry.end(), '"'));
        }
    const std::string joined = join_directory_list(list);
    FUZZ_CHECK(joined == join_directory_list(compact));
    FUZZ_CHECK(joined.empty() == compact.empty());
    FUZZ_CHECK(static_cast<std::size_t>(std::count(joined.begin(), joined.end(), '"')) == quotes);
}

void FuzzObjectList(const std::vector<std::string>& paths, bool fill) {
    std::string list;
    for (const std::string& path : paths) {
        const std::string quoted = quote_list_path(path);
        FUZZ_CHECK(quoted == path || quoted == '"' + path + '"');
        FUZZ_CHECK(quote_list_path(quoted) == quoted);
        const std::string before = list;
        const bool appended = append_list_path(list, path);
        const std::string expected =
            before.empty() || quoted.empty() ? before + quoted : before + ' ' + quoted;
        FUZZ_CHECK(appended == (expected.size() <= kMaxCommandLine));
        FUZZ_CHECK(list == (appended ? expected : before));
    }
    if (!fill || paths[0].empty())
        return;
    // Up to the bound, and not a character past it: from a list already
    // near it, so that every distance to the bound is tried cheaply.
    const std::size_t added = 1 + quote_list_path(paths[0]).size();
    list.assign(kMaxCommandLine - std::min<std::size_t>(kMaxCommandLine - 1, 3 * added + paths.size()), 'x');
    for (;;) {
        const std::size_t before = list.size();
        if (!append_list_path(list, paths[0])) {
            FUZZ_CHECK(list.size() == before);
            FUZZ_CHECK(before + added > kMaxCommandLine);
            break;
        }
        FUZZ_CHECK(list.size() == before + added);
        FUZZ_CHECK(list.size() <= kMaxCommandLine);
    }
}

void FuzzPath(const std::string& path, const std::string& other) {
    const std::size_t nameStart = file_name_start(path);
    const std::string directory = directory_part(path);
    const std::string name = nameStart == std::string::npos ? path : path.substr(nameStart);
    FUZZ_CHECK(directory + name == path);
    FUZZ_CHECK(name.find_first_of("\\/") == std::string::npos);
    FUZZ_CHECK((nameStart == std::string::npos) == directory.empty());

    const std::string base(base_name(path));
    const std::string_view suffix = file_suffix(path);
    FUZZ_CHECK(base + std::string(suffix) == name);
    FUZZ_CHECK(suffix.empty() || (suffix[0] == '.' && suffix.find('.', 1) == std::string_view::npos));

    std::string targetBase = "untouched";
    FUZZ_CHECK(target_base_name(path, targetBase) == !directory.empty());
    FUZZ_CHECK(targetBase == (directory.empty() ? "untouched" : base));

    const std::string separated = with_trailing_separator(directory);
    FUZZ_CHECK(separated.empty() == directory.empty());
    FUZZ_CHECK(separated == directory || separated == directory + '\\');
    FUZZ_CHECK(separated.empty() || separated.back() == '\\');

    std::string upper = path;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    FUZZ_CHECK(equals_ignoring_case(path, upper));
    FUZZ_CHECK(!equals_ignoring_case(path, path + 'x'));
    FUZZ_CHECK(equals_ignoring_case(path, other) == equals_ignoring_case(other, path));
    FUZZ_CHECK(equals_ignoring_case(path, other) == equals_ignoring_case(Widen(path), Widen(other)));

    // One more plain component keeps a full form; an empty one never is.
    if (is_full_path_form(path)) {
        FUZZ_CHECK(is_full_path_form(path + "\\x"));
        FUZZ_CHECK(!directory.empty());
        FUZZ_CHECK(path.find('/') == std::string::npos);
    }
    FUZZ_CHECK(!is_full_path_form(path + "\\"));
    FUZZ_CHECK(!is_full_path_form(path + "/x"));
}

void FuzzTargetValue(const std::string& text) {
    const std::wstring options = Widen(text);
    std::wstring value = L"untouched";
    const TargetValueStatus status = find_target_value(options, value);
    if (status == TargetValueStatus::Found) {
        FUZZ_CHECK(!value.empty());
        FUZZ_CHECK(options.find(value) != std::wstring::npos);
    } else {
        FUZZ_CHECK(value == L"untouched");
    }

    // An "-o" in front is the target, whatever follows.
    std::wstring first;
    FUZZ_CHECK(find_target_value(L"-o  target.cof " + options, first) == TargetValueStatus::Found);
    FUZZ_CHECK(first == L"target.cof");
    // Without an output option, one appended after balanced quotes is.
    if (status == TargetValueStatus::NoOutputOption && std::count(text.begin(), text.end(), '"') % 2 == 0) {
        std::wstring last;
        FUZZ_CHECK(find_target_value(options + L" -O\"a b.hex\"", last) == TargetValueStatus::Found);
        FUZZ_CHECK(last == L"a b.hex");
    }
}

void FuzzMacros(const std::string& text, const std::vector<std::string>& parts, std::size_t maxLength) {
    const std::wstring line = Widen(text);
    std::vector<std::wstring> names;
    std::vector<std::wstring> values;
    for (std::size_t i = 1; i < parts.size() && names.size() < 8; i += 2) {
        names.push_back(L"$" + Widen(parts[i]));
        values.push_back(i + 1 < parts.size() ? Widen(parts[i + 1]) : std::wstring());
    }
    std::vector<std::wstring_view> nameViews(names.begin(), names.end());
    const std::wstring untouched = L"untouched";
    const MacroStatus byLength = line.size() <= maxLength ? MacroStatus::Expanded : MacroStatus::TooLong;

    // Each name standing for itself gives the line back.
    std::wstring out = untouched;
    const MacroStatus same = expand_macros(
        line, nameViews.data(), nameViews.size(),
        [&](std::size_t index, std::wstring& value) {
            value = names[index];
            return true;
        },
        maxLength, out);
    FUZZ_CHECK(same == byLength);
    FUZZ_CHECK(out == (same == MacroStatus::Expanded ? line : untouched));

    // A refused value fails the expansion as soon as any name occurs.
    bool anyName = false;
    for (std::size_t at = line.find(L'$'); at != std::wstring::npos && !anyName; at = line.find(L'$', at + 1))
        for (const std::wstring& name : names)
            anyName = anyName || line.compare(at, name.size(), name) == 0;
    out = untouched;
    const MacroStatus refused = expand_macros(
        line, nameViews.data(), nameViews.size(), [](std::size_t, std::wstring&) { return false; }, maxLength,
        out);
    FUZZ_CHECK(refused == (anyName ? MacroStatus::ValueFailed : byLength));
    FUZZ_CHECK(out == (refused == MacroStatus::Expanded ? line : untouched));

    // The given values: each asked for once at most; the result within bound.
    std::vector<int> asked(names.size(), 0);
    out = untouched;
    const MacroStatus given = expand_macros(
        line, nameViews.data(), nameViews.size(),
        [&](std::size_t index, std::wstring& value) {
            FUZZ_CHECK(index < names.size());
            ++asked[index];
            value = values[index];
            return true;
        },
        maxLength, out);
    FUZZ_CHECK(given == MacroStatus::Expanded || given == MacroStatus::TooLong);
    for (const int count : asked)
        FUZZ_CHECK(count <= 1);
    if (given == MacroStatus::Expanded)
        FUZZ_CHECK(out.size() <= maxLength);
    else
        FUZZ_CHECK(out == untouched);
    FUZZ_CHECK((std::count(asked.begin(), asked.end(), 1) > 0) == anyName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    const std::vector<std::string> parts = SplitAtNul(data + 1, size - 1);
    const std::string& text = parts[0];
    const std::size_t lengthStep = options >> 4;
    const std::size_t maxLength = lengthStep == 15 ? kMaxCommandLine : lengthStep * 16;

    FuzzDirectoryLists(text);
    FuzzObjectList(parts, (options & 1) != 0);
    FuzzPath(text, parts.size() > 1 ? parts[1] : std::string());
    FuzzTargetValue(text);
    FuzzMacros(text, parts, maxLength);
    return 0;
}
