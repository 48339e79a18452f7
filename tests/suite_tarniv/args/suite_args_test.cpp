// The suite-arguments object: its text never enters a command line.
#include "args_fakes.h"

#include "csa_tarniv.h"

#include "test_support.h"

#include <gtest/gtest.h>

namespace {

using args_test::TaskAllocatorSpy;
using suite::ComPtr;
using suite::CoTaskString;

class SuiteArgsTest : public ::testing::Test {
protected:
    suite::test::ComApartment apartment_;
    ComPtr<ISuiteArgs> args_ = suite::com::make<CSA_TARNIV>().as<ISuiteArgs>();
};

TEST_F(SuiteArgsTest, StartsWithAnEmptyText) {
    CoTaskString text;
    ASSERT_EQ(S_OK, args_->GetCmdLine(text.put()));
    ASSERT_TRUE(text);
    EXPECT_STREQ(L"", text.get());
}

TEST_F(SuiteArgsTest, GenCmdLineLeavesTheLineAsItCame) {
    ASSERT_EQ(S_OK, args_->SetCmdLine(L"-SUITE"));
    TaskAllocatorSpy spy;
    ASSERT_TRUE(spy.registered());
    CoTaskString line = CoTaskString::copy_of(L"velc18 -Q -C");
    const wchar_t* incoming = line.get();
    EXPECT_EQ(S_OK, args_->GenCmdLine(line.inout(), OP_COMPILE, nullptr));
    EXPECT_EQ(incoming, line.get());
    EXPECT_TRUE(spy.live(incoming));
    EXPECT_STREQ(L"velc18 -Q -C", line.get());
    EXPECT_EQ(1u, spy.live_count());

    LPWSTR missing = nullptr;
    EXPECT_EQ(S_OK, args_->GenCmdLine(&missing, OP_LINK, nullptr));
    EXPECT_EQ(nullptr, missing);
}

TEST_F(SuiteArgsTest, OwnerIsTheSuiteArgumentsClassNotTheSuite) {
    GUID owner = GUID_NULL;
    ASSERT_EQ(S_OK, args_->GetOwnerGUID(&owner));
    EXPECT_TRUE(IsEqualGUID(CLSID_SA_TARNIV18, owner));
    EXPECT_FALSE(IsEqualGUID(CLSID_S_TARNIV18, owner));
    EXPECT_EQ(E_POINTER, args_->GetOwnerGUID(nullptr));
}

} // namespace
