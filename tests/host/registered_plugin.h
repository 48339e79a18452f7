// The whole road: the plug-in registered in the test's prefix, the stand-in
// driver as every tool's location, a scratch project directory.
#pragma once

#include "cli_output.h"
#include "host_test_support.h"
#include "test_support.h"

#include <string>

namespace veska::host::testing {

class RegisteredPlugin : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef VELC18_EXE
        GTEST_SKIP() << "the stand-in driver is not part of this build";
#else
        ASSERT_EQ(S_OK, dll_.register_server());
        std::wstring driver = L"Z:" + from_utf8(VELC18_EXE);
        for (wchar_t& c : driver)
            if (c == L'/')
                c = L'\\';
        driver_ = utf8(driver);
        CreateDirectoryW(dir_.file(L"src").c_str(), nullptr);
#endif
    }
    void TearDown() override {
        dll_.unregister_server();
    }

    // The [Tool Locations] section naming the driver for the three tools.
    std::string tool_locations() const {
        return "[Tool Locations]\nT_TARNIV18as=" + driver_ + "\nT_TARNIV18cc=" + driver_ +
               "\nT_TARNIV18ld=" + driver_ + "\n";
    }

    suite::test::ComApartment apartment_;
    suite::test::SuiteDll dll_;
    ScratchDirectory dir_;
    cli::StringOutput output_;
    std::string driver_; // the stand-in driver's Windows path
};

} // namespace veska::host::testing
