// veska-host's command line: the commands and their options, help, version,
// and the errors a mistyped word gets (named, with the nearest valid word).
#pragma once

#include "build_command.h"
#include "cli_output.h"
#include "options_command.h"

#include <string>
#include <vector>

namespace veska::host::cli {

struct CommandLine {
    enum Kind {
        Finished,    // help, version or a usage error: written already, exitCode says how it ended
        ModuleInfo,  // `info`
        ProjectInfo, // `info PROJECT.ini`
        Build,       // build, make, assemble, compile
        Options      // options
    };
    Kind kind = Finished;
    int exitCode = kExitOk;
    std::wstring project; // ProjectInfo
    BuildRequest build;
    OptionsRequest options;
};

// Reads the arguments after the program's name. Help goes to standard
// output (exit 0); a usage error names the word at fault on standard error
// with the nearest valid one (exit 2); no arguments print the usage on
// standard error (exit 2).
CommandLine parse_command_line(const std::vector<std::wstring>& args, Output& output);

// "veska-host VERSION" and the version of the plug-in module COM would
// load for the suite, or why there is none.
void print_version(Output& output);

} // namespace veska::host::cli
