// The project manager as the build driver meets it: the recorded calls and
// build output, scripted answers, the lock and underway states, and real
// command-line runs.
#include "host_test_support.h"
#include "import_patches.h"

#include <cstring>

namespace veska::host {
namespace {

using suite::ComPtr;
using suite::CoTaskString;

class ManagerTest : public ::testing::Test {
protected:
    testing::ComApartment apartment_;
    ComPtr<HostProjectManager> manager_ = suite::com::make<HostProjectManager>();
    ManagerShutdown shutdown_{manager_.get()};
    Recorder& recorder() { return *manager_->recorder(); }
};

TEST_F(ManagerTest, BuildOutputIsEveryMessageInOrderWithTheToolOfEach) {
    GUID tool = testing::kToolA;
    ASSERT_EQ(S_OK, manager_->WriteBuildMessage(L"Clean operation failed.\n", nullptr));
    ASSERT_EQ(S_OK, manager_->WriteBuildMessage(L"main.c(3): error\n", &tool));
    EXPECT_EQ(E_POINTER, manager_->WriteBuildMessage(nullptr, nullptr));

    EXPECT_EQ(L"Clean operation failed.\nmain.c(3): error\n", manager_->build_output());
    ASSERT_EQ(2u, manager_->build_messages().size());
    EXPECT_FALSE(manager_->build_messages()[0].tool.has_value());
    ASSERT_TRUE(manager_->build_messages()[1].tool.has_value());
    EXPECT_TRUE(IsEqualGUID(tool, *manager_->build_messages()[1].tool));
    EXPECT_EQ("WriteBuildMessage(\"Clean operation failed.\\n\", tool=null)", recorder().calls()[0].line);
    EXPECT_EQ("WriteBuildMessage(\"main.c(3): error\\n\", tool={11111111-2222-3333-4444-555555555501})",
              recorder().calls()[1].line);
}

TEST_F(ManagerTest, PreferencesFillExactlyTheFourByteBuffer) {
    manager_->script().preferences[8] = 1;
    manager_->script().preferences[32] = 0x12345678;
    unsigned char buffer[8];
    std::memset(buffer, 0xEE, sizeof buffer);
    ASSERT_EQ(S_OK, manager_->GetPreference(buffer, 32));
    uint32_t value = 0;
    std::memcpy(&value, buffer, 4);
    EXPECT_EQ(0x12345678u, value);
    EXPECT_EQ(0xEE, buffer[4]); // nothing past the four bytes
    ASSERT_EQ(S_OK, manager_->GetPreference(buffer, 8));
    std::memcpy(&value, buffer, 4);
    EXPECT_EQ(1u, value);
    EXPECT_EQ(E_INVALIDARG, manager_->GetPreference(buffer, 99));
    EXPECT_EQ(E_POINTER, manager_->GetPreference(nullptr, 8));
}

TEST_F(ManagerTest, NotifyBuildStartedLocksMemoryUntilTheBuildSucceedsOrUnlocks) {
    ASSERT_EQ(S_OK, manager_->NotifyBuildStarted(L"C:\\w\\demo.cof"));
    EXPECT_TRUE(manager_->memory_locked());
    // A second build while the first holds the lock is refused.
    EXPECT_EQ(S_FALSE, manager_->NotifyBuildStarted(L"C:\\w\\demo.cof"));
    ASSERT_EQ(S_OK, manager_->UnlockMemory());
    EXPECT_FALSE(manager_->memory_locked());
    ASSERT_EQ(S_OK, manager_->NotifyBuildStarted(L"C:\\w\\demo.cof"));
    ASSERT_EQ(S_OK, manager_->NotifyBuildSucceeded(L"C:\\w\\demo.cof"));
    EXPECT_FALSE(manager_->memory_locked());
    EXPECT_EQ(3u, manager_->started_targets().size());
    EXPECT_EQ(std::vector<std::wstring>{L"C:\\w\\demo.cof"}, manager_->succeeded_targets());
    EXPECT_NE(Recorder::npos, recorder().find("NotifyBuildStarted(\"C:\\\\w\\\\demo.cof\")"));
}

TEST_F(ManagerTest, ScriptedNotifyBuildStartedAnswerTakesNoLock) {
    manager_->script().notifyBuildStarted = S_FALSE;
    EXPECT_EQ(S_FALSE, manager_->NotifyBuildStarted(L"t.cof"));
    EXPECT_FALSE(manager_->memory_locked());
}

TEST_F(ManagerTest, UnderwayStateFollowsSetBuildIsUnderway) {
    EXPECT_EQ(S_FALSE, manager_->BuildIsUnderway());
    manager_->SetBuildIsUnderway(1);
    EXPECT_EQ(S_OK, manager_->BuildIsUnderway());
    manager_->SetBuildIsUnderway(0);
    EXPECT_EQ(S_FALSE, manager_->BuildIsUnderway());
    EXPECT_LT(recorder().find("SetBuildIsUnderway(1)"), recorder().find("SetBuildIsUnderway(0)"));
}

TEST_F(ManagerTest, PlatInfoStringsAreTaskAllocatedCopiesOfTheScriptedDevice) {
    manager_->script().device = DeviceInfo{L"ZOR18F452", 18, L"MCU", 8};
    _PlatInfo info{};
    ASSERT_EQ(S_OK, manager_->GetPlatInfo(&info));
    CoTaskString name(info.pwszName), type(info.pwszDevType);
    EXPECT_STREQ(L"ZOR18F452", name.get());
    EXPECT_STREQ(L"MCU", type.get());
    EXPECT_EQ(18u, info.ulFamily);
    EXPECT_EQ(8u, info.ulWidth);
    _PlatInfo second{};
    ASSERT_EQ(S_OK, manager_->GetPlatInfo(&second));
    CoTaskString secondName(second.pwszName), secondType(second.pwszDevType);
    EXPECT_NE(name.get(), secondName.get()); // each call its own strings
}

TEST_F(ManagerTest, ScriptedExecuteSeesTheLineToolFlagsAndWorkingDirectory) {
    testing::ScratchDirectory dir;
    ExecuteRequest seen;
    manager_->script().execute = [&](const ExecuteRequest& request, unsigned long& exitCode) {
        seen = request;
        exitCode = 7;
        return S_OK;
    };
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(dir.path().c_str());
    GUID tool = testing::kToolB;
    unsigned long code = 0;
    const HRESULT result = manager_->ExecuteCmdLine(L"velc18 -Q", &code, &tool, nullptr, ECL_TARNIVHACK);
    SetCurrentDirectoryW(previous);

    ASSERT_EQ(S_OK, result);
    EXPECT_EQ(7u, code);
    EXPECT_EQ(L"velc18 -Q", seen.line);
    EXPECT_TRUE(paths::equal_ignoring_case(dir.path(), seen.directory));
    ASSERT_TRUE(seen.tool.has_value());
    EXPECT_TRUE(IsEqualGUID(testing::kToolB, *seen.tool));
    EXPECT_EQ(ECL_TARNIVHACK, seen.flags);
    ASSERT_EQ(1u, manager_->executed().size());
    EXPECT_EQ(7u, manager_->executed()[0].exitCode);
}

TEST_F(ManagerTest, ScriptedExecuteFailureLeavesTheExitCodeAlone) {
    manager_->script().execute = [](const ExecuteRequest&, unsigned long& exitCode) {
        exitCode = 5;
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    };
    unsigned long code = 1234;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              manager_->ExecuteCmdLine(L"x", &code, nullptr, nullptr, ECL_NULL));
    EXPECT_EQ(1234u, code);
}

TEST_F(ManagerTest, RealRunReturnsTheExitCodeAndRunsInTheCurrentDirectory) {
    testing::ScratchDirectory dir;
    unsigned long code = 0;
    ASSERT_EQ(S_OK, manager_->ExecuteCmdLine(L"cmd.exe /c exit 3", &code, nullptr, nullptr, ECL_TARNIVHACK));
    EXPECT_EQ(3u, code);
    ASSERT_EQ(S_OK, manager_->ExecuteCmdLine(L"cmd.exe /c exit 0", &code, nullptr, nullptr, ECL_TARNIVHACK));
    EXPECT_EQ(0u, code);

    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(dir.path().c_str());
    const HRESULT made =
        manager_->ExecuteCmdLine(L"echo made> marker.txt", &code, nullptr, nullptr, ECL_UGLYDOSTOOL);
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(S_OK, made);
    EXPECT_TRUE(dir.exists(L"marker.txt"));
}

TEST_F(ManagerTest, RealRunKeepsWhatTheToolPrintedOnBothStreams) {
    unsigned long code = 0;
    ASSERT_EQ(S_OK, manager_->ExecuteCmdLine(L"(echo to output) & (echo to error 1>&2) & exit 4", &code,
                                             nullptr, nullptr, ECL_UGLYDOSTOOL));
    EXPECT_EQ(4u, code);
    EXPECT_NE(std::string::npos, manager_->executed()[0].output.find("to output"));
    EXPECT_NE(std::string::npos, manager_->executed()[0].output.find("to error"));
}

TEST_F(ManagerTest, RealRunOfAMissingProgramFailsWithoutAnExitCode) {
    unsigned long code = 1234;
    const HRESULT result =
        manager_->ExecuteCmdLine(L"no-such-tool-anywhere.exe -x", &code, nullptr, nullptr, ECL_TARNIVHACK);
    EXPECT_TRUE(FAILED(result));
    EXPECT_EQ(1234u, code);
    EXPECT_EQ(E_INVALIDARG, run_command_line(L"", ECL_NULL, code));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE),
              run_command_line(std::wstring(40000, L'a'), ECL_NULL, code));
}

