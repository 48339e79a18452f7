// The headless build commands: the project file as the suite sees it, the
// output streams and exit codes, the state kept between runs; first with a
// fake suite, then with the built plug-in and the stand-in driver.
#include "build_command.h"
#include "info_command.h"
#include "fake_suite.h"
#include "registered_plugin.h"
#include "project_file.h"
#include "test_support.h"

#include <chrono>
#include <optional>

namespace veska::host {
namespace {

using cli::BuildRequest;
using cli::StringOutput;
using suite::ComPtr;

class BuildCommandTest : public ::testing::Test {
protected:
    testing::ScratchDirectory dir_;
    ComPtr<testing::FakeSuite> suite_ = suite::com::make<testing::FakeSuite>();
    ComPtr<testing::FakeTool> compiler_ = suite::com::make<testing::FakeTool>(CLSID_T_TARNIV18cc);
    ComPtr<testing::FakeTool> linker_ = suite::com::make<testing::FakeTool>(CLSID_T_TARNIV18ld);
    StringOutput output_;

    void SetUp() override {
        dir_.write(L"demo.ini", "[Device]\n"
                                "Name=ZOR18F452\n"
                                "Width=8\n"
                                "[Paths]\n"
                                "TMP=obj\n"
                                "INC=include;C:\\sdk\\inc\\\n"
                                "[Preferences]\n"
                                "HaltOnFirstFailure=1\n"
                                "[Tool Locations]\n"
                                "T_TARNIV18cc=bin\\velc18.exe\n"
                                "[Sources]\n"
                                "File=src\\a.c\n"
                                "File=src\\b.c\n"
                                "[Tool T_TARNIV18cc]\n"
                                "Text=-G -W3\n"
                                "Default=0\n"
                                "[Tool T_TARNIV18ld]\n"
                                "Text=-O\"$(TARGETBASE).cof\"\n"
                                "[File src\\b.c]\n"
                                "T_TARNIV18cc.Text=-O2\n"
                                "T_TARNIV18cc.Default=no\n"
                                "T_TARNIV18cc.Alternate=yes\n");
    }

    // One command in a session of its own, as one veska-host run.
    int run(unsigned long command, testing::FakeSuite::ProcessHandler process,
            std::vector<std::wstring> files = {}) {
        suite_->tools = {ComPtr<ITool>(compiler_.get()), ComPtr<ITool>(linker_.get())};
        suite_->process = std::move(process);
        cli::SuiteSession session;
        EXPECT_EQ(S_OK, session.status());
        EXPECT_EQ(S_OK, session.attach_suite(ComPtr<ISuite>(suite_.get())));
        BuildRequest request{command, dir_.file(L"demo.ini"), std::move(files)};
        return cli::run_build_with(session, request, output_);
    }
};

TEST_F(BuildCommandTest, TheSuiteSeesTheProjectFileThroughTheContract) {
    std::wstring tmpPath, incPath, fileText;
    uint32_t halt = 0;
    bool fileDefault = true, fileAlternate = false, parentIsProjectArgs = false;
    std::wstring deviceName;
    const int exitCode = run(CMD_BUILD_ALL, [&](unsigned long, _NodeTag* tags, unsigned long count,
                                                IProject* project, IProjectManager* manager) {
        EXPECT_EQ(1u, count);
        EXPECT_EQ(-1, tags[0].file);
        suite::CoTaskString text;
        project->GetPath(text.put(), PT_TMP);
        tmpPath = text.c_str();
        project->GetPath(text.put(), PT_INC);
        incPath = text.c_str();
        manager->GetPreference(reinterpret_cast<unsigned char*>(&halt), 8);
        _PlatInfo info{};
        manager->GetPlatInfo(&info);
        deviceName = info.pwszName;
        CoTaskMemFree(info.pwszName);
        CoTaskMemFree(info.pwszDevType);
        GUID compiler = CLSID_T_TARNIV18cc;
        ComPtr<IToolArgs> projectArgs, fileArgs;
        project->GetProjectToolArgsByCLSID(&compiler, projectArgs.put());
        project->GetFileToolArgsByCLSID(FCAT_SRC, 1, &compiler, fileArgs.put());
        if (fileArgs) {
            fileArgs->GetCmdLine(text.put());
            fileText = text.c_str();
            fileDefault = fileArgs->IsDefault() == S_OK;
            fileAlternate = fileArgs->GetAltFlag() == S_OK;
            auto* linked = static_cast<testing::LinkedArgs*>(fileArgs.get());
            parentIsProjectArgs = linked->parent() == projectArgs.get() && linked->node() != nullptr;
        }
        return S_OK;
    });

    EXPECT_EQ(cli::kExitOk, exitCode) << output_.err_text() << output_.out_text();
    EXPECT_EQ(dir_.file(L"obj"), tmpPath);
    EXPECT_EQ(dir_.file(L"include") + L";C:\\sdk\\inc\\", incPath); // a trailing "\" kept
    EXPECT_EQ(1u, halt);
    EXPECT_EQ(L"ZOR18F452", deviceName);
    EXPECT_EQ(L"-O2", fileText);
    EXPECT_FALSE(fileDefault);
    EXPECT_TRUE(fileAlternate);
    EXPECT_TRUE(parentIsProjectArgs);
    EXPECT_EQ(dir_.file(L"bin\\velc18.exe"), compiler_->location);
    ASSERT_FALSE(compiler_->made.empty());
    EXPECT_EQ(L"-G -W3", compiler_->made.front()->text());
    EXPECT_EQ(L"-O\"$(TARGETBASE).cof\"", linker_->made.front()->text()); // quotes as written
    EXPECT_EQ(1, suite_->unloads);
}

TEST_F(BuildCommandTest, OutputIsTheBuildOutputAsWrittenAndPlacedToolMessages) {
    const auto write_and_fail = [](unsigned long, _NodeTag*, unsigned long, IProject*,
                                   IProjectManager* manager) {
        GUID compiler = CLSID_T_TARNIV18cc, linker = CLSID_T_TARNIV18ld;
        manager->WriteBuildMessage(L"Error[100] C:\\w\\a.c 12 : #error directive: boom\n", &compiler);
        manager->WriteBuildMessage(L"not a placed line\n", &compiler);
        manager->WriteBuildMessage(L"Error[9] C:\\w\\x.obj 1 : linker lines are not placed\n", &linker);
        manager->WriteBuildMessage(L"BUILD FAILED: Tue Dec 08 10:00:00 2026\n\n", nullptr);
        return S_FALSE;
    };
    linker_->location.clear();
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_MAKE, write_and_fail));
    EXPECT_EQ("Error[100] C:\\w\\a.c 12 : #error directive: boom\n"
              "not a placed line\n"
              "Error[9] C:\\w\\x.obj 1 : linker lines are not placed\n"
              "BUILD FAILED: Tue Dec 08 10:00:00 2026\n\n",
              output_.out_text());
    // The fake linker places its line too: both tools' messages go through their own tool.
    EXPECT_NE(std::string::npos,
              output_.err_text().find("C:\\w\\a.c(12): Error[100] #error directive: boom\n"));
    EXPECT_EQ(std::string::npos, output_.err_text().find("not a placed line"));
}

