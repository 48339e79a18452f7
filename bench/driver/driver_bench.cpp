// Times a Make that finds every source up to date, through the plug-in as
// the IDE drives it, against a bare loop that reads the attributes of each
// source, object and header once. Both run in the same process on the same
// files, so the ratio shows what the driver adds on top of the file system.
//
//   driver_bench.exe [sources...]     (default: 200 2000)
#include "veska_host.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using suite::ComPtr;
using Clock = std::chrono::steady_clock;

constexpr ULONGLONG kSomeTime = 132000000000000000ULL;
constexpr ULONGLONG kSecond = 10000000ULL;
constexpr int kRounds = 5;

// An entry point as its own type. The step through void (*)(), the generic
// function pointer, keeps the compiler from judging the two signatures.
template <class Fn> Fn entry_as(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

std::wstring dll_path() {
    std::wstring path = L"Z:";
    for (const char* c = SUITE_DLL_PATH; *c; ++c)
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return path;
}

bool write_file(const std::wstring& path, ULONGLONG time) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, "x", 1, &written, nullptr);
    FILETIME stamp{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    return true;
}

void remove_tree(const std::wstring& directory) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                DeleteFileW((directory + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}

class Module {
public:
    Module() : module_(LoadLibraryW(dll_path().c_str())) {}
    ~Module() {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

struct Result {
    double make = 0;
    double bare = 0;
    HRESULT hr = S_OK;
    size_t upToDate = 0;
};

Result run(HMODULE module, size_t sources) {
    Result result;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"driver-bench-" + std::to_wstring(sources);
    remove_tree(dir);
    CreateDirectoryW(dir.c_str(), nullptr);

    // No call log: the IDE keeps none, and the log is not the plug-in's work.
    auto manager = suite::com::make<veska::host::HostProjectManager>(nullptr);
    veska::host::ManagerShutdown shutdown(manager);
    manager->script().execute = [](const veska::host::ExecuteRequest&, unsigned long& exitCode) {
        exitCode = 0; // the link: the plug-in's own work is what is timed
        return S_OK;
    };
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    auto getClassObject = entry_as<GetClassObject>(GetProcAddress(module, "DllGetClassObject"));
    ComPtr<IClassFactory> factory;
    ComPtr<ISuite> suite;
    if (!getClassObject ||
        FAILED(getClassObject(CLSID_S_TARNIV18, __uuidof(IClassFactory), factory.put_void())) ||
        FAILED(factory->CreateInstance(nullptr, __uuidof(ISuite), suite.put_void()))) {
        result.hr = E_FAIL;
        return result;
    }
    manager->add_suite(suite);
    suite->SetManager(manager.get());
    auto project = manager->add_project(dir + L"\\proj.ext");
    project->set_suite(suite);
    project->set_stable(true);

    write_file(dir + L"\\velc18.exe", kSomeTime);
    const CLSID* classes[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc, &CLSID_T_TARNIV18ld};
    for (unsigned long i = 0; i < 3; ++i) {
        ComPtr<ITool> tool;
        ComPtr<IToolArgs> args;
        suite->GetTool(i, tool.put());
        tool->SetLocation((dir + L"\\velc18.exe").c_str());
        tool->CreateArgs(args.put(), 1);
        project->set_project_tool_args(*classes[i], args);
    }
    ComPtr<ISuiteArgs> suiteArgs;
    suite->CreateArgs(suiteArgs.put());
    project->set_suite_args(suiteArgs);

    // Sources oldest, then headers, objects (with their error files), target.
    std::vector<std::string> files;
    for (size_t i = 0; i < sources; ++i) {
        const std::wstring base = dir + L"\\source" + std::to_wstring(i);
        const std::wstring source = base + (i % 4 == 0 ? L".as" : L".c");
        write_file(source, kSomeTime);
        write_file(base + L".obj", kSomeTime + 2 * kSecond);
        write_file(base + (i % 4 == 0 ? L".ase" : L".cce"), kSomeTime + 2 * kSecond);
        project->add_file(FCAT_SRC, source)->set_stable(true);
        project->add_file(FCAT_INT, base + L".obj");
        project->add_file(FCAT_INT, base + (i % 4 == 0 ? L".ase" : L".cce"));
        files.push_back(veska::host::utf8(source));
        files.push_back(veska::host::utf8(base + L".obj"));
    }
    for (size_t i = 0; i < sources / 10; ++i) {
        const std::wstring header = dir + L"\\header" + std::to_wstring(i) + L".h";
        write_file(header, kSomeTime + kSecond);
        project->add_file(FCAT_INC, header);
        files.push_back(veska::host::utf8(header));
    }
    write_file(dir + L"\\proj.cof", kSomeTime + 3 * kSecond);
    project->add_file(FCAT_OUT, dir + L"\\proj.cof");

    std::vector<double> makes;
    std::vector<double> bares;
    _NodeTag tag{0, FCAT_SRC, 0};
    for (int round = 0; round < kRounds; ++round) {
        const size_t messagesBefore = manager->build_messages().size();
        const auto makeStart = Clock::now();
        result.hr = suite->Process(CMD_MAKE, &tag, 1, project.get(), manager.get());
        const auto makeEnd = Clock::now();
        result.upToDate = manager->build_messages().size() - messagesBefore - 1;

        const auto bareStart = Clock::now();
        size_t seen = 0;
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (const std::string& path : files)
            seen += GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? 1 : 0;
        const auto bareEnd = Clock::now();
        if (seen != files.size())
            result.hr = E_FAIL;
        makes.push_back(std::chrono::duration<double, std::milli>(makeEnd - makeStart).count());
        bares.push_back(std::chrono::duration<double, std::milli>(bareEnd - bareStart).count());
        // The out folder must not grow from round to round.
        while (project->node_count(FCAT_OUT) > 1)
            project->RemoveNode(FCAT_OUT, 1);
    }
    result.make = *std::min_element(makes.begin(), makes.end());
    result.bare = *std::min_element(bares.begin(), bares.end());
    manager->shutdown();
    remove_tree(dir);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    int status = 0;
    {
        Module module;
        using Register = HRESULT(WINAPI*)();
        auto registerServer =
            module.get() ? entry_as<Register>(GetProcAddress(module.get(), "DllRegisterServer")) : nullptr;
        if (!registerServer || FAILED(registerServer())) {
            std::fprintf(stderr, "cannot load or register the plug-in\n");
            return 2;
        }
        veska::host::HostClassRegistration hostClasses;
        std::vector<size_t> counts;
        for (int i = 1; i < argc; ++i)
            counts.push_back(static_cast<size_t>(std::strtoul(argv[i], nullptr, 10)));
        if (counts.empty())
            counts = {200, 2000};
        std::printf("%8s %8s %12s %12s %7s\n", "sources", "headers", "make ms", "bare ms", "ratio");
        for (size_t n : counts) {
            const Result r = run(module.get(), n);
            if (FAILED(r.hr) || r.upToDate != n) {
                std::fprintf(stderr, "N=%zu: Make failed (0x%08lX, %zu up to date)\n", n,
                             static_cast<unsigned long>(r.hr), r.upToDate);
                status = 1;
                continue;
            }
            std::printf("%8zu %8zu %12.2f %12.2f %7.2f\n", n, n / 10, r.make, r.bare, r.make / r.bare);
        }
    }
    CoUninitialize();
    return status;
}
