// Build paths and file tests: the target, object and error files, path
// resolution, time comparison and tool-location stamps.
#include "build_paths.h"

#include "test_support.h"
#include "text.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

using suite::test::set_write_time;
using suite::test::write_file;
using veska::host::HostProject;

namespace {

std::string narrow(const std::wstring& wide) {
    std::string out;
    suite::text::narrow(wide.c_str(), out);
    return out;
}

constexpr ULONGLONG kSomeTime = 132000000000000000ULL;

class BuildPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        project->set_location(dir.file(L"proj.ext"));
        linkerArgs = create_linker_args();
        project->set_project_tool_args(CLSID_T_TARNIV18ld, linkerArgs);
    }
    void TearDown() override { project->unload(); }

    // The linker's project argument object from the built module.
    suite::ComPtr<IToolArgs> create_linker_args() {
        suite::ComPtr<IClassFactory> factory;
        EXPECT_EQ(dll.get_class_object(CLSID_TA_TARNIV18ld, __uuidof(IClassFactory), factory.put_void()),
                  S_OK);
        suite::ComPtr<IToolArgs> args;
        if (factory)
            factory->CreateInstance(nullptr, __uuidof(IToolArgs), args.put_void());
        return args;
    }

    HRESULT target(std::string& out) { return suite::GetTargetPath(project.get(), CLSID_T_TARNIV18ld, out); }
    void set_linker_options(const wchar_t* options) { ASSERT_EQ(linkerArgs->SetCmdLine(options), S_OK); }

    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    suite::test::TempDirectory dir;
    std::string d = narrow(dir.path()) + "\\";
    suite::ComPtr<HostProject> project = suite::com::make<HostProject>();
    suite::ComPtr<IToolArgs> linkerArgs;
};

} // namespace

TEST_F(BuildPathsTest, TargetFromTheLinkersOptionText) {
    std::string path;
    // The linker's default text -O"$(TARGETBASE).cof", no output directory.
    ASSERT_EQ(target(path), S_OK);
    EXPECT_EQ(path, d + "proj.cof");

    set_linker_options(L"-O\"first.cof\" -W3 -o\"out dir\\second.hex\" -o\"third.hex\"");
    ASSERT_EQ(target(path), S_OK);
    EXPECT_EQ(path, d + "out dir\\second.hex");

    // An output directory the first link will create.
    project->set_path(PT_BIN, dir.file(L"notyet"));
    ASSERT_EQ(target(path), S_OK);
    EXPECT_EQ(path, d + "notyet\\out dir\\second.hex");

    ASSERT_TRUE(CreateDirectoryW(dir.file(L"bin").c_str(), nullptr));
    project->set_path(PT_BIN, L"bin");
    set_linker_options(L"-INTEL -O  $(TARGETBASE).hex -MOT");
    ASSERT_EQ(target(path), S_OK);
    EXPECT_EQ(path, d + "bin\\proj.hex");
}

TEST_F(BuildPathsTest, TargetFailures) {
    std::string path = "unchanged";
    set_linker_options(L"-O\"proj.cof");
    EXPECT_EQ(target(path), E_FAIL);
    set_linker_options(L"-INTEL -W3");
    EXPECT_EQ(target(path), E_FAIL);
    set_linker_options(std::wstring(L"-O" + std::wstring(300, L'x')).c_str());
    EXPECT_EQ(target(path), suite::E_PATH_TOO_LONG);
    EXPECT_EQ(path, "unchanged");
}

TEST_F(BuildPathsTest, ObjectAndErrorFiles) {
    std::string path;
    ASSERT_EQ(suite::GetObjectPath(project.get(), "C:\\src\\main.c", ".obj", "C:\\src", path), S_OK);
    EXPECT_EQ(path, "C:\\src\\main.obj");
    ASSERT_EQ(suite::GetErrorFilePath(project.get(), "C:\\src\\main.c", CLSID_T_TARNIV18cc, "D:\\cwd", path),
              S_OK);
    EXPECT_EQ(path, "D:\\cwd\\main.cce");
    ASSERT_EQ(suite::GetErrorFilePath(project.get(), d + "proj.cof", CLSID_T_TARNIV18ld, "D:\\cwd", path),
              S_OK);
    EXPECT_EQ(path, d + "proj.lde");
    project->set_path(PT_BIN, L"out");
    ASSERT_EQ(suite::GetErrorFilePath(project.get(), "x\\proj.cof", CLSID_T_TARNIV18ld, "D:\\cwd", path),
              S_OK);
    EXPECT_EQ(path, "out\\proj.lde");
    // A temporary directory wins, as given for the error file, resolved for the object
    // (even before the first run has created it).
    project->set_path(PT_TMP, L"tmp\\");
    ASSERT_EQ(suite::GetErrorFilePath(project.get(), "a\\b.as", CLSID_T_TARNIV18as, "D:\\cwd", path), S_OK);
    EXPECT_EQ(path, "tmp\\b.ase");
    ASSERT_EQ(suite::GetObjectPath(project.get(), "a\\b.as", ".obj", narrow(dir.path()), path), S_OK);
    EXPECT_EQ(path, d + "tmp\\b.obj");

    EXPECT_EQ(suite::GetErrorFilePath(project.get(), "main.c", CLSID_TA_TARNIV18cc, "C:\\", path),
              E_INVALIDARG);
}

