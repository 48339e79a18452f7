// Build All through ISuite::Process with the host's scripted runs: the
// messages, the lock, halting, and the BUILD line.
#include "driver_fixture.h"

#include "text.h"

namespace driver_test {
namespace {

const std::wstring kSkippingLink = L"Skipping link step.  Not all sources built successfully.\n";
const std::wstring kNoTool = L"Skipping file.  There is no tool to process the file with the given suffix.\n";
const std::wstring kHalting = L"Halting build on first failure as requested.\n";

using BuildAllTest = DriverTest;

bool ends_with(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_F(BuildAllTest, SourcesThenLinkThenSucceededLineEndingInTwoLineFeeds) {
    add_source(L"boot.as");
    add_source(L"main.c");
    EXPECT_EQ(process(CMD_BUILD_ALL), S_OK);

    const std::vector<GUID> expected{CLSID_T_TARNIV18as, CLSID_T_TARNIV18cc, CLSID_T_TARNIV18ld};
    EXPECT_EQ(runs(), expected);
    EXPECT_TRUE(suite_messages().empty());
    EXPECT_EQ(build_line().rfind(L"BUILD SUCCEEDED: ", 0), 0u);
    EXPECT_TRUE(ends_with(build_line(), L"\n\n"));
    EXPECT_EQ(build_line().size(), std::wstring(L"BUILD SUCCEEDED: Tue Dec  8 19:16:00 2026\n\n").size());

    // The lock: taken with the target, given back by success alone.
    EXPECT_EQ(manager->started_targets(), std::vector<std::wstring>{target()});
    EXPECT_EQ(manager->succeeded_targets(), std::vector<std::wstring>{target()});
    EXPECT_EQ(calls("UnlockMemory"), 0u);
    EXPECT_FALSE(manager->build_underway());
    const auto& recorder = *manager->recorder();
    const size_t clean = recorder.find("IProject.Clean");
    ASSERT_NE(clean, recorder.npos);
    EXPECT_LT(recorder.find("SetBuildIsUnderway(1)"), clean);
    EXPECT_LT(clean, recorder.find("NotifyBuildStarted"));
    EXPECT_LT(recorder.find("IProject.SetStable(1)"), recorder.find("NotifyBuildSucceeded"));
    EXPECT_LT(recorder.find("IProject.SetBuildRequired(0)"), recorder.find("NotifyBuildSucceeded"));

    // The runs happen in the source's directory and the output directory,
    // with the tools' lines fully expanded.
    for (const auto& run : manager->executed()) {
        EXPECT_EQ(run.request.directory, dir.path());
        EXPECT_EQ(run.request.flags, ECL_TARNIVHACK);
        EXPECT_EQ(run.request.line.find(L"$("), std::wstring::npos) << veska::host::utf8(run.request.line);
    }
    const std::wstring& link = manager->executed()[2].request.line;
    EXPECT_NE(link.find(L"\"" + file(L"boot.obj") + L"\" \"" + file(L"main.obj") + L"\""),
              std::wstring::npos);
    EXPECT_NE(link.find(L"-O\"proj.cof\""), std::wstring::npos);

    // Objects and error files went to the intermediate folder, the target out.
    const std::vector<std::wstring> intermediate = project->locations(FCAT_INT);
    EXPECT_NE(std::find(intermediate.begin(), intermediate.end(), file(L"boot.obj")), intermediate.end());
    EXPECT_NE(std::find(intermediate.begin(), intermediate.end(), file(L"main.cce")), intermediate.end());
    EXPECT_EQ(project->locations(FCAT_OUT), std::vector<std::wstring>{target()});
    EXPECT_FALSE(project->build_required());
}

TEST_F(BuildAllTest, UnknownSuffixSkipsTheFileAndTheLink) {
    add_source(L"boot.as");
    add_source(L"main.c");
    add_source(L"notes.txt");
    EXPECT_EQ(process(CMD_BUILD_ALL), S_FALSE);
    EXPECT_EQ(runs().size(), 2u);
    EXPECT_EQ(suite_messages(), (std::vector<std::wstring>{kNoTool, kSkippingLink}));
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);
    EXPECT_EQ(calls("UnlockMemory"), 1u);
    EXPECT_TRUE(manager->succeeded_targets().empty());
}

TEST_F(BuildAllTest, UnknownSuffixFirstWithHaltSetRunsNothing) {
    manager->script().preferences[8] = 1;
    add_source(L"notes.txt");
    add_source(L"boot.as");
    add_source(L"main.c");
    EXPECT_EQ(process(CMD_BUILD_ALL), E_FAIL);
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(suite_messages(), (std::vector<std::wstring>{kNoTool, kHalting}));
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);
    EXPECT_EQ(calls("UnlockMemory"), 1u);
}

TEST_F(BuildAllTest, FailedSourceEchoesItsErrorFileAndHaltsWhenAsked) {
    add_source(L"bad.c");
    add_source(L"main.c");
    failingSources = {L"bad"};
    EXPECT_EQ(process(CMD_BUILD_ALL), S_FALSE);
    EXPECT_EQ(runs().size(), 2u);
    EXPECT_EQ(tool_messages(), std::vector<std::wstring>{L"Error[100] bad 3 : boom\n"});
    EXPECT_EQ(manager->build_messages().front().tool.value_or(GUID_NULL), CLSID_T_TARNIV18cc);
    EXPECT_EQ(suite_messages(), std::vector<std::wstring>{kSkippingLink});

    manager->recorder()->clear();
    manager->script().preferences[8] = 1;
    const size_t before = runs().size();
    EXPECT_EQ(process(CMD_BUILD_ALL), E_FAIL);
    EXPECT_EQ(runs().size(), before + 1);
    EXPECT_EQ(suite_messages().back(), kHalting);
}

TEST_F(BuildAllTest, SavePreferenceChoosesTheSaveAndItsPrompt) {
    add_source(L"main.c");
    struct Case {
        unsigned long command;
        uint32_t preference;
        int prompt; // -1: no save
    };
    const Case cases[] = {
        {CMD_BUILD_ALL, 0, -1}, {CMD_BUILD_ALL, 1, 0}, {CMD_BUILD_ALL, 2, 1}, {CMD_BUILD_ALL, 3, 0},
        {CMD_MAKE, 0, -1},      {CMD_MAKE, 1, 0},      {CMD_MAKE, 2, 1},      {CMD_COMPILE, 0, -1},
        {CMD_COMPILE, 1, 0},    {CMD_COMPILE, 2, 1},   {CMD_ASSEMBLE, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.command) + " preference " + std::to_string(c.preference));
        manager->recorder()->clear();
        manager->script().preferences[32] = c.preference;
        process(c.command);

        // Build All and Make save every file before the build starts; Assemble
        // and Compile save their input before its tool runs.
        const bool wholeProject = c.command == CMD_BUILD_ALL || c.command == CMD_MAKE;
        const std::string save = wholeProject ? "SaveAllFiles" : "SaveFile";
        EXPECT_EQ(calls(wholeProject ? "SaveFile" : "SaveAllFiles"), 0u);
        const auto saves = manager->recorder()->calls_of(save);
        if (c.prompt < 0) {
            EXPECT_TRUE(saves.empty());
            continue;
        }
        ASSERT_EQ(saves.size(), 1u);
        const std::string prompt = std::to_string(c.prompt);
        EXPECT_EQ(saves[0].arguments,
                  wholeProject ? prompt
                               : veska::host::quoted(file(L"main.c").c_str()) + ", prompt=" + prompt);
        const auto& recorder = *manager->recorder();
        EXPECT_LT(recorder.find(save + "("),
                  recorder.find(wholeProject ? "NotifyBuildStarted" : "ExecuteCmdLine"));
    }
}

