// The DLL's entry points, through the module as the platform loads it.
#include "class_table.h"
#include "test_support.h"
#include "version_text.h"

#include "com_ptr.h"
#include "contract.h"

#include <gtest/gtest.h>

#include <iterator>
#include <vector>

namespace {

using suite::ComPtr;
using suite::test::SuiteDll;

// The module's class table as the host expects it: each class, in order, with
// the number of its registry script.
struct TableEntry {
    const CLSID* clsid;
    UINT registryScript;
};
const TableEntry kClassTable[] = {
    {&CLSID_S_TARNIV18, 215},    {&CLSID_SA_TARNIV18, 209},   {&CLSID_T_TARNIV18as, 210},
    {&CLSID_T_TARNIV18cc, 211},  {&CLSID_T_TARNIV18ld, 212},  {&CLSID_TA_TARNIV18as, 213},
    {&CLSID_TA_TARNIV18cc, 214}, {&CLSID_TA_TARNIV18ld, 208},
};

class ModuleEntryPoints : public ::testing::Test {
protected:
    suite::test::ComApartment apartment;
    SuiteDll dll;

    // The class object of every class (ServesTheEightClassesInTableOrder
    // holds that each is there).
    std::vector<ComPtr<IClassFactory>> class_objects() {
        std::vector<ComPtr<IClassFactory>> objects;
        for (const TableEntry& entry : kClassTable) {
            ComPtr<IClassFactory> factory;
            EXPECT_EQ(S_OK, dll.get_class_object(*entry.clsid, IID_IClassFactory, factory.put_void()));
            if (factory)
                objects.push_back(factory);
        }
        return objects;
    }
};

TEST_F(ModuleEntryPoints, ServesTheEightClassesInTableOrder) {
    using suite::module::class_table_begin;
    using suite::module::class_table_end;
    ASSERT_EQ(std::size(kClassTable), static_cast<size_t>(class_table_end() - class_table_begin()));
    for (size_t i = 0; i < std::size(kClassTable); ++i) {
        SCOPED_TRACE(i);
        const suite::module::ClassEntry& entry = class_table_begin()[i];
        EXPECT_TRUE(IsEqualCLSID(*kClassTable[i].clsid, *entry.clsid));
        EXPECT_EQ(kClassTable[i].registryScript, entry.registryScript);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, dll.get_class_object(*kClassTable[i].clsid, IID_IClassFactory, factory.put_void()));
    }
}

TEST_F(ModuleEntryPoints, UnknownClassIsNotAvailable) {
    const CLSID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, dll.get_class_object(unknown, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    // The host's own classes are not the module's either.
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              dll.get_class_object(CLSID_HostProjectNode, IID_IClassFactory, &out));
}

TEST_F(ModuleEntryPoints, ClassObjectsAreCreatedOnceAndKept) {
    for (const TableEntry& entry : kClassTable) {
        ComPtr<IClassFactory> first, second;
        ASSERT_EQ(S_OK, dll.get_class_object(*entry.clsid, IID_IClassFactory, first.put_void()));
        ASSERT_EQ(S_OK, dll.get_class_object(*entry.clsid, IID_IClassFactory, second.put_void()));
        EXPECT_EQ(first.get(), second.get());
        // Asking for the class object alone does not hold the module.
        first.reset();
        second.reset();
        EXPECT_EQ(S_OK, dll.can_unload_now());
    }
}

TEST_F(ModuleEntryPoints, EveryClassRefusesAggregation) {
    for (auto& factory : class_objects()) {
        ComPtr<IUnknown> outer;
        ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, outer.put_void()));
        void* out = reinterpret_cast<void*>(1);
        EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.get(), IID_IUnknown, &out));
        EXPECT_EQ(nullptr, out);
    }
}