TEST_F(BuildPathsTest, ResolveJoinsRelativePathsAndNeedsAnExistingObject) {
    ASSERT_TRUE(write_file(dir.file(L"main.c"), ""));
    std::string out;
    EXPECT_TRUE(suite::ResolvePath("main.c", narrow(dir.path()), out));
    EXPECT_EQ(out, d + "main.c");
    EXPECT_TRUE(suite::ResolvePath("sub\\..\\main.c", narrow(dir.path()), out));
    EXPECT_EQ(out, d + "main.c");
    EXPECT_TRUE(suite::ResolvePath(d + "main.c", "C:\\elsewhere", out));
    EXPECT_EQ(out, d + "main.c");

    EXPECT_FALSE(suite::ResolvePath(d + "missing.c", "", out));
    EXPECT_EQ(out, "");
    EXPECT_FALSE(suite::ResolvePath("missing.c", narrow(dir.path()), out));
    EXPECT_EQ(out, d + "missing.c");
}

TEST_F(BuildPathsTest, NotNewerCountsEqualTimesAndUnreadableTimesAsUpToDate) {
    ASSERT_TRUE(write_file(dir.file(L"dep.h"), ""));
    ASSERT_TRUE(write_file(dir.file(L"target.cof"), ""));
    const std::string base = narrow(dir.path());
    ASSERT_TRUE(set_write_time(dir.file(L"dep.h"), kSomeTime));
    ASSERT_TRUE(set_write_time(dir.file(L"target.cof"), kSomeTime));
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base), suite::kDependencyNotNewer);
    ASSERT_TRUE(set_write_time(dir.file(L"dep.h"), kSomeTime + 1));
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base), suite::kDependencyNewer);
    ASSERT_TRUE(set_write_time(dir.file(L"dep.h"), kSomeTime - 10000000));
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base), suite::kDependencyNotNewer);

    EXPECT_NE(suite::IsNotNewer("dep.h", "missing.cof", base), suite::kDependencyNewer);
    EXPECT_NE(suite::IsNotNewer("missing.h", "target.cof", base), suite::kDependencyNewer);
    // A directory has no time to compare either.
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"newdir").c_str(), nullptr));
    EXPECT_NE(suite::IsNotNewer("newdir", "target.cof", base), suite::kDependencyNewer);
}

// The keys lie end to end: each is found whole, in any case of A-Z, whatever
// its neighbours, before and after the table grows.
TEST(CaseBlindTable, FindsEachKeyWholeInAnyCase) {
    struct Number {
        int value;
    };
    suite::CaseBlindTable<Number> table;
    std::vector<std::string> keys = {"ab", "abc", "", "a", "Source1.OBJ"};
    for (int i = 0; i < 100; ++i) // several times the first table's slots
        keys.push_back("c:\\objects\\f" + std::to_string(i) + ".obj");
    for (size_t i = 0; i < keys.size(); ++i)
        table.insert(keys[i], Number{static_cast<int>(i)});
    table.insert("AB", Number{-1}); // there already: keeps its value

    EXPECT_EQ(table.size(), keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        const Number* found = table.find(keys[i]);
        ASSERT_NE(found, nullptr) << keys[i];
        EXPECT_EQ(found->value, static_cast<int>(i)) << keys[i];
    }
    for (const char* key : {"AB", "source1.obj", "C:\\OBJECTS\\F99.OBJ"})
        EXPECT_NE(table.find(key), nullptr) << key;
    for (const char* key : {"abcd", "b", "source1.ob", "c:\\objects\\f100.obj", "ab "})
        EXPECT_EQ(table.find(key), nullptr) << key;
}

