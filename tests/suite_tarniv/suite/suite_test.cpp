// The suite object's answers to the host, its tool table and its default
// directories, with stand-in host objects and tool classes.
#include "suite_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace suite_test {
namespace {

TEST_F(SuiteTest, NamesFoldersAndIdentity) {
    CS_TARNIV* suite = new_suite();
    LPWSTR text = nullptr;
    ASSERT_EQ(S_OK, suite->GetName(&text));
    EXPECT_EQ(L"TARNIV VELC-18 Toolsuite", take(text));
    ASSERT_EQ(S_OK, suite->GetInternalName(&text));
    EXPECT_EQ(L"CS_TARNIV18", take(text));
    EXPECT_EQ(E_POINTER, suite->GetName(nullptr));

    VisibleFolderFlag folders{};
    ASSERT_EQ(S_OK, suite->GetVisibleFolders(&folders));
    EXPECT_EQ(VFF_SRC | VFF_INC | VFF_OBJ | VFF_LIB, folders);

    unsigned long toolCount = 0;
    ASSERT_EQ(S_OK, suite->GetNumTools(&toolCount));
    EXPECT_EQ(3u, toolCount);

    CLSID clsid{};
    ASSERT_EQ(S_OK, static_cast<IPersist*>(suite)->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_S_TARNIV18, clsid));
}

TEST_F(SuiteTest, AnswersItsInterfacesWithOneTableForSuiteAndSuiteEx) {
    IUnknown* unknown = static_cast<ISuiteEx*>(new_suite());
    ComPtr<ISuiteEx> extended;
    ComPtr<ISuite> plain;
    ComPtr<IUnknown> identity;
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_ISuiteEx, extended.put_void()));
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_ISuite, plain.put_void()));
    ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IUnknown, identity.put_void()));
    EXPECT_EQ(static_cast<void*>(extended.get()), static_cast<void*>(plain.get()));
    EXPECT_EQ(static_cast<void*>(extended.get()), static_cast<void*>(identity.get()));
    ComPtr<IPersist> persist;
    ComPtr<IExtendToolbar> toolbar;
    EXPECT_EQ(S_OK, unknown->QueryInterface(IID_IPersist, persist.put_void()));
    EXPECT_EQ(S_OK, unknown->QueryInterface(IID_IExtendToolbar, toolbar.put_void()));
    ComPtr<IExtendMenu> menu;
    EXPECT_EQ(E_NOINTERFACE, unknown->QueryInterface(IID_IExtendMenu, menu.put_void()));
    EXPECT_FALSE(menu);
}

TEST_F(SuiteTest, FolderFilters) {
    CS_TARNIV* suite = new_suite();
    const wchar_t* expected[] = {L"*.as;*.c", L"*.h;", L"*.obj", L"*.lib", L""};
    for (int folder = FCAT_SRC; folder <= FCAT_LKR; ++folder) {
        LPWSTR filter = nullptr;
        ASSERT_EQ(S_OK, suite->GetFolderFilter(static_cast<FileCat>(folder), &filter)) << folder;
        ASSERT_NE(nullptr, filter);
        EXPECT_EQ(expected[folder], take(filter)) << folder;
    }
    for (int folder : {int(FCAT_UNK), int(FCAT_INT), int(FCAT_OUT), -1}) {
        LPWSTR filter = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(E_FAIL, suite->GetFolderFilter(static_cast<FileCat>(folder), &filter)) << folder;
        EXPECT_EQ(nullptr, filter);
    }
}

