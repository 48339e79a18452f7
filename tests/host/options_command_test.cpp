// `veska-host options` end to end: the registered plug-in's pages in a real
// sheet, worked by a script; what the page applied lands in the project file
// and in the state the next Make reads.
#include "build_command.h"
#include "options_command.h"
#include "registered_plugin.h"
#include "project_file.h"
#include "test_support.h"

namespace veska::host {
namespace {

using cli::OptionsRequest;
using cli::StringOutput;

class OptionsCommand : public testing::RegisteredPlugin {
protected:
    void SetUp() override {
        RegisteredPlugin::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        dir_.write(L"src\\main.c", "int main(void) { return 0; }\n");
        dir_.write(L"src\\start.as", "; start\n    nop\n");
        dir_.write(L"demo.ini",
                   ("[Notes]\nZeta=last\nAlpha=first\n[Sources]\nFile=src\\start.as\n"
                    "File=src\\main.c\n" +
                    tool_locations() + "[Tool T_TARNIV18cc]\nText=-G -W3\nDefault=0\n[Suite]\nText=\n")
                       .c_str());
    }

    int options(const wchar_t* tool, std::vector<std::wstring> script,
                std::optional<std::wstring> file = {}) {
        output_ = StringOutput();
        return cli::run_options(OptionsRequest{dir_.file(L"demo.ini"), tool, file, std::move(script), {}},
                                output_);
    }
    int build(unsigned long command) {
        output_ = StringOutput();
        return cli::run_build(cli::BuildRequest{command, dir_.file(L"demo.ini"), {}}, output_);
    }
    // Every section but one, as the profile functions read them.
    std::vector<std::pair<std::wstring, IniSection>> sections_except(const std::wstring& skipped) const {
        std::vector<std::pair<std::wstring, IniSection>> sections;
        for (const std::wstring& name : read_ini_section_names(dir_.file(L"demo.ini")))
            if (name != skipped)
                sections.emplace_back(name, read_ini_section(dir_.file(L"demo.ini"), name));
        return sections;
    }
    bool rebuilt(const char* object) const {
        return output_.out_text().find(std::string(object) + "\" is already up to date") == std::string::npos;
    }
};

TEST_F(OptionsCommand, CompilerPageSessionWritesItsSectionAndMakesOnlyTheCSourcesStale) {
    ASSERT_EQ(cli::kExitOk, build(CMD_BUILD_ALL)) << output_.out_text() << output_.err_text();
    const auto untouched = sections_except(L"Tool T_TARNIV18cc");

    ASSERT_EQ(cli::kExitOk, options(L"cc", {L"category 2", L"select 223 15", L"category 0", L"macro DEBUG",
                                            L"show", L"png " + dir_.file(L"sheet.png"), L"apply", L"ok"}))
        << output_.err_text();
    EXPECT_EQ(0u, suite::test::read_file(dir_.file(L"sheet.png")).rfind("\x89PNG\r\n\x1a\n", 0));
    const std::string& out = output_.out_text();
    EXPECT_NE(std::string::npos, out.find("205: -DDEBUG -G -W5\n")) << out;
    EXPECT_NE(std::string::npos, out.find("237: DEBUG\n")) << out;
    EXPECT_NE(std::string::npos, out.find("Text=-DDEBUG -G -W5\nDefault=0\nAlternate=0\n")) << out;
    EXPECT_EQ((IniSection{{L"Text", L"-DDEBUG -G -W5"}, {L"Default", L"0"}, {L"Alternate", L"0"}}),
              read_ini_section(dir_.file(L"demo.ini"), L"Tool T_TARNIV18cc"));
    EXPECT_EQ(untouched, sections_except(L"Tool T_TARNIV18cc"));

    // The compiler's options changed, the assembler's did not.
    ASSERT_EQ(cli::kExitOk, build(CMD_MAKE)) << output_.out_text() << output_.err_text();
    EXPECT_TRUE(rebuilt("main.obj")) << output_.out_text();
    EXPECT_FALSE(rebuilt("start.obj")) << output_.out_text();
}

TEST_F(OptionsCommand, AFilesPageWritesTheFilesSectionAndMakesThatFileStale) {
    ASSERT_EQ(cli::kExitOk, build(CMD_BUILD_ALL)) << output_.out_text() << output_.err_text();
    // The file inherits the project's options: the page opens on them with 204 checked.
    ASSERT_EQ(cli::kExitOk, options(L"cc", {L"show", L"category 1", L"click 214", L"ok"}, L"src\\main.c"))
        << output_.err_text();
    EXPECT_NE(std::string::npos, output_.out_text().find("204: checked\n")) << output_.out_text();
    EXPECT_EQ((IniSection{{L"T_TARNIV18cc.Text", L"-X -G -W3"},
                          {L"T_TARNIV18cc.Default", L"0"},
                          {L"T_TARNIV18cc.Alternate", L"0"}}),
              read_ini_section(dir_.file(L"demo.ini"), L"File src\\main.c"));
    EXPECT_EQ((IniSection{{L"Text", L"-G -W3"}, {L"Default", L"0"}}),
              read_ini_section(dir_.file(L"demo.ini"), L"Tool T_TARNIV18cc"));

    ASSERT_EQ(cli::kExitOk, build(CMD_MAKE)) << output_.out_text() << output_.err_text();
    EXPECT_TRUE(rebuilt("main.obj")) << output_.out_text();
    EXPECT_FALSE(rebuilt("start.obj")) << output_.out_text();
}

TEST_F(OptionsCommand, ACancelledSheetWritesNothing) {
    ASSERT_EQ(cli::kExitOk, build(CMD_BUILD_ALL)) << output_.out_text() << output_.err_text();
    const std::string project = suite::test::read_file(dir_.file(L"demo.ini"));
    const std::string state = suite::test::read_file(dir_.file(L"demo.ini.state"));
    // Pressed Cancel, and a script that simply ends.
    for (const auto& script : {std::vector<std::wstring>{L"click 282", L"type 283 -O", L"cancel"},
                               std::vector<std::wstring>{L"click 282", L"type 283 -O"}}) {
        EXPECT_EQ(cli::kExitOk, options(L"cc", script)) << output_.err_text();
        EXPECT_NE(std::string::npos, output_.out_text().find("Text=-G -W3\n")) << output_.out_text();
        EXPECT_EQ(project, suite::test::read_file(dir_.file(L"demo.ini")));
        EXPECT_EQ(state, suite::test::read_file(dir_.file(L"demo.ini.state")));
    }
}

TEST_F(OptionsCommand, UnknownNamesAreRefusedWithExitCodeTwoAndNothingWritten) {
    const std::string project = suite::test::read_file(dir_.file(L"demo.ini"));
    const struct {
        const wchar_t* tool;
        std::optional<std::wstring> file;
        std::vector<std::wstring> script;
        const char* message;
    } cases[] = {
        {L"xx", {}, {}, "unknown tool xx"},
        {L"cc", L"src\\nope.c", {L"ok"}, "src\\nope.c is not a file of the project"},
        {L"as", L"src\\main.c", {L"ok"}, "src\\main.c has no settings of T_TARNIV18as"},
        {L"cc", {}, {L"click 999", L"ok"}, "no control 999 on the page"},
        {L"ld", {}, {L"select 236 21", L"ok"}, "control 236 has no item 21"},
        {L"cc", {}, {L"frobnicate 3"}, "unknown command \"frobnicate 3\""},
        {L"cc", {}, {L"click x"}, "the control id is not a number"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(cli::kExitFailure, options(row.tool, row.script, row.file)) << row.message;
        EXPECT_NE(std::string::npos, output_.err_text().find(row.message)) << output_.err_text();
        EXPECT_EQ(project, suite::test::read_file(dir_.file(L"demo.ini"))) << row.message;
    }
}

} // namespace
} // namespace veska::host