TEST_F(BuildAllTest, LockedMemoryEndsTheBuildWithTheHostsAnswer) {
    add_source(L"main.c");
    manager->script().notifyBuildStarted = S_FALSE;
    EXPECT_EQ(process(CMD_BUILD_ALL), S_FALSE);
    EXPECT_EQ(suite_messages(),
              std::vector<std::wstring>{
                  L"ERROR: \"TARNIV VELC-18 Toolsuite\" cannot complete the operation because "
                  L"VESKA's memory is locked.\nHINT: Are you currently running the target "
                  L"program?\n"});
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(calls("UnlockMemory"), 0u);
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);
}

TEST_F(BuildAllTest, EmptySourceFolderAndUnknownCommand) {
    EXPECT_EQ(process(CMD_BUILD_ALL), E_FAIL);
    EXPECT_EQ(suite_messages(),
              std::vector<std::wstring>{L"Build aborted.  The project contains no source files.\n"});
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(calls("UnlockMemory"), 1u);
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);

    manager->recorder()->clear();
    EXPECT_EQ(process(60004), E_FAIL);
    EXPECT_EQ(suite_messages().back(), L"The TARNIV(18) toolsuite received an unrecognized command.\n");
    EXPECT_EQ(calls("NotifyBuildStarted"), 0u);
    EXPECT_FALSE(manager->build_underway());
}