TEST_F(SuiteTest, ToolForSuffix) {
    CS_TARNIV* suite = new_suite();
    struct Case {
        const wchar_t* suffix;
        const CLSID* tool;
    } cases[] = {{L".as", &CLSID_T_TARNIV18as},
                 {L".AS", &CLSID_T_TARNIV18as},
                 {L".c", &CLSID_T_TARNIV18cc},
                 {L".C", &CLSID_T_TARNIV18cc}};
    for (const Case& c : cases) {
        GUID** classes = nullptr;
        unsigned long count = 0;
        ASSERT_EQ(S_OK, suite->GetCLSIDOfToolForSuffix(&classes, &count, c.suffix));
        suite::CoTaskPtr<GUID*> owned(classes); // the array is ours, the CLSIDs are not
        ASSERT_EQ(1u, count);
        EXPECT_TRUE(IsEqualCLSID(*c.tool, *classes[0]));
    }

    for (const wchar_t* suffix : {L"as", L".h", L".obj", L"", L".asm", L".c "}) {
        GUID** untouched = reinterpret_cast<GUID**>(0x1234);
        unsigned long count = 77;
        EXPECT_EQ(S_FALSE, suite->GetCLSIDOfToolForSuffix(&untouched, &count, suffix));
        EXPECT_EQ(reinterpret_cast<GUID**>(0x1234), untouched);
        EXPECT_EQ(77u, count);
    }

    GUID** classes = nullptr;
    unsigned long count = 0;
    EXPECT_EQ(E_POINTER, suite->GetCLSIDOfToolForSuffix(nullptr, &count, L".c"));
    EXPECT_EQ(E_POINTER, suite->GetCLSIDOfToolForSuffix(&classes, nullptr, L".c"));
    EXPECT_EQ(E_POINTER, suite->GetCLSIDOfToolForSuffix(&classes, &count, nullptr));
}

TEST_F(SuiteTest, FileDialogStringsInOrderEndingWithSFalse) {
    CS_TARNIV* suite = new_suite();
    const std::vector<std::wstring> expected = {L"All Source Files (*.as;*.c;*.h)",
                                                L"*.as;*.c;*.h",
                                                L"Assembly Source Files (*.as)",
                                                L"*.as;",
                                                L"C Source Files (*.c)",
                                                L"*.c",
                                                L"Header Files (*.h)",
                                                L"*.h",
                                                L"Object Files (*.obj)",
                                                L"*.obj",
                                                L"Library Files (*.lib)",
                                                L"*.lib",
                                                L"All Files (*.*)",
                                                L"*.*"};

    // A new suite starts at the first string; each pass after a reset does too.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < expected.size(); ++i) {
            LPWSTR text = nullptr;
            const HRESULT hr = suite->GetFileDialogString(&text);
            EXPECT_EQ(i + 1 < expected.size() ? S_OK : S_FALSE, hr) << i;
            EXPECT_EQ(expected[i], take(text)) << i;
        }
        // A caller that missed the end gets a failure, not a string past the table.
        LPWSTR past = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(E_FAIL, suite->GetFileDialogString(&past));
        EXPECT_EQ(nullptr, past);
        EXPECT_EQ(S_OK, suite->ResetFileDialogString());
    }

    // Restarting in the middle of a pass.
    LPWSTR text = nullptr;
    suite->GetFileDialogString(&text);
    take(text);
    suite->ResetFileDialogString();
    ASSERT_EQ(S_OK, suite->GetFileDialogString(&text));
    EXPECT_EQ(expected[0], take(text));
}

TEST_F(SuiteTest, FileDialogStringIndexByFolder) {
    CS_TARNIV* suite = new_suite();
    const std::pair<FileCat, int> expected[] = {
        {FCAT_SRC, 1}, {FCAT_INC, 4}, {FCAT_OBJ, 6}, {FCAT_LIB, 7}, {FCAT_LKR, 5}};
    for (const auto& [folder, index] : expected) {
        int answer = -1;
        EXPECT_EQ(S_OK, suite->GetFileDialogStringIndex(&answer, folder)) << folder;
        EXPECT_EQ(index, answer) << folder;
    }
    for (FileCat folder : {FCAT_UNK, FCAT_INT, FCAT_OUT}) {
        int answer = 42;
        EXPECT_EQ(S_FALSE, suite->GetFileDialogStringIndex(&answer, folder)) << folder;
        EXPECT_EQ(42, answer);
    }
}

