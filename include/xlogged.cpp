#include "xlogged.h"

#include "module_instance.h"
#include "text.h"
#include "unique_handles.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

using suite::text::append_bounded;
using suite::text::copy_bounded;
using suite::xlogged::kLogHeaderMax;
using suite::xlogged::kLogLineMax;
using suite::xlogged::kLogPathMax;

struct LogState {
    char path[kLogPathMax + 1] = "";
    char header[kLogHeaderMax + 1] = "";
    bool initialized = false;
};

LogState g_log;

void debugger_output(const char* text) {
    OutputDebugStringA(text);
}
suite::xlogged::DebugSink g_debug_sink = debugger_output;

// Creates each missing directory of path's directory part, one level at a time.
bool create_directories_of(const char* path) {
    const char* lastSlash = strrchr(path, '\\');
    if (!lastSlash)
        return true;
    const std::string directory(path, lastSlash + 1);
    for (size_t end = directory.find('\\'); end != std::string::npos; end = directory.find('\\', end + 1)) {
        const std::string prefix = directory.substr(0, end + 1);
        if (GetFileAttributesA(prefix.c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!CreateDirectoryA(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

// Appends one version-resource string line ("FILEVERSION: 1, 22, 3, 0\n").
void append_version_line(char* header, const void* block, const char* label, const char* query) {
    append_bounded(header, kLogHeaderMax + 1, label);
    char* value = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, query, reinterpret_cast<void**>(&value), &length) && value && length)
        append_bounded(header, kLogHeaderMax + 1, value);
    else
        append_bounded(header, kLogHeaderMax + 1, "VerQueryValue() failed!");
    append_bounded(header, kLogHeaderMax + 1, "\n");
}

} // namespace

void XLogged::Log() const noexcept {
    if (!g_log.initialized) {
        g_debug_sink("EXCEPTION NOT LOGGGED because XLogged initializations failed!\n");
        return;
    }
    try {
        if (!create_directories_of(g_log.path))
            return;
        suite::UniqueFile file(fopen(g_log.path, "a"));
        if (!file)
            return;
        fseek(file.get(), 0, SEEK_END);
        if (ftell(file.get()) == 0)
            fputs(g_log.header, file.get());

        char stamp[64] = "";
        const time_t now = time(nullptr);
        if (const tm* local = localtime(&now))
            strftime(stamp, sizeof stamp, "%Y-%m-%d/%H:%M:%S", local);

        // The base name, whichever separator the compiler wrote the path with.
        const char* base = file_ ? file_ : "";
        for (const char* c = base; *c; ++c)
            if (*c == '\\' || *c == '/')
                base = c + 1;

        char line[kLogLineMax + 1];
        snprintf(line, sizeof line, "%s 0x%08X \"%s\":%d\n", stamp, static_cast<unsigned>(hr_), base, line_);

        char debugLine[sizeof "EXCEPTION LOGGED: " + kLogLineMax] = "EXCEPTION LOGGED: ";
        append_bounded(debugLine, sizeof debugLine, line);
        g_debug_sink(debugLine);
        fputs(line, file.get());
    } catch (...) {
        // Logging never raises.
    }
}

LONG XLoggedInit(HINSTANCE module, HKEY root, const char* subkey, const char* value) noexcept {
    if (!root || !subkey || !value)
        return ERROR_SUCCESS;

    char modulePath[kLogPathMax + 1] = "";
    const DWORD modulePathLength = GetModuleFileNameA(module, modulePath, kLogPathMax + 1);
    if (modulePathLength == 0)
        return static_cast<LONG>(GetLastError());
    if (modulePathLength > kLogPathMax)
        return ERROR_INSUFFICIENT_BUFFER;

    char header[kLogHeaderMax + 1] = "";
    append_bounded(header, sizeof header, "MODULE: ");
    append_bounded(header, sizeof header, modulePath);
    append_bounded(header, sizeof header, "\n");

    char directory[kLogPathMax + 1] = "";
    {
        suite::RegistryKey key;
        LONG status = RegCreateKeyExA(root, subkey, 0, nullptr, 0, KEY_READ, nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS)
            return status;
        DWORD type = 0;
        DWORD size = sizeof directory - 1;
        status =
            RegQueryValueExA(key.get(), value, nullptr, &type, reinterpret_cast<BYTE*>(directory), &size);
        if (status != ERROR_SUCCESS)
            return status;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return ERROR_INVALID_DATA;
        directory[size < sizeof directory ? size : sizeof directory - 1] = '\0';
    }

    const char* moduleName = strrchr(modulePath, '\\');
    moduleName = moduleName ? moduleName + 1 : modulePath;
    std::string path = directory;
    if (path.empty() || path.back() != '\\')
        path += '\\';
    path += moduleName;
    path += ".exception";
    if (path.size() > kLogPathMax)
        return ERROR_FILENAME_EXCED_RANGE;
    copy_bounded(g_log.path, sizeof g_log.path, path.c_str());

    // Each start begins without a log: the first logged exception creates it.
    if (suite::UniqueFile(fopen(g_log.path, "w")))
        remove(g_log.path);

    DWORD ignored = 0;
    const DWORD versionSize = GetFileVersionInfoSizeA(modulePath, &ignored);
    if (versionSize == 0) {
        append_bounded(header, sizeof header, "GetFileVersionInfoSize() failed!\n");
    } else {
        std::unique_ptr<char[]> block(new (std::nothrow) char[versionSize]);
        if (!block) {
            append_bounded(header, sizeof header, "Memory allocation failed!\n");
            copy_bounded(g_log.header, sizeof g_log.header, header);
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        if (!GetFileVersionInfoA(modulePath, 0, versionSize, block.get())) {
            const LONG error = static_cast<LONG>(GetLastError());
            append_bounded(header, sizeof header, "GetFileVersionInfo() failed!\n");
            copy_bounded(g_log.header, sizeof g_log.header, header);
            return error ? error : ERROR_RESOURCE_DATA_NOT_FOUND;
        }
        append_version_line(header, block.get(), "FILEVERSION: ", "\\StringFileInfo\\040904B0\\FileVersion");
        append_version_line(header, block.get(),
                            "PRODUCTVERSION: ", "\\StringFileInfo\\040904B0\\ProductVersion");
    }
    copy_bounded(g_log.header, sizeof g_log.header, header);
    g_log.initialized = true;
    return ERROR_SUCCESS;
}

void SuiteException::Report() const noexcept {
    if (!manager_)
        return;
    char message[1024] = "";
    std::wstring text;
    try {
        if (LoadStringA(suite::module_instance(), message_, message, sizeof message) > 0)
            text = suite::text::widen(message);
        else
            text = L"An error occurred, but its corresponding message could not be retrieved.\n";
    } catch (...) {
        return;
    }
    manager_->WriteBuildMessage(text.c_str(), nullptr);
}

namespace suite::xlogged {

void set_debug_sink(DebugSink sink) noexcept {
    g_debug_sink = sink ? sink : debugger_output;
}
const char* log_path() noexcept {
    return g_log.path;
}
const char* log_header() noexcept {
    return g_log.header;
}
bool initialized() noexcept {
    return g_log.initialized;
}
void reset_for_testing() noexcept {
    g_log = LogState{};
}

} // namespace suite::xlogged
