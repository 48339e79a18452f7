// `veska-host build|make PROJECT.ini` and `assemble|compile PROJECT.ini
// FILE...`: the headless IDE. Loads the project file, hands the suite the
// command as the IDE's menu would, prints the build output as the suite
// writes it (standard output) and each tool message the tool can place as
// `file(line): message` (standard error), and keeps the project's state in
// the state file beside the project.
#pragma once

#include "cli_output.h"
#include "suite_session.h"

#include <optional>
#include <string>
#include <vector>

namespace veska::host::cli {

struct BuildRequest {
    unsigned long command = CMD_BUILD_ALL;
    std::wstring project;
    std::vector<std::wstring> files; // assemble and compile only
    bool verbose = false;            // each command line and what its tool printed, on standard error
    bool timed = false;              // where the time went, on standard error at the end
    bool quiet = false;              // no progress line per tool run on standard error
    std::optional<std::wstring> compileCommands{}; // a JSON compilation database of the C sources run
    std::optional<std::wstring> sarif{};           // the build's diagnostics as SARIF 2.1.0
};

// 0 success, 1 a tool failed, 2 anything else.
int run_build(const BuildRequest& request, Output& output);
// The same with a suite already connected to session (a test's).
int run_build_with(SuiteSession& session, const BuildRequest& request, Output& output);

// The annotation form of a tool message the tool placed at file and line:
// "file(line): message", the location words taken out of the message.
std::wstring tool_diagnostic(const std::wstring& message, const std::wstring& file, unsigned long line);

} // namespace veska::host::cli
