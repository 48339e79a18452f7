// veska-host: the stand-in VESKA IDE on the command line.
#include "build_command.h"
#include "cli_output.h"
#include "info_command.h"
#include "options_command.h"

#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: veska-host info\n"
                      "       veska-host build|make PROJECT.ini [--verbose] [--time]\n"
                      "       veska-host assemble|compile PROJECT.ini FILE... [--verbose] [--time]\n"
                      "       veska-host options PROJECT.ini as|cc|ld|suite [FILE]\n"
                      "                  [--do COMMAND]... [--png FILE]\n"
                      "           COMMAND: category N, click ID, select ID N, type ID TEXT, macro TEXT,\n"
                      "                    show, png FILE, apply, ok, cancel\n";

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace veska::host::cli;
    ConsoleOutput output;
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const std::wstring command = args.empty() ? std::wstring() : args[0];
    if (command == L"info" && args.size() == 1)
        return run_info(output);

    if (command == L"options" && args.size() >= 3) {
        OptionsRequest options{args[1], args[2], std::nullopt, {}, std::nullopt};
        for (size_t i = 3; i < args.size(); ++i) {
            const bool hasValue = i + 1 < args.size();
            if (args[i] == L"--do" && hasValue) {
                options.commands.push_back(args[++i]);
            } else if (args[i] == L"--png" && hasValue && !options.picture) {
                options.picture = args[++i];
            } else if (args[i].rfind(L"--", 0) != 0 && !options.file) {
                options.file = args[i];
            } else {
                output.err(L"veska-host: unexpected argument " + args[i] + L"\n");
                output.err(kUsage);
                return kExitFailure;
            }
        }
        return run_options(options, output);
    }

    BuildRequest request;
    std::vector<std::wstring> operands; // a build command's arguments without its options
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == L"--verbose")
            request.verbose = true;
        else if (arg == L"--time")
            request.timed = true;
        else if (arg == L"--quiet")
            request.quiet = true;
        else if (arg == L"--compile-commands" && hasValue)
            request.compileCommands = args[++i];
        else if (arg == L"--sarif" && hasValue)
            request.sarif = args[++i];
        else
            operands.push_back(arg);
    }
    if ((command == L"build" || command == L"make") && operands.size() == 2) {
        request.command = command == L"build" ? CMD_BUILD_ALL : CMD_MAKE;
    } else if ((command == L"assemble" || command == L"compile") && operands.size() >= 3) {
        request.command = command == L"assemble" ? CMD_ASSEMBLE : CMD_COMPILE;
        request.files.assign(operands.begin() + 2, operands.end());
    } else {
        output.err(kUsage);
        return kExitFailure;
    }
    request.project = operands[1];
    return run_build(request, output);
}
