// `veska-host options PROJECT.ini TOOL [FILE] [--do COMMAND]... [--png FILE]`:
// opens the option page of one argument object as the IDE does (the
// project's object of a tool, a file's, or the suite's), shows it in a real
// property sheet, and writes what the page applied back into the project
// file, with the build state the page asked for in the state file.
#pragma once

#include "cli_output.h"
#include "suite_session.h"

#include <optional>
#include <string>
#include <vector>

namespace veska::host::cli {

struct OptionsRequest {
    std::wstring project;
    std::wstring tool;                   // "as", "cc", "ld" or "suite"
    std::optional<std::wstring> file;    // a file of the project: its own settings of the tool
    std::vector<std::wstring> commands;  // the --do script, in order
    std::optional<std::wstring> picture; // --png: the sheet as it opened
};

// Without commands and picture a person works a modal sheet; otherwise the
// script drives a modeless one (a script that does not end in ok or cancel
// cancels). 0 success; 2 an unknown tool, file, control or command, or any
// other failure, with a message on standard error.
int run_options(const OptionsRequest& request, Output& output);
// The same with a suite already connected to session.
int run_options_with(SuiteSession& session, const OptionsRequest& request, Output& output);

} // namespace veska::host::cli
