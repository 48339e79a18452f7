// A suite object made with stand-in tool classes registered, and a
// stand-in manager with three projects.
#pragma once

#include "cs_tarniv.h"
#include "fake_host.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace suite_test {

class SuiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        tool_calls().clear();
        ASSERT_EQ(S_OK, tools.assembler.registration_result());
        ASSERT_EQ(S_OK, tools.compiler.registration_result());
        ASSERT_EQ(S_OK, tools.linker.registration_result());
        manager->projects = {suite::com::make<FakeProject>(), suite::com::make<FakeProject>(),
                             suite::com::make<FakeProject>()};
    }
    void TearDown() override {
        for (const auto& suite : suites)
            suite->Unload();
    }

    // A suite object made after the tool classes were registered.
    CS_TARNIV* new_suite() {
        suites.push_back(suite::com::make<CS_TARNIV>());
        return suites.back().get();
    }

    // Takes ownership of an [out] string.
    static std::wstring take(LPWSTR text) { return suite::CoTaskString(text).c_str(); }

    suite::test::ComApartment apartment;
    FakeToolClasses tools;
    std::vector<ComPtr<CS_TARNIV>> suites;
    ComPtr<FakeManager> manager = suite::com::make<FakeManager>();
};

} // namespace suite_test
