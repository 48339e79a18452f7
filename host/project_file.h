// The project file of the headless host: an INI file read and written with
// the platform's profile functions (the format is in README.md), and the
// state file beside it ("PROJECT.ini.state") in which the host keeps what the
// IDE keeps in its project between builds: the intermediate and output files,
// project and file stability, tool-location stamps.
#pragma once

#include "host_manager.h"
#include "host_project.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veska::host {

// One section's lines in file order: key and value as written (a line
// without "=" has an empty key). Values keep their quotes.
using IniSection = std::vector<std::pair<std::wstring, std::wstring>>;
IniSection read_ini_section(const std::wstring& file, const std::wstring& section);
std::vector<std::wstring> read_ini_section_names(const std::wstring& file);
// Replaces a whole section; false when the platform refused.
bool write_ini_section(const std::wstring& file, const std::wstring& section, const IniSection& lines);

struct ArgsSettings {
    std::optional<std::wstring> text;
    std::optional<bool> isDefault;
    std::optional<bool> alternate;
};
using ToolSettings = std::vector<std::pair<GUID, ArgsSettings>>;

struct ProjectFile {
    std::wstring path; // absolute
    std::optional<DeviceInfo> device;
    std::map<unsigned long, uint32_t> preferences;
    std::array<std::wstring, PT_NUM_PATH_TYPES> paths;
    // The folders the user lists: sources to unknown. The intermediate and
    // output folders are the builds' and live in the state file.
    std::array<std::vector<std::wstring>, FCAT_NUM_CATS> folders;
    ToolSettings projectArgs;
    std::optional<std::wstring> suiteText;
    std::vector<std::pair<GUID, std::wstring>> toolLocations; // absolute
    // Per file, keyed by the location as listed (compared without case).
    std::vector<std::pair<std::wstring, ToolSettings>> fileArgs;
    // What the settings looked like, to tell whether they changed since the
    // last build.
    uint64_t projectFingerprint = 0;
    std::vector<std::pair<std::wstring, uint64_t>> fileFingerprints;
    // Lines that could not be used (unknown tool names, bad numbers).
    std::vector<std::wstring> warnings;

    const ToolSettings* settings_of_file(const std::wstring& location) const;
    uint64_t fingerprint_of_file(const std::wstring& location) const;
};

// Reads the project file at path (made absolute against the current
// directory first: the profile functions would look for a bare name in the
// Windows directory). Fails when the file does not exist.
HRESULT read_project_file(const std::wstring& path, ProjectFile& file);

// Fills the project from the file: location, paths, folders, and argument
// objects made through the project's suite (ITool::CreateArgs,
// ISuite::CreateArgs) and wired as the IDE wires them. Warnings collect
// what could not be made; errors the option texts and tool locations the
// plug-in refused (a build would not be the one the file describes).
HRESULT apply_project_file(const ProjectFile& file, HostProject& project, IProjectDisplay* display,
                           std::vector<std::wstring>& warnings, std::vector<std::wstring>& errors);

// The [Paths] key of a path type: "SRC", "BIN", "TMP" ...
const wchar_t* path_key(PathType type);

std::wstring state_path_of(const std::wstring& projectPath);
// Restores the state a previous run left, where the settings have not
// changed since: a changed project setting makes the project unstable, a
// changed file setting that file's node. Fails when the state file is there
// but cannot be read; entries that cannot be this project's build files are
// dropped with a warning.
HRESULT load_project_state(const ProjectFile& file, HostProject& project,
                           std::vector<std::wstring>& warnings);
HRESULT save_project_state(const ProjectFile& file, const HostProject& project);

// IProject::LoadProjectFile and SaveProjectFile.
HRESULT load_project_file(HostProject& project, const std::wstring& path);
HRESULT save_project_file(HostProject& project, const std::wstring& path);

} // namespace veska::host
