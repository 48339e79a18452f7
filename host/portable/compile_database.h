// A JSON compilation database (compile_commands.json) of the C compiler runs
// of a build, as clang-based tools read it.
//
// Each entry keeps the line the plug-in had run in "command", and in
// "arguments" (which those tools read first) the same run in switches they
// understand: the driver's include directories, macro definitions, "compile
// only", signed char and object file, the source; its own switches (quiet,
// IDE mode, error file, device, optimisation, warning levels, debug
// information, ...) have no counterpart there and are left out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veska::host::portable {

struct CompileRun {
    std::string directory; // the run's working directory
    std::string file;      // the source, as its command line names it
    std::string command;   // the command line as it ran
};

// The words of a driver command line (program first) in the form clang
// reads, for the given source word; the switches that form has no meaning
// for are left out.
std::vector<std::string> clang_arguments(const std::vector<std::string>& words, std::string_view source);

struct DatabaseText {
    bool written = false;
    std::string text;  // the new database when written
    std::string error; // why not: the existing text is no database
};

// The database existing (empty text: none yet) with the entries of runs in
// it: an entry of a file that ran again is replaced where it stands, other
// entries are kept, entries of new files follow in the order they ran.
DatabaseText merge_compile_database(std::string_view existing, const std::vector<CompileRun>& runs);

} // namespace veska::host::portable
