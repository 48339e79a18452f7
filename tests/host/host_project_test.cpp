// The project model as the plug-in uses it: macro expansion in GenCmdLine,
// Clean, node insertion, argument lookups, stamps, and the references that
// must all be given back.
#include "host_test_support.h"

namespace veska::host {
namespace {

using suite::ComPtr;
using suite::CoTaskString;
using testing::LinkedArgs;
using testing::ScratchDirectory;

class ProjectTest : public ::testing::Test {
protected:
    testing::ComApartment apartment_;
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
    ComPtr<HostProject> project_ = suite::com::make<HostProject>(recorder_);

    void TearDown() override { project_->unload(); }

    // The project's GenCmdLine over a task-allocated copy of line.
    std::wstring expand(const wchar_t* line, _NodeTag* input, HRESULT expected = S_OK) {
        CoTaskString text = CoTaskString::copy_of(line);
        EXPECT_EQ(expected, project_->GenCmdLine(text.inout(), input, input ? 1 : 0, OP_COMPILE, nullptr));
        return text.c_str();
    }
};

TEST_F(ProjectTest, GenCmdLineExpandsTheInputFileItsBaseAndTheTemporaryDirectory) {
    project_->set_location(L"C:\\work\\demo.ini");
    project_->set_path(PT_TMP, L"C:\\work\\obj");
    project_->add_file(FCAT_SRC, L"C:\\work\\src\\first.as");
    project_->add_file(FCAT_SRC, L"C:\\work\\src\\main.file.c");
    _NodeTag input{0, FCAT_SRC, 1};

    EXPECT_EQ(
        L"velc18 \"C:\\work\\src\\main.file.c\" -O\"C:\\work\\obj\\main.file.obj\" "
        L"-E\"C:\\work\\obj\\main.file.cce\"",
        expand(L"velc18 \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\" -E\"$(TMPDIR_)$(INFILEBASE).cce\"",
               &input));
}

TEST_F(ProjectTest, GenCmdLineTemporaryDirectoryRules) {
    project_->set_location(L"C:\\work\\demo.ini");
    // Unset: nothing at all, so the tool writes into the working directory.
    EXPECT_EQ(L"-O\"x.obj\"", expand(L"-O\"$(TMPDIR_)x.obj\"", nullptr));
    // Set with a trailing separator: not doubled.
    project_->set_path(PT_TMP, L"C:\\tmp\\");
    EXPECT_EQ(L"-O\"C:\\tmp\\x.obj\"", expand(L"-O\"$(TMPDIR_)x.obj\"", nullptr));
}

TEST_F(ProjectTest, GenCmdLineMakesRelativeInputsAbsoluteAgainstTheProjectDirectory) {
    project_->set_location(L"C:\\work\\demo.ini");
    project_->add_file(FCAT_SRC, L"src\\..\\lib\\util.c");
    _NodeTag input{0, FCAT_SRC, 0};
    EXPECT_EQ(L"C:\\work\\lib\\util.c util", expand(L"$(INFILE) $(INFILEBASE)", &input));
}

TEST_F(ProjectTest, GenCmdLineLeavesOtherMacrosAndDoesNotRescanInsertedText) {
    project_->set_location(L"C:\\work\\demo.ini");
    project_->add_file(FCAT_SRC, L"C:\\work\\$(INFILEBASE)\\$(TMPDIR_).c");
    _NodeTag input{0, FCAT_SRC, 0};
    EXPECT_EQ(L"C:\\work\\$(INFILEBASE)\\$(TMPDIR_).c $(incdir) $(OBJSANDLIBS)",
              expand(L"$(INFILE) $(incdir) $(OBJSANDLIBS)", &input));
    // The link has no input: the input macros stay for the caller to see.
    EXPECT_EQ(L"$(INFILE)", expand(L"$(INFILE)", nullptr));
}

TEST_F(ProjectTest, GenCmdLineReplacesTheIncomingStringOnlyOnSuccess) {
    project_->add_file(FCAT_SRC, L"C:\\a.c");
    CoTaskString text = CoTaskString::copy_of(L"$(INFILE)");
    const wchar_t* before = text.get();
    _NodeTag missing{0, FCAT_SRC, 5};
    EXPECT_EQ(E_INVALIDARG, project_->GenCmdLine(text.inout(), &missing, 1, OP_COMPILE, nullptr));
    EXPECT_EQ(before, text.get()); // still the caller's string
    EXPECT_STREQ(L"$(INFILE)", text.get());

    // A null incoming line reads as empty and gets a string of its own.
    wchar_t* empty = nullptr;
    ASSERT_EQ(S_OK, project_->GenCmdLine(&empty, nullptr, 0, OP_LINK, nullptr));
    CoTaskString owned(empty);
    EXPECT_STREQ(L"", owned.c_str());
}

TEST_F(ProjectTest, GenCmdLineRefusesLinesLongerThanAProcessAccepts) {
    project_->set_path(PT_TMP, std::wstring(300, L'd'));
    std::wstring line;
    for (int i = 0; i < 110; ++i)
        line += L"$(TMPDIR_)";
    expand(line.c_str(), nullptr, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(ProjectTest, CleanDeletesIntermediateAndOutputFilesAndForgetsTheirNodes) {
    ScratchDirectory dir;
    dir.write(L"main.c", "int main;");
    dir.write(L"main.obj");
    dir.write(L"main.cce");
    dir.write(L"demo.cof");
    project_->set_location(dir.file(L"demo.ini"));
    project_->add_file(FCAT_SRC, L"main.c");
    project_->add_file(FCAT_INT, L"main.obj"); // relative to the project directory
    project_->add_file(FCAT_INT, dir.file(L"main.cce"));
    project_->add_file(FCAT_INT, dir.file(L"gone.obj")); // already deleted: no failure
    project_->add_file(FCAT_OUT, dir.file(L"demo.cof"));

    ASSERT_EQ(S_OK, project_->Clean());
    EXPECT_EQ(0u, project_->node_count(FCAT_INT));
    EXPECT_EQ(0u, project_->node_count(FCAT_OUT));
    EXPECT_FALSE(dir.exists(L"main.obj"));
    EXPECT_FALSE(dir.exists(L"main.cce"));
    EXPECT_FALSE(dir.exists(L"demo.cof"));
    EXPECT_TRUE(dir.exists(L"main.c"));
    EXPECT_EQ(1u, project_->node_count(FCAT_SRC));
}

TEST_F(ProjectTest, CleanReportsAFileItCannotDeleteAndKeepsItsNode) {
    ScratchDirectory dir;
    dir.write(L"busy.obj");
    project_->set_location(dir.file(L"demo.ini"));
    project_->add_file(FCAT_INT, dir.file(L"busy.obj"));
    const UniqueFileHandle open(CreateFileW(dir.file(L"busy.obj").c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, open.get());
    EXPECT_TRUE(FAILED(project_->Clean()));
    EXPECT_EQ(1u, project_->node_count(FCAT_INT));
}

TEST_F(ProjectTest, InsertNodeListsAFileOncePerFolder) {
    project_->set_location(L"C:\\work\\demo.ini");
    auto first = suite::com::make<HostProjectNode>(nullptr, L"C:\\work\\main.obj");
    auto again = suite::com::make<HostProjectNode>(nullptr, L"main.OBJ");
    FileCat folder = FCAT_INT;
    unsigned long index = 99;
    ASSERT_EQ(S_OK, project_->InsertNode(first.get(), &folder, &index, 1));
    EXPECT_EQ(0u, index);
    project_->add_file(FCAT_INT, L"C:\\work\\main.cce");
    ASSERT_EQ(S_OK, project_->InsertNode(again.get(), &folder, &index, 1));
    EXPECT_EQ(0u, index);
    EXPECT_EQ(2u, project_->node_count(FCAT_INT));

    // After a removal the folder's positions shift, and the answer with them.
    auto cce = suite::com::make<HostProjectNode>(nullptr, L"C:\\work\\MAIN.cce");
    ASSERT_EQ(S_OK, project_->RemoveNode(FCAT_INT, 0));
    ASSERT_EQ(S_OK, project_->InsertNode(cce.get(), &folder, &index, 1));
    EXPECT_EQ(0u, index);
    ASSERT_EQ(S_OK, project_->InsertNode(again.get(), &folder, &index, 1));
    EXPECT_EQ(1u, index);
    EXPECT_EQ(2u, project_->node_count(FCAT_INT));

    FileCat bad = static_cast<FileCat>(8);
    EXPECT_EQ(E_INVALIDARG, project_->InsertNode(first.get(), &bad, &index, 1));
}

TEST_F(ProjectTest, GetNodeKeepsFolderOrderAndHandsOutAReference) {
    project_->add_file(FCAT_SRC, L"a.as");
    project_->add_file(FCAT_SRC, L"b.c");
    ComPtr<IProjectNode> node;
    ASSERT_EQ(S_OK, project_->GetNode(node.put(), FCAT_SRC, 1));
    CoTaskString location;
    ASSERT_EQ(S_OK, node->GetLocation(location.put()));
    EXPECT_STREQ(L"b.c", location.get());
    EXPECT_EQ(E_INVALIDARG, project_->GetNode(node.put(), FCAT_SRC, 2));
    EXPECT_EQ(nullptr, node.get());
    EXPECT_EQ(E_INVALIDARG, project_->GetNode(node.put(), static_cast<FileCat>(-1), 0));
}

TEST_F(ProjectTest, FileArgumentsComeFromTheNodeProjectArgumentsFromTheProject) {
    auto projectArgs = suite::com::make<LinkedArgs>(L"-W3");
    auto fileArgs = suite::com::make<LinkedArgs>(L"-G", false);
    project_->set_project_tool_args(testing::kToolA, ComPtr<IToolArgs>(projectArgs.get()));
    project_->add_file(FCAT_SRC, L"a.c")->set_args(testing::kToolA, ComPtr<IToolArgs>(fileArgs.get()));
    project_->add_file(FCAT_SRC, L"b.c");
    GUID tool = testing::kToolA;

    ComPtr<IToolArgs> args;
    ASSERT_EQ(S_OK, project_->GetFileToolArgsByCLSID(FCAT_SRC, 0, &tool, args.put()));
    EXPECT_EQ(static_cast<IToolArgs*>(fileArgs.get()), args.get());
    // A file without its own object: an empty answer, not a failure.
    EXPECT_EQ(S_FALSE, project_->GetFileToolArgsByCLSID(FCAT_SRC, 1, &tool, args.put()));
    EXPECT_EQ(nullptr, args.get());
    ASSERT_EQ(S_OK, project_->GetProjectToolArgsByCLSID(&tool, args.put()));
    EXPECT_EQ(static_cast<IToolArgs*>(projectArgs.get()), args.get());
    GUID other = testing::kToolB;
    EXPECT_TRUE(FAILED(project_->GetProjectToolArgsByCLSID(&other, args.put())));
    EXPECT_TRUE(FAILED(project_->GetSuiteArgs(reinterpret_cast<ISuiteArgs**>(args.put()))));
}

TEST_F(ProjectTest, ToolLocationStampsAreKeyedByClassTextWithoutRegardToCase) {
    CoTaskString stamp;
    EXPECT_EQ(S_FALSE, project_->GetToolLocStamp(stamp.put(), L"{ABCDEF00-0000-0000-0000-000000000001}"));
    EXPECT_EQ(nullptr, stamp.get());
    ASSERT_EQ(S_OK,
              project_->SetToolLocStamp(L"C:\\velc\\velc18.exe", L"{abcdef00-0000-0000-0000-000000000001}"));
    ASSERT_EQ(S_OK, project_->GetToolLocStamp(stamp.put(), L"{ABCDEF00-0000-0000-0000-000000000001}"));
    EXPECT_STREQ(L"C:\\velc\\velc18.exe", stamp.get());
    EXPECT_EQ(E_POINTER, project_->SetToolLocStamp(nullptr, L"{x}"));
}

TEST_F(ProjectTest, PathsDirectoryAndStabilityAnswerAsTheDriverExpects) {
    project_->set_location(L"C:\\work\\demo.ini");
    CoTaskString text;
    ASSERT_EQ(S_OK, project_->GetProjectDirectory(text.put()));
    EXPECT_STREQ(L"C:\\work", text.get());
    ASSERT_EQ(S_OK, project_->GetPath(text.put(), PT_BIN));
    EXPECT_STREQ(L"", text.get()); // empty means not set
    ASSERT_EQ(S_OK, project_->SetPath(L"out", PT_BIN));
    ASSERT_EQ(S_OK, project_->GetPath(text.put(), PT_BIN));
    EXPECT_STREQ(L"out", text.get());
    EXPECT_EQ(E_INVALIDARG, project_->GetPath(text.put(), PT_NUM_PATH_TYPES));

    EXPECT_EQ(S_FALSE, project_->IsStable());
    project_->SetStable(1);
    EXPECT_EQ(S_OK, project_->IsStable());
    EXPECT_EQ(S_OK, project_->IsBuildRequired());
    project_->SetBuildRequired(0);
    EXPECT_EQ(S_FALSE, project_->IsBuildRequired());
}

TEST_F(ProjectTest, SortBySuffixMovesUnknownFilesToTheFolderThatListsTheirSuffix) {
    project_->set_folder_suffix(FCAT_SRC, L"*.as;*.c");
    project_->set_folder_suffix(FCAT_INC, L".h");
    project_->add_file(FCAT_UNK, L"x.C");
    project_->add_file(FCAT_UNK, L"notes.txt");
    project_->add_file(FCAT_UNK, L"y.h");
    ASSERT_EQ(S_OK, project_->SortBySuffix());
    EXPECT_EQ(std::vector<std::wstring>{L"x.C"}, project_->locations(FCAT_SRC));
    EXPECT_EQ(std::vector<std::wstring>{L"y.h"}, project_->locations(FCAT_INC));
    EXPECT_EQ(std::vector<std::wstring>{L"notes.txt"}, project_->locations(FCAT_UNK));
}

TEST_F(ProjectTest, InjectedFailuresReplaceTheAnswerForTheRequestedCalls) {
    project_->add_file(FCAT_SRC, L"a.c");
    recorder_->inject("IProject.GetNode", E_FAIL, 1, 1); // the second call only
    ComPtr<IProjectNode> node;
    EXPECT_EQ(S_OK, project_->GetNode(node.put(), FCAT_SRC, 0));
    EXPECT_EQ(E_FAIL, project_->GetNode(node.put(), FCAT_SRC, 0));
    EXPECT_EQ(S_OK, project_->GetNode(node.put(), FCAT_SRC, 0));
    const auto calls = recorder_->calls_of("IProject.GetNode");
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ("IProject.GetNode(folder=0, file=0)", calls[1].line);
    EXPECT_EQ(E_FAIL, calls[1].result);
}

TEST(RecordedArguments, EachTypeHasItsForm) {
    const GUID tool = testing::kToolA;
    const _NodeTag tag{1, 2, -1};
    const FileCat folder = FCAT_OBJ;
    struct Case {
        const char* what;
        Argument argument;
        const char* expected;
    } cases[] = {
        {"text", L"a\\b \"c\"\n", "\"a\\\\b \\\"c\\\"\\n\""},
        {"no text", static_cast<LPCWSTR>(nullptr), "null"},
        {"GUID", &tool, "{11111111-2222-3333-4444-555555555501}"},
        {"no GUID", static_cast<const GUID*>(nullptr), "null"},
        {"tag", tag, "(1,2,-1)"},
        {"no tag", static_cast<const _NodeTag*>(nullptr), "null"},
        {"negative", -7L, "-7"},
        {"largest unsigned", 4294967295UL, "4294967295"},
        {"enum through a pointer", &folder, "2"},
        {"no enum", static_cast<const FileCat*>(nullptr), "null"},
        {"named", {"folder", folder}, "folder=2"},
        {"verbatim", {"mask", Argument::verbatim("0xC0C0C0")}, "mask=0xC0C0C0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.argument.text()) << c.what;
    // Text made only when the call is recorded.
    int made = 0;
    const auto fields = [&] {
        ++made;
        return Argument::joined({{"id", 5}, Argument::verbatim("x")});
    };
    EXPECT_EQ("id=5, x", Argument::deferred(fields).text());
    Recording silent(nullptr, "IProject");
    EXPECT_EQ(S_FALSE, silent.call("Clean", {Argument::deferred(fields)}, [] { return S_FALSE; }));
    EXPECT_EQ(1, made);
}

TEST_F(ProjectTest, SavedProjectLoadsBackWithItsFilesPathsAndBuildState) {
    ScratchDirectory dir;
    const std::wstring path = dir.file(L"saved.ini");
    project_->set_location(path);
    project_->set_path(PT_TMP, dir.file(L"obj"));
    project_->set_path(PT_INC, dir.file(L"inc") + L";" + dir.file(L"more\\"));
    project_->add_file(FCAT_SRC, L"start.as")->set_stable(true);
    project_->add_file(FCAT_SRC, L"main.c");
    project_->add_file(FCAT_INC, L"defs.h");
    project_->add_file(FCAT_INT, dir.file(L"obj\\start.obj"));
    project_->set_stable(true);
    project_->set_build_required(false);
    project_->set_tool_location_stamp(L"{B6AE0005-A586-4CA5-BBF0-32CE918001F8}", L"C:\\velc\\velc18.exe");
    ASSERT_EQ(S_OK, project_->SaveProjectFile(0, path.c_str()));
    EXPECT_EQ(S_FALSE, project_->IsSaveRequired());

    auto loaded = suite::com::make<HostProject>();
    ASSERT_EQ(S_OK, loaded->LoadProjectFile(path.c_str()));
    EXPECT_EQ(path, loaded->location());
    EXPECT_EQ(project_->path(PT_TMP), loaded->path(PT_TMP));
    EXPECT_EQ(project_->path(PT_INC), loaded->path(PT_INC));
    EXPECT_EQ(project_->locations(FCAT_SRC), loaded->locations(FCAT_SRC));
    EXPECT_EQ(project_->locations(FCAT_INC), loaded->locations(FCAT_INC));
    EXPECT_EQ(project_->locations(FCAT_INT), loaded->locations(FCAT_INT));
    EXPECT_EQ(S_OK, loaded->IsStable());
    EXPECT_EQ(S_FALSE, loaded->IsBuildRequired());
    ComPtr<IProjectNode> node;
    ASSERT_EQ(S_OK, loaded->GetNode(node.put(), FCAT_SRC, 0));
    EXPECT_EQ(S_OK, node->IsStable());
    ASSERT_EQ(S_OK, loaded->GetNode(node.put(), FCAT_SRC, 1));
    EXPECT_EQ(S_FALSE, node->IsStable());
    const std::wstring* stamp = loaded->tool_location_stamp(L"{b6ae0005-a586-4ca5-bbf0-32ce918001f8}");
    ASSERT_NE(nullptr, stamp);
    EXPECT_EQ(L"C:\\velc\\velc18.exe", *stamp);
    loaded->unload();

    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              loaded->LoadProjectFile(dir.file(L"none.ini").c_str()));
}

TEST(ProjectOwnership, UnloadGivesBackNodesAndArgumentsThatPointBackAtTheProject) {
    testing::ComApartment apartment;
    const long before = suite::com::ModuleLock::count();
    {
        auto project = suite::com::make<HostProject>();
        auto projectArgs = suite::com::make<LinkedArgs>(L"-W3");
        projectArgs->SetProject(project.get());
        project->set_project_tool_args(testing::kToolA, ComPtr<IToolArgs>(projectArgs.get()));
        auto node = project->add_file(FCAT_SRC, L"a.c");
        auto fileArgs = suite::com::make<LinkedArgs>();
        fileArgs->SetProject(project.get());
        fileArgs->SetProjectNode(node.get());
        fileArgs->SetParent(projectArgs.get());
        ASSERT_EQ(S_OK, node->InsertArgs(fileArgs.get(), const_cast<GUID*>(&testing::kToolA), nullptr));
        // Outputs the plug-in made and handed over.
        auto output = suite::com::make<HostProjectNode>(nullptr, L"a.obj");
        FileCat folder = FCAT_INT;
        ASSERT_EQ(S_OK, project->InsertNode(output.get(), &folder, nullptr, 1));
        EXPECT_GT(suite::com::ModuleLock::count(), before);
        project->unload();
    }
    EXPECT_EQ(before, suite::com::ModuleLock::count());
}

} // namespace
} // namespace veska::host
