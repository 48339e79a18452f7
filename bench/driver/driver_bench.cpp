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
//   driver_bench.exe --profile [sources...]     (default: 2000)
//       The no-op Make beside its parts: the bare loop, one listing of the
//       project's folder, and the stand-in host's share alone.
//   driver_bench.exe --compare OTHER.dll [sources...]   (default: 2000)
//       The no-op Make of this build and of another copy of the plug-in
//       (built with a change to try), in the same rounds on the same files.
//   driver_bench.exe --memory [sources...]      (default: 200 20000)
//       The peak working set a Build All and a Make add to the process, the
//       most the plug-in's own heap blocks held and how many blocks it was
//       given, one child process per figure, tools answered in place (no
//       processes).
//   driver_bench.exe --repeat SECONDS [sources]  (default: 2000)
//       Only no-op Makes, one after another for SECONDS, for a sampling
//       profiler to attach to: the other sides would share its samples.
#include "module_heap.h"
#include "veska_host.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using suite::ComPtr;
using Clock = std::chrono::steady_clock;

constexpr ULONGLONG kSomeTime = 132000000000000000ULL;
constexpr ULONGLONG kSecond = 10000000ULL;
constexpr int kRounds = 15; // odd: the median is one round's
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

bool write_file(const std::wstring& path, ULONGLONG time, std::string_view content = "x") {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
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

// The machine's load average over the last minute, as Linux counts it (the
// bench runs under Wine, which shows the host's files on Z:); negative when
// it cannot be read.
double load_average() {
    double load = -1;
    if (FILE* file = std::fopen("Z:\\proc\\loadavg", "r")) {
        if (std::fscanf(file, "%lf", &load) != 1)
            load = -1;
        std::fclose(file);
    }
    return load;
}

// Above this load the machine is shared with something else: about half of
// one core. At the end the load also holds the bench's own single thread,
// up to one core more.
constexpr double kBusyLoad = 0.5;
constexpr double kBusyLoadWithBench = kBusyLoad + 1;

// Writing a large project keeps this process busy for minutes (20,000
// sources: about 15), and the load average it leaves behind is the bench's
// own. Before timing, wait for that to fall back, three minutes at most.
void wait_for_own_load_to_settle() {
    constexpr DWORD kStepMs = 2000, kLongestMs = 180000;
    const double first = load_average();
    if (first < 0 || first <= kBusyLoad)
        return;
    std::fprintf(stderr, "waiting for the load average (%.2f) to fall below %.1f...\n", first, kBusyLoad);
    for (DWORD waited = 0; waited < kLongestMs; waited += kStepMs) {
        Sleep(kStepMs);
        const double load = load_average();
        if (load < 0 || load <= kBusyLoad)
            return;
    }
}

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
// A source's object and error file: what the last build left.
std::wstring object_path(const std::wstring& dir, size_t i) {
    return source_base(dir, i) + L".obj";
}
std::wstring error_file_path(const std::wstring& dir, size_t i) {
    return source_base(dir, i) + (is_assembler_source(i) ? L".ase" : L".cce");
}
// The linker writes its error file on every run, empty when it has nothing
// to say; the project's target is "proj.cof".
std::wstring linker_error_file_path(const std::wstring& dir) {
    return dir + L"\\proj.lde";
}
void write_intermediates(const std::wstring& dir, size_t sources) {
    for (size_t i = 0; i < sources; ++i) {
        write_file(object_path(dir, i), kSomeTime + 2 * kSecond);
        write_file(error_file_path(dir, i), kSomeTime + 2 * kSecond);
    }
    write_file(linker_error_file_path(dir), kSomeTime + 3 * kSecond, ""); // a link without messages
}
std::wstring header_path(const std::wstring& dir, size_t i) {
    return dir + L"\\header" + std::to_wstring(i) + L".h";
}

// The files of a project of N sources (a quarter assembler), N/10 headers,
// an object and an error file per source, the target and the linker's
// error file, dated so that everything is up to date, and a scratch file for
// the tools' location. They go when this does. Under Wine every new name
// costs a search of the whole folder: a project of 20,000 sources takes
// about 15 minutes to write.
class BenchFiles {
public:
    explicit BenchFiles(size_t sources) : dir_(bench_directory(sources)) {
        remove_tree(dir_);
        CreateDirectoryW(dir_.c_str(), nullptr);
        write_file(dir_ + L"\\velc18.exe", kSomeTime);
        // Sources oldest, then headers, objects (with their error files), target.
        for (size_t i = 0; i < sources; ++i)
            write_file(source_base(dir_, i) + (is_assembler_source(i) ? L".as" : L".c"), kSomeTime);
        for (size_t i = 0; i < sources / 10; ++i)
            write_file(header_path(dir_, i), kSomeTime + kSecond);
        write_intermediates(dir_, sources);
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
        : dir_(bench_directory(sources)), sources_(sources) {
        if (files == Files::Write) {
            const auto start = Clock::now();
            files_.emplace(sources);
            if (milliseconds_since(start) > 30000)
                wait_for_own_load_to_settle();
        }

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
            paths_.push_back(veska::host::utf8(source));
            paths_.push_back(veska::host::utf8(object_path(dir_, i)));
        }
        for (size_t i = 0; i < sources / 10; ++i) {
            project_->add_file(FCAT_INC, header_path(dir_, i));
            paths_.push_back(veska::host::utf8(header_path(dir_, i)));
        }
        add_intermediates();
        project_->add_file(FCAT_OUT, dir_ + L"\\proj.cof");
    }
    ~BenchProject() {
        if (manager_)
            manager_->shutdown();
    }
    BenchProject(const BenchProject&) = delete;
    BenchProject& operator=(const BenchProject&) = delete;

    bool ready() const { return project_.get() != nullptr; }
    // The objects and error files of a build, as the next Build All's Clean
    // finds them: on disk and in the project again.
    void restore_intermediates() {
        while (project_->node_count(FCAT_INT) > 0)
            project_->RemoveNode(FCAT_INT, 0);
        write_intermediates(dir_, sources_);
        add_intermediates();
    }
    HRESULT process(unsigned long command) {
        _NodeTag tag{0, FCAT_SRC, 0};
        const HRESULT hr = suite_->Process(command, &tag, 1, project_.get(), manager_.get());
        // The out folder must not grow from round to round.
        while (project_->node_count(FCAT_OUT) > 1)
            project_->RemoveNode(FCAT_OUT, 1);
        return hr;
    }
    veska::host::HostProjectManager& manager() { return *manager_.get(); }
    veska::host::HostProject& project() { return *project_.get(); }
    const std::vector<std::string>& files() const { return paths_; }

private:
    void add_intermediates() {
        for (size_t i = 0; i < sources_; ++i) {
            project_->add_file(FCAT_INT, object_path(dir_, i));
            project_->add_file(FCAT_INT, error_file_path(dir_, i));
        }
        project_->add_file(FCAT_INT, linker_error_file_path(dir_));
    }

    std::wstring dir_;
    size_t sources_;
    std::optional<BenchFiles> files_;
    ComPtr<veska::host::HostProjectManager> manager_;
    ComPtr<ISuite> suite_;
    ComPtr<veska::host::HostProject> project_;
    std::vector<std::string> paths_; // sources, objects, headers
};

// The load at the start and end of a measurement, and a warning to print
// with its result when the machine was busy.
struct LoadSpan {
    double start = load_average();
    double end = -1;
    void finish() { end = load_average(); }
    bool busy() const { return start < 0 || end < 0 || start > kBusyLoad || end > kBusyLoadWithBench; }
    std::string text() const {
        char line[96];
        std::snprintf(line, sizeof line, "load %.2f..%.2f%s", start, end,
                      !busy()                ? ""
                      : start < 0 || end < 0 ? " (unknown)"
                                             : " BUSY: figures measure the load");
        return line;
    }
};

struct Result {
    double make = 0;  // median ms
    double bare = 0;  // median ms
    double ratio = 0; // median of the rounds' ratios
    double lowest = 0, highest = 0;
    HRESULT hr = S_OK;
    size_t upToDate = 0;
    LoadSpan load;
};

// Rounds of a Make and the bare loop on the same files, back to back, the
// order swapped every round so that neither always runs on the other's
// cache. Each round's two times give one ratio: a load that comes and goes
// meets both sides of it.
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
    result.load = LoadSpan{};
    const auto make = [&] {
        const size_t messagesBefore = bench.manager().build_messages().size();
        const auto start = Clock::now();
        const HRESULT hr = bench.process(CMD_MAKE);
        const double elapsed = milliseconds_since(start);
        if (FAILED(hr))
            result.hr = hr;
        result.upToDate = bench.manager().build_messages().size() - messagesBefore - 1;
        return elapsed;
    };
    const auto bare = [&] {
        const auto start = Clock::now();
        size_t seen = 0;
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (const std::string& path : bench.files())
            seen += GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? 1 : 0;
        const double elapsed = milliseconds_since(start);
        if (seen != bench.files().size())
            result.hr = E_FAIL;
        return elapsed;
    };
    std::vector<double> makes, bares, ratios;
    for (int round = 0; round < kRounds; ++round) {
        double makeMs = 0, bareMs = 0;
        if (round % 2 == 0) {
            makeMs = make();
            bareMs = bare();
        } else {
            bareMs = bare();
            makeMs = make();
        }
        makes.push_back(makeMs);
        bares.push_back(bareMs);
        ratios.push_back(makeMs / bareMs);
    }
    result.load.finish();
    result.make = median(makes);
    result.bare = median(bares);
    result.ratio = median(ratios);
    result.lowest = *std::min_element(ratios.begin(), ratios.end());
    result.highest = *std::max_element(ratios.begin(), ratios.end());
    return result;
}

