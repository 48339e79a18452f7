#include "project_checks.h"

#include "module_classes.h"
#include "nearest_name.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace veska::host::cli {

namespace {

constexpr size_t kLongestProfilePath = 259; // the profile functions' path buffer, less its terminator
constexpr wchar_t kRegistryKey[] = L"HKEY_CURRENT_USER\\Software\\Corvane\\VESKA IDE\\Tool Locations";

std::wstring file_name_of(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A listed file's name as the profile functions and the suite compare it:
// without case, either slash.
std::wstring comparable(std::wstring location) {
    std::replace(location.begin(), location.end(), L'/', L'\\');
    return location;
}

bool usable_location(const std::wstring& location) {
    if (location.empty() || std::any_of(location.begin(), location.end(),
                                        [](wchar_t c) { return static_cast<unsigned>(c) > 255; }))
        return false;
    const DWORD attributes = GetFileAttributesW(location.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool check_project_path(const std::wstring& path, Output& output) {
    const std::wstring full = paths::absolute(path, std::wstring());
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const HRESULT missing = HRESULT_FROM_WIN32(GetLastError());
        output.err(L"veska-host: cannot read the project file " + path + L": " + hresult_explained(missing) +
                   L"\n");
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        output.err(L"veska-host: " + path +
                   L" is a folder, not a project file: name the project's .ini file\n");
        return false;
    }
    // A project file may be empty (every section is optional); a file with
    // text but no section is something else, a source given by mistake.
    const std::vector<std::wstring> sections = read_ini_section_names(full);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool empty = GetFileAttributesExW(full.c_str(), GetFileExInfoStandard, &data) &&
                       data.nFileSizeHigh == 0 && data.nFileSizeLow == 0;
    if (sections.empty() && !empty) {
        output.err(L"veska-host: " + path +
                   L" is not a project file: it has no [Section] line (a project file is an INI file with "
                   L"[Sources], [Paths] and the like)\n");
        return false;
    }
    const std::wstring state = state_path_of(full);
    if (state.size() > kLongestProfilePath) {
        output.err(L"veska-host: the project's state file " + state + L" would have " +
                   std::to_wstring(state.size()) + L" characters, more than the " +
                   std::to_wstring(kLongestProfilePath) +
                   L" the profile functions can write: move the project to a shorter path or give it a "
                   L"shorter name; nothing was built\n");
        return false;
    }
    return true;
}

bool check_build_folder(const HostProject& project, Output& output) {
    const std::wstring folder = project.project_directory();
    const auto wide =
        std::find_if(folder.begin(), folder.end(), [](wchar_t c) { return static_cast<unsigned>(c) > 255; });
    if (wide == folder.end())
        return true;
    wchar_t code[8];
    swprintf(code, 8, L"U+%04X", static_cast<unsigned>(*wide));
    output.err(L"veska-host: the project's folder " + folder + L" has the character " + code +
               L", which has no one-byte form: the suite hands its tools every path one byte a character, so "
               L"nothing can be built there; move the project to a folder whose path has one-byte characters "
               L"only (or rename the folder); nothing was built\n");
    return false;
}

void warn_about_unmatched_file_sections(const ProjectFile& file, Output& output) {
    std::vector<std::wstring> listed;
    for (const std::vector<std::wstring>& folder : file.folders)
        listed.insert(listed.end(), folder.begin(), folder.end());
    for (const auto& [location, settings] : file.fileArgs) {
        const bool matched = std::any_of(listed.begin(), listed.end(), [&](const std::wstring& entry) {
            return paths::equal_ignoring_case(entry, location);
        });
        if (matched)
            continue;
        std::wstring hint;
        const auto same_file = std::find_if(listed.begin(), listed.end(), [&](const std::wstring& entry) {
            return paths::equal_ignoring_case(comparable(entry), comparable(location));
        });
        if (same_file != listed.end())
            hint = L"; the project lists it as " + *same_file + L": write [File " + *same_file + L"]";
        else if (const std::optional<std::wstring> nearest = nearest_name(location, listed, true))
            hint = L"; the nearest listed file is " + *nearest + L": did you mean [File " + *nearest + L"]?";
        output.err(L"veska-host: warning: [File " + location +
                   L"] names no file the project lists, so its settings are not used" + hint + L"\n");
    }
}

std::wstring location_origin(const ProjectFile& file, const GUID& tool) {
    const bool fromProject = std::any_of(file.toolLocations.begin(), file.toolLocations.end(),
                                         [&](const auto& entry) { return IsEqualGUID(entry.first, tool); });
    return fromProject
               ? L"[Tool Locations] " + from_utf8(class_name(tool)) + L" in " + file_name_of(file.path)
               : L"the registry value " + from_utf8(class_name(tool)) + L" under " + kRegistryKey;
}

void explain_unlocated_tools(ISuite* suite, const ProjectFile& file, Output& output) {
    for (const auto& [toolClass, tool] : suite_tools(suite)) {
        suite::CoTaskString location;
        tool->GetLocation(location.put());
        const std::wstring tried = location ? location.c_str() : L"";
        if (usable_location(tried))
            continue;
        const std::wstring name = from_utf8(class_name(toolClass));
        const std::wstring what =
            tried.empty() ? L"it has no location" : L"its location " + tried + L" is not a file it can run";
        const std::wstring origin = location_origin(file, toolClass);
        const std::wstring fix = origin.rfind(L"[Tool Locations]", 0) == 0
                                     ? L"correct it there"
                                     : L"set " + name + L"=PATH\\velc18.exe under [Tool Locations] in " +
                                           file_name_of(file.path) + L", or store it in that registry value";
        output.err(L"veska-host: " + name + L" cannot be located: " + what + L" (from " + origin + L"): " +
                   fix + L"\n");
    }
}

std::wstring source_of_run(const ExecuteRequest& run, const HostProject& project) {
    const auto lower = [](std::wstring text) {
        std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
        return text;
    };
    const std::wstring line = lower(run.line);
    for (const std::wstring& source : project.locations(FCAT_SRC))
        if (line.find(L"\"" + lower(paths::absolute(source, project.project_directory())) + L"\"") !=
            std::wstring::npos)
            return source;
    return {};
}

void report_make_headers(const HostProject& project, Output& output) {
    const size_t headers = project.locations(FCAT_INC).size();
    output.err(L"veska-host: make: the up-to-date test compared against " + std::to_wstring(headers) +
               (headers == 1 ? L" header" : L" headers") +
               L" listed in [Headers]; a header the project does not list is not looked at\n");
}

} // namespace veska::host::cli
