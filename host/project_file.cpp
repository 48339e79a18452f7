#include "project_file.h"

#include "module_classes.h"
#include "text.h"

#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace veska::host {

namespace {

constexpr DWORD kFirstBuffer = 4096;
constexpr DWORD kLargestSection = 1u << 22; // characters; a guard against runaway files

const wchar_t* const kFolderSections[FCAT_NUM_CATS] = {L"Sources",
                                                       L"Headers",
                                                       L"Objects",
                                                       L"Libraries",
                                                       L"Linker Scripts",
                                                       L"Unknown",
                                                       L"Intermediate Files",
                                                       L"Output Files"};
const wchar_t* const kPathKeys[PT_NUM_PATH_TYPES] = {L"SRC", L"BIN", L"TMP", L"AIN", L"INC", L"LIB", L"LKR"};
const wchar_t kToolPrefix[] = L"Tool ";
const wchar_t kFilePrefix[] = L"File ";

std::wstring trim(const std::wstring& text) {
    size_t first = 0, last = text.size();
    while (first < last && std::iswspace(text[first]))
        ++first;
    while (last > first && std::iswspace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool equal_text(const std::wstring& a, const std::wstring& b) {
    return paths::equal_ignoring_case(a, b);
}

bool starts_with(const std::wstring& text, const wchar_t* prefix) {
    const size_t length = wcslen(prefix);
    return text.size() >= length && equal_text(text.substr(0, length), prefix);
}

std::optional<bool> parse_flag(const std::wstring& text) {
    const std::wstring value = trim(text);
    for (const wchar_t* yes : {L"1", L"yes", L"true", L"on"})
        if (equal_text(value, yes))
            return true;
    for (const wchar_t* no : {L"0", L"no", L"false", L"off"})
        if (equal_text(value, no))
            return false;
    return std::nullopt;
}

std::optional<unsigned long> parse_number(const std::wstring& text) {
    const std::wstring value = trim(text);
    if (value.empty())
        return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const unsigned long number = wcstoul(value.c_str(), &end, 0);
    if (errno || !end || *end)
        return std::nullopt;
    return number;
}

// FNV-1a over the lines of the sections that decide a build's settings.
void fingerprint_into(uint64_t& hash, const IniSection& lines) {
    for (const auto& [key, value] : lines)
        for (const wchar_t c : key + L"=" + value + L"\n") {
            hash ^= static_cast<uint64_t>(c);
            hash *= 1099511628211ull;
        }
}
constexpr uint64_t kFingerprintSeed = 14695981039346656037ull;

// Each entry of a ";" list made absolute against base; empty entries and
// the separators stay where they are.
std::wstring absolute_list(const std::wstring& list, const std::wstring& base) {
    std::wstring result;
    size_t start = 0;
    for (;;) {
        const size_t end = list.find(L';', start);
        const std::wstring entry =
            trim(list.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (!entry.empty()) {
            std::wstring full = paths::absolute(entry, base);
            // A trailing separator says something to the directory macros: keep it.
            if ((entry.back() == L'\\' || entry.back() == L'/') && full.back() != L'\\')
                full += L'\\';
            result += full;
        }
        if (end == std::wstring::npos)
            break;
        result += L';';
        start = end + 1;
    }
    return result;
}

std::wstring hex(uint64_t value) {
    wchar_t text[20];
    swprintf(text, 20, L"%016llx", static_cast<unsigned long long>(value));
    return text;
}

bool is_text_key(const std::wstring& name) {
    return equal_text(name, L"Text") || equal_text(name, L"Options");
}

// Reads one Text, Default or Alternate key into settings; false when the key
// is none of them or its flag is no flag.
bool read_args_key(const std::wstring& name, const std::wstring& value, ArgsSettings& settings) {
    if (is_text_key(name)) {
        settings.text = value;
        return true;
    }
    const bool isDefault = equal_text(name, L"Default");
    const std::optional<bool> flag = parse_flag(value);
    if (!flag || (!isDefault && !equal_text(name, L"Alternate")))
        return false;
    (isDefault ? settings.isDefault : settings.alternate) = flag;
    return true;
}

ArgsSettings& settings_for(ToolSettings& tools, const GUID& tool) {
    for (auto& entry : tools)
        if (IsEqualGUID(entry.first, tool))
            return entry.second;
    tools.emplace_back(tool, ArgsSettings{});
    return tools.back().second;
}

// The profile functions read only the first of sections with the same name
// and skip a header without its "]", so that its lines join the section
// before it: both are said, since settings are lost either way.
void warn_about_sections(const std::wstring& path, const std::vector<std::wstring>& sections,
                         std::vector<std::wstring>& warnings) {
    for (auto section = sections.begin(); section != sections.end(); ++section) {
        const auto same = [&](const std::wstring& other) { return equal_text(other, *section); };
        const auto count = std::count_if(sections.begin(), sections.end(), same);
        if (count > 1 && std::none_of(sections.begin(), section, same)) // said at its first
            warnings.push_back(L"[" + *section + L"] is given " + std::to_wstring(count) +
                               L" times: only the first is read");
    }
    // The raw lines: UTF-16 with its byte-order mark, else one byte a character.
    std::ifstream file(path.c_str(), std::ios::binary | std::ios::ate);
    if (!file || file.tellg() < 0 || file.tellg() > static_cast<std::streamoff>(kLargestSection))
        return;
    std::string bytes(static_cast<size_t>(file.tellg()), '\0');
    bytes.resize(static_cast<size_t>(file.seekg(0).read(bytes.data(), bytes.size()).gcount()));
    std::wstring text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8);
    else
        suite::text::append_widened(text, bytes);
    std::wistringstream lines(text);
    std::wstring raw;
    for (size_t number = 1; std::getline(lines, raw); ++number)
        if (const std::wstring line = trim(raw);
            !line.empty() && line[0] == L'[' && line.find(L']') == std::wstring::npos)
            warnings.push_back(L"line " + std::to_wstring(number) + L" \"" + line +
                               L"\" is no section header (it lacks \"]\"): its lines join the section "
                               L"before it");
}

// Why an argument object or a tool may have refused text: what it holds
// that the plug-in's fixed buffers cannot, else the object's answer.
std::wstring refusal_reason(const std::wstring& text, size_t longest, bool oneByte, HRESULT answer) {
    if (text.size() > longest)
        return L"it has " + std::to_wstring(text.size()) + L" characters, more than the " +
               std::to_wstring(longest) + L" that fit";
    for (size_t i = 0; oneByte && i < text.size(); ++i)
        if (static_cast<unsigned>(text[i]) > 255) {
            wchar_t code[8];
            swprintf(code, 8, L"U+%04X", static_cast<unsigned>(text[i]));
            return L"its character " + std::wstring(code) + L" (at " + std::to_wstring(i + 1) +
                   L") has no one-byte form";
        }
    return hresult_explained(answer);
}

constexpr size_t kLongestOptionText = 2047; // the argument objects' buffer, less its terminator
constexpr size_t kLongestLocation = 259;    // the tools' location buffer, less its terminator

// Hands the text to the argument object. A text it refuses is an error:
// a build with the default text in its place would be another build.
template <class Args>
void apply_text(Args& args, const std::optional<std::wstring>& text, const std::wstring& where,
                std::vector<std::wstring>& errors) {
    if (!text)
        return;
    const HRESULT set = args.SetCmdLine(text->c_str());
    if (FAILED(set))
        errors.push_back(where + L": the text was refused: " +
                         refusal_reason(*text, kLongestOptionText, true, set));
}

// Hands the settings given for tool (text, flags) to its argument object.
void apply_settings(IToolArgs& args, const ToolSettings& settings, const GUID& tool,
                    const std::wstring& where, std::vector<std::wstring>& errors) {
    for (const auto& [settingsClass, entry] : settings)
        if (IsEqualGUID(settingsClass, tool)) {
            apply_text(args, entry.text, where, errors);
            if (entry.isDefault)
                args.SetDefault(*entry.isDefault ? 1 : 0);
            if (entry.alternate)
                args.SetAltFlag(*entry.alternate ? 1 : 0);
        }
}

// The strings a profile function lists, each ended by a null, in a buffer
// that grows until the list fits.
template <class Read> std::vector<std::wstring> read_profile_list(Read&& read) {
    std::vector<wchar_t> buffer(kFirstBuffer);
    DWORD length = 0;
    for (;;) {
        length = read(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length + 2 < buffer.size() || buffer.size() >= kLargestSection)
            break;
        buffer.resize(buffer.size() * 2);
    }
    std::vector<std::wstring> strings;
    for (size_t at = 0; at < length && buffer[at];) {
        strings.emplace_back(&buffer[at]);
        at += strings.back().size() + 1;
    }
    return strings;
}

} // namespace

IniSection read_ini_section(const std::wstring& file, const std::wstring& section) {
    IniSection lines;
    for (const std::wstring& line : read_profile_list([&](wchar_t*buffer, DWORD size) {
             return GetPrivateProfileSectionW(section.c_str(), buffer, size, file.c_str());
         })) {
        const size_t equals = line.find(L'=');
        if (equals == std::wstring::npos)
            lines.emplace_back(std::wstring(), trim(line));
        else
            lines.emplace_back(trim(line.substr(0, equals)), line.substr(equals + 1));
    }
    return lines;
}

std::vector<std::wstring> read_ini_section_names(const std::wstring& file) {
    return read_profile_list([&](wchar_t* buffer, DWORD size) {
        return GetPrivateProfileSectionNamesW(buffer, size, file.c_str());
    });
}

bool write_ini_section(const std::wstring& file, const std::wstring& section, const IniSection& lines) {
    std::wstring block;
    for (const auto& [key, value] : lines) {
        block += key.empty() ? value : key + L"=" + value;
        block += L'\0';
    }
    block += L'\0';
    // An empty section is removed rather than left as a bare header.
    return lines.empty()
               ? WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file.c_str()) != FALSE
               : WritePrivateProfileSectionW(section.c_str(), block.c_str(), file.c_str()) != FALSE;
}

const ToolSettings* ProjectFile::settings_of_file(const std::wstring& location) const {
    for (const auto& entry : fileArgs)
        if (equal_text(entry.first, location))
            return &entry.second;
    return nullptr;
}

uint64_t ProjectFile::fingerprint_of_file(const std::wstring& location) const {
    for (const auto& entry : fileFingerprints)
        if (equal_text(entry.first, location))
            return entry.second;
    return kFingerprintSeed;
}

HRESULT read_project_file(const std::wstring& path, ProjectFile& file) {
    file = ProjectFile{};
    file.path = paths::absolute(path, std::wstring());
    const DWORD attributes = GetFileAttributesW(file.path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    const std::wstring base = paths::directory_of(file.path);
    uint64_t projectHash = kFingerprintSeed;
    // Hands each line of a section to read, which answers what is wrong with
    // it (null: nothing); a section that decides the build's settings goes
    // into its fingerprint.
    const auto read_section = [&](const std::wstring& section, uint64_t* fingerprint, auto&& read) {
        const IniSection lines = read_ini_section(file.path, section);
        if (fingerprint)
            fingerprint_into(*fingerprint, lines);
        for (const auto& [key, value] : lines)
            if (const wchar_t* problem = read(key, value))
                file.warnings.push_back(L"[" + section + L"] " + key + L": " + problem);
        return !lines.empty();
    };
    using Line = const std::wstring&;

    DeviceInfo device;
    if (read_section(L"Device", &projectHash, [&](Line key, Line value) -> const wchar_t* {
            if (equal_text(key, L"Name") || equal_text(key, L"Type")) {
                (equal_text(key, L"Name") ? device.name : device.type) = trim(value);
                return nullptr;
            }
            if (!equal_text(key, L"Family") && !equal_text(key, L"Width"))
                return L"unknown key";
            const std::optional<unsigned long> number = parse_number(value);
            if (number)
                (equal_text(key, L"Family") ? device.family : device.width) = *number;
            return number ? nullptr : L"not a number";
        }))
        file.device = device;

    read_section(L"Preferences", nullptr, [&](Line key, Line value) -> const wchar_t* {
        std::optional<unsigned long> preference = parse_number(key);
        if (equal_text(key, L"HaltOnFirstFailure"))
            preference = 8;
        else if (equal_text(key, L"SaveBeforeBuild"))
            preference = 32;
        const std::optional<unsigned long> number = parse_number(value);
        if (!preference || !number)
            return L"not a preference and a number";
        file.preferences[*preference] = static_cast<uint32_t>(*number);
        return nullptr;
    });

    read_section(L"Paths", &projectHash, [&](Line key, Line value) -> const wchar_t* {
        bool known = false;
        for (int type = PT_FIRST_PATH_TYPE; type < PT_NUM_PATH_TYPES; ++type)
            if (equal_text(key, kPathKeys[type]) || equal_text(key, std::wstring(L"PT_") + kPathKeys[type])) {
                file.paths[type] = absolute_list(trim(value), base);
                known = true;
            }
        return known ? nullptr : L"unknown path type";
    });

    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (const auto& line : read_ini_section(file.path, kFolderSections[folder])) {
            const std::wstring location = trim(line.second);
            if (!location.empty())
                file.folders[folder].push_back(location);
        }

    // Another tool (a moved one) is another build: part of the settings.
    read_section(L"Tool Locations", &projectHash, [&](Line key, Line value) -> const wchar_t* {
        const std::optional<GUID> tool = class_from_name(key);
        if (!tool)
            return L"not a tool class";
        // An empty value is no location at all, not the project's folder.
        file.toolLocations.emplace_back(*tool, trim(value).empty() ? std::wstring()
                                                                   : paths::absolute(trim(value), base));
        return nullptr;
    });

    read_section(L"Suite", &projectHash, [&](Line key, Line value) -> const wchar_t* {
        if (!is_text_key(key))
            return L"unknown key";
        file.suiteText = value;
        return nullptr;
    });

    const std::vector<std::wstring> sections = read_ini_section_names(file.path);
    warn_about_sections(file.path, sections, file.warnings);
    for (const std::wstring& section : sections) {
        if (starts_with(section, kToolPrefix) && !equal_text(section, L"Tool Locations")) {
            const std::optional<GUID> tool = class_from_name(trim(section.substr(wcslen(kToolPrefix))));
            ArgsSettings* settings = tool ? &settings_for(file.projectArgs, *tool) : nullptr;
            read_section(section, &projectHash, [&](Line key, Line value) -> const wchar_t* {
                return !settings || read_args_key(key, value, *settings)
                           ? nullptr
                           : L"not Text, Default or Alternate with 0 or 1";
            });
            if (!tool)
                file.warnings.push_back(L"[" + section + L"]: not a tool class");
        } else if (starts_with(section, kFilePrefix)) {
            uint64_t fileHash = kFingerprintSeed;
            ToolSettings tools;
            read_section(section, &fileHash, [&](Line key, Line value) -> const wchar_t* {
                const size_t dot = key.rfind(L'.');
                const std::optional<GUID> tool =
                    dot == std::wstring::npos ? std::nullopt : class_from_name(key.substr(0, dot));
                return tool && read_args_key(key.substr(dot + 1), value, settings_for(tools, *tool))
                           ? nullptr
                           : L"not TOOL.Text, TOOL.Default or TOOL.Alternate";
            });
            const std::wstring location = trim(section.substr(wcslen(kFilePrefix)));
            file.fileFingerprints.emplace_back(location, fileHash);
            file.fileArgs.emplace_back(location, std::move(tools));
        }
    }
    file.projectFingerprint = projectHash;
    return S_OK;
}

HRESULT apply_project_file(const ProjectFile& file, HostProject& project, IProjectDisplay* display,
                           std::vector<std::wstring>& warnings, std::vector<std::wstring>& errors) {
    project.set_location(file.path);
    for (int type = PT_FIRST_PATH_TYPE; type < PT_NUM_PATH_TYPES; ++type)
        project.set_path(static_cast<PathType>(type), file.paths[type]);
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (const std::wstring& location : file.folders[folder])
            project.add_file(static_cast<FileCat>(folder), location);

    ISuite* suite = project.suite().get();
    if (!suite)
        return S_OK; // a project without a suite keeps no argument objects

    for (const auto& [toolClass, location] : file.toolLocations) {
        const std::wstring where = L"[Tool Locations] " + from_utf8(class_name(toolClass));
        const suite::ComPtr<ITool> tool = find_tool(suite, toolClass);
        const HRESULT set = tool ? tool->SetLocation(location.c_str()) : S_OK;
        if (!tool)
            warnings.push_back(where + L": the suite has no such tool");
        else if (FAILED(set)) // the build would run the tool from somewhere else
            errors.push_back(where + L": the tool refused the location: " +
                             refusal_reason(location, kLongestLocation, false, set));
    }

    // The project's argument objects: one per tool, then the suite's.
    const auto tools = suite_tools(suite);
    for (const auto& [toolClass, tool] : tools) {
        const std::wstring name = from_utf8(class_name(toolClass));
        suite::ComPtr<IToolArgs> args;
        const HRESULT created = tool->CreateArgs(args.put(), 1);
        if (FAILED(created) || !args) {
            warnings.push_back(L"cannot make the settings of " + name + L": " +
                               from_utf8(hresult_text(created)));
            continue;
        }
        args->SetProject(&project);
        args->SetDisplay(display);
        apply_settings(*args.get(), file.projectArgs, toolClass, L"[Tool " + name + L"] Text", errors);
        project.set_project_tool_args(toolClass, std::move(args));
    }
    suite::ComPtr<ISuiteArgs> suiteArgs;
    const HRESULT suiteCreated = suite->CreateArgs(suiteArgs.put());
    if (SUCCEEDED(suiteCreated) && suiteArgs) {
        apply_text(*suiteArgs.get(), file.suiteText, L"[Suite] Text", errors);
        project.set_suite_args(std::move(suiteArgs));
    } else {
        warnings.push_back(L"cannot make the suite's settings: " + from_utf8(hresult_text(suiteCreated)));
    }

    // Each file gets an object for the tools of its suffix and for any tool
    // its section names, its parent being the project's object of that tool.
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (HostProjectNode* own : project.own_nodes(static_cast<FileCat>(folder))) {
            std::vector<GUID> fileTools = tools_for_suffix(suite, paths::extension_of(own->location()));
            const ToolSettings* settings = file.settings_of_file(own->location());
            if (settings)
                for (const auto& entry : *settings)
                    if (std::none_of(fileTools.begin(), fileTools.end(),
                                     [&](const GUID& known) { return IsEqualGUID(known, entry.first); }))
                        fileTools.push_back(entry.first);
            for (const GUID& toolClass : fileTools) {
                const std::wstring where =
                    L"[File " + own->location() + L"] " + from_utf8(class_name(toolClass));
                const auto tool = std::find_if(tools.begin(), tools.end(), [&](const auto& entry) {
                    return IsEqualGUID(entry.first, toolClass);
                });
                if (tool == tools.end()) {
                    warnings.push_back(where + L": the suite has no such tool");
                    continue;
                }
                suite::ComPtr<IToolArgs> args;
                if (FAILED(tool->second->CreateArgs(args.put(), 1)) || !args)
                    continue;
                args->SetProject(&project);
                args->SetProjectNode(own);
                args->SetDisplay(display);
                args->SetParent(project.project_tool_args(toolClass).get());
                if (settings)
                    apply_settings(*args.get(), *settings, toolClass, where + L".Text", errors);
                own->set_args(toolClass, std::move(args));
            }
        }
    return S_OK;
}

const wchar_t* path_key(PathType type) {
    return kPathKeys[type];
}

std::wstring state_path_of(const std::wstring& projectPath) {
    return projectPath + L".state";
}

HRESULT load_project_state(const ProjectFile& file, HostProject& project,
                           std::vector<std::wstring>& warnings) {
    const std::wstring statePath = state_path_of(file.path);
    if (GetFileAttributesW(statePath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return S_FALSE; // never built: nothing is stable
    // The profile functions read what they cannot open as empty, which would
    // forget every build silently.
    const UniqueFileHandle readable(CreateFileW(statePath.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (readable.get() == INVALID_HANDLE_VALUE)
        return HRESULT_FROM_WIN32(GetLastError());

    std::optional<uint64_t> builtProject;
    std::unordered_map<std::wstring, uint64_t> builtFiles; // upper-case location -> fingerprint
    for (const auto& [key, value] : read_ini_section(statePath, L"Settings")) {
        if (equal_text(key, L"Project"))
            builtProject = wcstoull(value.c_str(), nullptr, 16);
        else if (equal_text(key, L"File")) {
            const size_t bar = value.find(L'|');
            if (bar != std::wstring::npos)
                builtFiles.emplace(paths::upper(value.substr(bar + 1)),
                                   wcstoull(value.substr(0, bar).c_str(), nullptr, 16));
        }
    }
    const bool projectUnchanged = builtProject && *builtProject == file.projectFingerprint;
    const auto fileUnchanged = [&](const std::wstring& location) {
        const auto built = builtFiles.find(paths::upper(location));
        // A file the state does not name had no settings then.
        return file.fingerprint_of_file(location) ==
               (built != builtFiles.end() ? built->second : kFingerprintSeed);
    };

    for (const auto& [key, value] : read_ini_section(statePath, L"State")) {
        const std::optional<bool> flag = parse_flag(value);
        if (!flag)
            continue;
        if (equal_text(key, L"Stable"))
            project.set_stable(*flag && projectUnchanged);
        else if (equal_text(key, L"BuildRequired"))
            project.set_build_required(*flag || !projectUnchanged);
    }
    for (const auto& [key, value] : read_ini_section(statePath, L"Tool Location Stamps"))
        project.set_tool_location_stamp(key, value);
    // The builds' files, kept relative to the project: Clean deletes them, so
    // an entry that cannot be one of them (a copied project's, a source, a
    // file elsewhere) is dropped, never deleted.
    const auto mayBeOutput = project.build_output_rule();
    for (const FileCat folder : {FCAT_INT, FCAT_OUT})
        for (const auto& line : read_ini_section(statePath, kFolderSections[folder])) {
            const std::wstring entry = trim(line.second);
            if (entry.empty())
                continue;
            const std::wstring location = paths::absolute(entry, project.project_directory());
            if (mayBeOutput(location))
                project.add_file(folder, location);
            else
                warnings.push_back(L"[" + std::wstring(kFolderSections[folder]) + L"] " + entry +
                                   L" in the state file: not a file this project's builds make; dropped, "
                                   L"not deleted");
        }
    // Stable nodes: "folder|location", found through one index per folder.
    std::array<std::unordered_map<std::wstring, HostProjectNode*>, FCAT_NUM_CATS> nodes;
    for (int folder = FCAT_FIRST; folder < FCAT_NUM_CATS; ++folder)
        for (HostProjectNode* own : project.own_nodes(static_cast<FileCat>(folder)))
            nodes[folder].emplace(paths::upper(own->location()), own);
    for (const auto& line : read_ini_section(statePath, L"Stable Files")) {
        const size_t bar = line.second.find(L'|');
        if (bar == std::wstring::npos)
            continue;
        const std::optional<unsigned long> folder = parse_number(line.second.substr(0, bar));
        const std::wstring location = line.second.substr(bar + 1);
        if (!folder || *folder >= FCAT_NUM_CATS || !fileUnchanged(location))
            continue;
        const auto found = nodes[*folder].find(paths::upper(location));
        if (found != nodes[*folder].end())
            found->second->set_stable(true);
    }
    return S_OK;
}

HRESULT save_project_state(const ProjectFile& file, const HostProject& project) {
    const std::wstring statePath = state_path_of(file.path);
    // A new file starts as UTF-16: the profile functions then keep every
    // character (a file they create holds one byte a character, "?" for the rest).
    bool createdNow = false;
    if (const UniqueFileHandle created(CreateFileW(statePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        created.get() != INVALID_HANDLE_VALUE) {
        const unsigned char byteOrderMark[2] = {0xFF, 0xFE};
        DWORD written = 0;
        WriteFile(created.get(), byteOrderMark, sizeof byteOrderMark, &written, nullptr);
        createdNow = true;
    }
    IniSection state{{L"Stable", project.stable() ? L"1" : L"0"},
                     {L"BuildRequired", project.build_required() ? L"1" : L"0"}};
    IniSection settings{{L"Project", hex(file.projectFingerprint)}};
    IniSection stamps;
    for (const auto& entry : project.tool_location_stamps())
        stamps.emplace_back(entry.second.first, entry.second.second);
    IniSection stableFiles;
    for (int folder = FCAT_FIRST; folder < FCAT_NUM_CATS; ++folder)
        for (HostProjectNode* own : project.own_nodes(static_cast<FileCat>(folder))) {
            if (own->stable())
                stableFiles.emplace_back(L"File", std::to_wstring(folder) + L"|" + own->location());
            if (folder < FCAT_INT)
                settings.emplace_back(L"File", hex(file.fingerprint_of_file(own->location())) + L"|" +
                                                   own->location());
        }
    bool written = write_ini_section(statePath, L"State", state) &&
                   write_ini_section(statePath, L"Settings", settings) &&
                   write_ini_section(statePath, L"Tool Location Stamps", stamps) &&
                   write_ini_section(statePath, L"Stable Files", stableFiles);
    for (const FileCat folder : {FCAT_INT, FCAT_OUT}) {
        IniSection files;
        for (const std::wstring& location : project.locations(folder))
            files.emplace_back(L"File",
                               paths::relative_to(paths::absolute(location, project.project_directory()),
                                                  project.project_directory()));
        written = write_ini_section(statePath, kFolderSections[folder], files) && written;
    }
    if (written)
        return S_OK;
    const HRESULT failed = HRESULT_FROM_WIN32(GetLastError());
    // A state file begun here and not written would read as an empty state.
    if (createdNow)
        DeleteFileW(statePath.c_str());
    return failed;
}

HRESULT load_project_file(HostProject& project, const std::wstring& path) {
    ProjectFile file;
    const HRESULT read = read_project_file(path, file);
    if (FAILED(read))
        return read;
    project.clear_model();
    std::vector<std::wstring> warnings, errors;
    const HRESULT applied = apply_project_file(file, project, nullptr, warnings, errors);
    if (FAILED(applied))
        return applied;
    if (!errors.empty())
        return E_INVALIDARG;
    return load_project_state(file, project, warnings);
}

HRESULT save_project_file(HostProject& project, const std::wstring& path) {
    const std::wstring target = paths::absolute(path, std::wstring());
    bool written = true;
    const auto write = [&](const std::wstring& section, const IniSection& lines) {
        written = write_ini_section(target, section, lines) && written;
    };
    IniSection pathLines;
    for (int type = PT_FIRST_PATH_TYPE; type < PT_NUM_PATH_TYPES; ++type)
        pathLines.emplace_back(kPathKeys[type], project.path(static_cast<PathType>(type)));
    write(L"Paths", pathLines);
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder) {
        IniSection files;
        for (const std::wstring& location : project.locations(static_cast<FileCat>(folder)))
            files.emplace_back(L"File", location);
        write(kFolderSections[folder], files);
    }
    // An argument object's keys, each named after prefix ("T_TARNIV18cc." in a file's section).
    const auto add_args_lines = [](IniSection& lines, IToolArgs* args, const std::wstring& prefix) {
        if (!args)
            return;
        suite::CoTaskString text;
        if (SUCCEEDED(args->GetCmdLine(text.put())))
            lines.emplace_back(prefix + L"Text", text.c_str());
        lines.emplace_back(prefix + L"Default", args->IsDefault() == S_OK ? L"1" : L"0");
        lines.emplace_back(prefix + L"Alternate", args->GetAltFlag() == S_OK ? L"1" : L"0");
    };
    for (const auto& [toolClass, args] : project.all_project_tool_args()) {
        IniSection lines;
        add_args_lines(lines, args.get(), L"");
        write(kToolPrefix + from_utf8(class_name(toolClass)), lines);
    }
    suite::CoTaskString suiteText;
    if (project.suite_args() && SUCCEEDED(project.suite_args()->GetCmdLine(suiteText.put())))
        write(L"Suite", IniSection{{L"Text", suiteText.c_str()}});
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (HostProjectNode* own : project.own_nodes(static_cast<FileCat>(folder))) {
            IniSection lines;
            for (const auto& [toolClass, args] : own->args())
                add_args_lines(lines, args.get(), from_utf8(class_name(toolClass)) + L".");
            write(kFilePrefix + own->location(), lines);
        }
    if (!written)
        return HRESULT_FROM_WIN32(GetLastError());
    // The state belongs with the settings just written.
    ProjectFile file;
    const HRESULT reread = read_project_file(target, file);
    if (FAILED(reread))
        return reread;
    return save_project_state(file, project);
}

} // namespace veska::host
