// Shared helpers for the Windows test programs.
#pragma once

#include "unique_handles.h"

#include <windows.h>
#include <objbase.h>

#include <string>

namespace suite::test {

// COM for the test's thread, apartment-threaded as in the IDE.
using suite::ComApartment;

// The built Suite_TARNIV18.dll, loaded into the test process. Its resources
// (strings, bitmaps, dialogs) become the suite's module resources.
class SuiteDll {
public:
    SuiteDll();
    // Another build of the module (the fault-injection one), by its Windows path.
    explicit SuiteDll(std::wstring path);
    ~SuiteDll();
    SuiteDll(const SuiteDll&) = delete;
    SuiteDll& operator=(const SuiteDll&) = delete;

    HMODULE handle() const noexcept { return module_; }
    const std::wstring& path() const noexcept { return path_; }

    // The module's entry points.
    HRESULT get_class_object(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT can_unload_now() const;
    HRESULT register_server() const;
    HRESULT unregister_server() const;

private:
    FARPROC entry(const char* name) const;
    std::wstring path_;
    HMODULE module_ = nullptr;
};

// Windows form of the built DLL's path.
std::wstring suite_dll_path();
// Windows form of a path the build gives (a Unix path maps to drive Z:).
std::wstring windows_path(const char* buildPath);

// Runs a command line to completion; returns its exit code, or -1 when it
// could not be started.
long run_process(const std::wstring& commandLine);

// A fresh directory under the temporary folder, removed with its contents.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::wstring& path() const noexcept { return path_; }
    // path() + "\\" + name
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Writes text to a file (bytes as given); true on success.
bool write_file(const std::wstring& path, const std::string& bytes);
// Sets the file's last write time (FILETIME ticks); false when it cannot.
bool set_write_time(const std::wstring& path, ULONGLONG ticks);
// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::wstring& path);

} // namespace suite::test