// Process starts refused through this program's own import of CreateProcessW:
// a start that died while loading is tried again, any other refusal is final.
struct RefusedStarts {
    static inline DWORD error = 0;
    static inline int refusals = 0;
    static inline int calls = 0;
    // Found by name: a call by the import would come back here.
    static inline const auto original = reinterpret_cast<decltype(&CreateProcessW)>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateProcessW")));
    static BOOL WINAPI create(LPCWSTR application, LPWSTR line, LPSECURITY_ATTRIBUTES process,
                              LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                              LPCWSTR directory, LPSTARTUPINFOW startup, LPPROCESS_INFORMATION information) {
        if (calls++ < refusals) {
            SetLastError(error);
            return FALSE;
        }
        return original(application, line, process, thread, inherit, flags, environment, directory, startup,
                        information);
    }
};

TEST(ChildProcess, AStartThatDiedWhileLoadingIsTriedAgainAndNoOtherIs) {
    struct Case {
        DWORD error;
        int refusals;
        HRESULT result;
        int calls;
    };
    const Case cases[] = {
        {ERROR_INTERNAL_ERROR, 1, S_OK, 2},
        {ERROR_INTERNAL_ERROR, kStartAttempts - 1, S_OK, kStartAttempts},
        {ERROR_INTERNAL_ERROR, kStartAttempts, HRESULT_FROM_WIN32(ERROR_INTERNAL_ERROR), kStartAttempts},
        {ERROR_ACCESS_DENIED, 1, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), 1},
    };
    const ImportPatches patches(GetModuleHandleW(nullptr), "kernel32.dll",
                                {{"CreateProcessW", import_slot(&RefusedStarts::create)}});
    ASSERT_TRUE(patches.active());
    for (const Case& c : cases) {
        RefusedStarts::error = c.error;
        RefusedStarts::refusals = c.refusals;
        RefusedStarts::calls = 0;
        unsigned long code = 1234;
        EXPECT_EQ(c.result, run_command_line(L"exit 7", ECL_UGLYDOSTOOL, code)) << c.refusals;
        EXPECT_EQ(c.calls, RefusedStarts::calls) << c.refusals;
        EXPECT_EQ(SUCCEEDED(c.result) ? 7u : 1234u, code) << c.refusals;
    }
}

