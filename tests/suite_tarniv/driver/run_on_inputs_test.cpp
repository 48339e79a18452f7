// Assemble and Compile: one tool on the given nodes, chosen by the command.
#include "driver_fixture.h"

namespace driver_test {
namespace {

using RunOnInputsTest = DriverTest;

TEST_F(RunOnInputsTest, CommandChoosesTheToolNotTheSuffix) {
    add_source(L"boot.as");
    add_source(L"main.c");
    EXPECT_EQ(process(CMD_COMPILE, {{0, FCAT_SRC, 0}}), S_OK);
    EXPECT_EQ(runs(), std::vector<GUID>{CLSID_T_TARNIV18cc});
    EXPECT_EQ(process(CMD_ASSEMBLE, {{0, FCAT_SRC, 1}, {0, FCAT_SRC, 0}}), S_OK);
    EXPECT_EQ(runs(), (std::vector<GUID>{CLSID_T_TARNIV18cc, CLSID_T_TARNIV18as, CLSID_T_TARNIV18as}));
    // No clean, no lock, no link.
    EXPECT_EQ(calls("IProject.Clean"), 0u);
    EXPECT_EQ(calls("NotifyBuildStarted"), 0u);
    EXPECT_EQ(calls("UnlockMemory"), 0u);
    EXPECT_EQ(build_line().rfind(L"BUILD SUCCEEDED: ", 0), 0u);
    EXPECT_FALSE(manager->build_underway());
}

TEST_F(RunOnInputsTest, CountZeroRunsNothingAndSucceeds) {
    add_source(L"main.c");
    _NodeTag unused{0, FCAT_SRC, 0};
    EXPECT_EQ(suite->Process(CMD_COMPILE, &unused, 0, project.get(), manager.get()), S_OK);
    EXPECT_TRUE(runs().empty());
    EXPECT_EQ(build_line().rfind(L"BUILD SUCCEEDED: ", 0), 0u);
}

TEST_F(RunOnInputsTest, FailedFileCountsAndTheOthersStillRun) {
    add_source(L"bad.c");
    add_source(L"main.c");
    failingSources = {L"bad"};
    EXPECT_EQ(process(CMD_COMPILE, {{0, FCAT_SRC, 0}, {0, FCAT_SRC, 1}}), S_FALSE);
    EXPECT_EQ(runs().size(), 2u);
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);
}

TEST_F(RunOnInputsTest, ErrorFileLineLongerThanAPieceReachesTheHostInTwoPieces) {
    add_source(L"main.c");
    std::string line;
    for (size_t i = 0; i < 1500; ++i)
        line.push_back(static_cast<char>('a' + i % 26));
    const auto standIn = manager->script().execute;
    manager->script().execute = [&](const veska::host::ExecuteRequest& request, unsigned long& exitCode) {
        const HRESULT hr = standIn(request, exitCode);
        EXPECT_TRUE(suite::test::write_file(file(L"main.cce"), line + "\n"));
        return hr;
    };
    EXPECT_EQ(process(CMD_COMPILE), S_OK);

    const std::wstring wide(line.begin(), line.end());
    EXPECT_EQ(tool_messages(), (std::vector<std::wstring>{wide.substr(0, 1023), wide.substr(1023) + L"\n"}));
    for (const auto& message : manager->build_messages()) {
        if (message.tool) {
            EXPECT_EQ(*message.tool, CLSID_T_TARNIV18cc);
        }
    }
}

TEST_F(RunOnInputsTest, NodeThatIsNotInTheProject) {
    add_source(L"main.c");
    EXPECT_EQ(FAILED(process(CMD_COMPILE, {{0, FCAT_SRC, 7}})), true);
    EXPECT_EQ(suite_messages(),
              std::vector<std::wstring>{L"Build aborted.  The project may be corrupted.\n"});
    EXPECT_TRUE(runs().empty());
}

} // namespace
} // namespace driver_test
