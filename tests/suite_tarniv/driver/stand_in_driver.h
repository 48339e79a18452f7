// A scripted stand-in for the driver executable, run in the host's place: it
// writes the object (or target) named by -O and the error file named by -E,
// and fails (exit code 1, one error line) for the runs a test names.
#pragma once

#include "host_manager.h"

#include <functional>
#include <string>

namespace driver_test {

using ExecuteHandler = std::function<HRESULT(const veska::host::ExecuteRequest&, unsigned long& exitCode)>;

// fails(input base name, whether the run links) tells which runs fail.
ExecuteHandler stand_in_driver(std::function<bool(const std::wstring& input, bool link)> fails);

} // namespace driver_test