TEST_F(BuildCommandTest, ExitCodesFollowTheSuitesResult) {
    EXPECT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, [](auto...) { return S_OK; }));
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_BUILD_ALL, [](auto...) { return S_FALSE; }));
    EXPECT_EQ(std::string::npos, output_.err_text().find("the build failed"));
    EXPECT_EQ(cli::kExitFailure, run(CMD_BUILD_ALL, [](auto...) { return E_FAIL; }));
    EXPECT_NE(std::string::npos,
              output_.err_text().find("the build failed: the suite returned 0x80004005 ("));
    EXPECT_EQ(cli::kExitFailure, run(CMD_BUILD_ALL, [](auto...) { return TOOL_E_NOTLOCATED; }));
    EXPECT_NE(std::string::npos, output_.err_text().find("0x80040202 (the tool cannot be located)"));
}

TEST_F(BuildCommandTest, AToolLineEchoedInPiecesIsPlacedWhole) {
    const std::wstring longLine = L"Error[100] C:\\w\\a.c 7 : " + std::wstring(5000, L'y') + L"\n";
    const auto echo = [&](unsigned long, _NodeTag*, unsigned long, IProject*, IProjectManager* manager) {
        GUID compiler = CLSID_T_TARNIV18cc;
        for (size_t at = 0; at < longLine.size(); at += 1023) // as the plug-in echoes an error file
            manager->WriteBuildMessage(longLine.substr(at, 1023).c_str(), &compiler);
        // The file's last line, without its line feed.
        manager->WriteBuildMessage(L"Error[100] C:\\w\\b.c 9 : last", &compiler);
        return S_FALSE;
    };
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_MAKE, echo));
    EXPECT_EQ(utf8(longLine) + "Error[100] C:\\w\\b.c 9 : last", output_.out_text());
    EXPECT_NE(std::string::npos,
              output_.err_text().find("C:\\w\\a.c(7): Error[100] " + std::string(5000, 'y') + "\n"));
    EXPECT_NE(std::string::npos, output_.err_text().find("C:\\w\\b.c(9): Error[100] last\n"));
}

TEST_F(BuildCommandTest, AssembleAndCompileHandTheNamedFilesTags) {
    std::vector<_NodeTag> seen;
    unsigned long command = 0;
    const auto record = [&](unsigned long cmd, _NodeTag* tags, unsigned long count, IProject*,
                            IProjectManager*) {
        command = cmd;
        seen.assign(tags, tags + count);
        return S_OK;
    };
    ASSERT_EQ(cli::kExitOk, run(CMD_COMPILE, record, {dir_.file(L"src\\b.c"), L"src\\A.C"}));
    EXPECT_EQ(CMD_COMPILE, command);
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(1, seen[0].file);
    EXPECT_EQ(0, seen[1].file);
    EXPECT_EQ(FCAT_SRC, seen[1].folder);

    seen.clear();
    EXPECT_EQ(cli::kExitFailure, run(CMD_ASSEMBLE, record, {L"src\\missing.as"}));
    EXPECT_TRUE(seen.empty()); // nothing ran
    EXPECT_NE(std::string::npos, output_.err_text().find("is not a file of the project"));
}

TEST_F(BuildCommandTest, StateCarriesBuildOutputsStabilityAndStampsToTheNextRun) {
    const auto build = [](unsigned long, _NodeTag*, unsigned long, IProject* project, IProjectManager*) {
        auto object = suite::com::make<HostProjectNode>(nullptr, L"obj\\a.obj");
        FileCat folder = FCAT_INT;
        project->InsertNode(object.get(), &folder, nullptr, 1);
        ComPtr<IProjectNode> source;
        project->GetNode(source.put(), FCAT_SRC, 0);
        source->SetStable(1);
        project->SetStable(1);
        project->SetBuildRequired(0);
        return S_OK;
    };
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, build));

    HRESULT projectStable = E_FAIL, firstStable = E_FAIL, secondStable = E_FAIL;
    unsigned long intermediates = 0;
    std::wstring stamp;
    const auto look = [&](unsigned long, _NodeTag*, unsigned long, IProject* project, IProjectManager*) {
        projectStable = project->IsStable();
        project->GetNumNodes(&intermediates, FCAT_INT);
        ComPtr<IProjectNode> node;
        project->GetNode(node.put(), FCAT_SRC, 0);
        firstStable = node->IsStable();
        project->GetNode(node.put(), FCAT_SRC, 1);
        secondStable = node->IsStable();
        suite::CoTaskString text;
        project->GetToolLocStamp(text.put(), L"{B6AE0005-A586-4CA5-BBF0-32CE918001F8}");
        stamp = text.c_str();
        return S_OK;
    };
    ASSERT_EQ(cli::kExitOk, run(CMD_MAKE, look));
    EXPECT_EQ(S_OK, projectStable);
    EXPECT_EQ(1u, intermediates);
    EXPECT_EQ(S_OK, firstStable);
    EXPECT_EQ(S_FALSE, secondStable); // never built
    EXPECT_EQ(dir_.file(L"bin\\velc18.exe"), stamp);

    // Changed project options: the settings of the last build no longer hold.
    dir_.write(L"demo.ini", "[Sources]\nFile=src\\a.c\nFile=src\\b.c\n[Tool T_TARNIV18cc]\nText=-G\n");
    ASSERT_EQ(cli::kExitOk, run(CMD_MAKE, look));
    EXPECT_EQ(S_FALSE, projectStable);
    EXPECT_EQ(1u, intermediates); // what was built is still there
}

