// Times a Make that finds every source up to date, through the plug-in as
// the IDE drives it, against a bare loop that reads the attributes of each
// source, object and header once. Both run in the same process on the same
// files, so the ratio shows what the driver adds on top of the file system.
//
//   driver_bench.exe [sources...]     (default: 200 2000)
//   driver_bench.exe --build-all [sources...]   (default: 200 2000)
//       Build All with this program as every tool (it exits at once when
//       given a tool's options), each line also run directly beside it: the
//       plug-in's and host's share of a Build All.
//   driver_bench.exe --memory [sources...]      (default: 200 20000)
//       The peak working set a Build All and a Make add to the process, and
//       the most the plug-in's own heap blocks held, one child process per
//       figure, tools answered in place (no processes).
#include "module_heap.h"
#include "veska_host.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using suite::ComPtr;
using Clock = std::chrono::steady_clock;

constexpr ULONGLONG kSomeTime = 132000000000000000ULL;
constexpr ULONGLONG kSecond = 10000000ULL;
constexpr int kRounds = 5;
// Every line starts a process: seconds a round, minutes from 2,000 sources on.
int build_all_rounds(size_t sources) {
    return sources < 1000 ? 3 : 1;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double milliseconds_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

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

std::wstring bench_directory(size_t sources) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"driver-bench-" + std::to_wstring(sources);
}

std::wstring source_base(const std::wstring& dir, size_t i) {
    return dir + L"\\source" + std::to_wstring(i);
}
bool is_assembler_source(size_t i) {
    return i % 4 == 0;
}
std::wstring header_path(const std::wstring& dir, size_t i) {
    return dir + L"\\header" + std::to_wstring(i) + L".h";
}

// The files of a project of N sources (a quarter assembler), N/10 headers,
// an object and an error file per source and the target, dated so that
// everything is up to date, and a scratch file for the tools' location. They
// go when this does. Under Wine every new name costs a search of the whole
// folder: a project of 20,000 sources takes about 15 minutes to write.
class BenchFiles {
public:
    explicit BenchFiles(size_t sources) : dir_(bench_directory(sources)) {
        remove_tree(dir_);
        CreateDirectoryW(dir_.c_str(), nullptr);
        write_file(dir_ + L"\\velc18.exe", kSomeTime);
        // Sources oldest, then headers, objects (with their error files), target.
        for (size_t i = 0; i < sources; ++i) {
            const std::wstring base = source_base(dir_, i);
            write_file(base + (is_assembler_source(i) ? L".as" : L".c"), kSomeTime);
            write_file(base + L".obj", kSomeTime + 2 * kSecond);
            write_file(base + (is_assembler_source(i) ? L".ase" : L".cce"), kSomeTime + 2 * kSecond);
        }
        for (size_t i = 0; i < sources / 10; ++i)
            write_file(header_path(dir_, i), kSomeTime + kSecond);
        write_file(dir_ + L"\\proj.cof", kSomeTime + 3 * kSecond);
    }
    ~BenchFiles() { remove_tree(dir_); }
    BenchFiles(const BenchFiles&) = delete;
    BenchFiles& operator=(const BenchFiles&) = delete;

private:
    std::wstring dir_;
};

