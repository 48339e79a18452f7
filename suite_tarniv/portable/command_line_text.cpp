#include "command_line_text.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace suite::cmdline {

namespace {

bool is_separator(char c) noexcept {
    return c == '\\' || c == '/';
}

template <class Char> Char fold(Char c) noexcept {
    return (c >= Char('A') && c <= Char('Z')) ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}

template <class Char>
bool equals_folded(std::basic_string_view<Char> a, std::basic_string_view<Char> b) noexcept {
    if (a.size() != b.size())
        return false;
    // The paths a build compares mostly agree in case as well, or differ
    // only near their end: eight bytes at a time up to the first difference,
    // and only characters that differ are folded.
    size_t i = 0;
    if constexpr (sizeof(Char) == 1) {
        for (; i + 8 <= a.size(); i += 8) {
            uint64_t left, right;
            std::memcpy(&left, a.data() + i, 8);
            std::memcpy(&right, b.data() + i, 8);
            if (left != right)
                break;
        }
    }
    for (; i < a.size(); ++i)
        if (a[i] != b[i] && fold(a[i]) != fold(b[i]))
            return false;
    return true;
}

} // namespace

bool apply_trailing_separator_rule(std::string_view list, TrailingSeparator rule, std::string& out) {
    std::string result;
    result.reserve(list.size() + 8);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view entry = list.substr(start, end - start);
        if (rule == TrailingSeparator::Remove) {
            if (!entry.empty() && entry.back() == '\\')
                entry.remove_suffix(1);
            result.append(entry);
        } else {
            result.append(entry);
            if (!entry.empty() && entry.back() != '\\')
                result.push_back('\\');
        }
        if (end == list.size())
            break;
        result.push_back(';');
        start = end + 1;
    }
    if (result.size() > kMaxDirectoryList)
        return false;
    out = std::move(result);
    return true;
}

std::string join_directory_list(std::string_view list) {
    std::string joined;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(';', start);
        if (end == std::string_view::npos)
            end = list.size();
        if (end > start) {
            if (!joined.empty())
                joined += " -I";
            joined += '"';
            joined.append(list.substr(start, end - start));
            joined += '"';
        }
        start = end + 1;
    }
    return joined;
}

std::string quote_list_path(std::string_view path) {
    if (path.empty())
        return std::string();
    const bool opens = path.front() == '"';
    const bool closes = path.size() > 1 && path.back() == '"';
    if ((opens && closes) || (path.size() == 1 && opens))
        return std::string(path);
    if (opens != closes || path.size() >= kMaxPath)
        return std::string(path);
    std::string quoted;
    quoted.reserve(path.size() + 2);
    quoted += '"';
    quoted.append(path);
    quoted += '"';
    return quoted;
}

bool append_list_path(std::string& list, std::string_view path) {
    const std::string quoted = quote_list_path(path);
    if (quoted.empty())
        return true;
    const size_t added = quoted.size() + (list.empty() ? 0 : 1);
    if (list.size() + added > kMaxCommandLine)
        return false;
    if (!list.empty())
        list += ' ';
    list += quoted;
    return true;
}

size_t file_name_start(std::string_view path) noexcept {
    for (size_t i = path.size(); i > 0; --i)
        if (is_separator(path[i - 1]))
            return i;
    return std::string_view::npos;
}

std::string_view base_name(std::string_view path) noexcept {
    const size_t start = file_name_start(path);
    std::string_view name = start == std::string_view::npos ? path : path.substr(start);
    const size_t dot = name.rfind('.');
    if (dot != std::string_view::npos)
        name = name.substr(0, dot);
    return name;
}

bool target_base_name(std::string_view projectLocation, std::string& base) {
    if (file_name_start(projectLocation) == std::string_view::npos)
        return false;
    base = base_name(projectLocation);
    return true;
}

