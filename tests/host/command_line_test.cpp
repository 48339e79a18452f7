// veska-host's command line: help and version on standard output with exit
// 0, usage errors on standard error naming the word at fault (exit 2), and
// the requests the commands are given.
#include "command_line.h"
#include "nearest_name.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace veska::host {
namespace {

using cli::CommandLine;

TEST(CommandLine, HelpVersionAndUsageErrorsGoWhereUsersLookWithTheirExitCodes) {
    struct Case {
        std::vector<std::wstring> args;
        int exitCode;
        const char* out; // a part of standard output ("" when it must stay empty)
        const char* err; // a part of standard error ("" when it must stay empty)
    } cases[] = {
        {{}, cli::kExitFailure, "", "usage: veska-host COMMAND"},
        {{L"--help"}, cli::kExitOk, "\n  make PROJECT.ini ", ""},
        {{L"-h"}, cli::kExitOk, "\n  options PROJECT.ini TOOL [FILE] ", ""},
        {{L"help"}, cli::kExitOk, "\n  info [PROJECT.ini] ", ""},
        {{L"help", L"make"}, cli::kExitOk, "usage: veska-host make PROJECT.ini [OPTIONS]\n", ""},
        {{L"compile", L"--help"}, cli::kExitOk, "  --sarif FILE ", ""},
        {{L"options", L"p.ini", L"-h"}, cli::kExitOk, "select ID =TEXT", ""},
        {{L"--version"}, cli::kExitOk, "veska-host ", ""},
        {{L"biuld", L"p.ini"},
         cli::kExitFailure,
         "",
         "'biuld' is not a veska-host command\ndid you mean 'build'?"},
        {{L"--verison"}, cli::kExitFailure, "", "unknown option '--verison'\ndid you mean '--version'?"},
        {{L"help", L"optoins"}, cli::kExitFailure, "", "no such command 'optoins'\ndid you mean 'options'?"},
        {{L"frobnicate"}, cli::kExitFailure, "", "'frobnicate' is not a veska-host command\nSee "},
        {{L"build", L"p.ini", L"--verbos"},
         cli::kExitFailure,
         "",
         "veska-host build: unknown option '--verbos'\ndid you mean '--verbose'?\nSee 'veska-host help "
         "build'"},
        {{L"options", L"p.ini", L"cc", L"--pgn", L"x.png"}, cli::kExitFailure, "", "did you mean '--png'?"},
        {{L"make", L"p.ini", L"--sarif"}, cli::kExitFailure, "", "option '--sarif' needs a FILE"},
        {{L"make", L"p.ini", L"--quiet=yes"}, cli::kExitFailure, "", "option '--quiet' takes no value"},
        {{L"make"}, cli::kExitFailure, "", "no project file given\nusage: veska-host make PROJECT.ini"},
        {{L"make", L"p.ini", L"q.ini"}, cli::kExitFailure, "", "unexpected argument 'q.ini'"},
        {{L"compile", L"p.ini"}, cli::kExitFailure, "", "no FILE given"},
        {{L"options", L"p.ini"}, cli::kExitFailure, "", "no TOOL given (as, cc, ld or suite)"},
    };
    for (const Case& c : cases) {
        const std::string shown = utf8(c.args.empty() ? std::wstring() : c.args[0]);
        cli::StringOutput output;
        const CommandLine line = cli::parse_command_line(c.args, output);
        EXPECT_EQ(CommandLine::Finished, line.kind) << shown;
        EXPECT_EQ(c.exitCode, line.exitCode) << shown;
        for (const auto& [part, text] :
             {std::pair{c.out, output.out_text()}, std::pair{c.err, output.err_text()}})
            if (*part)
                EXPECT_NE(std::string::npos, text.find(part)) << shown << "\n" << text;
            else
                EXPECT_EQ("", text) << shown;
    }
}

TEST(CommandLine, OneHelpLinePerCommand) {
    cli::StringOutput output;
    cli::parse_command_line({L"help"}, output);
    const std::string& text = output.out_text();
    const size_t start = text.find("Commands:\n"), end = text.find("\n\n", start);
    ASSERT_NE(std::string::npos, start);
    std::vector<std::string> names;
    for (size_t at = start + 10; at < end; at = text.find('\n', at) + 1)
        names.push_back(text.substr(at + 2, text.find(' ', at + 2) - at - 2));
    EXPECT_EQ((std::vector<std::string>{"build", "make", "assemble", "compile", "info", "options", "help"}),
              names);
}

TEST(CommandLine, CommandsGetTheirRequestsWithOptionsAnywhere) {
    cli::StringOutput output;
    const CommandLine make =
        cli::parse_command_line({L"make", L"--quiet", L"p\u4E2D.ini", L"--sarif=out.sarif",
                                 L"--compile-commands", L"cc.json", L"--time"},
                                output);
    ASSERT_EQ(CommandLine::Build, make.kind) << output.err_text();
    EXPECT_EQ(CMD_MAKE, make.build.command);
    EXPECT_EQ(L"p\u4E2D.ini", make.build.project); // wide arguments arrive whole
    EXPECT_TRUE(make.build.quiet && make.build.timed && !make.build.verbose);
    EXPECT_EQ(L"out.sarif", make.build.sarif.value_or(L""));
    EXPECT_EQ(L"cc.json", make.build.compileCommands.value_or(L""));

    const CommandLine compile =
        cli::parse_command_line({L"compile", L"p.ini", L"a.c", L"--", L"--odd.c"}, output);
    ASSERT_EQ(CommandLine::Build, compile.kind);
    EXPECT_EQ((std::vector<std::wstring>{L"a.c", L"--odd.c"}), compile.build.files);

    const CommandLine options =
        cli::parse_command_line({L"options", L"p.ini", L"cc", L"--do", L"type 205 -G -W3", L"src\\a.c",
                                 L"--png", L"s.png", L"--do", L"ok"},
                                output);
    ASSERT_EQ(CommandLine::Options, options.kind);
    EXPECT_EQ(L"cc", options.options.tool);
    EXPECT_EQ(L"src\\a.c", options.options.file.value_or(L""));
    EXPECT_EQ((std::vector<std::wstring>{L"type 205 -G -W3", L"ok"}), options.options.commands);
    EXPECT_EQ(L"s.png", options.options.picture.value_or(L""));

    EXPECT_EQ(CommandLine::ModuleInfo, cli::parse_command_line({L"info"}, output).kind);
    const CommandLine info = cli::parse_command_line({L"info", L"p.ini"}, output);
    EXPECT_EQ(CommandLine::ProjectInfo, info.kind);
    EXPECT_EQ(L"p.ini", info.project);
}

TEST(CommandLine, VersionNamesTheRegisteredPlugInAndItsVersion) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    ASSERT_EQ(S_OK, dll.register_server());
    cli::StringOutput output;
    cli::print_version(output);
    dll.unregister_server();
    const std::string& text = output.out_text();
    const size_t plugin = text.find("\nplug-in: Suite_TARNIV18 ");
    ASSERT_NE(std::string::npos, plugin) << text;
    EXPECT_NE(std::string::npos, text.find(" (" + utf8(dll.path()) + ")\n")) << text;
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(text[plugin + 25])))
        << text; // not "(no version information)"
}

TEST(NearestName, SuggestsOnlyWhatLooksLikeASlip) {
    const std::vector<std::wstring> names{L"build", L"make", L"assemble", L"compile", L"info", L"options"};
    const struct {
        const wchar_t* word;
        const wchar_t* nearest; // null: no suggestion
    } cases[] = {{L"biuld", L"build"},      {L"BUILD", L"build"}, {L"mkae", L"make"},
                 {L"compil", L"compile"},   {L"xyz", nullptr},    {L"", nullptr},
                 {L"assembel", L"assemble"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.nearest ? std::optional<std::wstring>(c.nearest) : std::nullopt,
                  cli::nearest_name(c.word, names))
            << utf8(c.word);
    EXPECT_EQ(L"src\\main.c",
              cli::nearest_name(L"main.c", {L"src\\start.as", L"src\\main.c"}, true).value_or(L""));
}

} // namespace
} // namespace veska::host