// Those files as a project in the plug-in's hands.
class BenchProject {
public:
    enum class Files { Write, Written };
    // tool: the location of every tool; empty: the scratch file (tools are
    // then answered in place by the script). Written: the files are on disk
    // already and stay there.
    BenchProject(HMODULE module, size_t sources, const std::wstring& tool = {}, Files files = Files::Write)
        : dir_(bench_directory(sources)) {
        if (files == Files::Write)
            files_.emplace(sources);

        // No call log: the IDE keeps none, and the log is not the plug-in's work.
        manager_ = suite::com::make<veska::host::HostProjectManager>(nullptr);
        if (tool.empty())
            manager_->script().execute = [](const veska::host::ExecuteRequest&, unsigned long& exitCode) {
                exitCode = 0; // the plug-in's own work is what is timed
                return S_OK;
            };
        using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
        auto getClassObject = entry_as<GetClassObject>(GetProcAddress(module, "DllGetClassObject"));
        ComPtr<IClassFactory> factory;
        if (!getClassObject ||
            FAILED(getClassObject(CLSID_S_TARNIV18, __uuidof(IClassFactory), factory.put_void())) ||
            FAILED(factory->CreateInstance(nullptr, __uuidof(ISuite), suite_.put_void())))
            return;
        manager_->add_suite(suite_);
        suite_->SetManager(manager_.get());
        project_ = manager_->add_project(dir_ + L"\\proj.ext");
        project_->set_suite(suite_);
        project_->set_stable(true);

        const std::wstring location = tool.empty() ? dir_ + L"\\velc18.exe" : tool;
        const CLSID* classes[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc, &CLSID_T_TARNIV18ld};
        for (unsigned long i = 0; i < 3; ++i) {
            ComPtr<ITool> toolObject;
            ComPtr<IToolArgs> args;
            suite_->GetTool(i, toolObject.put());
            toolObject->SetLocation(location.c_str());
            toolObject->CreateArgs(args.put(), 1);
            project_->set_project_tool_args(*classes[i], args);
        }
        ComPtr<ISuiteArgs> suiteArgs;
        suite_->CreateArgs(suiteArgs.put());
        project_->set_suite_args(suiteArgs);

        for (size_t i = 0; i < sources; ++i) {
            const std::wstring base = source_base(dir_, i);
            const std::wstring source = base + (is_assembler_source(i) ? L".as" : L".c");
            project_->add_file(FCAT_SRC, source)->set_stable(true);
            project_->add_file(FCAT_INT, base + L".obj");
            project_->add_file(FCAT_INT, base + (is_assembler_source(i) ? L".ase" : L".cce"));
            paths_.push_back(veska::host::utf8(source));
            paths_.push_back(veska::host::utf8(base + L".obj"));
        }
        for (size_t i = 0; i < sources / 10; ++i) {
            project_->add_file(FCAT_INC, header_path(dir_, i));
            paths_.push_back(veska::host::utf8(header_path(dir_, i)));
        }
        project_->add_file(FCAT_OUT, dir_ + L"\\proj.cof");
    }
    ~BenchProject() {
        if (manager_)
            manager_->shutdown();
    }
    BenchProject(const BenchProject&) = delete;
    BenchProject& operator=(const BenchProject&) = delete;

    bool ready() const { return project_.get() != nullptr; }
    HRESULT process(unsigned long command) {
        _NodeTag tag{0, FCAT_SRC, 0};
        const HRESULT hr = suite_->Process(command, &tag, 1, project_.get(), manager_.get());
        // The out folder must not grow from round to round.
        while (project_->node_count(FCAT_OUT) > 1)
            project_->RemoveNode(FCAT_OUT, 1);
        return hr;
    }
    veska::host::HostProjectManager& manager() { return *manager_.get(); }
    const std::vector<std::string>& files() const { return paths_; }

private:
    std::wstring dir_;
    std::optional<BenchFiles> files_;
    ComPtr<veska::host::HostProjectManager> manager_;
    ComPtr<ISuite> suite_;
    ComPtr<veska::host::HostProject> project_;
    std::vector<std::string> paths_; // sources, objects, headers
};

struct Result {
    double make = 0;
    double bare = 0;
    HRESULT hr = S_OK;
    size_t upToDate = 0;
};

Result run(HMODULE module, size_t sources) {
    Result result;
    BenchProject bench(module, sources);
    if (!bench.ready()) {
        result.hr = E_FAIL;
        return result;
    }
    // One round untimed: the files were just written, and the system is
    // still putting them on disk.
    bench.process(CMD_MAKE);
    std::vector<double> makes;
    std::vector<double> bares;
    for (int round = 0; round < kRounds; ++round) {
        const size_t messagesBefore = bench.manager().build_messages().size();
        const auto makeStart = Clock::now();
        result.hr = bench.process(CMD_MAKE);
        makes.push_back(milliseconds_since(makeStart));
        result.upToDate = bench.manager().build_messages().size() - messagesBefore - 1;

        const auto bareStart = Clock::now();
        size_t seen = 0;
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (const std::string& path : bench.files())
            seen += GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? 1 : 0;
        bares.push_back(milliseconds_since(bareStart));
        if (seen != bench.files().size())
            result.hr = E_FAIL;
    }
    result.make = median(makes);
    result.bare = median(bares);
    return result;
}

int run_make_benchmark(HMODULE module, std::vector<size_t> counts) {
    if (counts.empty())
        counts = {200, 2000};
    int status = 0;
    std::printf("no-op Make, median of %d rounds\n", kRounds);
    std::printf("%8s %8s %12s %12s %7s\n", "sources", "headers", "make ms", "bare ms", "ratio");
    for (size_t n : counts) {
        const Result r = run(module, n);
        if (FAILED(r.hr) || r.upToDate != n) {
            std::fprintf(stderr, "N=%zu: Make failed (0x%08lX, %zu up to date)\n", n,
                         static_cast<unsigned long>(r.hr), r.upToDate);
            status = 1;
            continue;
        }
        std::printf("%8zu %8zu %12.2f %12.2f %7.2f\n", n, n / 10, r.make, r.bare, r.make / r.bare);
    }
    return status;
}

std::wstring this_program() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return length && length < MAX_PATH * 2 ? std::wstring(path, length) : std::wstring();
}