std::string_view file_suffix(std::string_view path) noexcept {
    const size_t start = file_name_start(path);
    const std::string_view name = start == std::string_view::npos ? path : path.substr(start);
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool equals_ignoring_case(std::string_view a, std::string_view b) noexcept {
    return equals_folded(a, b);
}
bool equals_ignoring_case(std::wstring_view a, std::wstring_view b) noexcept {
    return equals_folded(a, b);
}

std::string directory_part(std::string_view path) {
    const size_t start = file_name_start(path);
    return start == std::string_view::npos ? std::string() : std::string(path.substr(0, start));
}

std::string with_trailing_separator(std::string directory) {
    if (!directory.empty() && directory.back() != '\\')
        directory += '\\';
    return directory;
}

namespace {

bool is_device_name(std::string_view component) noexcept {
    const std::string_view stem = component.substr(0, component.find('.'));
    // Every device name has 3, 4, 6 or 7 characters: most components are
    // told apart by their length alone.
    if (stem.size() != 3 && stem.size() != 4 && stem.size() != 6 && stem.size() != 7)
        return false;
    static constexpr std::string_view devices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (const std::string_view device : devices)
        if (equals_folded(stem, device))
            return true;
    if (stem.size() == 4 && (equals_folded(stem.substr(0, 3), std::string_view("com")) ||
                             equals_folded(stem.substr(0, 3), std::string_view("lpt"))))
        return stem[3] >= '0' && stem[3] <= '9';
    return false;
}

} // namespace

bool is_full_path_form(std::string_view path) noexcept {
    const bool drive =
        path.size() > 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (!drive || path[1] != ':' || path[2] != '\\' || path.find('/') != std::string_view::npos)
        return false;
    size_t start = 3;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == ".." || component.back() == '.' ||
            component.back() == ' ' || is_device_name(component))
            return false;
        start = end + 1;
    }
    return true;
}

TargetValueStatus find_target_value(std::wstring_view options, std::wstring& value) {
    const auto is_blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    // Only an option that starts an argument counts: "-o" inside a quoted
    // path or a longer word is not the output option.
    size_t lowerOption = std::wstring_view::npos;
    size_t upperOption = std::wstring_view::npos;
    bool insideQuotes = false;
    for (size_t i = 0; i < options.size() && lowerOption == std::wstring_view::npos; ++i) {
        const bool startsArgument = !insideQuotes && (i == 0 || is_blank(options[i - 1]));
        if (startsArgument && options[i] == L'-' && i + 1 < options.size()) {
            if (options[i + 1] == L'o')
                lowerOption = i;
            else if (options[i + 1] == L'O' && upperOption == std::wstring_view::npos)
                upperOption = i;
        }
        if (options[i] == L'"')
            insideQuotes = !insideQuotes;
    }
    const size_t option = lowerOption != std::wstring_view::npos ? lowerOption : upperOption;
    if (option == std::wstring_view::npos)
        return TargetValueStatus::NoOutputOption;

    size_t start = option + 2;
    while (start < options.size() && is_blank(options[start]))
        ++start;
    size_t end = start;
    insideQuotes = false;
    for (; end < options.size(); ++end) {
        if (options[end] == L'"')
            insideQuotes = !insideQuotes;
        else if (is_blank(options[end]) && !insideQuotes)
            break;
    }
    std::wstring_view found = options.substr(start, end - start);
    const bool opens = !found.empty() && found.front() == L'"';
    const bool closes = found.size() > 1 && found.back() == L'"';
    if (opens && closes)
        found = found.substr(1, found.size() - 2);
    else if (opens || (!found.empty() && found.back() == L'"'))
        return TargetValueStatus::UnbalancedQuote;
    if (found.empty())
        return TargetValueStatus::EmptyValue;
    value.assign(found);
    return TargetValueStatus::Found;
}

MacroStatus expand_macros(std::wstring_view line, const std::wstring_view* names, size_t nameCount,
                          const MacroValue& valueOf, size_t maxLength, std::wstring& out) {
    std::vector<std::optional<std::wstring>> values(nameCount);
    std::wstring result;
    result.reserve(line.size());
    size_t copiedUpTo = 0;
    size_t dollar = line.find(L'$');
    while (dollar != std::wstring_view::npos) {
        size_t matched = nameCount;
        for (size_t i = 0; i < nameCount; ++i) {
            if (line.compare(dollar, names[i].size(), names[i]) == 0) {
                matched = i;
                break;
            }
        }
        if (matched == nameCount) {
            dollar = line.find(L'$', dollar + 1);
            continue;
        }
        if (!values[matched]) {
            std::wstring value;
            if (!valueOf(matched, value))
                return MacroStatus::ValueFailed;
            values[matched] = std::move(value);
        }
        result.append(line.substr(copiedUpTo, dollar - copiedUpTo));
        result.append(*values[matched]);
        if (result.size() > maxLength)
            return MacroStatus::TooLong;
        copiedUpTo = dollar + names[matched].size();
        dollar = line.find(L'$', copiedUpTo);
    }
    result.append(line.substr(copiedUpTo));
    if (result.size() > maxLength)
        return MacroStatus::TooLong;
    out = std::move(result);
    return MacroStatus::Expanded;
}

} // namespace suite::cmdline
