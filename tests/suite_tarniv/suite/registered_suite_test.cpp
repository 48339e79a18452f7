// The suite as the host gets it: registered in the prefix and created by
// CLSID, with one of the classes it creates made unavailable.
#include "cs_tarniv.h"
#include "fake_host.h"
#include "lsc.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace suite_test {
namespace {

std::wstring clsid_key(const CLSID& clsid) {
    wchar_t text[64] = L"";
    StringFromGUID2(clsid, text, 64);
    return std::wstring(L"Software\\Classes\\CLSID\\") + text;
}

class RegisteredSuiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dll = std::make_unique<suite::test::SuiteDll>();
        registered = dll->register_server();
    }
    static void TearDownTestSuite() {
        dll->unregister_server();
        dll.reset();
    }

    void SetUp() override {
        ASSERT_EQ(S_OK, registered);
        tool_calls().clear();
    }
    void TearDown() override {
        if (suite)
            suite->Unload();
        suite = nullptr;
        // Puts back any class a test hid.
        if (hidClass)
            dll->register_server();
    }

    // Takes a class out of the registry, as on a machine where it was never
    // registered; it must not be in the legacy tree either.
    void hide_class(const CLSID& clsid) {
        hidClass = true;
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            RegDeleteTreeW(root, clsid_key(clsid).c_str());
        ComPtr<IUnknown> object;
        ASSERT_EQ(REGDB_E_CLASSNOTREG,
                  CreateWithLegacyFallback(clsid, CLSCTX_INPROC_SERVER, IID_IUnknown, object.put_void()));
    }

    void create_suite() {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_S_TARNIV18, nullptr, CLSCTX_INPROC_SERVER, IID_ISuiteEx,
                                         suite.put_void()));
    }

    static inline std::unique_ptr<suite::test::SuiteDll> dll;
    static inline HRESULT registered = E_FAIL;
    suite::test::ComApartment apartment;
    ComPtr<ISuiteEx> suite;
    bool hidClass = false;
};

TEST_F(RegisteredSuiteTest, HostCreatesTheSuiteByItsClass) {
    CLSID fromProgId{};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"Suite_TARNIV18.S_TARNIV18", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_S_TARNIV18, fromProgId));

    create_suite();
    ASSERT_TRUE(suite);
    CLSID clsid{};
    ASSERT_EQ(S_OK, suite.as<IPersist>()->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_S_TARNIV18, clsid));
    LPWSTR name = nullptr;
    ASSERT_EQ(S_OK, suite->GetInternalName(&name));
    EXPECT_STREQ(L"CS_TARNIV18", suite::CoTaskString(name).c_str());
    EXPECT_TRUE(suite.as<IExtendToolbar>());

    // A suite holds the module while it lives.
    EXPECT_EQ(S_FALSE, dll->can_unload_now());
}

TEST_F(RegisteredSuiteTest, UnregisteredToolLeavesAnEmptyEntry) {
    hide_class(CLSID_T_TARNIV18cc);
    int liveTools = 0;
    auto make_tool = [&](const char* name, const CLSID& clsid) {
        return [&liveTools, name, &clsid](REFIID iid, void** out) {
            return suite::com::make<FakeTool>(clsid, name, liveTools)->QueryInterface(iid, out);
        };
    };
    RegisteredClass assembler(CLSID_T_TARNIV18as, make_tool("as", CLSID_T_TARNIV18as));
    RegisteredClass linker(CLSID_T_TARNIV18ld, make_tool("ld", CLSID_T_TARNIV18ld));

    create_suite();
    ITool* compiler = reinterpret_cast<ITool*>(1);
    EXPECT_EQ(S_FALSE, suite->GetTool(1, &compiler));
    EXPECT_EQ(nullptr, compiler);
    ComPtr<ITool> tool;
    EXPECT_EQ(S_OK, suite->GetTool(0, tool.put()));
    EXPECT_EQ(S_OK, suite->GetTool(2, tool.put()));
    tool = nullptr;

    EXPECT_EQ(S_OK, suite->LoadToolLocations());
    EXPECT_EQ((std::vector<std::string>{"as.LoadLocation", "ld.LoadLocation"}), tool_calls());

    suite->Unload();
    EXPECT_EQ(0, liveTools);
}

TEST_F(RegisteredSuiteTest, CreateArgsReportsAMissingSuiteArgumentsClass) {
    hide_class(CLSID_SA_TARNIV18);
    create_suite();
    ISuiteArgs* args = reinterpret_cast<ISuiteArgs*>(1);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, suite->CreateArgs(&args));
    EXPECT_EQ(nullptr, args);
}

} // namespace
} // namespace suite_test