// Build All through the plug-in, each line it runs also run directly by the
// bench beside it, in the same folder, before the plug-in's run for one line
// and after it for the next. Run minutes apart, the two halves would meet
// different loads on the machine; run in pairs they meet the same. The
// Build All's time, less the time of the direct runs inside it, against the
// direct runs: the plug-in's and host's share.
int run_build_all_benchmark(HMODULE module, std::vector<size_t> counts) {
    if (counts.empty())
        counts = {200, 2000};
    int status = 0;
    std::printf("Build All, a tool that exits at once, each line also run directly beside it;\n"
                "median of 3 rounds (1 from 1,000 sources)\n");
    // "its runs": the host's runs of the plug-in's lines, within the build.
    std::printf("%8s %8s %12s %12s %12s %7s\n", "sources", "lines", "build ms", "its runs ms", "direct ms",
                "share");
    for (size_t n : counts) {
        BenchProject bench(module, n, this_program());
        if (!bench.ready()) {
            status = 1;
            continue;
        }
        double direct = 0;   // ms of the direct runs
        double hostRuns = 0; // ms of the host's runs of the plug-in's lines
        size_t pairs = 0;    // lines run directly
        size_t line = 0;     // lines the plug-in had run
        const auto run_directly = [&](const std::wstring& text, ECLFlag flags) {
            unsigned long exitCode = 0;
            std::string output;
            const auto start = Clock::now();
            veska::host::run_command_line(text, flags, exitCode, &output);
            direct += milliseconds_since(start);
            ++pairs;
        };
        veska::host::HostScript& script = bench.manager().script();
        script.onExecuting = [&](const veska::host::ExecuteRequest& request) {
            if (line % 2 == 0)
                run_directly(request.line, request.flags);
        };
        script.onExecuted = [&](const veska::host::ExecutedLine& executed) {
            hostRuns += std::chrono::duration<double, std::milli>(executed.elapsed).count();
            if (line++ % 2 == 1)
                run_directly(executed.request.line, executed.request.flags);
        };
        std::vector<double> builds, runs, directs;
        size_t lines = 0;
        // A round whose build stopped early is run again, twice at most:
        // Wine under load sometimes fails to start a process.
        int retries = 2;
        for (int round = 0; round < build_all_rounds(n); ++round) {
            const size_t before = bench.manager().executed().size();
            const size_t messagesBefore = bench.manager().build_messages().size();
            direct = hostRuns = 0;
            pairs = line = 0;
            const auto buildStart = Clock::now();
            bench.process(CMD_BUILD_ALL);
            const double build = milliseconds_since(buildStart) - direct;
            lines = bench.manager().executed().size() - before;
            if (lines > n && pairs == lines) {
                builds.push_back(build);
                runs.push_back(hostRuns);
                directs.push_back(direct);
                continue;
            }
            std::fprintf(stderr, "N=%zu: Build All ran %zu lines (%zu run directly)", n, lines, pairs);
            if (lines > 0) {
                const veska::host::ExecutedLine& last = bench.manager().executed().back();
                std::fprintf(stderr, "; the last gave 0x%08lX, exit code %lu",
                             static_cast<unsigned long>(last.result), last.exitCode);
            }
            const auto& messages = bench.manager().build_messages();
            std::fprintf(stderr, "; %s",
                         messages.size() > messagesBefore ? veska::host::utf8(messages.back().text).c_str()
                                                          : "no message\n");
            if (retries-- == 0)
                break;
            --round;
        }
        if (builds.size() < static_cast<size_t>(build_all_rounds(n))) {
            status = 1;
            continue;
        }
        const double build = median(builds), directMedian = median(directs);
        std::printf("%8zu %8zu %12.1f %12.1f %12.1f %6.1f%%\n", n, lines, build, median(runs), directMedian,
                    100 * (build - directMedian) / directMedian);
    }
    return status;
}

// What the host keeps of a command once it is over (its messages and the
// lines it ran), in bytes: the heap blocks of the strings and the arrays,
// with the allocator's 16 bytes for each block.
size_t host_held_bytes(const veska::host::HostProjectManager& manager) {
    constexpr size_t kBlock = 16;
    const auto text = [](const auto& s) {
        return s.capacity() > 15 ? (s.capacity() + 1) * sizeof(s[0]) + kBlock : 0;
    };
    size_t bytes = manager.build_messages().capacity() * sizeof(veska::host::BuildMessage) + kBlock;
    for (const veska::host::BuildMessage& message : manager.build_messages())
        bytes += text(message.text);
    bytes += manager.executed().capacity() * sizeof(veska::host::ExecutedLine) + kBlock;
    for (const veska::host::ExecutedLine& line : manager.executed())
        bytes += text(line.request.line) + text(line.request.directory) + text(line.output);
    return bytes;
}

