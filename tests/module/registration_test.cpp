// Registration through the platform's regsvr32, and the registered type
// library as oleaut32 sees it.
#include "test_support.h"

#include "com_ptr.h"
#include "contract.h"

#include <gtest/gtest.h>
#include <oleauto.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using suite::ComPtr;
using suite::test::SuiteDll;

struct ClassInfo {
    const CLSID* clsid;
    const wchar_t* name;
};

const ClassInfo kClasses[] = {
    {&CLSID_S_TARNIV18, L"S_TARNIV18"},       {&CLSID_SA_TARNIV18, L"SA_TARNIV18"},
    {&CLSID_T_TARNIV18as, L"T_TARNIV18as"},   {&CLSID_T_TARNIV18cc, L"T_TARNIV18cc"},
    {&CLSID_T_TARNIV18ld, L"T_TARNIV18ld"},   {&CLSID_TA_TARNIV18as, L"TA_TARNIV18as"},
    {&CLSID_TA_TARNIV18cc, L"TA_TARNIV18cc"}, {&CLSID_TA_TARNIV18ld, L"TA_TARNIV18ld"},
};

std::wstring guid_text(REFGUID guid) {
    wchar_t text[40] = L"";
    StringFromGUID2(guid, text, 40);
    return text;
}

// A key of the registry read as the tests read it.
class RegistryKey {
public:
    RegistryKey(HKEY root, const std::wstring& path) {
        RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key_.put());
    }
    bool exists() const { return static_cast<bool>(key_); }
    // A string value; "<missing>" when absent or not a string.
    std::wstring value(const wchar_t* name = nullptr) const {
        if (!key_)
            return L"<missing>";
        wchar_t data[1024] = L"";
        DWORD size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        if (RegQueryValueExW(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return L"<missing>";
        return data;
    }
    // The names of the direct subkeys, sorted.
    std::set<std::wstring> subkeys() const {
        std::set<std::wstring> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (!key_ || RegEnumKeyExW(key_.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                             ERROR_SUCCESS)
                return names;
            names.insert(name);
        }
    }

private:
    suite::RegistryKey key_;
};

std::wstring regsvr32(const std::wstring& options, const std::wstring& dll) {
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    return std::wstring(L"\"") + system + L"\\regsvr32.exe\" " + options + L" \"" + dll + L"\"";
}

class Registration : public ::testing::Test {
protected:
    suite::test::ComApartment apartment;
    SuiteDll dll;

    void SetUp() override { ASSERT_EQ(0, suite::test::run_process(regsvr32(L"/s", dll.path()))); }
};

TEST_F(Registration, WritesEveryKeyOfEachClass) {
    const std::wstring libid = guid_text(LIBID_SUITE_TARNIV18Lib);
    for (const ClassInfo& info : kClasses) {
        SCOPED_TRACE(info.name);
        const std::wstring name = info.name;
        const std::wstring clsid = guid_text(*info.clsid);
        const std::wstring progId = L"Suite_TARNIV18." + name;
        EXPECT_EQ(name + L" Class", RegistryKey(HKEY_CLASSES_ROOT, progId + L".1").value());
        EXPECT_EQ(clsid, RegistryKey(HKEY_CLASSES_ROOT, progId + L".1\\CLSID").value());
        EXPECT_EQ(name + L" Class", RegistryKey(HKEY_CLASSES_ROOT, progId).value());
        EXPECT_EQ(clsid, RegistryKey(HKEY_CLASSES_ROOT, progId + L"\\CLSID").value());
        EXPECT_EQ(progId + L".1", RegistryKey(HKEY_CLASSES_ROOT, progId + L"\\CurVer").value());

        const std::wstring classKey = L"CLSID\\" + clsid;
        EXPECT_EQ(name + L" Class", RegistryKey(HKEY_CLASSES_ROOT, classKey).value());
        EXPECT_EQ(progId + L".1", RegistryKey(HKEY_CLASSES_ROOT, classKey + L"\\ProgID").value());
        EXPECT_EQ(progId, RegistryKey(HKEY_CLASSES_ROOT, classKey + L"\\VersionIndependentProgID").value());
        RegistryKey server(HKEY_CLASSES_ROOT, classKey + L"\\InprocServer32");
        EXPECT_EQ(0, _wcsicmp(dll.path().c_str(), server.value().c_str())) << server.value();
        EXPECT_EQ(L"Apartment", server.value(L"ThreadingModel"));
        EXPECT_EQ(libid, RegistryKey(HKEY_CLASSES_ROOT, classKey + L"\\TypeLib").value());
        // Nothing more than those keys.
        using Names = std::set<std::wstring>;
        EXPECT_EQ((Names{L"CLSID"}), RegistryKey(HKEY_CLASSES_ROOT, progId + L".1").subkeys());
        EXPECT_EQ((Names{L"CLSID", L"CurVer"}), RegistryKey(HKEY_CLASSES_ROOT, progId).subkeys());
        EXPECT_EQ((Names{L"InprocServer32", L"ProgID", L"TypeLib", L"VersionIndependentProgID"}),
                  RegistryKey(HKEY_CLASSES_ROOT, classKey).subkeys());
    }
}

TEST_F(Registration, ListsThePlugInForTheHost) {
    RegistryKey listing(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvane\\VESKA IDE\\ProcAbout\\Suite_TARNIV18");
    EXPECT_EQ(0, _wcsicmp(dll.path().c_str(), listing.value(L"ModulePath").c_str()));
    EXPECT_EQ(L"1.22.3.0", listing.value(L"ProductVersion"));
}

TEST_F(Registration, UnregistrationRemovesWhatTheScriptsAddedButKeepsTheClsidKey) {
    ASSERT_EQ(0, suite::test::run_process(regsvr32(L"/s /u", dll.path())));
    for (const ClassInfo& info : kClasses) {
        SCOPED_TRACE(info.name);
        const std::wstring progId = std::wstring(L"Suite_TARNIV18.") + info.name;
        EXPECT_FALSE(RegistryKey(HKEY_CLASSES_ROOT, progId).exists());
        EXPECT_FALSE(RegistryKey(HKEY_CLASSES_ROOT, progId + L".1").exists());
        EXPECT_FALSE(RegistryKey(HKEY_CLASSES_ROOT, L"CLSID\\" + guid_text(*info.clsid)).exists());
    }
    EXPECT_TRUE(RegistryKey(HKEY_CLASSES_ROOT, L"CLSID").exists());
    EXPECT_FALSE(
        RegistryKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Corvane\\VESKA IDE\\ProcAbout\\Suite_TARNIV18").exists());
    ComPtr<ITypeLib> library;
    EXPECT_TRUE(FAILED(LoadRegTypeLib(LIBID_SUITE_TARNIV18Lib, 1, 0, 0, library.put())));

    // Leave the prefix registered for the other tests.
    ASSERT_EQ(0, suite::test::run_process(regsvr32(L"/s", dll.path())));
}

// The registered type library, read back through oleaut32.
class TypeLibrary : public Registration {
protected:
    ComPtr<ITypeLib> library;

    void SetUp() override {
        Registration::SetUp();
        ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_SUITE_TARNIV18Lib, 1, 0, 0, library.put()));
    }

    std::map<std::wstring, ComPtr<ITypeInfo>> infos(TYPEKIND kind) {
        std::map<std::wstring, ComPtr<ITypeInfo>> result;
        for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
            TYPEKIND k;
            if (FAILED(library->GetTypeInfoType(i, &k)) || k != kind)
                continue;
            ComPtr<ITypeInfo> info;
            BSTR name = nullptr;
            if (FAILED(library->GetTypeInfo(i, info.put())) ||
                FAILED(library->GetDocumentation(i, &name, nullptr, nullptr, nullptr)))
                continue;
            result[name] = info;
            SysFreeString(name);
        }
        return result;
    }

    // The name of a member, "?" when the library has none.
    static std::wstring name_of(ITypeInfo* info, MEMBERID member) {
        BSTR name = nullptr;
        UINT count = 0;
        info->GetNames(member, &name, 1, &count);
        std::wstring text = name ? name : L"?";
        SysFreeString(name);
        return text;
    }

    // Method names in vtable order, checking each one's slot.
    static std::vector<std::wstring> methods(ITypeInfo* info) {
        TYPEATTR* attr = nullptr;
        std::vector<std::wstring> names;
        if (FAILED(info->GetTypeAttr(&attr)))
            return names;
        for (WORD i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* func = nullptr;
            if (FAILED(info->GetFuncDesc(i, &func)))
                continue;
            const int slot = func->oVft / static_cast<int>(sizeof(void*));
            names.push_back(std::to_wstring(slot) + L":" + name_of(info, func->memid));
            info->ReleaseFuncDesc(func);
        }
        info->ReleaseTypeAttr(attr);
        return names;
    }

    static std::vector<std::wstring> numbered(int first, std::initializer_list<const wchar_t*> names) {
        std::vector<std::wstring> result;
        for (const wchar_t* name : names)
            result.push_back(std::to_wstring(first++) + L":" + name);
        return result;
    }

    static std::vector<std::wstring> fields(ITypeInfo* info) {
        TYPEATTR* attr = nullptr;
        std::vector<std::wstring> names;
        if (!info || FAILED(info->GetTypeAttr(&attr)))
            return names;
        for (WORD i = 0; i < attr->cVars; ++i) {
            VARDESC* var = nullptr;
            if (FAILED(info->GetVarDesc(i, &var)))
                continue;
            std::wstring entry = name_of(info, var->memid);
            if (var->varkind == VAR_CONST && var->lpvarValue)
                entry += L"=" + std::to_wstring(var->lpvarValue->lVal);
            names.push_back(entry);
            info->ReleaseVarDesc(var);
        }
        info->ReleaseTypeAttr(attr);
        return names;
    }
};