TEST_F(BuildPathsTest, FileFactsReadOnceUntilForgotten) {
    ASSERT_TRUE(write_file(dir.file(L"dep.h"), ""));
    ASSERT_TRUE(write_file(dir.file(L"target.cof"), ""));
    ASSERT_TRUE(set_write_time(dir.file(L"dep.h"), kSomeTime + 1));
    ASSERT_TRUE(set_write_time(dir.file(L"target.cof"), kSomeTime));
    suite::FileFacts facts;
    const std::string base = narrow(dir.path());
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base, &facts), suite::kDependencyNewer);
    ASSERT_TRUE(set_write_time(dir.file(L"target.cof"), kSomeTime + 2));
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base, &facts), suite::kDependencyNewer);
    facts.forget();
    EXPECT_EQ(suite::IsNotNewer("dep.h", "target.cof", base, &facts), suite::kDependencyNotNewer);
}

// A build that walks a folder gets its facts from one listing: the same
// answers as reading file by file, as of the moment of the listing.
TEST_F(BuildPathsTest, FileFactsListAFolderTheBuildWalks) {
    const auto walk = [&](suite::FileFacts& facts, int files) {
        for (int i = 0; i < files; ++i) {
            const suite::FileFacts::Facts& read = facts.of(d + "F" + std::to_string(i) + ".c");
            EXPECT_TRUE(read.exists && !read.isDirectory) << i;
            EXPECT_EQ(read.lastWrite.dwLowDateTime, static_cast<DWORD>(kSomeTime + i)) << i;
        }
    };
    const int files = static_cast<int>(suite::FileFacts::kReadsBeforeListing) + 4;
    for (int i = 0; i < files; ++i) {
        ASSERT_TRUE(write_file(dir.file(L"f" + std::to_wstring(i) + L".c"), ""));
        ASSERT_TRUE(set_write_time(dir.file(L"f" + std::to_wstring(i) + L".c"), kSomeTime + i));
    }
    ASSERT_TRUE(CreateDirectoryW(dir.file(L"sub").c_str(), nullptr));

    suite::FileFacts listed;
    listed.expect(64);
    walk(listed, files);
    EXPECT_TRUE(listed.of(d + "SUB").isDirectory);
    // The folder spelt otherwise, and another folder asked about in between:
    // the same listing answers.
    std::string upper = d;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return std::toupper(c); });
    EXPECT_EQ(listed.of(upper + "F3.C").lastWrite.dwLowDateTime, static_cast<DWORD>(kSomeTime + 3));
    EXPECT_FALSE(listed.of(d + "sub\\none.c").exists);
    EXPECT_EQ(listed.of(d + "f4.c").lastWrite.dwLowDateTime, static_cast<DWORD>(kSomeTime + 4));
    EXPECT_FALSE(listed.of(d + "missing.c").exists);
    ASSERT_TRUE(write_file(dir.file(L"late.c"), ""));
    ASSERT_TRUE(write_file(dir.file(L"late~1.c"), ""));
    EXPECT_FALSE(listed.of(d + "late.c").exists);  // the listing is what the build saw
    EXPECT_TRUE(listed.of(d + "late~1.c").exists); // a possible short name is read
    listed.forget();
    EXPECT_TRUE(listed.of(d + "late.c").exists);

    // More entries than the build expects to need: read file by file.
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(write_file(dir.file(L"other" + std::to_wstring(i)), ""));
    suite::FileFacts crowded;
    crowded.expect(1);
    walk(crowded, files);
    ASSERT_TRUE(write_file(dir.file(L"later.c"), ""));
    EXPECT_TRUE(crowded.of(d + "later.c").exists);
}

TEST_F(BuildPathsTest, WorkingDirectoryRestoredOnScopeExit) {
    std::string before;
    ASSERT_EQ(suite::GetWorkingDirectory(before), S_OK);
    {
        suite::ScopedWorkingDirectory scope;
        ASSERT_EQ(suite::EnterWorkingDirectory(narrow(dir.path()), scope), S_OK);
        std::string inside;
        ASSERT_EQ(suite::GetWorkingDirectory(inside), S_OK);
        EXPECT_EQ(inside, narrow(dir.path()));
    }
    std::string after;
    ASSERT_EQ(suite::GetWorkingDirectory(after), S_OK);
    EXPECT_EQ(after, before);

    std::string directory;
    EXPECT_EQ(suite::GetSourceDirectory("missing.c", narrow(dir.path()), directory), E_FAIL);
    ASSERT_TRUE(write_file(dir.file(L"main.c"), ""));
    ASSERT_EQ(suite::GetSourceDirectory("main.c", narrow(dir.path()), directory), S_OK);
    EXPECT_EQ(directory, d);
    project->set_path(PT_BIN, L"no such dir");
    EXPECT_EQ(suite::GetLinkDirectory(project.get(), directory), E_FAIL);
    project->set_path(PT_BIN, L"");
    ASSERT_EQ(suite::GetLinkDirectory(project.get(), directory), S_OK);
    EXPECT_EQ(directory, narrow(dir.path()));
}