int run_make_benchmark(HMODULE module, std::vector<size_t> counts) {
    if (counts.empty())
        counts = {200, 2000};
    int status = 0;
    std::printf("no-op Make against the bare loop, %d rounds in pairs: medians, and the ratio of each pair\n",
                kRounds);
    std::printf("%8s %8s %10s %10s %7s %13s  %s\n", "sources", "headers", "make ms", "bare ms", "ratio",
                "ratios", "machine");
    for (size_t n : counts) {
        const Result r = run(module, n);
        if (FAILED(r.hr) || r.upToDate != n) {
            std::fprintf(stderr, "N=%zu: Make failed (0x%08lX, %zu up to date)\n", n,
                         static_cast<unsigned long>(r.hr), r.upToDate);
            status = 1;
            continue;
        }
        std::printf("%8zu %8zu %10.2f %10.2f %7.2f %6.2f..%-5.2f  %s\n", n, n / 10, r.make, r.bare, r.ratio,
                    r.lowest, r.highest, r.load.text().c_str());
    }
    return status;
}

// The CPU time this process has used, user and kernel, in ms. The clock
// ticks in steps of about 10 ms under Wine: sum it over many rounds.
double process_cpu_ms() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

constexpr int kProfileRounds = 101;

double timed_make(BenchProject& bench) {
    const auto start = Clock::now();
    bench.process(CMD_MAKE);
    return milliseconds_since(start);
}