TEST_F(ManagerTest, ProjectsAndDisplayComeWithAReferenceForTheCaller) {
    manager_->add_project(L"C:\\w\\a.ini");
    manager_->add_project(L"C:\\w\\b.ini");
    manager_->set_active_project(1);
    ComPtr<IProject> project;
    ASSERT_EQ(S_OK, manager_->GetProject(project.put(), 1));
    EXPECT_EQ(static_cast<IProject*>(manager_->projects()[1].get()), project.get());
    EXPECT_EQ(E_INVALIDARG, manager_->GetProject(project.put(), 2));
    int active = -1;
    ASSERT_EQ(S_OK, manager_->GetActiveProjectIndex(&active));
    EXPECT_EQ(1, active);

    ComPtr<IProjectDisplay> display;
    ASSERT_EQ(S_OK, manager_->GetDisplay(display.put()));
    _NodeTag tag{5, 5, 5};
    ASSERT_EQ(S_OK, display->GetCurrentNodeTag(&tag));
    EXPECT_EQ(-1, tag.project); // nothing selected
    EXPECT_EQ(-1, tag.file);
    manager_->display().select(_NodeTag{1, FCAT_SRC, 2});
    ASSERT_EQ(S_OK, display->GetCurrentNodeTag(&tag));
    EXPECT_EQ(1, tag.project);
    EXPECT_EQ(2, tag.file);
}

TEST_F(ManagerTest, ProcessGoesToTheScriptWithTheTagsProject) {
    manager_->add_project(L"C:\\w\\a.ini");
    ProcessRequest seen;
    manager_->script().process = [&](const ProcessRequest& request) {
        seen = request;
        return S_OK;
    };
    _NodeTag tag{0, -1, -1};
    ASSERT_EQ(S_OK, manager_->Process(CMD_MAKE, &tag, 1, nullptr, nullptr));
    EXPECT_EQ(CMD_MAKE, seen.command);
    EXPECT_EQ(static_cast<IProject*>(manager_->projects()[0].get()), seen.project);
    ASSERT_EQ(1u, seen.inputs.size());
    EXPECT_EQ("Process(60003, tag=(0,-1,-1), count=1)", recorder().calls().back().line);
}