TEST_F(BuildCommandTest, AChangedFileSectionMakesOnlyThatFileUnstable) {
    const auto build = [](unsigned long, _NodeTag*, unsigned long, IProject* project, IProjectManager*) {
        for (unsigned long i = 0; i < 2; ++i) {
            ComPtr<IProjectNode> source;
            project->GetNode(source.put(), FCAT_SRC, i);
            source->SetStable(1);
        }
        project->SetStable(1);
        return S_OK;
    };
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, build));
    // Only b.c's section changes; the project's settings stay as they were.
    ProjectFile before;
    ASSERT_EQ(S_OK, read_project_file(dir_.file(L"demo.ini"), before));
    WritePrivateProfileStringW(L"File src\\b.c", L"T_TARNIV18cc.Text", L"-O1",
                               dir_.file(L"demo.ini").c_str());

    HRESULT first = E_FAIL, second = E_FAIL, projectStable = E_FAIL;
    ASSERT_EQ(cli::kExitOk, run(CMD_MAKE, [&](unsigned long, _NodeTag*, unsigned long, IProject* project,
                                              IProjectManager*) {
                  ComPtr<IProjectNode> node;
                  project->GetNode(node.put(), FCAT_SRC, 0);
                  first = node->IsStable();
                  project->GetNode(node.put(), FCAT_SRC, 1);
                  second = node->IsStable();
                  projectStable = project->IsStable();
                  return S_OK;
              }));
    EXPECT_EQ(S_OK, first);
    EXPECT_EQ(S_FALSE, second);
    EXPECT_EQ(S_OK, projectStable);
}

TEST_F(BuildCommandTest, AMissingProjectFileIsAFailureBeforeAnyBuild) {
    bool ran = false;
    suite_->tools = {};
    cli::SuiteSession session;
    ASSERT_EQ(S_OK, session.attach_suite(ComPtr<ISuite>(suite_.get())));
    suite_->process = [&](auto...) {
        ran = true;
        return S_OK;
    };
    BuildRequest request{CMD_BUILD_ALL, dir_.file(L"none.ini"), {}};
    EXPECT_EQ(cli::kExitFailure, cli::run_build_with(session, request, output_));
    EXPECT_FALSE(ran);
    EXPECT_NE(std::string::npos, output_.err_text().find("cannot read the project file"));
}

TEST_F(BuildCommandTest, UnusableLinesAreWarnedAboutAndSkipped) {
    dir_.write(L"demo.ini", "[Paths]\nXYZ=1\n[Tool T_NOSUCH]\nText=-x\n[Tool Locations]\nT_TARNIV18cc=\n"
                            "[File a.c]\nT_TARNIV18cc.Default=perhaps\n[Sources]\nFile=a.c\n"
                            "[Headers\nFile=a.h\n[SOURCES]\nFile=b.c\n");
    compiler_->location = L"C:\\from\\the\\registry.exe";
    EXPECT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, [](auto...) { return S_OK; }));
    const std::string& warnings = output_.err_text();
    EXPECT_NE(std::string::npos, warnings.find("warning: [Paths] XYZ: unknown path type"));
    EXPECT_NE(std::string::npos, warnings.find("warning: [Tool T_NOSUCH]: not a tool class"));
    EXPECT_NE(std::string::npos, warnings.find("warning: [File a.c] T_TARNIV18cc.Default"));
    EXPECT_NE(std::string::npos,
              warnings.find("warning: [Sources] is given 2 times: only the first is read"));
    EXPECT_NE(std::string::npos, warnings.find("warning: line 11 \"[Headers\" is no section header"));
    EXPECT_EQ(std::string::npos, warnings.find("Tool Locations")); // a section of its own, not a tool's
    EXPECT_EQ(L"", compiler_->location); // an empty value is no location, not the project's folder
}

TEST_F(BuildCommandTest, AStateFileThatCannotBeReadStopsTheCommand) {
    CreateDirectoryW(dir_.file(L"demo.ini.state").c_str(), nullptr);
    bool ran = false;
    EXPECT_EQ(cli::kExitFailure, run(CMD_MAKE, [&](auto...) {
                  ran = true;
                  return S_OK;
              }));
    EXPECT_FALSE(ran);
    EXPECT_NE(std::string::npos, output_.err_text().find("cannot read the project's state in "));
}

TEST_F(BuildCommandTest, TheStateKeepsCharactersAboveTheOneByteRange) {
    dir_.write_wide(L"demo.ini", L"[Tool Locations]\nT_TARNIV18cc=bin\\\u4E2D.exe\n");
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, [](auto...) { return S_OK; }));
    std::wstring stamp;
    ASSERT_EQ(cli::kExitOk, run(CMD_MAKE, [&](unsigned long, _NodeTag*, unsigned long, IProject* project,
                                              IProjectManager*) {
                  suite::CoTaskString text;
                  project->GetToolLocStamp(text.put(), L"{B6AE0005-A586-4CA5-BBF0-32CE918001F8}");
                  stamp = text.c_str();
                  return S_OK;
              }));
    EXPECT_EQ(dir_.file(L"bin\\\u4E2D.exe"), stamp); // not "bin\?.exe": no tool seems to have moved
}