TEST_F(BuildAllTest, NullArgumentsDoNothing) {
    _NodeTag tag{0, FCAT_SRC, 0};
    EXPECT_EQ(suite->Process(CMD_BUILD_ALL, nullptr, 1, project.get(), manager.get()), E_POINTER);
    EXPECT_EQ(suite->Process(CMD_BUILD_ALL, &tag, 1, nullptr, manager.get()), E_POINTER);
    EXPECT_EQ(suite->Build(&tag, 1, project.get(), nullptr), E_POINTER);
    EXPECT_TRUE(manager->recorder()->calls().empty());
}

TEST_F(BuildAllTest, CleanFailure) {
    add_source(L"main.c");
    manager->recorder()->inject("IProject.Clean", E_ACCESSDENIED);
    EXPECT_EQ(suite->Build(nullptr, 0, project.get(), manager.get()), E_POINTER);
    _NodeTag tag{0, FCAT_SRC, 0};
    EXPECT_EQ(suite->Build(&tag, 1, project.get(), manager.get()), E_ACCESSDENIED);
    EXPECT_EQ(suite_messages(), std::vector<std::wstring>{L"Clean operation failed.\n"});
    EXPECT_EQ(calls("NotifyBuildStarted"), 0u);
}

TEST_F(BuildAllTest, ToolAndSettingsFailuresHaveTheirMessages) {
    add_source(L"main.c");
    struct Case {
        const char* injected;
        int skip; // calls of the target search that come first
        HRESULT hr;
        std::wstring message;
    };
    const Case cases[] = {
        {"IProject.GetProjectToolArgsByCLSID", 1, E_FAIL, L"Couldn't get tool settings.\n"},
        {"IProject.GetSuiteArgs", 0, E_NOINTERFACE, L"Couldn't generate command line.\n"},
        {"IProject.GenCmdLine", 1, E_UNEXPECTED, L"Couldn't generate command line.\n"},
        {"IProject.GetNode", 0, E_INVALIDARG, L"Build aborted.  The project may be corrupted.\n"},
    };
    for (const Case& c : cases) {
        manager->recorder()->clear();
        manager->recorder()->clear_injections();
        manager->recorder()->inject(c.injected, c.hr, -1, c.skip);
        const size_t before = manager->build_messages().size();
        EXPECT_EQ(process(CMD_BUILD_ALL), c.hr) << c.injected;
        ASSERT_GT(manager->build_messages().size(), before + 1) << c.injected;
        EXPECT_EQ(manager->build_messages()[before].text, c.message) << c.injected;
        EXPECT_EQ(calls("UnlockMemory"), 1u) << c.injected;
    }
}

TEST_F(BuildAllTest, ToolThatCannotBeLocatedOrDoesNotSupportTheDevice) {
    add_source(L"main.c");
    ASSERT_EQ(tools[1]->SetLocation(file(L"nowhere.exe").c_str()), S_OK);
    EXPECT_EQ(process(CMD_BUILD_ALL), TOOL_E_NOTLOCATED);
    EXPECT_EQ(suite_messages(),
              std::vector<std::wstring>{L"Couldn't locate build tool.  Check tool locations.\n"});

    ASSERT_EQ(tools[1]->SetLocation(file(L"velc18.exe").c_str()), S_OK);
    manager->script().device.name = L"PIC18F452";
    EXPECT_EQ(process(CMD_BUILD_ALL), TOOL_E_UNSUPPORTEDDEVICE);
    EXPECT_EQ(suite_messages().back(), L"Tool doesn't support selected device.\n");
    EXPECT_TRUE(runs().empty());
}

