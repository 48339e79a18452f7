// A Windows command line split into the words its program sees, by the rules
// of the C runtime's argument parser: blanks and tabs separate words, double
// quotes group, 2n backslashes before a quote give n backslashes and the
// quote groups, 2n+1 give n backslashes and a literal quote, a doubled quote
// inside quotes is a literal quote. The program name (the first word) takes
// quotes as grouping only: a path's backslashes stay as they are.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veska::host::portable {

std::vector<std::string> split_command_line(std::string_view line);

} // namespace veska::host::portable