// The bare loop: one attribute read of each file.
double timed_bare(const std::vector<std::string>& files) {
    const auto start = Clock::now();
    WIN32_FILE_ATTRIBUTE_DATA data;
    for (const std::string& path : files)
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return milliseconds_since(start);
}

// Where a no-op Make's time goes, in the same interleaved rounds: the Make,
// the bare loop, one listing of the project's folder (the plug-in reads the
// facts of a crowded folder that way) and the stand-in host's share alone
// (the calls the plug-in makes into it for each source, and its message, and
// for the location of each header and intermediate file).
int run_make_profile(HMODULE module, std::vector<size_t> counts) {
    if (counts.empty())
        counts = {2000};
    std::printf("no-op Make, its parts: medians of %d interleaved rounds, ms\n", kProfileRounds);
    std::printf("%8s %9s %9s %9s %9s  %s\n", "sources", "make", "bare", "listing", "host", "machine");
    int status = 0;
    for (size_t n : counts) {
        BenchProject bench(module, n);
        if (!bench.ready()) {
            status = 1;
            continue;
        }
        bench.process(CMD_MAKE);
        const std::wstring folder = bench_directory(n);
        const auto listing = [&] {
            const auto start = Clock::now();
            HANDLE directory = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            std::vector<ULONGLONG> buffer(64 * 1024 / sizeof(ULONGLONG));
            FILE_INFO_BY_HANDLE_CLASS request = FileFullDirectoryRestartInfo;
            while (directory != INVALID_HANDLE_VALUE &&
                   GetFileInformationByHandleEx(directory, request, buffer.data(), 64 * 1024))
                request = FileFullDirectoryInfo;
            if (directory != INVALID_HANDLE_VALUE)
                CloseHandle(directory);
            return milliseconds_since(start);
        };
        const auto host = [&] {
            veska::host::HostProject& project = bench.project();
            IProjectManager& manager = bench.manager();
            const auto start = Clock::now();
            // Each source's calls and message; each header's and intermediate
            // file's location, read once a Make (the header test and the set
            // of intermediate files).
            for (const FileCat folder : {FCAT_SRC, FCAT_INC, FCAT_INT}) {
                unsigned long count = 0;
                project.GetNumNodes(&count, folder);
                for (unsigned long i = 0; i < count; ++i) {
                    ComPtr<IProjectNode> node;
                    project.GetNode(node.put(), folder, i);
                    suite::CoTaskString location;
                    node->GetLocation(location.put());
                    if (folder != FCAT_SRC)
                        continue;
                    project.IsStable();
                    node->IsStable();
                    std::wstring message = L"The target \"";
                    message.append(location.c_str()).append(L"\" is already up to date.\n");
                    manager.WriteBuildMessage(message.c_str(), nullptr);
                }
            }
            return milliseconds_since(start);
        };
        const auto make = [&] { return timed_make(bench); };
        const auto bare = [&] { return timed_bare(bench.files()); };
        LoadSpan load;
        std::vector<double> times[4];
        double cpu[4] = {};
        const std::function<double()> sides[4] = {make, bare, listing, host};
        for (int round = 0; round < kProfileRounds; ++round)
            for (int k = 0; k < 4; ++k) {
                const int side = (k + round) % 4; // each side in every place in turn
                const double cpuBefore = process_cpu_ms();
                times[side].push_back(sides[side]());
                cpu[side] += process_cpu_ms() - cpuBefore;
            }
        load.finish();
        std::printf("%8zu %9.2f %9.2f %9.2f %9.2f  %s\n", n, median(times[0]), median(times[1]),
                    median(times[2]), median(times[3]), load.text().c_str());
        std::printf("%8s %9.2f %9.2f %9.2f %9.2f  CPU ms a round (less load-bound)\n", "",
                    cpu[0] / kProfileRounds, cpu[1] / kProfileRounds, cpu[2] / kProfileRounds,
                    cpu[3] / kProfileRounds);
    }
    return status;
}

