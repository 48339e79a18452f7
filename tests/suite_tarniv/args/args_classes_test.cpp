// The argument classes as the host meets them: through the DLL's class
// objects and, once registered, through CoCreateInstance.
#include "com_ptr.h"
#include "contract.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using suite::ComPtr;
using suite::CoTaskString;
using suite::test::SuiteDll;

struct ArgsClass {
    const char* name;
    const CLSID* clsid;
    const wchar_t* defaultText;
};

const ArgsClass kArgsClasses[] = {
    {"SA_TARNIV18", &CLSID_SA_TARNIV18, L""},
    {"TA_TARNIV18as", &CLSID_TA_TARNIV18as, L""},
    {"TA_TARNIV18cc", &CLSID_TA_TARNIV18cc, L"-G"},
    {"TA_TARNIV18ld", &CLSID_TA_TARNIV18ld, L"-O\"$(TARGETBASE).cof\""},
};

// The class an argument object says it is, and its text.
void expect_is(const ArgsClass& expected, IUnknown* object) {
    ASSERT_TRUE(object);
    GUID identity = GUID_NULL;
    CoTaskString text;
    ComPtr<IUnknown> unknown(object);
    if (auto tool = unknown.as<IToolArgs>()) {
        EXPECT_EQ(S_OK, tool->GetCLSID(&identity));
        EXPECT_EQ(S_OK, tool->GetCmdLine(text.put()));
    } else if (auto suiteArgs = unknown.as<ISuiteArgs>()) {
        EXPECT_EQ(S_OK, suiteArgs->GetOwnerGUID(&identity));
        EXPECT_EQ(S_OK, suiteArgs->GetCmdLine(text.put()));
    } else {
        ADD_FAILURE() << expected.name << " answers neither IToolArgs nor ISuiteArgs";
    }
    EXPECT_TRUE(IsEqualGUID(*expected.clsid, identity)) << expected.name;
    EXPECT_STREQ(expected.defaultText, text.c_str()) << expected.name;
    EXPECT_TRUE(unknown.as<IExtendSettingsSheet>()) << expected.name;
}

class ArgsClassesTest : public ::testing::Test {
protected:
    suite::test::ComApartment apartment_;
    SuiteDll dll_;
};

TEST_F(ArgsClassesTest, ClassObjectsCreateEachClassAndRefuseAggregation) {
    for (const ArgsClass& entry : kArgsClasses) {
        SCOPED_TRACE(entry.name);
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(S_OK, dll_.get_class_object(*entry.clsid, IID_IClassFactory, factory.put_void()));

        ComPtr<IUnknown> object;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, object.put_void()));
        expect_is(entry, object.get());
        EXPECT_EQ(S_FALSE, dll_.can_unload_now()) << "a live object holds the module";
        object = nullptr;
        EXPECT_EQ(S_OK, dll_.can_unload_now());

        ComPtr<IUnknown> outer;
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, outer.put_void()));
        ComPtr<IUnknown> aggregated;
        EXPECT_EQ(CLASS_E_NOAGGREGATION,
                  factory->CreateInstance(outer.get(), IID_IUnknown, aggregated.put_void()));
        EXPECT_FALSE(aggregated);

        ComPtr<IPersist> unanswered;
        EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IPersist, unanswered.put_void()));
        EXPECT_FALSE(unanswered);
    }
}

TEST_F(ArgsClassesTest, RegisteredClassesAreCreatedByClassId) {
    ASSERT_EQ(S_OK, dll_.register_server());
    for (const ArgsClass& entry : kArgsClasses) {
        SCOPED_TRACE(entry.name);
        ComPtr<IExtendSettingsSheet> sheet;
        ASSERT_EQ(S_OK, CoCreateInstance(*entry.clsid, nullptr, CLSCTX_INPROC_SERVER,
                                         __uuidof(IExtendSettingsSheet), sheet.put_void()));
        expect_is(entry, sheet.get());
    }
    ComPtr<IToolArgs> tool;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_TA_TARNIV18cc, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IToolArgs),
                                     tool.put_void()));
    ComPtr<ISuiteArgs> suiteArgs;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SA_TARNIV18, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ISuiteArgs),
                                     suiteArgs.put_void()));
    tool = nullptr;
    suiteArgs = nullptr;
    EXPECT_EQ(S_OK, dll_.unregister_server());
}

} // namespace