// A path that is no project, or one whose state could not be kept: refused
// before anything runs, and nothing is left beside it.
TEST_F(BuildCommandTest, APathThatIsNoUsableProjectIsRefusedBeforeAnyBuild) {
    dir_.write(L"main.c", "int main(void) { return 0; }\n");
    CreateDirectoryW(dir_.file(L"folder.ini").c_str(), nullptr);
    // A state path of 259 characters is the longest the profile functions write.
    const auto project_of_length = [&](size_t length) {
        const std::wstring folder = dir_.file(std::wstring(length - dir_.path().size() - 7, L'd'));
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring project = folder + L"\\p.ini";
        CopyFileW(dir_.file(L"demo.ini").c_str(), project.c_str(), FALSE);
        return project;
    };
    CreateDirectoryW(dir_.file(L"\u4E2D").c_str(), nullptr);
    CopyFileW(dir_.file(L"demo.ini").c_str(), dir_.file(L"\u4E2D\\demo.ini").c_str(), FALSE);
    struct Case {
        const char* name;
        std::wstring project;
        int exitCode;
        const char* says;
    } cases[] = {
        {"a folder above 255", dir_.file(L"\u4E2D\\demo.ini"), cli::kExitFailure,
         "has the character U+4E2D, which has no one-byte form: the suite hands its tools every path one "
         "byte a "
         "character, so nothing can be built there; move the project to a folder whose path has one-byte "
         "characters only"},
        {"a missing file", dir_.file(L"nosuch.ini"), cli::kExitFailure, "nosuch.ini: 0x80070002 ("},
        {"a folder", dir_.file(L"folder.ini"), cli::kExitFailure,
         "folder.ini is a folder, not a project file"},
        {"a source", dir_.file(L"main.c"), cli::kExitFailure,
         "main.c is not a project file: it has no [Section]"},
        {"a state path of 260", project_of_length(260 - 6), cli::kExitFailure,
         ".state would have 260 characters, more than the 259 the profile functions can write: move the "
         "project"},
        {"a state path of 259", project_of_length(259 - 6), cli::kExitOk, ""},
    };
    for (const Case& c : cases) {
        output_ = StringOutput();
        bool ran = false;
        suite_->tools = {ComPtr<ITool>(compiler_.get()), ComPtr<ITool>(linker_.get())};
        suite_->process = [&](auto...) {
            ran = true;
            return S_OK;
        };
        cli::SuiteSession session;
        ASSERT_EQ(S_OK, session.attach_suite(ComPtr<ISuite>(suite_.get())));
        EXPECT_EQ(c.exitCode, cli::run_build_with(session, BuildRequest{CMD_MAKE, c.project, {}}, output_))
            << c.name;
        EXPECT_EQ(c.exitCode == cli::kExitOk, ran) << c.name;
        EXPECT_NE(std::string::npos, output_.err_text().find(c.says)) << c.name << "\n" << output_.err_text();
        const std::wstring state = c.project + L".state";
        if (c.exitCode == cli::kExitOk)
            EXPECT_EQ(1u, read_ini_section(state, L"State").size() > 0) << c.name; // readable, not two bytes
        else
            EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(state.c_str())) << c.name;
    }
}

TEST_F(BuildCommandTest, AFileSectionThatNamesNoListedFileIsWarnedAboutWithTheNearest) {
    struct Case {
        const char* section;
        const char* says; // "" when nothing may be said
    } cases[] = {
        {"[File src/b.c]",
         "[File src/b.c] names no file the project lists, so its settings are not used; the "
         "project lists it as src\\b.c: write [File src\\b.c]"},
        {"[File src\\bb.c]",
         "[File src\\bb.c] names no file the project lists, so its settings are not used; the "
         "nearest listed file is src\\b.c: did you mean [File src\\b.c]?"},
        {"[File SRC\\B.C]", ""}, // the profile functions' way: case does not matter
    };
    for (const auto& c : cases) {
        output_ = StringOutput();
        dir_.write(L"demo.ini", ("[Sources]\nFile=src\\a.c\nFile=src\\b.c\n" + std::string(c.section) +
                                 "\nT_TARNIV18cc.Text=-G\n")
                                    .c_str());
        EXPECT_EQ(cli::kExitOk, run(CMD_MAKE, [](auto...) { return S_OK; })) << c.section;
        if (*c.says)
            EXPECT_NE(std::string::npos,
                      output_.err_text().find("veska-host: warning: " + std::string(c.says) + "\n"))
                << output_.err_text();
        else
            EXPECT_EQ(std::string::npos, output_.err_text().find("names no file")) << output_.err_text();
    }
}

TEST_F(BuildCommandTest, AToolThatCannotBeLocatedIsNamedWithWhereItsLocationCameFrom) {
    linker_->location.clear(); // not in the project: the registry's, and there is none
    EXPECT_EQ(cli::kExitFailure, run(CMD_BUILD_ALL, [](auto...) { return TOOL_E_NOTLOCATED; }));
    const std::string& err = output_.err_text();
    EXPECT_NE(
        std::string::npos,
        err.find("T_TARNIV18cc cannot be located: its location " + utf8(dir_.file(L"bin\\velc18.exe")) +
                 " is not a file it can run (from [Tool Locations] T_TARNIV18cc in demo.ini): correct it "
                 "there\n"))
        << err;
    EXPECT_NE(
        std::string::npos,
        err.find("T_TARNIV18ld cannot be located: it has no location (from the registry value T_TARNIV18ld "
                 "under HKEY_CURRENT_USER\\Software\\Corvane\\VESKA IDE\\Tool Locations): set "
                 "T_TARNIV18ld=PATH\\velc18.exe under [Tool Locations] in demo.ini, or store it in that "
                 "registry value\n"))
        << err;
    // Another failure says nothing of locations.
    EXPECT_EQ(cli::kExitFailure, run(CMD_BUILD_ALL, [](auto...) { return E_FAIL; }));
    EXPECT_EQ(1u, [&] {
        size_t n = 0;
        for (size_t at = 0;
             (at = output_.err_text().find("T_TARNIV18ld cannot be located", at)) != std::string::npos; ++at)
            ++n;
        return n;
    }());
}

