// A host project in a temporary directory, the suite from the built module
// with its three tools and argument objects, and a scripted stand-in for the
// driver executable: it writes the object (or target) named by -O and the
// error file named by -E, and fails for the sources a test names.
#pragma once

#include "test_support.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

namespace driver_test {

inline constexpr const CLSID* kToolClasses[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc,
                                                &CLSID_T_TARNIV18ld};
constexpr ULONGLONG kSomeTime = 132000000000000000ULL;
constexpr ULONGLONG kSecond = 10000000ULL;

using suite::test::set_write_time;

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A source file in the project directory, added to the source folder.
    suite::ComPtr<veska::host::HostProjectNode> add_source(const std::wstring& name,
                                                           const std::string& text = "");
    HRESULT process(unsigned long command, std::vector<_NodeTag> inputs = {{0, FCAT_SRC, 0}});

    // What the suite wrote without a tool (its own messages), and the BUILD line.
    std::vector<std::wstring> suite_messages() const;
    std::vector<std::wstring> tool_messages() const;
    std::wstring build_line() const;
    // The tool class of each run, in order.
    std::vector<GUID> runs() const;
    size_t calls(const std::string& name) const { return manager->recorder()->count(name); }

    std::wstring file(const std::wstring& name) const { return dir.file(name); }
    std::wstring target() const { return dir.file(L"proj.cof"); }

    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    veska::host::HostClassRegistration hostClasses;
    suite::test::TempDirectory dir;
    suite::ComPtr<veska::host::HostProjectManager> manager;
    suite::ComPtr<veska::host::HostProject> project;
    suite::ComPtr<ISuite> suite;
    std::array<suite::ComPtr<ITool>, 3> tools;
    std::array<suite::ComPtr<IToolArgs>, 3> projectArgs;

    // Base names of the sources whose run exits with 1 and an error line.
    std::set<std::wstring> failingSources;
    bool linkFails = false;
};

} // namespace driver_test