TEST_F(TypeLibrary, NamesItselfAsTheHostExpects) {
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(S_OK, library->GetDocumentation(-1, &name, &doc, nullptr, nullptr));
    EXPECT_STREQ(L"SUITE_TARNIV18Lib", name);
    EXPECT_STREQ(L"Suite_TARNIV18 1.0 Type Library", doc);
    SysFreeString(name);
    SysFreeString(doc);
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attr));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    library->ReleaseTLibAttr(attr);
}

TEST_F(TypeLibrary, DescribesEveryInterfaceWithItsMethodsInSlotOrder) {
    auto interfaces = infos(TKIND_INTERFACE);
    const std::map<std::wstring, std::vector<std::wstring>> expected = {
        {L"ISuite", numbered(3, {L"Process",
                                 L"Build",
                                 L"Make",
                                 L"GetVisibleFolders",
                                 L"GetMainCmds",
                                 L"GetProjectCmds",
                                 L"GetFileCmds",
                                 L"SetMainMenuInsertionPoint",
                                 L"SetProjectMenuInsertionPoint",
                                 L"SetFileMenuInsertionPoint",
                                 L"AddToolbarBitmap",
                                 L"GetNumTools",
                                 L"GetTool",
                                 L"CreateArgs",
                                 L"GetName",
                                 L"GetInternalName",
                                 L"GetFolderFilter",
                                 L"GetCLSIDOfToolForSuffix",
                                 L"ResetFileDialogString",
                                 L"GetFileDialogString",
                                 L"GetFileDialogStringIndex",
                                 L"LoadToolLocations",
                                 L"SaveToolLocations",
                                 L"SetManager",
                                 L"Unload"})},
        {L"IExtendMenu", numbered(3, {L"AddMenuItems", L"RemoveMenuItems", L"Command", L"UpdateDisplay"})},
        {L"ITool",
         numbered(3, {L"GenCmdLine", L"GetLocation", L"SetLocation", L"LoadLocation", L"SaveLocation",
                      L"TranslateToolMessage", L"CreateArgs", L"GetName", L"EvalReturnCode"})},
        {L"IToolArgs", numbered(3, {L"GenCmdLine", L"GetOwnerGUID", L"IsDefault", L"SetDefault",
                                    L"GetCmdLine", L"SetCmdLine", L"GetAltFlag", L"SetAltFlag", L"GetCLSID",
                                    L"SetParent", L"SetProject", L"SetProjectNode", L"SetDisplay"})},
        {L"ISuiteArgs", numbered(3, {L"GenCmdLine", L"GetOwnerGUID", L"GetCmdLine", L"SetCmdLine"})},
        {L"IProject", numbered(3, {L"GenCmdLine",
                                   L"LoadProjectFile",
                                   L"SaveProjectFile",
                                   L"Clean",
                                   L"RemoveAllNodes",
                                   L"SetManager",
                                   L"SetDisplay",
                                   L"GetNumNodes",
                                   L"InsertNode",
                                   L"RemoveNode",
                                   L"GetNode",
                                   L"GetSuiteArgs",
                                   L"GetProjectToolArgsByCLSID",
                                   L"GetProjectToolArgsByIndex",
                                   L"GetFileToolArgsByCLSID",
                                   L"GetFileToolArgsByIndex",
                                   L"GetFileToolArgsBySuffix",
                                   L"GetFolderSuffix",
                                   L"SetFolderSuffix",
                                   L"SortBySuffix",
                                   L"GetLocation",
                                   L"SetLocation",
                                   L"GetProjectDirectory",
                                   L"GetPath",
                                   L"SetPath",
                                   L"GetSuite",
                                   L"SetSuite",
                                   L"TranslateToolMessage",
                                   L"NotifyBufferModified",
                                   L"IsBuildRequired",
                                   L"SetBuildRequired",
                                   L"IsSaveRequired",
                                   L"CheckFileTimestamps",
                                   L"Unload",
                                   L"IsStable",
                                   L"SetStable",
                                   L"SetDefaultNodesStable",
                                   L"GetToolLocStamp",
                                   L"SetToolLocStamp"})},
        {L"IProjectManager", numbered(3, {L"Process",
                                          L"QuickBuild",
                                          L"Build",
                                          L"GetPlatInfo",
                                          L"ExecuteCmdLine",
                                          L"WriteBuildMessage",
                                          L"GetNumSuites",
                                          L"GetSuite",
                                          L"GetSuiteWithGUID",
                                          L"GetNumProjects",
                                          L"GetMaxProjects",
                                          L"GetProject",
                                          L"GetActiveProjectIndex",
                                          L"SetActiveProjectIndex",
                                          L"GetIndexOfProject",
                                          L"InsertProject",
                                          L"InsertNewProject",
                                          L"RemoveProject",
                                          L"NotifyBuildStarted",
                                          L"NotifyBuildSucceeded",
                                          L"GetWorkspaceName",
                                          L"SetWorkspaceName",
                                          L"GetProjectName",
                                          L"SetProjectName",
                                          L"IsInQuickMode",
                                          L"NotifyBufferModified",
                                          L"IsBuildRequired",
                                          L"CheckFileTimestamps",
                                          L"SaveAllFiles",
                                          L"UIShowInsertFilesDialog",
                                          L"UIShowProjectSettingsSheet",
                                          L"UIShowFileSettingsSheet",
                                          L"UIShowSelectSuiteDialog",
                                          L"UIShowLocateToolsDialog",
                                          L"UIProjectSave",
                                          L"UIProjectRemove",
                                          L"RemoveNode",
                                          L"SetSuite",
                                          L"GetDisplay",
                                          L"GetPreference",
                                          L"LockMemory",
                                          L"UnlockMemory",
                                          L"SetBuildIsUnderway",
                                          L"BuildIsUnderway"})},
        {L"IProjectNode",
         numbered(3, {L"GetLocation", L"SetLocation", L"InsertArgs", L"PurgeArgs", L"PurgeArgsIfDefault",
                      L"GetArgsByCLSID", L"GetArgsByIndex", L"IsStable", L"SetStable"})},
        {L"IProjectDisplay",
         numbered(3, {L"GetVisibility", L"SetVisibility", L"SetManager", L"GetWorkspaceName",
                      L"SetWorkspaceName", L"GetProjectName", L"SetProjectName", L"InsertProject",
                      L"RemoveProject", L"SetActiveProject", L"RefreshProject", L"SortFilteredFolders",
                      L"InsertNode", L"RemoveNode", L"SetReqSave", L"GetCurrentNodeTag"})},
        {L"IMenu", numbered(3, {L"AddItem", L"InsertItemBeforeID", L"RemoveItem", L"GetItemState",
                                L"SetItemState", L"SetItemText"})},
        {L"IToolbar", numbered(3, {L"AddBitmap", L"AddControl", L"RemoveControl", L"GetControl",
                                   L"RemoveControls", L"GetItemState", L"SetItemState", L"AutoResize"})},
    };
    EXPECT_EQ(expected.size(), interfaces.size());
    for (const auto& [name, slots] : expected) {
        SCOPED_TRACE(name);
        auto found = interfaces.find(name);
        ASSERT_NE(found, interfaces.end());
        EXPECT_EQ(slots, methods(found->second.get()));
    }
    // The host-defined interfaces are not part of the library.
    for (const wchar_t* hostDefined : {L"ISuiteEx", L"IExtendToolbar", L"IExtendSettingsSheet", L"ISheetSite",
                                       L"IProjectManagerEx", L"ILegacyAlias"})
        EXPECT_EQ(0u, interfaces.count(hostDefined)) << hostDefined;
}

