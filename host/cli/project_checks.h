// What the host can tell about a project before and after the suite works
// on it, in the user's terms: the file, section or key at fault and what
// would mend it. The suite's own answers name no file.
#pragma once

#include "cli_output.h"
#include "host_manager.h"
#include "project_file.h"

#include <string>
#include <vector>

namespace veska::host::cli {

// Refuses, with the reason on output, a project path that is no project
// file (a folder, a file with no [Section] line such as a source) or whose
// state file the profile functions could not write (a path of 260
// characters or more). path as given on the command line.
bool check_project_path(const std::wstring& path, Output& output);

// Refuses a build in a project folder whose path has a character without a
// one-byte form: the suite hands every path to its tools one byte a
// character, so no build can work there.
bool check_build_folder(const HostProject& project, Output& output);

// Warns about each [File ...] section that names no file the project lists
// (its settings would be ignored), naming the nearest listed file.
void warn_about_unmatched_file_sections(const ProjectFile& file, Output& output);

// Where a tool's location comes from, as the user would change it: the
// project's [Tool Locations] key or the registry value.
std::wstring location_origin(const ProjectFile& file, const GUID& tool);

// After a build the suite ended with TOOL_E_NOTLOCATED: each tool without
// a usable location, the location tried and where to set it.
void explain_unlocated_tools(ISuite* suite, const ProjectFile& file, Output& output);

// The listed source a tool run worked on (its absolute path appears in the
// line), as listed; empty for a link or a line that names none.
std::wstring source_of_run(const ExecuteRequest& run, const HostProject& project);

// Make's summary: how many headers its up-to-date test compared against.
void report_make_headers(const HostProject& project, Output& output);

} // namespace veska::host::cli
