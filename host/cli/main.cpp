// veska-host: the stand-in VESKA IDE on the command line.
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
    if (args.empty()) {
        output.err(kUsage);
        return kExitFailure;
    }
    if (args[0] == L"info" && args.size() == 1)
        return run_info(output);
    output.err(kUsage);
    return kExitFailure;
}
