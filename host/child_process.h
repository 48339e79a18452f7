// Running a tool as a child process: the command line as the IDE runs it,
// what the tool prints collected while it runs.
#pragma once

#include "contract.h"

#include <string>

namespace veska::host {

constexpr size_t kMaxCommandLine = 32767; // what CreateProcess accepts
constexpr int kStartAttempts = 3;         // for a start that died while loading

// Runs a command line for real: CreateProcess in the current directory,
// wait, exit code. ECL_UGLYDOSTOOL lines go through the command interpreter.
// What the tool prints on its standard output and error goes to output.
// A start that failed before the tool ran is tried kStartAttempts times.
HRESULT run_command_line(const std::wstring& line, ECLFlag flags, unsigned long& exitCode,
                         std::string* output = nullptr);

// This process's working directory; "" when it cannot be read.
std::wstring current_directory();

} // namespace veska::host