TEST_F(ModuleEntryPoints, CanUnloadOnlyWithoutLiveObjectsOrLocks) {
    EXPECT_EQ(S_OK, dll.can_unload_now());
    for (auto& factory : class_objects()) {
        ASSERT_EQ(S_OK, factory->LockServer(TRUE));
        EXPECT_EQ(S_FALSE, dll.can_unload_now());
        ASSERT_EQ(S_OK, factory->LockServer(FALSE));
        EXPECT_EQ(S_OK, dll.can_unload_now());

        ComPtr<IUnknown> object;
        if (FAILED(factory->CreateInstance(nullptr, IID_IUnknown, object.put_void())))
            continue; // a class whose creation needs registration is covered elsewhere
        EXPECT_EQ(S_FALSE, dll.can_unload_now());
        // The suite holds its tools until the host unloads it.
        if (ComPtr<ISuite> suite = object.as<ISuite>()) {
            EXPECT_EQ(S_OK, suite->Unload());
        }
        object.reset();
        EXPECT_EQ(S_OK, dll.can_unload_now());
    }
}

TEST(VersionReplacement, DropsBlanksAndWritesSeparatorsAsDots) {
    using suite::module::normalize_version;
    EXPECT_EQ(L"1.22.3.0", normalize_version(L"1, 22, 3, 0"));
    EXPECT_EQ(L"1.22.3.0", normalize_version(L"1.22.3.0"));
    EXPECT_EQ(L"1.22.3.0", normalize_version(L" 1 ,22 . 3,0 "));
    EXPECT_EQ(L"", normalize_version(L""));
    EXPECT_EQ(L"", normalize_version(nullptr));
}

TEST(VersionReplacement, ReadsTheModulesProductVersion) {
    SuiteDll dll;
    EXPECT_EQ(L"1.22.3.0", suite::module::version_replacement(dll.handle()));
}

TEST(VersionReplacement, IsNotAvailableWithoutAVersionBlock) {
    // A module without a version resource: the test program itself.
    EXPECT_EQ(L"not available", suite::module::version_replacement(GetModuleHandleW(nullptr)));
}

TEST(ModuleReplacement, DoublesSingleQuotes) {
    using suite::module::quote_for_script;
    EXPECT_EQ(L"C:\\Program Files\\Suite_TARNIV18.dll",
              quote_for_script(L"C:\\Program Files\\Suite_TARNIV18.dll"));
    EXPECT_EQ(L"C:\\Bob''s tools\\x''''y.dll", quote_for_script(L"C:\\Bob's tools\\x''y.dll"));
}

TEST(ModuleResources, StringTableHoldsTheProjectNameAndBuildMessages) {
    SuiteDll dll;
    char text[1024];
    ASSERT_GT(LoadStringA(dll.handle(), 100, text, sizeof text), 0);
    EXPECT_STREQ("Suite_TARNIV18", text);
    ASSERT_GT(LoadStringA(dll.handle(), 105, text, sizeof text), 0);
    EXPECT_STREQ("The TARNIV(18) toolsuite received an unrecognized command.\n", text);
    ASSERT_GT(LoadStringA(dll.handle(), 115, text, sizeof text), 0);
    EXPECT_STREQ("ERROR: \"%s\" cannot complete the operation because VESKA's memory is locked.\n"
                 "HINT: Are you currently running the target program?\n",
                 text);
    // 104 and 113 are in the table although no path of this suite writes them.
    ASSERT_GT(LoadStringA(dll.handle(), 104, text, sizeof text), 0);
    EXPECT_STREQ("Skipping link step.  The project contains no linker script.\n", text);
    ASSERT_GT(LoadStringA(dll.handle(), 113, text, sizeof text), 0);
    EXPECT_STREQ("Couldn't get suite settings.\n", text);
    EXPECT_EQ(0, LoadStringA(dll.handle(), 116, text, sizeof text));
}

TEST(ModuleResources, VersionBlockHoldsTheStatedStrings) {
    SuiteDll dll;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll.path().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.path().c_str(), 0, size, block.data()));
    auto value = [&](const wchar_t* name) {
        std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        wchar_t* text = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) && text
                   ? std::wstring(text)
                   : std::wstring(L"<missing>");
    };
    EXPECT_EQ(L"Suite_TARNIV18 Module", value(L"FileDescription"));
    EXPECT_EQ(L"Suite_TARNIV18 Module", value(L"ProductName"));
    EXPECT_EQ(L"Suite_TARNIV18", value(L"InternalName"));
    EXPECT_EQ(L"Suite_TARNIV18.DLL", value(L"OriginalFilename"));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(22, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(MAKELONG(0, 3), fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(22, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(MAKELONG(0, 3), fixed->dwProductVersionLS);
}

} // namespace