TEST_F(SuiteTest, ToolsAreCreatedInTableOrderAndHandedOutWithAReference) {
    CS_TARNIV* suite = new_suite();
    EXPECT_EQ(3, tools.liveTools);
    const CLSID* expected[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc, &CLSID_T_TARNIV18ld};
    for (unsigned long i = 0; i < 3; ++i) {
        ComPtr<ITool> tool;
        ASSERT_EQ(S_OK, suite->GetTool(i, tool.put()));
        ASSERT_TRUE(tool);
        CLSID clsid{};
        tool.as<IPersist>()->GetClassID(&clsid);
        EXPECT_TRUE(IsEqualCLSID(*expected[i], clsid)) << i;
        // The table keeps its reference, the caller has its own.
        EXPECT_EQ(2u, ref_count(tool.get())) << i;
    }

    for (unsigned long index : {3ul, 0xFFFFFFFFul}) {
        ITool* tool = reinterpret_cast<ITool*>(1);
        EXPECT_EQ(E_FAIL, suite->GetTool(index, &tool));
        EXPECT_EQ(nullptr, tool);
    }
}

TEST_F(SuiteTest, UnloadReleasesManagerAndToolsButKeepsTheSuiteUsable) {
    CS_TARNIV* suite = new_suite();
    const ULONG unheld = ref_count(host.get());
    ASSERT_EQ(S_OK, suite->SetManager(host.get()));
    EXPECT_EQ(unheld + 1, ref_count(host.get()));

    EXPECT_EQ(S_OK, suite->Unload());
    EXPECT_EQ(unheld, ref_count(host.get()));
    EXPECT_EQ(0, tools.liveTools);
    ITool* tool = reinterpret_cast<ITool*>(1);
    EXPECT_EQ(S_FALSE, suite->GetTool(2, &tool));
    EXPECT_EQ(nullptr, tool);
    EXPECT_EQ(S_OK, suite->LoadToolLocations());
    EXPECT_TRUE(tool_calls().empty());

    LPWSTR name = nullptr;
    EXPECT_EQ(S_OK, suite->GetName(&name));
    take(name);
}

TEST_F(SuiteTest, SetManagerReplacesAndReleasesThePreviousOne) {
    CS_TARNIV* suite = new_suite();
    auto other = suite::com::make<veska::host::HostProjectManager>();
    const ULONG unheld = ref_count(host.get());
    const ULONG otherUnheld = ref_count(other.get());
    suite->SetManager(host.get());
    suite->SetManager(other.get());
    EXPECT_EQ(unheld, ref_count(host.get()));
    EXPECT_EQ(otherUnheld + 1, ref_count(other.get()));
    suite->SetManager(nullptr);
    EXPECT_EQ(otherUnheld, ref_count(other.get()));
}

TEST_F(SuiteTest, ToolTableIsSharedByEverySuiteOfTheProcess) {
    CS_TARNIV* first = new_suite();
    ComPtr<ITool> firstAssembler;
    first->GetTool(0, firstAssembler.put());

    // A second suite replaces the entries; the first suite sees its tools.
    CS_TARNIV* second = new_suite();
    ComPtr<ITool> seenByFirst;
    ComPtr<ITool> seenBySecond;
    first->GetTool(0, seenByFirst.put());
    second->GetTool(0, seenBySecond.put());
    EXPECT_EQ(seenByFirst.get(), seenBySecond.get());
    EXPECT_NE(firstAssembler.get(), seenBySecond.get());
    // The replaced tool lost the table's reference: only ours is left.
    EXPECT_EQ(1u, ref_count(firstAssembler.get()));

    // Either suite's Unload empties the table for both.
    second->Unload();
    ITool* tool = nullptr;
    EXPECT_EQ(S_FALSE, first->GetTool(0, &tool));
}

