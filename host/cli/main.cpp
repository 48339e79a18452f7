// veska-host: the stand-in VESKA IDE on the command line.
#include "build_command.h"
#include "cli_output.h"
#include "info_command.h"

#include <string>
#include <vector>

namespace {

const char kUsage[] = "usage: veska-host info\n"
                      "       veska-host build|make PROJECT.ini\n"
                      "       veska-host assemble|compile PROJECT.ini FILE...\n";

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace veska::host::cli;
    ConsoleOutput output;
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const std::wstring command = args.empty() ? std::wstring() : args[0];
    if (command == L"info" && args.size() == 1)
        return run_info(output);

    BuildRequest request;
    if ((command == L"build" || command == L"make") && args.size() == 2) {
        request.command = command == L"build" ? CMD_BUILD_ALL : CMD_MAKE;
    } else if ((command == L"assemble" || command == L"compile") && args.size() >= 3) {
        request.command = command == L"assemble" ? CMD_ASSEMBLE : CMD_COMPILE;
        request.files.assign(args.begin() + 2, args.end());
    } else {
        output.err(kUsage);
        return kExitFailure;
    }
    request.project = args[1];
    return run_build(request, output);
}
