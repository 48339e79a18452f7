// A command line filled to the page's bound by repeating a run of words.
#pragma once

#include "option_parser.h"

#include <string>

inline std::string full_line(const std::string& words) {
    std::string line;
    while (line.size() < OptionParser::kLineSize - 1)
        line += words;
    line.resize(OptionParser::kLineSize - 1);
    return line;
}
