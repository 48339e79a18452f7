// Legacy-aware creation and class identity against the COM runtime and the
// HKEY_LOCAL_MACHINE registry of the test prefix.
#include "legacy_fixture.h"

#include "lsc.h"
#include "test_support.h"
#include "xlogged.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using suite::ComPtr;
using suite::test::as_fake_wrapper;
using suite::test::FakeWrapper;
using suite::test::registry_form;

// Classes of the tests; none is registered anywhere unless a test does so.
const CLSID kTarget = {0xc1a5f00d, 0x3c4e, 0x4d2a, {0x9a, 0x61, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}};
const CLSID kPlainClass = {0x5e1f0b9a, 0x8d7c, 0x4b21, {0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07}};
const CLSID kFirstSibling = {0x10000000, 0x0000, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const CLSID kLastSibling = {0xf0000000, 0x0000, 0x0000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}};

// An ordinary object: answers IPersist with its own class only.
class PlainObject : public suite::com::Object<PlainObject, IPersist> {
public:
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        *clsid = kPlainClass;
        return S_OK;
    }
};

// Answers neither ILegacyAlias nor IPersist.
class Anonymous : public suite::com::Object<Anonymous, IExtendSettingsSheet> {
public:
    HRESULT STDMETHODCALLTYPE CreatePages(ISheetSite*) override { return E_NOTIMPL; }
};

std::vector<std::string> g_debugLines;
void capture_debug_line(const char* text) {
    g_debugLines.emplace_back(text);
}

class LegacyRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.result());
        g_debugLines.clear();
        suite::xlogged::set_debug_sink(&capture_debug_line);
    }
    void TearDown() override { suite::xlogged::set_debug_sink(nullptr); }

    // Creates kTarget through the fallback; the wrapper behind it or null.
    HRESULT create_target(ComPtr<IUnknown>& object) const {
        return CreateWithLegacyFallback(kTarget,
                                        CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                        IID_IUnknown, object.put_void());
    }

    suite::test::ComApartment apartment_;
    suite::test::LegacyTree tree_;
    suite::test::FakeWrapperClasses wrappers_;
};

TEST_F(LegacyRegistry, RegisteredClassIsCreatedDirectlyEvenWhenTheTreeNamesIt) {
    suite::test::RegisteredClass registered(kTarget, &suite::com::create_instance<PlainObject>);
    ASSERT_TRUE(tree_.add({registry_form(kTarget)}));

    ComPtr<IPersist> object;
    ASSERT_EQ(S_OK, CreateWithLegacyFallback(kTarget, 7, IID_IPersist, object.put_void()));
    ASSERT_TRUE(object);
    EXPECT_EQ(nullptr, as_fake_wrapper(object.get()));
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, GetEffectiveClassID(&clsid, object.get()));
    EXPECT_TRUE(IsEqualCLSID(kPlainClass, clsid));
    EXPECT_TRUE(g_debugLines.empty());
}

TEST_F(LegacyRegistry, UnregisteredClassWithoutTreeIsNotRegisteredAndLogged) {
    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_FALSE, FindLegacyWrapper(&wrapper, kTarget));

    ComPtr<IUnknown> object;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, create_target(object));
    EXPECT_FALSE(object);
    ASSERT_FALSE(g_debugLines.empty());
    EXPECT_EQ("EXCEPTION NOT LOGGGED because XLogged initializations failed!\n", g_debugLines.back());
}

TEST_F(LegacyRegistry, DirectSubkeyOfTheRootIsServedByTheDepthZeroWrapper) {
    ASSERT_TRUE(tree_.add({registry_form(kTarget)}));

    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_OK, FindLegacyWrapper(&wrapper, kTarget));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth0, wrapper));

    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, create_target(object));
    FakeWrapper* fake = as_fake_wrapper(object.get());
    ASSERT_NE(nullptr, fake);
    EXPECT_EQ(0, fake->depth());
    EXPECT_TRUE(IsEqualCLSID(kTarget, fake->alias()));
    EXPECT_TRUE(g_debugLines.empty());
}