TEST_F(BuildCommandTest, MakeSaysHowManyHeadersItComparedAgainst) {
    dir_.write(L"demo.ini", "[Sources]\nFile=src\\a.c\n[Headers]\nFile=a.h\nFile=b.h\n");
    const char summary[] =
        "veska-host: make: the up-to-date test compared against 2 headers listed in [Headers]; a "
        "header the project does not list is not looked at\n";
    struct Case {
        unsigned long command;
        bool quiet;
        bool said;
    } cases[] = {{CMD_MAKE, false, true}, {CMD_MAKE, true, false}, {CMD_BUILD_ALL, false, false}};
    for (const Case& c : cases) {
        output_ = StringOutput();
        cli::SuiteSession session;
        suite_->process = [](auto...) { return S_OK; };
        ASSERT_EQ(S_OK, session.attach_suite(ComPtr<ISuite>(suite_.get())));
        BuildRequest request{c.command, dir_.file(L"demo.ini"), {}};
        request.quiet = c.quiet;
        EXPECT_EQ(cli::kExitOk, cli::run_build_with(session, request, output_));
        EXPECT_EQ(c.said, output_.err_text().find(summary) != std::string::npos) << c.command << c.quiet;
        EXPECT_EQ("", output_.out_text()); // standard output stays the suite's alone
    }
}

TEST(ToolDiagnostic, TakesTheLocationWordsOutOfTheMessage) {
    EXPECT_EQ(L"C:\\My Work\\main.c(57): Error[000] undefined symbol",
              cli::tool_diagnostic(L"Error[000] C:\\My Work\\main.c 57 : undefined symbol\n",
                                   L"C:\\My Work\\main.c", 57));
    // A line the tool placed in a form this host does not know stays whole.
    EXPECT_EQ(L"a.c(3): odd form a.c:3", cli::tool_diagnostic(L"odd form a.c:3\r\n", L"a.c", 3));
}

// The whole road: the registered plug-in, the stand-in driver, a real project.
class EndToEnd : public testing::RegisteredPlugin {
protected:
    void SetUp() override {
        RegisteredPlugin::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        write_sources(dir_);
        write_project(dir_);
    }

    static void write_sources(const testing::ScratchDirectory& dir) {
        CreateDirectoryW(dir.file(L"src").c_str(), nullptr);
        CreateDirectoryW(dir.file(L"include").c_str(), nullptr);
        dir.write(L"src\\main.c", "#include \"defs.h\"\nint main(void) { return VALUE; }\n");
        dir.write(L"src\\start.as", "; start\n    nop\n");
        dir.write(L"include\\defs.h", "#define VALUE 0\n");
    }

    // The demo project with more paths, sources, sections, and the tool
    // locations (the stand-in driver's unless given), in UTF-16.
    void write_project(const testing::ScratchDirectory& dir, const std::wstring& paths = {},
                       const std::wstring& sources = {}, const std::wstring& sections = {},
                       std::optional<std::wstring> locations = std::nullopt) const {
        dir.write_wide(L"demo.ini", L"[Device]\nName=ZOR18X9\n[Paths]\nINC=include\n" + paths +
                                        L"[Sources]\nFile=src\\start.as\nFile=src\\main.c\n" + sources +
                                        L"[Headers]\nFile=include\\defs.h\n" + sections +
                                        locations.value_or(from_utf8(tool_locations())));
    }

    int run(unsigned long command, std::vector<std::wstring> files = {}, const std::wstring& project = {}) {
        output_ = StringOutput();
        return cli::run_build(
            BuildRequest{command, project.empty() ? dir_.file(L"demo.ini") : project, std::move(files)},
            output_);
    }
};

TEST_F(EndToEnd, BuildThenMakeThenAFailingCompile) {
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL)) << output_.out_text() << output_.err_text();
    EXPECT_EQ(0u, output_.out_text().rfind("BUILD SUCCEEDED: ", 0)) << output_.out_text();
    EXPECT_TRUE(dir_.exists(L"demo.cof"));
    EXPECT_TRUE(dir_.exists(L"demo.ini.state"));

    ASSERT_EQ(cli::kExitOk, run(CMD_MAKE)) << output_.out_text() << output_.err_text();
    EXPECT_NE(std::string::npos, output_.out_text().find("start.obj\" is already up to date.\n"));
    EXPECT_NE(std::string::npos, output_.out_text().find("main.obj\" is already up to date.\n"));

    dir_.write(L"src\\main.c", "int main(void) { return 0; }\n#error boom\n");
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_COMPILE, {L"src\\main.c"}));
    EXPECT_NE(std::string::npos, output_.out_text().find("#error directive: boom\n"));
    EXPECT_NE(std::string::npos, output_.err_text().find("main.c(2): Error[100] #error directive: boom\n"))
        << output_.err_text();
}

// Settings the plug-in refuses: the build would be another one, so none runs.
TEST_F(EndToEnd, RefusedSettingsStopTheBuildNamingSectionAndReason) {
    std::wstring fits = L"-G ";
    while (fits.size() < 2047)
        fits += L" -W3";
    ASSERT_EQ(2047u, fits.size());
    const std::wstring location = from_utf8(tool_locations());
    struct Case {
        const char* name;
        std::wstring sections, locations;
        int exitCode;
        const char* says;
    } cases[] = {
        {"2,047 characters fit", L"[Tool T_TARNIV18cc]\nText=" + fits + L"\n", location, cli::kExitOk, ""},
        {"2,048 characters", L"[Tool T_TARNIV18cc]\nText=-G" + std::wstring(2046, L'x') + L"\n", location,
         cli::kExitFailure, "[Tool T_TARNIV18cc] Text: the text was refused: it has 2048 characters"},
        {"100,000 characters", L"[Suite]\nText=" + std::wstring(100000, L'x') + L"\n", location,
         cli::kExitFailure, "[Suite] Text: the text was refused: it has 100000 characters"},
        {"a character above 255", L"[File src\\main.c]\nT_TARNIV18cc.Text=-DX=\u0100\n", location,
         cli::kExitFailure,
         "[File src\\main.c] T_TARNIV18cc.Text: the text was refused: its character U+0100"},
        {"a location of 300 characters", L"",
         L"[Tool Locations]\nT_TARNIV18as=C:\\" + std::wstring(297, L'v') + L"\n", cli::kExitFailure,
         "[Tool Locations] T_TARNIV18as: the tool refused the location: it has 300 characters"},
    };
    for (const Case& c : cases) {
        write_project(dir_, {}, {}, c.sections, c.locations);
        EXPECT_EQ(c.exitCode, run(CMD_BUILD_ALL)) << c.name << "\n" << output_.err_text();
        EXPECT_NE(std::string::npos, output_.err_text().find(c.says)) << c.name << "\n" << output_.err_text();
        EXPECT_EQ(c.exitCode == cli::kExitOk, !output_.out_text().empty()) << c.name;
    }
}

