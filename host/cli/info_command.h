// `veska-host info`: what the registered plug-in says about itself.
#pragma once

#include "cli_output.h"
#include "suite_session.h"

namespace veska::host::cli {

// Reports the module's class objects, then (when the suite can be created)
// its names, tools, folders, suffixes, dialog strings, menus and toolbar.
// Anything the suite does not answer is reported as such. 0, or 2 when the
// module serves no class at all.
int run_info(Output& output);

// The module file COM loads for clsid (HKEY_CLASSES_ROOT's InprocServer32),
// or "" when the class is not registered.
std::wstring registered_module_path(const CLSID& clsid);

// The suite part alone, for a suite already connected to session.
void describe_suite(SuiteSession& session, Output& output);

// `veska-host info PROJECT.ini`: the project's settings as a build would
// use them (device, folders, each tool's location and where it came from,
// option texts and the files with their own). 0, or 2 when the project
// cannot be opened.
int run_project_info(const std::wstring& project, Output& output);
int run_project_info_with(SuiteSession& session, const std::wstring& project, Output& output);

} // namespace veska::host::cli
