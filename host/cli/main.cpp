// veska-host: the stand-in VESKA IDE on the command line.
#include "build_command.h"
#include "cli_output.h"
#include "command_line.h"
#include "info_command.h"
#include "options_command.h"

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    using namespace veska::host::cli;
    ConsoleOutput output;
    const CommandLine line = parse_command_line(std::vector<std::wstring>(argv + 1, argv + argc), output);
    switch (line.kind) {
    case CommandLine::ModuleInfo:
        return run_info(output);
    case CommandLine::ProjectInfo:
        return run_project_info(line.project, output);
    case CommandLine::Build:
        return run_build(line.build, output);
    case CommandLine::Options:
        return run_options(line.options, output);
    case CommandLine::Finished:
        break;
    }
    return line.exitCode;
}