// The suite's failures name no file; the host says what it can see.
TEST_F(EndToEnd, AFailedBuildSaysWhyOnStandardError) {
    const std::wstring sourceFolder = dir_.file(L"src\\");
    const auto long_source = [&](size_t length) {
        const std::wstring name = std::wstring(length - sourceFolder.size() - 2, L'n') + L".c";
        dir_.write(L"src\\" + name, "int n;\n");
        return L"File=src\\" + name + L"\n";
    };
    const std::wstring driver = from_utf8(driver_);
    const auto locations = [&](const std::wstring& compiler) {
        return L"[Tool Locations]\nT_TARNIV18as=" + driver + L"\nT_TARNIV18cc=" + compiler +
               L"\nT_TARNIV18ld=" + driver + L"\n";
    };
    struct Case {
        const char* name;
        std::wstring paths, sources, locations;
        std::vector<std::string> says;
    } cases[] = {
        {"a folder as the tool",
         L"",
         L"",
         locations(dir_.path()),
         {"warning: [Tool Locations] T_TARNIV18cc: no such file\n", "cannot run \"" + utf8(dir_.path()),
          "the suite returned 0x80070005 ("}},
        {"an empty location", L"", L"", locations(L""), {"the suite returned 0x80040202 ("}},
        {"a location above 255",
         L"",
         L"",
         locations(L"C:\\\u4E2D\\velc18.exe"),
         {"warning: [Tool Locations] T_TARNIV18cc: its character U+4E2D", "the suite returned 0x80040202 ("}},
        {"a missing source",
         L"",
         L"File=src\\gone.c\n",
         locations(driver),
         {"error: [Sources] src\\gone.c: no such file (" + utf8(dir_.file(L"src\\gone.c")) +
              "): create it, or take its line out of [Sources] in demo.ini\n",
          "the suite returned 0x80004005 (",
          "), after the problem above: [Sources] src\\gone.c: no such file\n"}},
        {"TMP above 255",
         L"TMP=obj\u4E2D\n",
         L"",
         locations(driver),
         {"warning: [Paths] TMP: its character U+4E2D", "the suite returned 0x80070459 ("}},
        {"INC above 255",
         L"INC=include\u4E2D\n",
         L"",
         locations(driver),
         {"warning: [Paths] INC: its character U+4E2D", "the suite returned 0x80070459 ("}},
        {"a source path of 259 characters",
         L"",
         long_source(259),
         locations(driver),
         {"the suite returned 0x800700CE ("}}, // its object's path is longer
        {"a source path of 260 characters",
         L"",
         long_source(260),
         locations(driver),
         {"the suite returned 0x800700CE ("}},
        {"a source path of 261 characters",
         L"",
         long_source(261),
         locations(driver),
         {"its full path has 261 characters, more than the 260", "the suite returned 0x80004005 ("}},
    };
    for (const Case& c : cases) {
        write_project(dir_, c.paths, c.sources, {}, c.locations);
        EXPECT_EQ(cli::kExitFailure, run(CMD_BUILD_ALL)) << c.name;
        EXPECT_NE(std::string::npos, output_.out_text().find("BUILD FAILED: ")) << c.name;
        for (const std::string& text : c.says)
            EXPECT_NE(std::string::npos, output_.err_text().find(text)) << c.name << "\n"
                                                                        << output_.err_text();
    }
}

TEST_F(EndToEnd, BuildAllDeletesOnlyWhatThisProjectsBuildsMade) {
    write_project(dir_, L"TMP=obj\nBIN=out\n");
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL)) << output_.err_text();
    EXPECT_TRUE(dir_.exists(L"obj\\main.obj")); // the missing folders were made
    EXPECT_TRUE(dir_.exists(L"out\\demo.cof"));

    // A copy built in its own folder keeps its hands off the original's files.
    testing::ScratchDirectory copy;
    write_sources(copy);
    write_project(copy, L"TMP=obj\nBIN=out\n");
    ASSERT_TRUE(CopyFileW(dir_.file(L"demo.ini.state").c_str(), copy.file(L"demo.ini.state").c_str(), FALSE));
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, {}, copy.file(L"demo.ini"))) << output_.err_text();
    EXPECT_TRUE(dir_.exists(L"obj\\main.obj"));
    EXPECT_TRUE(dir_.exists(L"out\\demo.cof"));
    const IniSection kept = read_ini_section(copy.file(L"demo.ini.state"), L"Output Files");
    ASSERT_EQ(1u, kept.size());
    EXPECT_EQ(L"out\\demo.cof", kept[0].second); // relative to the project

    // Entries no build of the copy makes: dropped with a warning, never deleted.
    const std::wstring foreign[] = {dir_.file(L"obj\\main.obj"), L"src\\main.c", L"demo.ini",
                                    L"..\\" + dir_.path().substr(dir_.path().rfind(L'\\') + 1) +
                                        L"\\out\\demo.cof"};
    IniSection entries;
    for (const std::wstring& entry : foreign)
        entries.emplace_back(L"File", entry);
    ASSERT_TRUE(write_ini_section(copy.file(L"demo.ini.state"), L"Intermediate Files", entries));
    ASSERT_EQ(cli::kExitOk, run(CMD_BUILD_ALL, {}, copy.file(L"demo.ini"))) << output_.err_text();
    for (const std::wstring& entry : foreign)
        EXPECT_NE(std::string::npos, output_.err_text().find("[Intermediate Files] " + utf8(entry) +
                                                             " in the state file: not a file this project's "
                                                             "builds make; dropped, not deleted"))
            << output_.err_text();
    EXPECT_TRUE(dir_.exists(L"obj\\main.obj"));
    EXPECT_TRUE(dir_.exists(L"out\\demo.cof"));
    EXPECT_TRUE(copy.exists(L"src\\main.c"));
    EXPECT_TRUE(copy.exists(L"demo.ini"));
}

