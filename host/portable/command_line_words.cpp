#include "command_line_words.h"

namespace veska::host::portable {

namespace {

bool is_blank(char c) noexcept {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < line.size() && is_blank(line[at]))
        ++at;
    if (at == line.size())
        return words;

    // The program name: up to the next blank, quotes only group.
    std::string program;
    bool quoted = false;
    for (; at < line.size() && (quoted || !is_blank(line[at])); ++at) {
        if (line[at] == '"')
            quoted = !quoted;
        else
            program.push_back(line[at]);
    }
    words.push_back(std::move(program));

    while (true) {
        while (at < line.size() && is_blank(line[at]))
            ++at;
        if (at == line.size())
            return words;
        std::string word;
        quoted = false;
        while (at < line.size() && (quoted || !is_blank(line[at]))) {
            size_t backslashes = 0;
            while (at < line.size() && line[at] == '\\') {
                ++backslashes;
                ++at;
            }
            if (at < line.size() && line[at] == '"') {
                word.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    word.push_back('"');
                } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
                    word.push_back('"');
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
            } else {
                word.append(backslashes, '\\');
                if (at < line.size() && (quoted || !is_blank(line[at])))
                    word.push_back(line[at++]);
            }
        }
        words.push_back(std::move(word));
    }
}

} // namespace veska::host::portable
