// Every way the plug-in can be told no, one at a time. Each scenario runs
// once to count what can fail, then once per failure point with exactly that
// point failing: each host call (E_FAIL, then E_OUTOFMEMORY), each task and
// heap allocation of the module, each registry and file call it makes. After
// every run: a failure was reported as a failure (never BUILD SUCCEEDED
// without every step the build needed), nothing leaked (the module can
// unload, every task-allocated block was freed once, the host's memory lock
// and build flag were given back, the working directory is the one before),
// and no file but the build's own outputs was written or deleted.
//
// Each scenario and failure kind runs in a child process of its own, so a
// crash or a hang (a run over 30 s) is counted, not fatal to the sweep.
// SUITE_FAULT_SWEEP=all runs every failure point; otherwise long scenarios
// run a fixed sample. SUITE_FAULT_TABLE names a file for the table.
#include "fault_points.h"
#include "sheet_driver.h"
#include "stand_in_driver.h"
#include "test_support.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace {

using suite::ComPtr;
using veska::host::HostProject;
using veska::host::HostProjectManager;
using veska::host::Recorder;

constexpr const CLSID* kToolClasses[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc, &CLSID_T_TARNIV18ld};
constexpr int kRunSeconds = 30;
constexpr int kRowSeconds = 900;

// What the whole program shares: COM, the fault-injection module registered
// in the prefix with its imports replaced, the host's creatable classes.
struct Program {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll{suite::test::windows_path(SUITE_FAULTS_DLL_PATH)};
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
    veska::host::HostClassRegistration hostClasses{recorder};
    faults::FaultPoints points;
    faults::BlockWatch blocks;
    bool ready = false;

    Program() {
        ready = dll.register_server() == S_OK && hostClasses.status() == S_OK &&
                points.Install(dll.handle()) && blocks.registered();
    }
    ~Program() { dll.unregister_server(); }
};

Program& program() {
    static Program* const shared = new Program; // unregistered at exit by the test's last step
    return *shared;
}

