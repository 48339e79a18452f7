// A suite object made with stand-in tool classes registered, and the
// stand-in host's project manager with three projects.
#pragma once

#include "cs_tarniv.h"
#include "fake_host.h"
#include "test_support.h"
#include "veska_host.h"

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
        for (int i = 0; i < 3; ++i)
            host->add_project(L"C:\\work\\p" + std::to_wstring(i) + L".prj");
    }
    void TearDown() override {
        for (const auto& suite : suites)
            suite->Unload();
        host->shutdown();
    }

    IProject* project(size_t index) const { return host->projects().at(index).get(); }
    veska::host::Recorder& recorder() const { return *host->recorder(); }

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
    ComPtr<veska::host::HostProjectManager> host = suite::com::make<veska::host::HostProjectManager>();
};

} // namespace suite_test
