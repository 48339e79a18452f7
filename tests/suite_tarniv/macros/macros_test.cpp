// The suite's command-line macros against a host project on real files.
#include "macros.h"

#include "test_support.h"
#include "veska_host.h"

#include <gtest/gtest.h>

using suite::CoTaskString;
using veska::host::HostProject;

namespace {

class MacrosTest : public ::testing::Test {
protected:
    void SetUp() override { project->set_location(dir.file(L"proj.ext")); }
    void TearDown() override { project->unload(); }

    std::wstring expand(HRESULT (*expansion)(LPWSTR*, IProject*), const wchar_t* text,
                        HRESULT expected = S_OK) {
        CoTaskString line = CoTaskString::copy_of(text);
        const wchar_t* before = line.get();
        EXPECT_EQ(expansion(line.inout(), project.get()), expected);
        if (expected == S_OK)
            EXPECT_NE(line.get(), before) << "a new string is handed back";
        else
            EXPECT_EQ(line.get(), before) << "a failure leaves the line alone";
        return line.c_str();
    }
    static HRESULT dir_macros(LPWSTR* line, IProject* p) { return suite::ExpandDirMacros(line, p); }
    static HRESULT objects(LPWSTR* line, IProject* p) { return suite::ExpandObjsAndLibs(line, p); }
    static HRESULT target_base(LPWSTR* line, IProject* p) { return suite::ExpandTargetBase(line, p); }

    suite::test::ComApartment apartment;
    suite::test::TempDirectory dir;
    std::shared_ptr<veska::host::Recorder> recorder = std::make_shared<veska::host::Recorder>();
    suite::ComPtr<HostProject> project = suite::com::make<HostProject>(recorder);
};

} // namespace

TEST_F(MacrosTest, DirectoryMacrosQuoteJoinAndMindTheTrailingSeparator) {
    project->set_path(PT_INC, L"C:\\");
    EXPECT_EQ(expand(dir_macros, L"-I$(INCDIR)"), L"-I\"C:\"");
    project->set_path(PT_INC, L"C:");
    EXPECT_EQ(expand(dir_macros, L"-I$(INCDIR_)"), L"-I\"C:\\\"");
    project->set_path(PT_INC, L";;C:\\x;;");
    EXPECT_EQ(expand(dir_macros, L"-I$(INCDIR)"), L"-I\"C:\\x\"");
    project->set_path(PT_AIN, L"C:\\a;C:\\b\\");
    EXPECT_EQ(expand(dir_macros, L" -I$(AINDIR) -I$(AINDIR_)"),
              L" -I\"C:\\a\" -I\"C:\\b\" -I\"C:\\a\\\" -I\"C:\\b\\\"");
    project->set_path(PT_AIN, L"");
    EXPECT_EQ(expand(dir_macros, L"x -I$(AINDIR)"), L"x -I");
}

TEST_F(MacrosTest, DirectoryMacrosExactCaseAndLinesWithoutMacros) {
    project->set_path(PT_INC, L"C:\\inc");
    EXPECT_EQ(expand(dir_macros, L"$(incdir) $(INCDIR $ $(TMPDIR_)"), L"$(incdir) $(INCDIR $ $(TMPDIR_)");
    EXPECT_EQ(expand(dir_macros, L"no macros here"), L"no macros here");
}

TEST_F(MacrosTest, DirectoryMacroFailures) {
    // A list the 260-character bound cannot hold, and a name without a one-byte form.
    project->set_path(PT_INC, std::wstring(261, L'd'));
    expand(dir_macros, L"-I$(INCDIR)", suite::E_PATH_TOO_LONG);
    project->set_path(PT_INC, L"C:\\\x0416");
    expand(dir_macros, L"-I$(INCDIR)", HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION));
    // The expanded line is bounded at 32767 characters: one more fails.
    project->set_path(PT_INC, std::wstring(200, L'd'));
    const std::wstring longest = L"$(INCDIR)" + std::wstring(32767 - 202, L'x'); // 202: the quoted list
    EXPECT_EQ(expand(dir_macros, longest.c_str()).size(), 32767u);
    expand(dir_macros, (longest + L"x").c_str(), suite::E_COMMAND_LINE_TOO_LONG);
}

TEST_F(MacrosTest, ObjectsAndLibrariesInFolderOrder) {
    for (const wchar_t* name : {L"a.obj", L"a.lst", L"b.o", L"c.lib"})
        ASSERT_TRUE(suite::test::write_file(dir.file(name), "x"));
    project->add_file(FCAT_INT, dir.file(L"a.obj"));
    project->add_file(FCAT_INT, L"a.lst");
    project->add_file(FCAT_INT, dir.file(L"gone.obj")); // an intermediate file that no longer exists
    project->add_file(FCAT_OBJ, L"b.o");
    project->add_file(FCAT_LIB, dir.file(L"c.lib"));
    project->add_file(FCAT_LIB, L"C:\\missing\\m.lib");
    const std::wstring d = dir.path() + L"\\";
    EXPECT_EQ(expand(objects, L"link $(OBJSANDLIBS) end"),
              L"link \"" + d + L"a.obj\" \"" + d + L"b.o\" \"" + d + L"c.lib\" \"C:\\missing\\m.lib\" end");
}

TEST_F(MacrosTest, ObjectsAndLibrariesFailWhenANodeCannotBeFetched) {
    project->add_file(FCAT_OBJ, L"b.o");
    recorder->inject("IProject.GetNode", E_UNEXPECTED);
    expand(objects, L"$(OBJSANDLIBS)", E_FAIL);
}

TEST_F(MacrosTest, TargetBaseIsTheProjectFileName) {
    project->set_location(L"C:\\work\\proj.ext");
    EXPECT_EQ(expand(target_base, L"-O\"$(TARGETBASE).cof\" $(TARGETBASE)"), L"-O\"proj.cof\" proj");
    project->set_location(L"C:\\work.v2\\proj");
    EXPECT_EQ(expand(target_base, L"$(TARGETBASE)"), L"proj");
    project->set_location(L"proj.ext");
    expand(target_base, L"$(TARGETBASE)", E_FAIL);
}