TEST_F(LegacyRegistry, DepthThreeIsFoundAndDepthFourIsNot) {
    const std::string a = registry_form(kFirstSibling), b = "Suites", c = registry_form(kPlainClass);
    ASSERT_TRUE(tree_.add({a, b, c, registry_form(kTarget)}));

    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, create_target(object));
    ASSERT_NE(nullptr, as_fake_wrapper(object.get()));
    EXPECT_EQ(3, as_fake_wrapper(object.get())->depth());

    tree_.remove();
    ASSERT_TRUE(tree_.add({a, b, c, "Deeper", registry_form(kTarget)}));
    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_FALSE, FindLegacyWrapper(&wrapper, kTarget));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, create_target(object));
    EXPECT_FALSE(object);
}

TEST_F(LegacyRegistry, SearchStartsBelowTheGivenKeyAtTheGivenDepth) {
    const std::string root = suite::lsc::kLegacySuitesKey;
    ASSERT_TRUE(tree_.add({"Nested", registry_form(kTarget)}));

    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_OK, SearchLegacyKey(&wrapper, kTarget, (root + "\\Nested").c_str(), 2));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth2, wrapper));
    // From depth 3 there is no descent: the target one level down is missed.
    EXPECT_EQ(S_FALSE, SearchLegacyKey(&wrapper, kTarget, root.c_str(), 3));
    EXPECT_EQ(S_OK, SearchLegacyKey(&wrapper, kTarget, root.c_str(), 2));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth3, wrapper));
}

TEST_F(LegacyRegistry, FirstOccurrenceInPreOrderWins) {
    // Enumeration order is by name: {1...} comes before {F...}. The first
    // subkey's subtree is searched before the second subkey's own name.
    ASSERT_TRUE(tree_.add({registry_form(kFirstSibling), registry_form(kTarget)}));
    ASSERT_TRUE(tree_.add({registry_form(kLastSibling)}));
    ASSERT_TRUE(tree_.add({registry_form(kTarget)}));

    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_OK, FindLegacyWrapper(&wrapper, kTarget));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth1, wrapper));

    // Deeper in an earlier subtree still beats shallower in a later one.
    tree_.remove();
    ASSERT_TRUE(tree_.add({registry_form(kFirstSibling), "a", "b", registry_form(kTarget)}));
    ASSERT_TRUE(tree_.add({registry_form(kLastSibling), registry_form(kTarget)}));
    EXPECT_EQ(S_OK, FindLegacyWrapper(&wrapper, kTarget));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth3, wrapper));
}

TEST_F(LegacyRegistry, NamesThatAreNotClassIdsAreSkippedButTheirSubtreesSearched) {
    // Near misses of the class ID form.
    const std::string target = registry_form(kTarget);
    ASSERT_TRUE(tree_.add({"Old Suites", "{not-a-class-id}", target}));
    ASSERT_TRUE(tree_.add({target.substr(1, 36)}));
    ASSERT_TRUE(tree_.add({target.substr(0, 37) + ")"}));

    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_OK, FindLegacyWrapper(&wrapper, kTarget));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth2, wrapper));
}