// "-O" names the object file in this toolchain: a file's own "-O2" gives its
// run a second object file, a fault the driver reports without a file.
TEST_F(EndToEnd, AToolLineThatNamesNoFileIsNamedByTheSourceOfItsRun) {
    write_project(dir_, {}, {}, L"[File src\\main.c]\nT_TARNIV18cc.Text=-O2\nT_TARNIV18cc.Default=0\n");
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_BUILD_ALL)) << output_.err_text();
    EXPECT_NE(std::string::npos,
              output_.err_text().find("src\\main.c: velc18: error: more than one object file"))
        << output_.err_text();
    EXPECT_EQ(std::string::npos, output_.err_text().find("src\\start.as: ")) << output_.err_text();
}

TEST_F(EndToEnd, InfoShowsTheProjectsEffectiveSettingsAndWhereEachCameFrom) {
    write_project(dir_, L"TMP=obj\n", {},
                  L"[Tool T_TARNIV18cc]\nText=-G -W3\n[File src\\main.c]\nT_TARNIV18cc.Text=-Zg2\n"
                  L"T_TARNIV18cc.Default=0\n",
                  L"[Tool Locations]\nT_TARNIV18cc=" + from_utf8(driver_) +
                      L"\nT_TARNIV18ld=C:\\nowhere\\velc18.exe\n");
    ASSERT_EQ(cli::kExitOk, cli::run_project_info(dir_.file(L"demo.ini"), output_)) << output_.err_text();
    const std::string& text = output_.out_text();
    for (const std::string& part : std::vector<std::string>{
             "Device: ZOR18X9 (family 18, type VELC-18, width 16)\n",
             "  TMP  " + utf8(dir_.file(L"obj")) + "\n",
             "sources (2):\n  src\\start.as\n  src\\main.c\n",
             "headers (1):\n  include\\defs.h\n",
             "    location: " + driver_ + "  ([Tool Locations] T_TARNIV18cc in demo.ini)\n",
             "    location: C:\\nowhere\\velc18.exe  ([Tool Locations] T_TARNIV18ld in demo.ini)  not a file",
             "  (the registry value T_TARNIV18as under HKEY_CURRENT_USER\\Software\\Corvane\\VESKA IDE\\Tool "
             "Locations)",
             "    options: -G -W3  (from [Tool T_TARNIV18cc])\n",
             "    own options of src\\main.c: -Zg2  (from [File src\\main.c])\n",
         })
        EXPECT_NE(std::string::npos, text.find(part)) << part << "\n" << text;
    EXPECT_EQ(std::string::npos, text.find("own options of src\\start.as")) << text;
    EXPECT_FALSE(dir_.exists(L"demo.ini.state")); // looking writes nothing
}

// Under Wine a line written to a hidden console costs about 70 ms: 2,000 of
// them took minutes before the host drained the tool's output through a pipe.
TEST_F(EndToEnd, TwoThousandToolLinesTakeSecondsNotMinutes) {
    std::string source = "int main(void) { return 0; }\n";
    for (int i = 0; i < 2000; ++i)
        source += "#error line " + std::to_string(i) + "\n";
    dir_.write(L"src\\main.c", source.c_str());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(cli::kExitToolFailed, run(CMD_COMPILE, {L"src\\main.c"}));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    size_t placed = 0;
    for (size_t at = 0;
         (at = output_.err_text().find("): Error[100] #error directive: line ", at)) != std::string::npos;
         ++at)
        ++placed;
    EXPECT_EQ(2000u, placed);
}

