// Exceptions that log themselves, and the suite's build-message exception.
//
// XLogged carries a failing HRESULT with the place it was raised; handlers
// call Log() and return GetHResult(). SuiteException puts one string-table
// message into the host's build output. The two are unrelated types.
#pragma once

#include "com_ptr.h"
#include "contract.h"

#include <windows.h>

// The raising source's name: its base name where the compiler offers one.
#if defined(__FILE_NAME__)
#define XLOGGED_SOURCE __FILE_NAME__
#else
#define XLOGGED_SOURCE __FILE__
#endif

// Raises XLogged for hr at the current source line.
#define THROW_XLOGGED(hr) throw ::XLogged((hr), XLOGGED_SOURCE, __LINE__)

// Raises XLogged when hr is a failure; yields hr otherwise.
#define THROW_IF_FAILED_XLOGGED(expr)                                                                        \
    do {                                                                                                     \
        const HRESULT hr_checked_ = (expr);                                                                  \
        if (FAILED(hr_checked_))                                                                             \
            THROW_XLOGGED(hr_checked_);                                                                      \
    } while (0)

class XLogged {
public:
    XLogged(HRESULT hr, const char* file, int line) noexcept : hr_(hr), file_(file), line_(line) {}
    XLogged(const XLogged&) = default;
    XLogged& operator=(const XLogged&) = default;
    virtual ~XLogged() = default;

    HRESULT GetHResult() const noexcept { return hr_; }
    const char* GetFile() const noexcept { return file_; }
    int GetLine() const noexcept { return line_; }

    // Appends a line about this exception to the log file and the debugger
    // output. Never raises; a log that cannot be written is skipped.
    void Log() const noexcept;

private:
    HRESULT hr_;
    const char* file_; // a string constant, not owned
    int line_;
};

// Prepares the exception log: its path (the directory named by the registry
// value root\subkey\value, the module's file name and ".exception") and the
// header written at the top of a new log. Returns a Win32 error code.
LONG XLoggedInit(HINSTANCE module, HKEY root, const char* subkey, const char* value) noexcept;

class SuiteException {
public:
    SuiteException(IProjectManager* manager, UINT messageId) noexcept
        : manager_(manager), message_(messageId) {}

    // Writes the message to the host's build output; nothing without a manager.
    void Report() const noexcept;

    UINT GetMessageId() const noexcept { return message_; }

private:
    suite::ComPtr<IProjectManager> manager_;
    UINT message_;
};

namespace suite::xlogged {

inline constexpr size_t kLogPathMax = 260;
inline constexpr size_t kLogHeaderMax = 2047;
inline constexpr size_t kLogLineMax = 2047;

// Where the debugger lines go: OutputDebugStringA unless a test redirects it.
using DebugSink = void (*)(const char* text);
void set_debug_sink(DebugSink sink) noexcept;

// The log's module-wide state, for tests.
const char* log_path() noexcept;
const char* log_header() noexcept;
bool initialized() noexcept;
void reset_for_testing() noexcept;

} // namespace suite::xlogged
