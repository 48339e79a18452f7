#include "child_process.h"

#include "host_common.h"

namespace veska::host {

namespace {

// Everything the child has written so far, without waiting for more.
void drain(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        const size_t at = output.size();
        output.resize(at + available);
        DWORD read = 0;
        if (!ReadFile(pipe, output.data() + at, available, &read, nullptr))
            read = 0;
        output.resize(at + read);
        if (!read)
            return;
    }
}

} // namespace

std::wstring current_directory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return {};
    std::wstring directory(needed, L'\0');
    const DWORD written = GetCurrentDirectoryW(needed, directory.data());
    directory.resize(written < needed ? written : 0);
    return directory;
}

HRESULT run_command_line(const std::wstring& line, ECLFlag flags, unsigned long& exitCode,
                         std::string* output) {
    if (line.empty())
        return E_INVALIDARG;
    std::wstring commandLine = line;
    if (flags == ECL_UGLYDOSTOOL) {
        wchar_t interpreter[MAX_PATH] = L"cmd.exe";
        GetEnvironmentVariableW(L"COMSPEC", interpreter, MAX_PATH);
        commandLine = std::wstring(interpreter) + L" /c " + line;
    }
    if (commandLine.size() >= kMaxCommandLine)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    // The tool's standard output and error go to one pipe that is drained
    // while it runs (a hidden console costs tens of milliseconds a line
    // under Wine); its standard input is the null device.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 16))
        return HRESULT_FROM_WIN32(GetLastError());
    const UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const UniqueFileHandle nothing(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.get() == INVALID_HANDLE_VALUE ? nullptr : nothing.get();
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    // No console window of its own: the host's standard output stays the
    // build output. Wine answers ERROR_INTERNAL_ERROR when the new process
    // ended while it was being loaded, before it signalled that it had
    // started: the tool never ran, so the start is tried again.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                 nullptr, nullptr, &startup, &process);
        if (!started && GetLastError() != ERROR_INTERNAL_ERROR)
            break;
    }
    if (!started)
        return HRESULT_FROM_WIN32(GetLastError());
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    writer.reset(); // the child holds the only write end now

    // Polled rather than read to the end: a process the tool leaves behind
    // may keep the pipe open long after the tool itself has finished.
    std::string printed;
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT) {
        waited = WaitForSingleObject(process.hProcess, 5);
        drain(readEnd, printed);
    }
    if (output)
        *output = std::move(printed);
    if (waited != WAIT_OBJECT_0)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code))
        return HRESULT_FROM_WIN32(GetLastError());
    exitCode = code;
    return S_OK;
}

} // namespace veska::host
