// The host runs the real stand-in driver velc18.exe on a small project.
#include "driver_fixture.h"

#include "text.h"

namespace driver_test {
namespace {

std::wstring windows_path(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* c = unixPath; *c; ++c)
        path.push_back(*c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*c)));
    return path;
}

class EndToEndTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        manager->script().execute = nullptr; // real runs
        for (auto& tool : tools)
            ASSERT_EQ(tool->SetLocation(windows_path(VELC18_PATH).c_str()), S_OK);
        ASSERT_TRUE(CreateDirectoryW(file(L"inc").c_str(), nullptr));
        ASSERT_TRUE(suite::test::write_file(file(L"inc\\defs.h"), "#define ANSWER 42\n"));
        project->add_file(FCAT_INC, file(L"inc\\defs.h"));
        project->set_path(PT_INC, file(L"inc"));
        project->set_path(PT_AIN, file(L"inc") + L"\\");
        project->set_path(PT_TMP, L"tmp");
        add_source(L"boot.as", "  .include \"defs.h\"\n  nop\n");
        add_source(L"main.c", "#include \"defs.h\"\nint main(void) { return ANSWER; }\n");
    }
};

TEST_F(EndToEndTest, BuildAllThenMakeThenAFailingCompile) {
    ASSERT_EQ(process(CMD_BUILD_ALL), S_OK) << veska::host::utf8(manager->build_output());
    EXPECT_EQ(suite::test::read_file(target()).rfind("VELC18 TARGET 1", 0), 0u);
    EXPECT_EQ(suite::test::read_file(file(L"tmp\\main.obj")).rfind("VELC18 OBJECT 1", 0), 0u);
    EXPECT_EQ(suite::test::read_file(file(L"tmp\\boot.obj")).rfind("VELC18 OBJECT 1", 0), 0u);
    EXPECT_TRUE(tool_messages().empty());

    manager->recorder()->clear();
    const size_t runsBefore = manager->executed().size();
    const size_t messagesBefore = manager->build_messages().size();
    ASSERT_EQ(process(CMD_MAKE), S_OK);
    EXPECT_EQ(manager->executed().size(), runsBefore + 1); // the link only
    std::wstring makeOutput;
    for (size_t i = messagesBefore; i < manager->build_messages().size(); ++i)
        makeOutput += manager->build_messages()[i].text;
    EXPECT_EQ(makeOutput.rfind(L"The target \"" + file(L"tmp\\boot.obj") + L"\" is already up to date.\n" +
                                   L"The target \"" + file(L"tmp\\main.obj") +
                                   L"\" is already up to date.\n" + L"BUILD SUCCEEDED: ",
                               0),
              0u)
        << veska::host::utf8(makeOutput);

    // A fault in the C source: the compiler's message reaches the output
    // under its class, the link is skipped.
    ASSERT_TRUE(suite::test::write_file(file(L"main.c"), "#include \"defs.h\"\n#error boom\n"));
    ASSERT_TRUE(set_write_time(file(L"main.c"), kSomeTime * 2));
    EXPECT_EQ(process(CMD_MAKE), S_FALSE);
    const std::vector<std::wstring> fromTools = tool_messages();
    ASSERT_EQ(fromTools.size(), 1u);
    EXPECT_EQ(fromTools[0], L"Error[100] " + file(L"main.c") + L" 2 : #error directive: boom\n");
    EXPECT_EQ(suite_messages().back(), L"Skipping link step.  Not all sources built successfully.\n");
    EXPECT_EQ(build_line().rfind(L"BUILD FAILED: ", 0), 0u);
    EXPECT_FALSE(manager->memory_locked());
}

} // namespace
} // namespace driver_test