int run_repeated_make(HMODULE module, double seconds, size_t sources) {
    BenchProject bench(module, sources);
    if (!bench.ready())
        return 1;
    bench.process(CMD_MAKE);
    std::fprintf(stderr, "process %lu: Makes of %zu sources for %.0f s\n", GetCurrentProcessId(), sources,
                 seconds);
    LoadSpan load;
    std::vector<double> times;
    const auto start = Clock::now();
    while (milliseconds_since(start) < seconds * 1000) {
        times.push_back(timed_make(bench));
        bench.manager().forget_build_output(); // or the host's lists grow by each Make's
    }
    load.finish();
    std::printf("%zu no-op Makes of %zu sources, median %.2f ms  %s\n", times.size(), sources, median(times),
                load.text().c_str());
    return 0;
}

// Two builds of the plug-in on the same files in the same rounds: this one
// and another (a copy built with a change to try), each against the bare
// loop, so that the load meets both alike.
int run_compare(HMODULE module, const std::wstring& otherPath, std::vector<size_t> counts) {
    HMODULE other = LoadLibraryW(otherPath.c_str());
    if (!other) {
        std::fprintf(stderr, "cannot load %s\n", veska::host::utf8(otherPath).c_str());
        return 2;
    }
    if (counts.empty())
        counts = {2000};
    std::printf("no-op Make of this build (A) and of %s (B), medians of %d interleaved rounds\n",
                veska::host::utf8(otherPath).c_str(), kProfileRounds);
    std::printf("%8s %9s %9s %9s %7s %7s  %s\n", "sources", "A ms", "B ms", "bare ms", "A/bare", "B/bare",
                "machine");
    int status = 0;
    for (size_t n : counts) {
        BenchProject a(module, n);
        BenchProject b(other, n, {}, BenchProject::Files::Written);
        if (!a.ready() || !b.ready()) {
            status = 1;
            continue;
        }
        a.process(CMD_MAKE);
        b.process(CMD_MAKE);
        LoadSpan load;
        std::vector<double> times[3], ratios[2];
        for (int round = 0; round < kProfileRounds; ++round) {
            double t[3] = {};
            for (int k = 0; k < 3; ++k) {
                const int side = (k + round) % 3;
                t[side] = side == 0 ? timed_make(a) : side == 1 ? timed_make(b) : timed_bare(a.files());
                times[side].push_back(t[side]);
            }
            ratios[0].push_back(t[0] / t[2]);
            ratios[1].push_back(t[1] / t[2]);
        }
        load.finish();
        std::printf("%8zu %9.2f %9.2f %9.2f %7.2f %7.2f  %s\n", n, median(times[0]), median(times[1]),
                    median(times[2]), median(ratios[0]), median(ratios[1]), load.text().c_str());
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
    // "first line ms": from the start to the first line, the Clean (which
    // deletes the last build's files) included.
    std::printf("%8s %8s %12s %12s %12s %13s %7s  %s\n", "sources", "lines", "build ms", "its runs ms",
                "direct ms", "first line ms", "share", "machine");
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
        Clock::time_point buildStart;
        double firstLine = 0; // ms from the start to the first line
        script.onExecuting = [&](const veska::host::ExecuteRequest& request) {
            if (line == 0)
                firstLine = milliseconds_since(buildStart);
            if (line % 2 == 0)
                run_directly(request.line, request.flags);
        };
        script.onExecuted = [&](const veska::host::ExecutedLine& executed) {
            hostRuns += std::chrono::duration<double, std::milli>(executed.elapsed).count();
            if (line++ % 2 == 1)
                run_directly(executed.request.line, executed.request.flags);
        };
        std::vector<double> builds, runs, directs, firstLines;
        size_t lines = 0;
        // A round whose build stopped early is run again, twice at most:
        // Wine under load sometimes fails to start a process.
        int retries = 2;
        LoadSpan load;
        // Every round's Clean finds the last build's files, as a real one does.
        bool filesInPlace = true;
        for (int round = 0; round < build_all_rounds(n); ++round) {
            if (!filesInPlace)
                bench.restore_intermediates();
            filesInPlace = false;
            const size_t before = bench.manager().executed().size();
            const size_t messagesBefore = bench.manager().build_messages().size();
            direct = hostRuns = 0;
            pairs = line = 0;
            buildStart = Clock::now();
            bench.process(CMD_BUILD_ALL);
            const double build = milliseconds_since(buildStart) - direct;
            lines = bench.manager().executed().size() - before;
            if (lines > n && pairs == lines) {
                builds.push_back(build);
                runs.push_back(hostRuns);
                directs.push_back(direct);
                firstLines.push_back(firstLine);
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
        load.finish();
        if (builds.size() < static_cast<size_t>(build_all_rounds(n))) {
            status = 1;
            continue;
        }
        const double build = median(builds), directMedian = median(directs);
        std::printf("%8zu %8zu %12.1f %12.1f %12.1f %13.1f %6.1f%%  %s\n", n, lines, build, median(runs),
                    directMedian, median(firstLines), 100 * (build - directMedian) / directMedian,
                    load.text().c_str());
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
// and what of it the host keeps afterwards, in KiB; the plug-in's heap
// peak in KiB and the blocks it was given.
int measure_peak(HMODULE module, unsigned long command, size_t sources) {
    BenchProject bench(module, sources, {}, BenchProject::Files::Written);
    if (!bench.ready())
        return 1;
    PROCESS_MEMORY_COUNTERS before{}, after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    long long pluginHeap = -1;
    long long pluginBlocks = -1;
    {
        const ModuleHeapCounter counter(module);
        bench.process(command);
        if (counter.counting()) {
            pluginHeap = counter.peak_added();
            pluginBlocks = counter.allocations();
        }
    }
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    const SIZE_T base = std::max(before.PeakWorkingSetSize, before.WorkingSetSize);
    const SIZE_T added = after.PeakWorkingSetSize > base ? after.PeakWorkingSetSize - base : 0;
    std::printf("%zu %zu %lld %lld\n", static_cast<size_t>(added / 1024),
                host_held_bytes(bench.manager()) / 1024, pluginHeap < 0 ? -1 : pluginHeap / 1024,
                pluginBlocks);
    return pluginHeap < 0 ? 1 : 0;
}

struct Peak {
    double total = 0;  // KiB of working set the command added
    double host = 0;   // KiB the host keeps
    double plugin = 0; // KiB, the most the plug-in's own heap blocks held at once
    double blocks = 0; // the heap blocks the plug-in was given
};

Peak child_peak(unsigned long command, size_t sources) {
    const std::wstring line =
        L"\"" + this_program() + L"\" --peak " + std::to_wstring(command) + L" " + std::to_wstring(sources);
    unsigned long exitCode = 1;
    std::string output;
    Peak peak;
    if (SUCCEEDED(veska::host::run_command_line(line, ECL_NULL, exitCode, &output)) && exitCode == 0)
        std::sscanf(output.c_str(), "%lf %lf %lf %lf", &peak.total, &peak.host, &peak.plugin, &peak.blocks);
    return peak;
}

int run_memory_benchmark(std::vector<size_t> counts) {
    if (counts.empty())
        counts = {200, 20000};
    std::printf("KiB, one process each: the peak working set the command added, what the host keeps of it,\n"
                "and the most the plug-in's own heap blocks held at once; then the blocks it was given\n");
    std::printf("%8s %10s %8s %8s %10s %8s %8s %10s %10s\n", "sources", "Build All", "host", "plug-in",
                "Make", "host", "plug-in", "blocks BA", "blocks M");
    std::vector<std::pair<Peak, Peak>> peaks;
    for (size_t n : counts) {
        // One set of files for both: the Make first, as Build All's Clean
        // removes the objects.
        const BenchFiles files(n);
        const Peak makePeak = child_peak(CMD_MAKE, n);
        peaks.emplace_back(child_peak(CMD_BUILD_ALL, n), makePeak);
        const auto& [all, make] = peaks.back();
        std::printf("%8zu %10.0f %8.0f %8.0f %10.0f %8.0f %8.0f %10.0f %10.0f\n", n, all.total, all.host,
                    all.plugin, make.total, make.host, make.plugin, all.blocks, make.blocks);
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
    static constexpr std::string_view kModes[] = {"--build-all", "--memory",  "--peak",
                                                  "--profile",   "--compare", "--repeat"};
    if (argc > 1 && argv[1][0] == '-' &&
        std::find(std::begin(kModes), std::end(kModes), argv[1]) == std::end(kModes))
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
        else if (mode == "--profile")
            status = run_make_profile(module.get(), counts);
        else if (mode == "--compare" && argc > 2) {
            const std::string other = argv[2];
            counts.erase(counts.begin()); // the path's strtoul
            status = run_compare(module.get(), std::wstring(other.begin(), other.end()), counts);
        } else if (mode == "--repeat") {
            if (counts.empty()) {
                std::fprintf(stderr, "--repeat needs the seconds to run for: --repeat SECONDS [sources]\n");
                status = 2;
            } else {
                status = run_repeated_make(module.get(), static_cast<double>(counts[0]),
                                           counts.size() > 1 ? counts[1] : 2000);
            }
        } else if (mode == "--build-all")
            status = run_build_all_benchmark(module.get(), counts);
        else
            status = run_make_benchmark(module.get(), counts);
    }
    CoUninitialize();
    return status;
}