TEST_F(ManagerTest, ProcessWithoutASuiteFails) {
    manager_->add_project(L"C:\\w\\a.ini");
    _NodeTag tag{0, -1, -1};
    EXPECT_EQ(E_FAIL, manager_->Process(CMD_BUILD_ALL, &tag, 1, nullptr, nullptr));
}

TEST_F(ManagerTest, TheExtendedManagerSharesTheTableAndRecordsItsCalls) {
    ComPtr<IProjectManagerEx> extended;
    ASSERT_EQ(S_OK, manager_->QueryInterface(IID_IProjectManagerEx, extended.put_void()));
    ComPtr<IProjectManager> plain;
    ASSERT_EQ(S_OK, extended->QueryInterface(IID_IProjectManager, plain.put_void()));
    ASSERT_EQ(S_OK, extended->SaveFile(L"C:\\w\\main.c", 1));
    EXPECT_EQ("SaveFile(\"C:\\\\w\\\\main.c\", prompt=1)", recorder().calls().back().line);
    EXPECT_EQ(E_POINTER, extended->NotifyToolLocationChanged(nullptr, L"C:\\old"));
}

TEST_F(ManagerTest, ManagerAndDisplayShowOneWorkspace) {
    auto first = manager_->add_project(L"C:\\w\\alpha.ini");
    manager_->add_project(L"C:\\w\\beta.ini");
    HostDisplay& display = manager_->display();
    const auto name_at = [](auto& face, unsigned long index) {
        CoTaskString name;
        const HRESULT hr = face.GetProjectName(index, name.put());
        return SUCCEEDED(hr) ? std::wstring(name.c_str()) : L"failed " + std::to_wstring(hr);
    };
    // Unnamed projects show their file's base name through both faces.
    EXPECT_EQ(L"alpha", name_at(*manager_.get(), 0));
    EXPECT_EQ(L"beta", name_at(display, 1));
    ASSERT_EQ(S_OK, manager_->SetProjectName(1, L"Firmware"));
    EXPECT_EQ(L"Firmware", name_at(display, 1));
    ASSERT_EQ(S_OK, display.InsertProject(first.get(), L"Boot"));
    EXPECT_EQ(L"Boot", name_at(*manager_.get(), 0));
    ASSERT_EQ(S_OK, display.SetWorkspaceName(L"Board"));
    CoTaskString workspace;
    ASSERT_EQ(S_OK, manager_->GetWorkspaceName(workspace.put()));
    EXPECT_STREQ(L"Board", workspace.c_str());
    // The view shows only the workspace's projects.
    auto stranger = suite::com::make<HostProject>();
    EXPECT_EQ(E_INVALIDARG, display.InsertProject(stranger.get(), L"x"));
    EXPECT_EQ(E_INVALIDARG, display.SetProjectName(2, L"x"));
    ASSERT_EQ(S_OK, manager_->RemoveProject(0));
    EXPECT_EQ(L"Firmware", name_at(display, 0));
    EXPECT_EQ(E_INVALIDARG, display.RemoveProject(1));
}

TEST(ManagerProjects, RemovingTheActiveLastProjectMakesThePreviousOneActive) {
    testing::ComApartment apartment;
    for (const bool fromTheMenu : {false, true}) {
        auto manager = suite::com::make<HostProjectManager>();
        ManagerShutdown shutdown(manager.get());
        manager->add_project(L"C:\\w\\a.ini");
        manager->add_project(L"C:\\w\\b.ini");
        ASSERT_EQ(S_OK, manager->SetActiveProjectIndex(1));
        ASSERT_EQ(S_OK, fromTheMenu ? manager->UIProjectRemove(1) : manager->RemoveProject(1));
        int active = -2;
        ASSERT_EQ(S_OK, manager->GetActiveProjectIndex(&active));
        EXPECT_EQ(0, active) << (fromTheMenu ? "UIProjectRemove" : "RemoveProject");
        EXPECT_EQ(E_INVALIDARG, fromTheMenu ? manager->UIProjectRemove(1) : manager->RemoveProject(1));
    }
}

TEST(ManagerOwnership, ShutdownReleasesProjectsAndTheirArguments) {
    testing::ComApartment apartment;
    const long before = suite::com::ModuleLock::count();
    {
        auto manager = suite::com::make<HostProjectManager>();
        ManagerShutdown shutdown(manager.get());
        auto project = manager->add_project(L"C:\\w\\a.ini");
        auto args = suite::com::make<testing::LinkedArgs>();
        args->SetProject(project.get());
        ComPtr<IProjectDisplay> display;
        manager->GetDisplay(display.put());
        args->SetDisplay(display.get());
        project->set_project_tool_args(testing::kToolA, ComPtr<IToolArgs>(args.get()));
    }
    EXPECT_EQ(before, suite::com::ModuleLock::count());
}

} // namespace
} // namespace veska::host