TEST_F(LegacyRegistry, MissingArgumentsAreInvalidAndLogged) {
    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(E_INVALIDARG, FindLegacyWrapper(nullptr, kTarget));
    EXPECT_EQ(E_INVALIDARG, FindLegacyWrapper(&wrapper, GUID_NULL));
    EXPECT_EQ(E_INVALIDARG, SearchLegacyKey(&wrapper, GUID_NULL, suite::lsc::kLegacySuitesKey, 0));
    EXPECT_EQ(E_INVALIDARG, SearchLegacyKey(&wrapper, kTarget, nullptr, 0));
    EXPECT_EQ(E_INVALIDARG, SearchLegacyKey(nullptr, kTarget, suite::lsc::kLegacySuitesKey, 0));
    EXPECT_EQ(E_INVALIDARG, SearchLegacyKey(&wrapper, kTarget, suite::lsc::kLegacySuitesKey, -1));
    EXPECT_EQ(E_INVALIDARG, SearchLegacyKey(&wrapper, kTarget, suite::lsc::kLegacySuitesKey, 4));
    EXPECT_EQ(E_INVALIDARG, CreateWithLegacyFallback(kTarget, 7, IID_IUnknown, nullptr));
    EXPECT_TRUE(IsEqualCLSID(GUID_NULL, wrapper));
    // Each raised failure wrote one debugger line; the missing out pointer of
    // the creation is refused before anything is raised.
    EXPECT_EQ(7u, g_debugLines.size());
}

TEST_F(LegacyRegistry, RootMissingOrEmptyIsNotFound) {
    CLSID wrapper = GUID_NULL;
    EXPECT_EQ(S_FALSE, SearchLegacyKey(&wrapper, kTarget, suite::lsc::kLegacySuitesKey, 0));
    ASSERT_TRUE(tree_.create_root());
    EXPECT_EQ(S_FALSE, SearchLegacyKey(&wrapper, kTarget, suite::lsc::kLegacySuitesKey, 0));
    EXPECT_TRUE(IsEqualCLSID(GUID_NULL, wrapper));
    EXPECT_TRUE(g_debugLines.empty());
}

TEST_F(LegacyRegistry, WrapperFailuresAreReturnedAndNothingIsHandedOut) {
    ASSERT_TRUE(tree_.add({registry_form(kTarget)}));

    // The wrapper does not offer the requested interface.
    ComPtr<IUnknown> object;
    EXPECT_EQ(E_NOINTERFACE, CreateWithLegacyFallback(kTarget, 7, IID_ITool, object.put_void()));
    EXPECT_FALSE(object);

    // The wrapper refuses the alias.
    FakeWrapper::refuse_alias = true;
    EXPECT_EQ(E_UNEXPECTED, create_target(object));
    EXPECT_FALSE(object);
    EXPECT_EQ(2u, g_debugLines.size());
}

TEST_F(LegacyRegistry, EffectiveClassOfAnOrdinaryObjectIsItsOwn) {
    auto plain = suite::com::make<PlainObject>();
    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, GetEffectiveClassID(&clsid, plain.get()));
    EXPECT_TRUE(IsEqualCLSID(kPlainClass, clsid));
}

TEST_F(LegacyRegistry, EffectiveClassOfAWrapperIsTheClassItStandsFor) {
    ASSERT_TRUE(tree_.add({registry_form(kFirstSibling), registry_form(kTarget)}));
    ComPtr<IUnknown> object;
    ASSERT_EQ(S_OK, create_target(object));

    CLSID clsid = GUID_NULL;
    EXPECT_EQ(S_OK, GetEffectiveClassID(&clsid, object.get()));
    EXPECT_TRUE(IsEqualCLSID(kTarget, clsid));
    // Its own IPersist would have named the host's wrapper class.
    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, object->QueryInterface(IID_IPersist, persist.put_void()));
    ASSERT_EQ(S_OK, persist->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_LegacyWrapperDepth1, clsid));
}

TEST_F(LegacyRegistry, EffectiveClassFailures) {
    CLSID clsid = GUID_NULL;
    auto plain = suite::com::make<PlainObject>();
    EXPECT_EQ(E_INVALIDARG, GetEffectiveClassID(nullptr, plain.get()));
    EXPECT_EQ(E_INVALIDARG, GetEffectiveClassID(&clsid, nullptr));

    auto anonymous = suite::com::make<Anonymous>();
    EXPECT_EQ(E_NOINTERFACE, GetEffectiveClassID(&clsid, anonymous.get()));
    EXPECT_TRUE(IsEqualCLSID(GUID_NULL, clsid));
    EXPECT_EQ(3u, g_debugLines.size());
}

} // namespace