TEST_F(SuiteTest, ToolLocationsFanOutInTableOrderSkippingMissingTools) {
    tools.compilerCreation = E_OUTOFMEMORY;
    CS_TARNIV* suite = new_suite();
    ITool* compiler = reinterpret_cast<ITool*>(1);
    EXPECT_EQ(S_FALSE, suite->GetTool(1, &compiler));
    EXPECT_EQ(nullptr, compiler);

    EXPECT_EQ(S_OK, suite->LoadToolLocations());
    EXPECT_EQ(S_OK, suite->SaveToolLocations());
    EXPECT_EQ((std::vector<std::string>{"as.LoadLocation", "ld.LoadLocation", "as.SaveLocation",
                                        "ld.SaveLocation"}),
              tool_calls());
}

TEST_F(SuiteTest, CreateArgsMakesTheSuiteArgumentsClass) {
    CS_TARNIV* suite = new_suite();
    ComPtr<FakeSuiteArgs> made;
    RegisteredClass argsClass(CLSID_SA_TARNIV18, [&](REFIID iid, void** out) {
        made = suite::com::make<FakeSuiteArgs>();
        return made->QueryInterface(iid, out);
    });
    ASSERT_EQ(S_OK, argsClass.registration_result());

    ComPtr<ISuiteArgs> args;
    ASSERT_EQ(S_OK, suite->CreateArgs(args.put()));
    ASSERT_TRUE(made);
    EXPECT_EQ(static_cast<ISuiteArgs*>(made.get()), args.get());
    EXPECT_EQ(E_INVALIDARG, suite->CreateArgs(nullptr));
}

TEST_F(SuiteTest, QueryPathTypeFlagTable) {
    CS_TARNIV* suite = new_suite();
    const HRESULT read[] = {S_FALSE, S_FALSE, E_INVALIDARG, S_FALSE, E_INVALIDARG, S_FALSE};
    const HRESULT search[] = {S_OK, S_OK, S_FALSE, S_OK, S_OK, S_FALSE};
    for (int type = PT_BIN; type <= PT_LKR; ++type) {
        const PathType t = static_cast<PathType>(type);
        EXPECT_EQ(read[type - 1], suite->QueryPathTypeFlag(t, 'R')) << type;
        EXPECT_EQ(read[type - 1], suite->QueryPathTypeFlag(t, 'r')) << type;
        EXPECT_EQ(search[type - 1], suite->QueryPathTypeFlag(t, 'S')) << type;
        EXPECT_EQ(search[type - 1], suite->QueryPathTypeFlag(t, 's')) << type;
        EXPECT_EQ(E_INVALIDARG, suite->QueryPathTypeFlag(t, 'X')) << type;
        EXPECT_EQ(E_INVALIDARG, suite->QueryPathTypeFlag(t, 0)) << type;
    }
    // Only the low 16 bits carry the letter.
    EXPECT_EQ(S_OK, suite->QueryPathTypeFlag(PT_BIN, 0xABCD0000 | 'S'));
    EXPECT_EQ(E_INVALIDARG, suite->QueryPathTypeFlag(PT_BIN, 0x100 | 'S'));
    for (int type : {int(PT_SRC), 7, -1}) {
        EXPECT_EQ(E_INVALIDARG, suite->QueryPathTypeFlag(static_cast<PathType>(type), 'S')) << type;
        EXPECT_EQ(E_INVALIDARG, suite->QueryPathTypeFlag(static_cast<PathType>(type), 'R')) << type;
    }
}

TEST_F(SuiteTest, GenericDeviceName) {
    CS_TARNIV* suite = new_suite();
    for (const wchar_t* name : {L"18xxxx", L"18XXXX", L"18xXxX"})
        EXPECT_EQ(S_OK, suite->IsGenericDeviceName(0, name)) << name;
    for (const wchar_t* name : {L"181234", L"18xxx", L"18xxxxx", L"", L" 18xxxx", L"18C452"})
        EXPECT_EQ(S_FALSE, suite->IsGenericDeviceName(0, name)) << name;
    EXPECT_EQ(E_INVALIDARG, suite->IsGenericDeviceName(0, nullptr));
}

