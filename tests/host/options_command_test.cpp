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

TEST_F(OptionsCommand, ShowGivesLabelsAndItemsAndSelectPicksAnItemByItsText) {
    ASSERT_EQ(cli::kExitOk, options(L"cc", {L"category 2", L"show", L"select 223 =5", L"show", L"ok"}))
        << output_.err_text();
    const std::string& out = output_.out_text();
    EXPECT_NE(std::string::npos, out.find("223: 3\n    label: Warning level:\n    item 0: -10\n")) << out;
    EXPECT_NE(std::string::npos, out.find("    item 13: 3  (selected)\n")) << out;
    EXPECT_NE(std::string::npos, out.find("282: unchecked\n    label: Use Alternate Settings\n")) << out;
    EXPECT_NE(std::string::npos, out.find("223: 5\n")) << out; // the item named, not the 5th
    EXPECT_NE(std::string::npos, out.find("Text=-G -W5\n")) << out;

    const std::string project = suite::test::read_file(dir_.file(L"demo.ini"));
    EXPECT_EQ(cli::kExitFailure, options(L"cc", {L"category 2", L"select 223 =-W5", L"ok"}));
    EXPECT_NE(std::string::npos,
              output_.err_text().find("control 223 has no item \"-W5\" (its items: 0 -10, 1 -9, 2 -8,"))
        << output_.err_text();
    EXPECT_EQ(project, suite::test::read_file(dir_.file(L"demo.ini")));
}

// OK on an unchanged page writes what the page shows; the host says what
// that changed.
TEST_F(OptionsCommand, APageThatRewritesTheTextWithoutAChangeSaysWhatItDroppedOrReplaced) {
    const struct {
        const wchar_t* tool;
        const char* ccText;
        std::vector<std::wstring> script;
        const char* says; // "" when nothing may be said
    } cases[] = {
        {L"cc",
         "-G -W3 -Xfoo",
         {L"ok"},
         "warning: the page dropped -Xfoo from [Tool T_TARNIV18cc] Text (switches it has no control for); "
         "the "
         "text is now \"-G -W3\"\n"},
        {L"ld",
         "-G",
         {L"apply", L"cancel"},
         "warning: [Tool T_TARNIV18ld] Text is not set: the page replaced the starting text \""},
        {L"cc", "-G -W3", {L"ok"}, ""},                                        // nothing to drop
        {L"cc", "-G -W3 -Xfoo", {L"category 2", L"select 223 =5", L"ok"}, ""}, // the user's own change
    };
    for (const auto& c : cases) {
        dir_.write(L"demo.ini", ("[Sources]\nFile=src\\main.c\n" + tool_locations() +
                                 "[Tool T_TARNIV18cc]\nText=" + c.ccText + "\n")
                                    .c_str());
        EXPECT_EQ(cli::kExitOk, options(c.tool, c.script)) << output_.err_text();
        if (*c.says)
            EXPECT_NE(std::string::npos, output_.err_text().find(c.says)) << output_.err_text();
        else
            EXPECT_EQ(std::string::npos, output_.err_text().find("warning")) << output_.err_text();
    }
}

TEST_F(OptionsCommand, WithoutADesktopASheetForAPersonIsRefusedNotWaitedOn) {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
        GTEST_SKIP() << "a desktop is there on Windows";
    wchar_t display[512] = L"", wayland[512] = L"";
    const bool hadDisplay = GetEnvironmentVariableW(L"DISPLAY", display, 512) != 0;
    const bool hadWayland = GetEnvironmentVariableW(L"WAYLAND_DISPLAY", wayland, 512) != 0;
    SetEnvironmentVariableW(L"DISPLAY", nullptr);
    SetEnvironmentVariableW(L"WAYLAND_DISPLAY", nullptr);
    const int exitCode = options(L"cc", {});
    SetEnvironmentVariableW(L"DISPLAY", hadDisplay ? display : nullptr);
    SetEnvironmentVariableW(L"WAYLAND_DISPLAY", hadWayland ? wayland : nullptr);
    EXPECT_EQ(cli::kExitFailure, exitCode);
    EXPECT_NE(
        std::string::npos,
        output_.err_text().find("no desktop to show \"Options for demo.ini\" on, so no one could close it: "
                                "work the sheet with --do COMMAND"))
        << output_.err_text();
}

} // namespace
} // namespace veska::host