// Names of the files below a directory, relative to it.
std::set<std::wstring> files_below(const std::wstring& directory, const std::wstring& prefix = L"") {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        names.insert(prefix + name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            for (const std::wstring& inner : files_below(directory + L"\\" + name, prefix + name + L"\\"))
                names.insert(inner);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool is_build_output(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    const std::wstring suffix = dot == std::wstring::npos ? L"" : name.substr(dot);
    for (const wchar_t* own : {L".obj", L".cof", L".hex", L".ase", L".cce", L".lde"})
        if (_wcsicmp(suffix.c_str(), own) == 0)
            return true;
    return false;
}

std::wstring current_directory() {
    wchar_t here[MAX_PATH * 2] = {};
    GetCurrentDirectoryW(MAX_PATH * 2, here);
    return here;
}

// One project with two C sources and an assembler source, the suite from the
// module, the stand-in driver in the host's place.
struct World {
    explicit World(std::set<std::wstring> failing = {}) : failing_(std::move(failing)) {
        Program& shared = program();
        manager = suite::com::make<HostProjectManager>(shared.recorder);
        ComPtr<IClassFactory> factory;
        shared.dll.get_class_object(CLSID_S_TARNIV18, __uuidof(IClassFactory), factory.put_void());
        if (!factory || FAILED(factory->CreateInstance(nullptr, __uuidof(ISuite), suite.put_void())))
            return;
        manager->add_suite(suite);
        suite->SetManager(manager.get());
        project = manager->add_project(dir.file(L"proj.ext"));
        project->set_suite(suite);
        project->set_stable(true);
        suite::test::write_file(dir.file(L"velc18.exe"), "stand-in");
        for (const wchar_t* name : {L"start.as", L"main.c", L"led.c"}) {
            suite::test::write_file(dir.file(name), "source\n");
            project->add_file(FCAT_SRC, dir.file(name))->set_stable(true);
        }
        for (size_t i = 0; i < 3; ++i) {
            if (suite->GetTool(static_cast<unsigned long>(i), tools[i].put()) != S_OK || !tools[i])
                return;
            tools[i]->SetLocation(dir.file(L"velc18.exe").c_str());
            tools[i]->CreateArgs(projectArgs[i].put(), 1);
            projectArgs[i]->SetProject(project.get());
            projectArgs[i]->SetDisplay(&manager->display());
            project->set_project_tool_args(*kToolClasses[i], projectArgs[i]);
        }
        ComPtr<ISuiteArgs> suiteArgs;
        suite->CreateArgs(suiteArgs.put());
        project->set_suite_args(suiteArgs);
        manager->script().execute = driver_test::stand_in_driver(
            [this](const std::wstring& input, bool link) { return !link && failing_.count(input) != 0; });
        ready = true;
    }
    ~World() {
        if (manager)
            manager->shutdown();
    }
    World(const World&) = delete;
    World& operator=(const World&) = delete;

    // What the host's Process hands the suite.
    HRESULT process(unsigned long command, std::vector<_NodeTag> inputs = {{0, -1, -1}}) {
        return suite->Process(command, inputs.data(), static_cast<unsigned long>(inputs.size()),
                              project.get(), manager.get());
    }
    // The BUILD line written since message number from.
    std::wstring build_line(size_t from) const {
        std::wstring line;
        const auto& messages = manager->build_messages();
        for (size_t i = from; i < messages.size(); ++i)
            if (!messages[i].tool && messages[i].text.rfind(L"BUILD ", 0) == 0)
                line = messages[i].text;
        return line;
    }
    // Releases every reference to the module's objects.
    void release() {
        if (manager)
            manager->shutdown();
        for (auto& args : projectArgs)
            args = nullptr;
        for (auto& tool : tools)
            tool = nullptr;
        suite = nullptr;
        project = nullptr;
        manager = nullptr;
    }

    suite::test::TempDirectory dir;
    ComPtr<HostProjectManager> manager;
    ComPtr<HostProject> project;
    ComPtr<ISuite> suite;
    std::array<ComPtr<ITool>, 3> tools;
    std::array<ComPtr<IToolArgs>, 3> projectArgs;
    bool ready = false;
    // Filled by the scenario: what a reported success must have done.
    std::function<bool()> didEverything;

private:
    std::set<std::wstring> failing_;
};

// A reported success must have run at least the sources that were due and
// the link (a Make unsure of a file may rebuild it), and told the host of the
// target.
std::function<bool()> build_did(World& world, size_t runs) {
    const size_t runsBefore = world.manager->executed().size();
    const size_t targetsBefore = world.manager->succeeded_targets().size();
    return [&world, runs, runsBefore, targetsBefore] {
        return world.manager->executed().size() - runsBefore >= runs &&
               world.manager->succeeded_targets().size() - targetsBefore == 1 &&
               GetFileAttributesW(world.dir.file(L"proj.cof").c_str()) != INVALID_FILE_ATTRIBUTES;
    };
}

struct Outcome {
    bool succeeded = false; // what the plug-in reported
};

struct Scenario {
    const char* name;
    std::set<std::wstring> failingSources;
    std::function<void(World&)> prepare; // not faulted
    std::function<Outcome(World&)> act;  // faulted
    bool sampled;                        // long: a fixed sample in the test command
    std::function<void()> restore;       // not faulted: what the next run needs back
};

Outcome build(World& world, unsigned long command, size_t runs) {
    world.didEverything = build_did(world, runs);
    const size_t messagesBefore = world.manager->build_messages().size();
    world.process(command);
    return {world.build_line(messagesBefore).rfind(L"BUILD SUCCEEDED", 0) == 0};
}

Outcome run_one(World& world, unsigned long command, const wchar_t* object) {
    const int index = command == CMD_ASSEMBLE ? 0 : 1;
    const size_t runsBefore = world.manager->executed().size();
    world.didEverything = [&world, object, runsBefore] {
        return world.manager->executed().size() - runsBefore == 1 &&
               GetFileAttributesW(world.dir.file(object).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    return {world.process(command, {{0, FCAT_SRC, index}}) == S_OK};
}

Outcome command_lines(World& world) {
    _PlatInfo platform{};
    world.manager->GetPlatInfo(&platform);
    const suite::CoTaskString name(platform.pwszName); // the caller's to free
    const suite::CoTaskString type(platform.pwszDevType);
    bool all = true;
    for (auto& tool : world.tools) {
        for (unsigned long op : {1ul, 2ul, 3ul}) {
            suite::CoTaskString line;
            const HRESULT made = tool->GenCmdLine(line.put(), op, &platform, world.project.get());
            all = all && made == S_OK;
            if (made == S_OK && (!line || line.empty()))
                world.didEverything = [] { return false; };
        }
    }
    return {all};
}

Outcome objects(World& world) {
    bool all = true;
    for (unsigned long i = 0; i < 3; ++i) {
        ComPtr<ITool> tool;
        ComPtr<IToolArgs> args;
        all = all && world.suite->GetTool(i, tool.put()) == S_OK && tool &&
              tool->CreateArgs(args.put(), 1) == S_OK && args;
    }
    ComPtr<ISuiteArgs> suiteArgs;
    all = all && world.suite->CreateArgs(suiteArgs.put()) == S_OK && suiteArgs;
    return {all};
}

// Each tool's page and the suite's: made, shown, an option changed, applied.
Outcome pages(World& world) {
    bool all = true;
    for (int i = 0; i <= 3; ++i) {
        ComPtr<IExtendSettingsSheet> sheetSource;
        if (i < 3)
            world.projectArgs[i].query(sheetSource);
        else
            world.project->suite_args().query(sheetSource);
        auto site = suite::com::make<veska::host::HostSheetSite>(program().recorder);
        if (!sheetSource || sheetSource->CreatePages(site.get()) != S_OK) {
            all = false;
            continue;
        }
        veska::host::PropertySheetWindow sheet = site->create_sheet(L"Options");
        if (!sheet) {
            all = false;
            continue;
        }
        veska::host::SheetDriver driver(sheet.get());
        driver.pump();
        const int option[] = {217, 228, 201, 0};
        if (option[i])
            driver.click(option[i]);
        all = driver.ok() && all;
    }
    return {all};
}

// The tools' locations and the suite's default directories, saved and read
// back: a reported success must give back what was saved.
Outcome stored_settings(World& world) {
    const ComPtr<ISuiteEx> suiteEx = world.suite.as<ISuiteEx>();
    bool all = suiteEx && suiteEx->SetDefaultPath(L"C:\\velc18\\bin", 0) == S_OK;
    all = all && world.suite->SaveToolLocations() == S_OK && suiteEx->SaveDefaultPaths() == S_OK;
    all = all && world.suite->LoadToolLocations() == S_OK && suiteEx->LoadDefaultPaths() == S_OK;
    world.didEverything = [&world] {
        const ComPtr<ISuiteEx> suiteEx = world.suite.as<ISuiteEx>();
        suite::CoTaskString location;
        suite::CoTaskString directory;
        return world.tools[0]->GetLocation(location.put()) == S_OK &&
               location.c_str() == world.dir.file(L"velc18.exe") && suiteEx &&
               suiteEx->GetDefaultPath(directory.put(), 0) == S_OK &&
               std::wstring(directory.c_str()) == L"C:\\velc18\\bin";
    };
    return {all};
}

Outcome registration(World&) {
    const HRESULT registered = program().dll.register_server();
    const HRESULT unregistered = program().dll.unregister_server();
    return {registered == S_OK && unregistered == S_OK};
}

const Scenario kScenarios[] = {
    {"Build All", {}, nullptr, [](World& w) { return build(w, CMD_BUILD_ALL, 4); }, true, nullptr},
    {"Build All, one source failing",
     {L"main"},
     nullptr,
     [](World& w) {
         const Outcome outcome = build(w, CMD_BUILD_ALL, 3);
         w.didEverything = [] { return false; }; // it must not succeed at all
         return outcome;
     },
     true,
     nullptr},
    {"Make, nothing to do",
     {},
     [](World& w) { w.process(CMD_BUILD_ALL); },
     [](World& w) { return build(w, CMD_MAKE, 1); },
     true,
     nullptr},
    {"Make, one source touched",
     {},
     [](World& w) {
         w.process(CMD_BUILD_ALL);
         veska::host::HostProjectNode::from(w.project->node(FCAT_SRC, 1).get())->set_stable(false);
     },
     [](World& w) { return build(w, CMD_MAKE, 2); },
     true,
     nullptr},
    {"Assemble",
     {},
     nullptr,
     [](World& w) { return run_one(w, CMD_ASSEMBLE, L"start.obj"); },
     false,
     nullptr},
    {"Compile", {}, nullptr, [](World& w) { return run_one(w, CMD_COMPILE, L"main.obj"); }, false, nullptr},
    {"GenCmdLine of each tool", {}, nullptr, command_lines, false, nullptr},
    {"GetTool, CreateArgs", {}, nullptr, objects, false, nullptr},
    {"CreatePages and Apply", {}, nullptr, pages, false, nullptr},
    {"Tool locations and default directories", {}, nullptr, stored_settings, false, nullptr},
    {"DllRegisterServer, DllUnregisterServer",
     {},
     nullptr,
     registration,
     false,
     [] { program().dll.register_server(); }},
};

// One failure kind of the sweep: a host call or a module's own call.
struct Fault {
    const char* name;
    bool hostCall;
    faults::Kind kind;
    HRESULT hostResult;
};
const Fault kFaults[] = {
    {"host calls (E_FAIL)", true, faults::Kind::TaskAllocation, E_FAIL},
    {"host calls (E_OUTOFMEMORY)", true, faults::Kind::TaskAllocation, E_OUTOFMEMORY},
    {"task allocations", false, faults::Kind::TaskAllocation, S_OK},
    {"heap allocations", false, faults::Kind::Heap, S_OK},
    {"registry", false, faults::Kind::Registry, S_OK},
    {"files", false, faults::Kind::Files, S_OK},
    {"registration", false, faults::Kind::Registration, S_OK},
};

struct Row {
    long long points = 0, runs = 0, wrongSuccesses = 0, leaks = 0;
    std::string breaches; // one line each
};

// Stops the process when a run hangs.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              while (!stop_) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(200));
                  if (armedAt_ && GetTickCount64() - armedAt_ > kRunSeconds * 1000ull) {
                      std::fprintf(stderr, "HANG: %s\n", what_.c_str());
                      std::fflush(stderr);
                      TerminateProcess(GetCurrentProcess(), 3);
                  }
              }
          }) {}
    ~Watchdog() {
        stop_ = true;
        thread_.join();
    }
    void arm(std::string what) {
        what_ = std::move(what);
        armedAt_ = GetTickCount64();
    }
    void disarm() { armedAt_ = 0; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<ULONGLONG> armedAt_{0};
    std::string what_;
    std::thread thread_;
};

// The temporary folder's own entries (each project lives in one of them).
std::set<std::wstring> entries_of_temp() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// One run with point failAt failing (-1: none). Returns the points counted.
long long run(const Scenario& scenario, const Fault& fault, long long failAt, Row& row, Watchdog& watchdog) {
    Program& shared = program();
    const std::wstring before = current_directory();
    const std::set<std::wstring> tempBefore = entries_of_temp();
    long long points = 0;
    std::string breach;
    std::string failedCall;
    {
        World world(scenario.failingSources);
        if (!world.ready) {
            row.breaches += std::string(scenario.name) + ": the project could not be set up\n";
            return 0;
        }
        if (scenario.prepare)
            scenario.prepare(world);
        const std::set<std::wstring> projectBefore = files_below(world.dir.path());
        shared.recorder->clear();
        shared.recorder->clear_injections();
        shared.blocks.Start();
        if (fault.hostCall && failAt >= 0)
            shared.recorder->inject_at(static_cast<size_t>(failAt), fault.hostResult);
        if (!fault.hostCall)
            shared.points.Arm(fault.kind, failAt);
        watchdog.arm(std::string(scenario.name) + " / " + fault.name + " / point " + std::to_string(failAt));

        const Outcome outcome = scenario.act(world);

        watchdog.disarm();
        points =
            fault.hostCall ? static_cast<long long>(shared.recorder->calls().size()) : shared.points.Disarm();
        shared.recorder->clear_injections();
        if (scenario.restore)
            scenario.restore();
        // A host that refused to take its lock or flag back keeps it.
        if (fault.hostCall && failAt >= 0 && failAt < points)
            failedCall = shared.recorder->calls()[failAt].line;
        if (outcome.succeeded && world.didEverything && !world.didEverything())
            breach += " reported success without doing every step;";
        if (failAt < 0 && !outcome.succeeded && scenario.failingSources.empty())
            breach += " failed with nothing failing;";
        if (world.manager && world.manager->memory_locked() && failedCall.find("UnlockMemory") != 0)
            breach += " left the host's memory locked;";
        if (world.manager && world.manager->build_underway() && failedCall.find("SetBuildIsUnderway") != 0)
            breach += " left the build underway;";
        const std::set<std::wstring> projectAfter = files_below(world.dir.path());
        for (const std::wstring& name : projectBefore)
            if (!is_build_output(name) && !projectAfter.count(name))
                breach += " deleted " + veska::host::utf8(name) + ";";
        if (current_directory() != before) {
            if (!shared.points.failed_directory_change())
                breach += " changed the working directory;";
            SetCurrentDirectoryW(before.c_str()); // so the project can go
        }
        world.release();
        if (shared.dll.can_unload_now() != S_OK)
            breach += " kept the module loaded;";
    }
    if (shared.blocks.live() != 0)
        breach += " leaked " + std::to_string(shared.blocks.live()) + " task-allocated blocks;";
    if (shared.blocks.double_frees() != 0)
        breach += " freed a task-allocated block twice;";
    for (const std::wstring& name : entries_of_temp())
        if (!tempBefore.count(name))
            breach += " wrote " + veska::host::utf8(name) + " outside the project;";
    ++row.runs;
    if (!breach.empty()) {
        ++(breach.find("success") != std::string::npos ? row.wrongSuccesses : row.leaks);
        row.breaches += std::string(scenario.name) + " / " + fault.name + " / point " +
                        std::to_string(failAt) + (failedCall.empty() ? "" : " (" + failedCall + ")") + ":" +
                        breach + "\n";
    }
    return points;
}

// The failure points a run tries: all of them, or for a long scenario in the
// test command a fixed spread of about kSample.
std::vector<long long> points_to_try(long long count, bool sampled) {
    constexpr long long kSample = 24;
    const char* mode = std::getenv("SUITE_FAULT_SWEEP");
    std::vector<long long> points;
    if (!sampled || (mode && std::string(mode) == "all") || count <= kSample) {
        for (long long i = 0; i < count; ++i)
            points.push_back(i);
        return points;
    }
    for (long long i = 0; i < kSample; ++i)
        points.push_back(i * count / kSample);
    points.push_back(count - 1);
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

constexpr size_t kScenarioCount = std::size(kScenarios);
constexpr size_t kFaultCount = std::size(kFaults);

// The child's part: one scenario under one failure kind. Prints
// "ROW points runs wrong leaks" and the breaches.
LONG WINAPI report_crash(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    std::fprintf(stderr, "CRASH: exception 0x%08lx at %p\n", record.ExceptionCode, record.ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), record.ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

int run_row(size_t index) {
    // A crash ends this child with its exception code, never in a debugger.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(report_crash);
    if (!program().ready) {
        std::fprintf(stderr, "the fault-injection module could not be registered and instrumented\n");
        return 2;
    }
    const Scenario& scenario = kScenarios[index / kFaultCount];
    const Fault& fault = kFaults[index % kFaultCount];
    Row row;
    {
        Watchdog watchdog;
        // What the platform allocates once per process (class caches) is not a leak.
        Row warmUp;
        run(scenario, fault, -1, warmUp, watchdog);
        row.points = run(scenario, fault, -1, row, watchdog);
        for (long long point : points_to_try(row.points, scenario.sampled))
            run(scenario, fault, point, row, watchdog);
    }
    std::printf("ROW %lld %lld %lld %lld\n", row.points, row.runs, row.wrongSuccesses, row.leaks);
    std::fputs(row.breaches.c_str(), stderr);
    return 0;
}

// Runs one row in a child process: its standard output and error, and how it ended.
struct ChildResult {
    DWORD exitCode = 0;
    std::string out, err;
};
ChildResult run_child(size_t index) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring line = L"\"" + std::wstring(self) + L"\" --fault-row=" + std::to_wstring(index);
    suite::test::TempDirectory scratch;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(scratch.file(L"out").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileW(scratch.file(L"err").c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> command(line.begin(), line.end());
    command.push_back(L'\0');
    ChildResult result;
    result.exitCode = DWORD(-1);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        if (WaitForSingleObject(process.hProcess, kRowSeconds * 1000) == WAIT_TIMEOUT)
            TerminateProcess(process.hProcess, WAIT_TIMEOUT);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    CloseHandle(err);
    result.out = suite::test::read_file(scratch.file(L"out"));
    result.err = suite::test::read_file(scratch.file(L"err"));
    return result;
}

TEST(FaultSweep, EveryFailurePointOfEveryScenario) {
    std::ostringstream table;
    table << "| scenario | failure kind | failure points | runs | crashes | wrong successes | leaks |\n"
          << "|---|---|---|---|---|---|---|\n";
    long long totals[5] = {};
    for (size_t index = 0; index < kScenarioCount * kFaultCount; ++index) {
        const ChildResult child = run_child(index);
        long long values[4] = {};
        const size_t at = child.out.find("ROW ");
        const bool reported = child.exitCode == 0 && at != std::string::npos &&
                              std::sscanf(child.out.c_str() + at, "ROW %lld %lld %lld %lld", &values[0],
                                          &values[1], &values[2], &values[3]) == 4;
        const long long crashes = reported ? 0 : 1;
        const char* scenario = kScenarios[index / kFaultCount].name;
        const char* fault = kFaults[index % kFaultCount].name;
        EXPECT_TRUE(reported) << scenario << " / " << fault << ": the run ended with 0x" << std::hex
                              << child.exitCode << "\n"
                              << child.err;
        EXPECT_TRUE(child.err.empty()) << child.err;
        table << "| " << scenario << " | " << fault << " | " << values[0] << " | " << values[1] << " | "
              << crashes << " | " << values[2] << " | " << values[3] << " |\n";
        for (int i = 0; i < 4; ++i)
            totals[i < 2 ? i : i + 1] += values[i];
        totals[2] += crashes;
    }
    table << "| **all** | | " << totals[0] << " | " << totals[1] << " | " << totals[2] << " | " << totals[3]
          << " | " << totals[4] << " |\n";
    std::printf("%s", table.str().c_str());
    if (const char* path = std::getenv("SUITE_FAULT_TABLE"))
        if (FILE* file = std::fopen(path, "wb")) {
            std::fputs(table.str().c_str(), file);
            std::fclose(file);
        }
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--fault-row=", 12) == 0) {
            const int code = run_row(std::strtoul(argv[i] + 12, nullptr, 10));
            std::fflush(stdout);
            std::fflush(stderr);
            return code;
        }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