TEST_F(TypeLibrary, DescribesTheRecordsAndEnumerations) {
    auto records = infos(TKIND_RECORD);
    EXPECT_EQ((std::vector<std::wstring>{L"project", L"folder", L"file"}),
              fields(records[L"_NodeTag"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"pwszName", L"ulFamily", L"pwszDevType", L"ulWidth"}),
              fields(records[L"_PlatInfo"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"lCommandID", L"lInsertionPoint", L"fFlags", L"fSpecialFlags",
                                         L"fState", L"pszName", L"pszStatusBarText", L"HotKey"}),
              fields(records[L"_MENUITEM"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"lCommandID", L"lInsertionPoint", L"fFlags", L"fStyle", L"fState",
                                         L"pszStatusBarText", L"pszTooltipText", L"sWidth"}),
              fields(records[L"_TOOLBARCONTROL"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"wKey", L"bModifier"}), fields(records[L"_HOTKEY"].get()));

    auto enums = infos(TKIND_ENUM);
    EXPECT_EQ((std::vector<std::wstring>{
                  L"FCAT_SRC=0", L"FCAT_INC=1", L"FCAT_OBJ=2", L"FCAT_LIB=3", L"FCAT_LKR=4", L"FCAT_UNK=5",
                  L"FCAT_INT=6", L"FCAT_OUT=7", L"FCAT_FIRST=0", L"FCAT_NUM_CATS=8", L"FCAT_FIRST_FILTERED=0",
                  L"FCAT_NUM_FILTERED=5", L"FCAT_FIRST_UNFILTERED=5", L"FCAT_NUM_UNFILTERED=3"}),
              fields(enums[L"FileCat"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"PT_SRC=0", L"PT_BIN=1", L"PT_TMP=2", L"PT_AIN=3", L"PT_INC=4",
                                         L"PT_LIB=5", L"PT_LKR=6", L"PT_NUM_PATH_TYPES=7",
                                         L"PT_FIRST_PATH_TYPE=0"}),
              fields(enums[L"PathType"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"VFF_SRC=1", L"VFF_INC=2", L"VFF_OBJ=4", L"VFF_LIB=8",
                                         L"VFF_LKR=16", L"VFF_UNK=32", L"VFF_INT=64", L"VFF_OUT=128"}),
              fields(enums[L"VisibleFolderFlag"].get()));
    EXPECT_EQ((std::vector<std::wstring>{L"ECL_NULL=0", L"ECL_TARNIVHACK=1", L"ECL_UGLYDOSTOOL=2"}),
              fields(enums[L"ECLFlag"].get()));
}

TEST_F(TypeLibrary, DescribesTheEightClasses) {
    auto coclasses = infos(TKIND_COCLASS);
    EXPECT_EQ(8u, coclasses.size());
    for (const ClassInfo& info : kClasses) {
        SCOPED_TRACE(info.name);
        auto found = coclasses.find(info.name);
        ASSERT_NE(found, coclasses.end());
        TYPEATTR* attr = nullptr;
        ASSERT_EQ(S_OK, found->second->GetTypeAttr(&attr));
        EXPECT_TRUE(IsEqualGUID(attr->guid, *info.clsid));
        found->second->ReleaseTypeAttr(attr);
    }
}

} // namespace