// In a child of its own, on the files its parent wrote: the working set a
// Build All or a Make adds on top of what the host holds for the project,
// and what of it the host keeps afterwards. Prints both in KiB.
int measure_peak(HMODULE module, unsigned long command, size_t sources) {
    BenchProject bench(module, sources, {}, BenchProject::Files::Written);
    if (!bench.ready())
        return 1;
    PROCESS_MEMORY_COUNTERS before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    long long pluginHeap = -1;
    {
        const ModuleHeapCounter counter(module);
        bench.process(command);
        if (counter.counting())
            pluginHeap = counter.peak_added();
    }
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    const SIZE_T base = std::max(before.PeakWorkingSetSize, before.WorkingSetSize);
    const SIZE_T added = after.PeakWorkingSetSize > base ? after.PeakWorkingSetSize - base : 0;
    std::printf("%zu %zu %lld\n", static_cast<size_t>(added / 1024), host_held_bytes(bench.manager()) / 1024,
                pluginHeap < 0 ? -1 : pluginHeap / 1024);
    return pluginHeap < 0 ? 1 : 0;
}

struct Peak {
    double total = 0;  // KiB of working set the command added
    double host = 0;   // KiB the host keeps
    double plugin = 0; // KiB, the most the plug-in's own heap blocks held at once
};

Peak child_peak(unsigned long command, size_t sources) {
    const std::wstring line =
        L"\"" + this_program() + L"\" --peak " + std::to_wstring(command) + L" " + std::to_wstring(sources);
    unsigned long exitCode = 1;
    std::string output;
    Peak peak;
    if (SUCCEEDED(veska::host::run_command_line(line, ECL_NULL, exitCode, &output)) && exitCode == 0)
        std::sscanf(output.c_str(), "%lf %lf %lf", &peak.total, &peak.host, &peak.plugin);
    return peak;
}

int run_memory_benchmark(std::vector<size_t> counts) {
    if (counts.empty())
        counts = {200, 20000};
    std::printf("KiB, one process each: the peak working set the command added, what the host keeps of it,\n"
                "and the most the plug-in's own heap blocks held at once\n");
    std::printf("%8s %10s %8s %8s %10s %8s %8s\n", "sources", "Build All", "host", "plug-in", "Make", "host",
                "plug-in");
    std::vector<std::pair<Peak, Peak>> peaks;
    for (size_t n : counts) {
        // One set of files for both: the Make first, as Build All's Clean
        // removes the objects.
        const BenchFiles files(n);
        const Peak makePeak = child_peak(CMD_MAKE, n);
        peaks.emplace_back(child_peak(CMD_BUILD_ALL, n), makePeak);
        const auto& [all, make] = peaks.back();
        std::printf("%8zu %10.0f %8.0f %8.0f %10.0f %8.0f %8.0f\n", n, all.total, all.host, all.plugin,
                    make.total, make.host, make.plugin);
    }
    for (size_t i = 1; i < counts.size(); ++i) {
        const double more = static_cast<double>(counts[i] - counts[0]);
        const auto per_source = [&](double kib, double first) { return 1024.0 * (kib - first) / more; };
        std::printf(
            "bytes per source (%zu -> %zu): Build All %.0f (plug-in %.0f), Make %.0f (plug-in %.0f)\n",
            counts[0], counts[i], per_source(peaks[i].first.total, peaks[0].first.total),
            per_source(peaks[i].first.plugin, peaks[0].first.plugin),
            per_source(peaks[i].second.total, peaks[0].second.total),
            per_source(peaks[i].second.plugin, peaks[0].second.plugin));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // As the stand-in tool of --build-all: a tool's options, nothing to do.
    if (argc > 1 && argv[1][0] == '-' && std::strcmp(argv[1], "--build-all") != 0 &&
        std::strcmp(argv[1], "--memory") != 0 && std::strcmp(argv[1], "--peak") != 0)
        return 0;
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
        const std::string mode = argc > 1 && argv[1][0] == '-' ? argv[1] : "";
        std::vector<size_t> counts;
        for (int i = mode.empty() ? 1 : 2; i < argc; ++i)
            counts.push_back(static_cast<size_t>(std::strtoul(argv[i], nullptr, 10)));
        if (mode == "--peak" && counts.size() == 2)
            status = measure_peak(module.get(), static_cast<unsigned long>(counts[0]), counts[1]);
        else if (mode == "--memory")
            status = run_memory_benchmark(counts);
        else if (mode == "--build-all")
            status = run_build_all_benchmark(module.get(), counts);
        else
            status = run_make_benchmark(module.get(), counts);
    }
    CoUninitialize();
    return status;
}
