#include "cli_output.h"

#include "recorder.h"

#include <fcntl.h>
#include <io.h>

namespace veska::host::cli {

void Output::out(const std::wstring& text) {
    out(utf8(text));
}
void Output::err(const std::wstring& text) {
    err(utf8(text));
}

ConsoleOutput::ConsoleOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void ConsoleOutput::out(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

void ConsoleOutput::err(const std::string& text) {
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
}

} // namespace veska::host::cli