TEST_F(SuiteTest, DefaultPathsStartEmptyAndHoldWhatIsSet) {
    CS_TARNIV* suite = new_suite();
    for (int index = 0; index < PT_NUM_PATH_TYPES; ++index) {
        LPWSTR path = nullptr;
        ASSERT_EQ(S_OK, suite->GetDefaultPath(&path, index)) << index;
        ASSERT_NE(nullptr, path);
        // Handed out in a buffer that holds any path up to the limit.
        ComPtr<IMalloc> allocator;
        ASSERT_EQ(S_OK, CoGetMalloc(1, allocator.put()));
        EXPECT_GE(allocator->GetSize(path), 261 * sizeof(wchar_t));
        EXPECT_EQ(L"", take(path)) << index;
    }

    for (int index = 0; index < PT_NUM_PATH_TYPES; ++index)
        ASSERT_EQ(S_OK, suite->SetDefaultPath((L"C:\\dir" + std::to_wstring(index)).c_str(), index));
    for (int index = 0; index < PT_NUM_PATH_TYPES; ++index) {
        LPWSTR path = nullptr;
        ASSERT_EQ(S_OK, suite->GetDefaultPath(&path, index));
        EXPECT_EQ(L"C:\\dir" + std::to_wstring(index), take(path));
    }
}

TEST_F(SuiteTest, DefaultPathLimitsAndBadArguments) {
    CS_TARNIV* suite = new_suite();
    const std::wstring longest(260, L'p');
    ASSERT_EQ(S_OK, suite->SetDefaultPath(longest.c_str(), PT_INC));
    // One character too many is refused whole and the previous path stays.
    EXPECT_EQ(E_INVALIDARG, suite->SetDefaultPath(std::wstring(261, L'q').c_str(), PT_INC));
    LPWSTR path = nullptr;
    ASSERT_EQ(S_OK, suite->GetDefaultPath(&path, PT_INC));
    EXPECT_EQ(longest, take(path));

    EXPECT_EQ(E_INVALIDARG, suite->SetDefaultPath(nullptr, PT_BIN));
    EXPECT_EQ(E_INVALIDARG, suite->SetDefaultPath(L"C:\\x", -1));
    EXPECT_EQ(E_INVALIDARG, suite->SetDefaultPath(L"C:\\x", PT_NUM_PATH_TYPES));
    EXPECT_EQ(E_INVALIDARG, suite->GetDefaultPath(nullptr, PT_BIN));
    for (int index : {-1, 7, 1000}) {
        LPWSTR out = reinterpret_cast<LPWSTR>(1);
        EXPECT_EQ(E_INVALIDARG, suite->GetDefaultPath(&out, index)) << index;
        EXPECT_EQ(nullptr, out);
    }
}

TEST_F(SuiteTest, ApplyDefaultPathsSetsBinToLibOnTheProject) {
    CS_TARNIV* suite = new_suite();
    for (int index = 0; index < PT_NUM_PATH_TYPES; ++index)
        suite->SetDefaultPath((L"D:\\p" + std::to_wstring(index)).c_str(), index);
    recorder().clear();
    ASSERT_EQ(S_OK, suite->ApplyDefaultPaths(0, project(0)));
    EXPECT_EQ((std::vector<std::string>{
                  "IProject.SetPath(\"D:\\\\p1\", type=1)", "IProject.SetPath(\"D:\\\\p2\", type=2)",
                  "IProject.SetPath(\"D:\\\\p3\", type=3)", "IProject.SetPath(\"D:\\\\p4\", type=4)",
                  "IProject.SetPath(\"D:\\\\p5\", type=5)"}),
              recorder().lines());
    EXPECT_EQ(E_INVALIDARG, suite->ApplyDefaultPaths(0, nullptr));
}

} // namespace
} // namespace suite_test