TEST_F(BuildAllTest, LinkerFailureAndLinkThatCannotRun) {
    add_source(L"main.c");
    linkFails = true;
    EXPECT_EQ(process(CMD_BUILD_ALL), S_FALSE);
    EXPECT_EQ(tool_messages(), std::vector<std::wstring>{L"Error[100] proj 3 : boom\n"});
    EXPECT_TRUE(suite_messages().empty()); // no "Link step failed." for an exit code
    EXPECT_EQ(calls("UnlockMemory"), 1u);
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);

    linkFails = false;
    manager->recorder()->inject("IProjectManager.ExecuteCmdLine", E_ACCESSDENIED, 1, 1);
    EXPECT_EQ(process(CMD_BUILD_ALL), E_ACCESSDENIED);
    EXPECT_EQ(suite_messages(), std::vector<std::wstring>{L"Link step failed.\n"});
}

TEST_F(BuildAllTest, FileSettingsOverrideTheProjectsUnlessDefault) {
    auto node = add_source(L"main.c");
    suite::ComPtr<IToolArgs> fileArgs;
    ASSERT_EQ(tools[1]->CreateArgs(fileArgs.put(), 1), S_OK);
    ASSERT_EQ(fileArgs->SetCmdLine(L"-W7"), S_OK);
    node->set_args(CLSID_T_TARNIV18cc, fileArgs);
    ASSERT_EQ(projectArgs[1]->SetCmdLine(L"-W2"), S_OK);
    EXPECT_EQ(process(CMD_BUILD_ALL), S_OK);
    EXPECT_NE(manager->executed()[0].request.line.find(L" -W2"), std::wstring::npos);

    ASSERT_EQ(fileArgs->SetDefault(0), S_OK);
    EXPECT_EQ(process(CMD_BUILD_ALL), S_OK);
    EXPECT_NE(manager->executed()[2].request.line.find(L" -W7"), std::wstring::npos);
    EXPECT_EQ(manager->executed()[2].request.line.find(L" -W2"), std::wstring::npos);
}

TEST_F(BuildAllTest, ToolLocationStamp) {
    add_source(L"main.c");
    std::vector<std::wstring> previous;
    manager->script().onToolLocationChanged = [&](ITool*, const std::wstring& stamp) {
        previous.push_back(stamp);
    };
    wchar_t key[40];
    StringFromGUID2(CLSID_T_TARNIV18cc, key, 40);
    std::wstring upper = file(L"velc18.exe");
    for (wchar_t& c : upper)
        c = static_cast<wchar_t>(towupper(c));
    project->set_tool_location_stamp(key, upper);
    ASSERT_EQ(process(CMD_BUILD_ALL), S_OK);
    EXPECT_TRUE(previous.empty()); // the same place, whatever the case
    EXPECT_EQ(*project->tool_location_stamp(key), file(L"velc18.exe"));

    project->set_tool_location_stamp(key, L"C:\\old\\velc18.exe");
    ASSERT_EQ(process(CMD_BUILD_ALL), S_OK);
    EXPECT_EQ(previous, std::vector<std::wstring>{L"C:\\old\\velc18.exe"});
    EXPECT_EQ(*project->tool_location_stamp(key), file(L"velc18.exe"));

    manager->recorder()->inject("IProject.SetToolLocStamp", E_ACCESSDENIED);
    EXPECT_EQ(process(CMD_BUILD_ALL), E_ACCESSDENIED);
    manager->recorder()->clear_injections();

    // The suite's own manager hears of a moved tool; without one the check fails.
    project->set_tool_location_stamp(key, L"C:\\old\\velc18.exe");
    ASSERT_EQ(suite->SetManager(nullptr), S_OK);
    EXPECT_EQ(process(CMD_BUILD_ALL), E_POINTER);
    EXPECT_EQ(previous.size(), 1u);
}

} // namespace
} // namespace driver_test
