#include "test_support.h"

#include "module_instance.h"

#include <shellapi.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#ifndef SUITE_DLL_PATH
#error "SUITE_DLL_PATH must name the built DLL"
#endif

namespace suite::test {

std::wstring suite_dll_path() {
    return windows_path(SUITE_DLL_PATH);
}

std::wstring windows_path(const char* buildPath) {
    // The build gives a Unix path; wine maps the root to drive Z:.
    const std::string unixPath = buildPath;
    std::wstring path;
    if (!unixPath.empty() && unixPath[0] == '/')
        path = L"Z:";
    for (char c : unixPath)
        path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return path;
}

SuiteDll::SuiteDll() : SuiteDll(suite_dll_path()) {}

SuiteDll::SuiteDll(std::wstring path) : path_(std::move(path)) {
    module_ = LoadLibraryW(path_.c_str());
    if (!module_)
        throw std::runtime_error("cannot load Suite_TARNIV18.dll");
    suite::set_module_instance(module_);
}

SuiteDll::~SuiteDll() {
    suite::set_module_instance(nullptr);
    FreeLibrary(module_);
}

namespace {

// An entry point as its own type. The step through void (*)(), the generic
// function pointer, keeps the compiler from judging the two signatures.
template <class Fn> Fn entry_as(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

} // namespace

FARPROC SuiteDll::entry(const char* name) const {
    FARPROC proc = GetProcAddress(module_, name);
    if (!proc)
        throw std::runtime_error(std::string("missing entry point ") + name);
    return proc;
}

HRESULT SuiteDll::get_class_object(REFCLSID clsid, REFIID iid, void** out) const {
    using Fn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    return entry_as<Fn>(entry("DllGetClassObject"))(clsid, iid, out);
}

HRESULT SuiteDll::can_unload_now() const {
    using Fn = HRESULT(WINAPI*)();
    return entry_as<Fn>(entry("DllCanUnloadNow"))();
}

HRESULT SuiteDll::register_server() const {
    using Fn = HRESULT(WINAPI*)();
    return entry_as<Fn>(entry("DllRegisterServer"))();
}

HRESULT SuiteDll::unregister_server() const {
    using Fn = HRESULT(WINAPI*)();
    return entry_as<Fn>(entry("DllUnregisterServer"))();
}

long run_process(const std::wstring& commandLine) {
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<long>(code);
}

bool set_write_time(const std::wstring& path, ULONGLONG ticks) {
    const UniqueFileHandle file(
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    return file && SetFileTime(file.get(), nullptr, nullptr, &time);
}

TempDirectory::TempDirectory() {
    wchar_t base[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        wchar_t name[MAX_PATH + 32];
        swprintf(name, sizeof name / sizeof name[0], L"%lssuite-test-%lu-%u", base, GetCurrentProcessId(),
                 ++counter);
        if (CreateDirectoryW(name, nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            throw std::runtime_error("cannot create a temporary directory");
    }
}

TempDirectory::~TempDirectory() {
    // Double-terminated list for the shell's delete.
    std::wstring from = path_;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

std::string read_file(const std::wstring& path) {
    std::string bytes;
    FILE* f = _wfopen(path.c_str(), L"rb");
    if (!f)
        return bytes;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

namespace {

// Each test program works in a fresh temporary folder of its own: whatever a
// test writes relative to the working directory lands there and goes with it.
class OwnWorkingDirectory {
public:
    OwnWorkingDirectory() {
        wchar_t here[MAX_PATH + 1] = L"";
        const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, here);
        if (length > 0 && length <= MAX_PATH && SetCurrentDirectoryW(folder_.path().c_str()))
            previous_ = here;
    }
    OwnWorkingDirectory(const OwnWorkingDirectory&) = delete;
    OwnWorkingDirectory& operator=(const OwnWorkingDirectory&) = delete;
    // The folder goes after the working directory went back.
    ~OwnWorkingDirectory() {
        if (!previous_.empty())
            SetCurrentDirectoryW(previous_.c_str());
    }

private:
    TempDirectory folder_;
    std::wstring previous_;
};

const OwnWorkingDirectory kOwnWorkingDirectory;

} // namespace

} // namespace suite::test