// --verbose and --time speak on standard error alone: the build output is the
// one a plain run prints (the closing line's date aside).
TEST_F(EndToEnd, VerboseAndTimeLeaveTheBuildOutputAsItIs) {
    const auto undated = [](const std::string& text) {
        std::string kept;
        for (size_t at = 0, end; at < text.size(); at = end + 1) {
            end = std::min(text.find('\n', at), text.size());
            if (text.compare(at, 6, "BUILD ") != 0)
                kept += text.substr(at, end - at + 1);
        }
        return kept;
    };
    const auto count = [](const std::string& text, const std::string& part) {
        size_t found = 0;
        for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
            ++found;
        return found;
    };
    struct Case {
        unsigned long command;
        std::vector<std::wstring> files;
        size_t sources, tools;
        const char* toolPrinted; // what the verbose output shows after a line
    };
    const Case cases[] = {{CMD_BUILD_ALL, {}, 2, 3, nullptr},
                          {CMD_MAKE, {}, 2, 1, nullptr},
                          {CMD_COMPILE, {L"src\\main.c"}, 1, 1, " : #error directive: boom\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        if (c.toolPrinted)
            dir_.write(L"src\\main.c", "int main(void) { return 0; }\n#error boom\n");
        const int plainExit = run(c.command, c.files);
        const std::string plain = output_.out_text();
        StringOutput shown;
        EXPECT_EQ(
            plainExit,
            cli::run_build(BuildRequest{c.command, dir_.file(L"demo.ini"), c.files, true, true}, shown));
        EXPECT_EQ(undated(plain), undated(shown.out_text()));
        const std::string& err = shown.err_text();
        EXPECT_EQ(c.tools, count(err, driver_)) << err;
        EXPECT_NE(std::string::npos,
                  err.find("veska-host: time: sources checked " + std::to_string(c.sources) + ", tools run " +
                           std::to_string(c.tools) + "\n"))
            << err;
        EXPECT_EQ(std::string::npos, err.find("file attributes not measured")) << err;
        EXPECT_EQ(std::string::npos, err.find(" (0 reads)")) << err;
        if (c.toolPrinted) {
            EXPECT_LT(err.find(driver_), err.find(c.toolPrinted)) << err;
        }
    }
}

// One progress line per tool run as it starts, counting what the command
// runs: every source and the link for Build All, what is out of date for
// Make, the named files for Compile.
TEST_F(EndToEnd, ProgressCountsTheRunsOfTheCommand) {
    // A Make ends with what its up-to-date test compared against.
    const std::string makeSummary =
        "veska-host: make: the up-to-date test compared against 1 header listed in "
        "[Headers]; a header the project does not list is not looked at\n";
    struct Case {
        const char* name;
        unsigned long command;
        std::vector<std::wstring> files;
        const char* mainText; // written to src\main.c first, when set
        bool quiet;
        std::string progress;
    };
    const Case cases[] = {
        {"Build All",
         CMD_BUILD_ALL,
         {},
         nullptr,
         false,
         "[1/3] as src\\start.as\n[2/3] cc src\\main.c\n[3/3] ld demo.cof\n"},
        {"Make with everything up to date",
         CMD_MAKE,
         {},
         nullptr,
         false,
         "[1/1] ld demo.cof\n" + makeSummary},
        {"Make after a change to main.c",
         CMD_MAKE,
         {},
         "int main(void) { return 1; }\n",
         false,
         "[1/2] cc src\\main.c\n[2/2] ld demo.cof\n" + makeSummary},
        {"Compile", CMD_COMPILE, {L"src\\main.c"}, nullptr, false, "[1/1] cc src\\main.c\n"},
        {"--quiet", CMD_BUILD_ALL, {}, nullptr, true, ""},
    };
    for (const Case& c : cases) {
        if (c.mainText)
            dir_.write(L"src\\main.c", c.mainText);
        StringOutput output;
        BuildRequest request{c.command, dir_.file(L"demo.ini"), c.files};
        request.quiet = c.quiet;
        EXPECT_EQ(cli::kExitOk, cli::run_build(request, output)) << c.name << "\n" << output.out_text();
        EXPECT_EQ(c.progress, output.err_text()) << c.name;
    }
}

// --compile-commands: an entry per C source run, merged into what the file
// held; --sarif: the log of the command. A file that is asked for and cannot
// be written fails a build that succeeded, and one that is not a database is
// left as it was.
TEST_F(EndToEnd, CompileCommandsAndSarifFilesAreWrittenOrTheCommandSaysWhyNot) {
    dir_.write(L"src\\other.c", "int other(void) { return 0; }\n");
    write_project(dir_, {}, L"File=src\\other.c\n", L"[Tool T_TARNIV18cc]\nText=-G -DLEVEL=1\n");
    const std::wstring database = dir_.file(L"compile_commands.json");
    const auto run_with = [&](unsigned long command, std::vector<std::wstring> files,
                              const std::wstring& sarif) {
        BuildRequest request{command, dir_.file(L"demo.ini"), std::move(files)};
        request.quiet = true;
        request.compileCommands = database;
        request.sarif = sarif;
        output_ = StringOutput();
        return cli::run_build(request, output_);
    };
    const auto count = [](const std::string& text, const std::string& part) {
        size_t found = 0;
        for (size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
            ++found;
        return found;
    };

    ASSERT_EQ(cli::kExitOk, run_with(CMD_BUILD_ALL, {}, dir_.file(L"build.sarif"))) << output_.err_text();
    const std::string built = suite::test::read_file(database);
    EXPECT_EQ(2u, count(built, "\"file\": ")) << built; // the C sources, not the assembler's
    EXPECT_EQ(2u, count(built, "\"-DLEVEL=1\"")) << built;
    EXPECT_NE(std::string::npos, suite::test::read_file(dir_.file(L"build.sarif")).find("\"results\": []"));

    // A Compile of one file with new options replaces its entry alone.
    write_project(
        dir_, {}, L"File=src\\other.c\n",
        L"[Tool T_TARNIV18cc]\nText=-G -DLEVEL=1\n[File src\\other.c]\nT_TARNIV18cc.Text=-DLEVEL=2\n"
        L"T_TARNIV18cc.Default=0\n");
    ASSERT_EQ(cli::kExitOk, run_with(CMD_COMPILE, {L"src\\other.c"}, dir_.file(L"compile.sarif")))
        << output_.err_text();
    const std::string merged = suite::test::read_file(database);
    EXPECT_EQ(2u, count(merged, "\"file\": ")) << merged;
    EXPECT_EQ(1u, count(merged, "\"-DLEVEL=1\"")) << merged;
    EXPECT_EQ(1u, count(merged, "\"-DLEVEL=2\"")) << merged;
    EXPECT_LT(merged.find("main.c"), merged.find("other.c")) << merged; // in place

    dir_.write(L"compile_commands.json", "notes, not JSON");
    EXPECT_EQ(cli::kExitFailure, run_with(CMD_COMPILE, {L"src\\other.c"}, dir_.file(L"compile.sarif")));
    EXPECT_NE(std::string::npos,
              output_.err_text().find("compile_commands.json is not a compilation database (it is not JSON): "
                                      "it is left as it is\n"))
        << output_.err_text();
    EXPECT_EQ("notes, not JSON", suite::test::read_file(database));

    DeleteFileW(database.c_str());
    EXPECT_EQ(cli::kExitFailure, run_with(CMD_COMPILE, {L"src\\other.c"}, dir_.file(L"no folder\\x.sarif")));
    EXPECT_NE(std::string::npos, output_.err_text().find("veska-host: cannot write the SARIF log "))
        << output_.err_text();
    EXPECT_TRUE(dir_.exists(L"compile_commands.json")); // the other file is still written
}

} // namespace
} // namespace veska::host
