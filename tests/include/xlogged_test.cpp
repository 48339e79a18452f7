// The self-logging exception and its log file.
#include "test_support.h"

#include "text.h"
#include "xlogged.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

namespace xlogged = suite::xlogged;
using suite::test::read_file;
using suite::test::TempDirectory;

std::vector<std::string> g_debugLines;
void capture(const char* text) {
    g_debugLines.emplace_back(text);
}

std::string narrow(const std::wstring& wide) {
    std::string out;
    for (wchar_t c : wide)
        out.push_back(static_cast<char>(c));
    return out;
}

const char* const kTestKey = "Software\\Suite_TARNIV18 tests\\XLogged";

class ExceptionLog : public ::testing::Test {
protected:
    TempDirectory temp;

    void SetUp() override {
        xlogged::reset_for_testing();
        xlogged::set_debug_sink(capture);
        g_debugLines.clear();
    }
    void TearDown() override {
        xlogged::set_debug_sink(nullptr);
        xlogged::reset_for_testing();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
    }

    // Points the log at directory and initialises it for module.
    LONG init(const std::string& directory, HINSTANCE module = GetModuleHandleW(nullptr)) {
        suite::RegistryKey key;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE,
                                                 nullptr, key.put(), nullptr));
        RegSetValueExA(key.get(), "LogDirectory", 0, REG_SZ, reinterpret_cast<const BYTE*>(directory.c_str()),
                       static_cast<DWORD>(directory.size() + 1));
        key.reset();
        return XLoggedInit(module, HKEY_CURRENT_USER, kTestKey, "LogDirectory");
    }
};

TEST_F(ExceptionLog, BeforeInitialisationOnlyTheDebuggerHearsOfIt) {
    XLogged(E_INVALIDARG, "lsc", 13).Log();
    ASSERT_EQ(1u, g_debugLines.size());
    EXPECT_EQ("EXCEPTION NOT LOGGGED because XLogged initializations failed!\n", g_debugLines[0]);
    EXPECT_FALSE(xlogged::initialized());
    EXPECT_STREQ("", xlogged::log_path());
}

TEST_F(ExceptionLog, InitialisationNamesTheLogAfterTheModuleAndStartsWithoutOne) {
    const std::string directory = narrow(temp.path());
    // A log left from an earlier start is removed.
    wchar_t modulePath[MAX_PATH];
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    std::wstring moduleName = wcsrchr(modulePath, L'\\') + 1;
    const std::wstring logFile = temp.file(moduleName + L".exception");
    ASSERT_TRUE(suite::test::write_file(logFile, "old"));

    ASSERT_EQ(ERROR_SUCCESS, init(directory + "\\"));
    EXPECT_TRUE(xlogged::initialized());
    EXPECT_EQ(narrow(logFile), xlogged::log_path());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(logFile.c_str()));
    // The test program has no version resource.
    EXPECT_EQ("MODULE: " + narrow(modulePath) + "\nGetFileVersionInfoSize() failed!\n",
              std::string(xlogged::log_header()));
}

TEST_F(ExceptionLog, HeaderCarriesTheModulesVersionStrings) {
    suite::test::SuiteDll dll;
    ASSERT_EQ(ERROR_SUCCESS, init(narrow(temp.path()), dll.handle()));
    EXPECT_EQ("MODULE: " + narrow(dll.path()) + "\nFILEVERSION: 1, 22, 3, 0\nPRODUCTVERSION: 1, 22, 3, 0\n",
              std::string(xlogged::log_header()));
}

TEST_F(ExceptionLog, FirstLineCreatesDirectoriesAndHeaderThenLinesAppend) {
    const std::string directory = narrow(temp.path()) + "\\one\\two\\three";
    ASSERT_EQ(ERROR_SUCCESS, init(directory));
    // The file is written as text: each line ends in CR LF on disk.
    const std::string header =
        std::regex_replace(std::string(xlogged::log_header()), std::regex("\n"), "\r\n");

    XLogged(E_INVALIDARG, "lsc", 13).Log();
    XLogged(REGDB_E_CLASSNOTREG, "C:\\src\\include\\s_base2.h", 250).Log();
    XLogged(E_OUTOFMEMORY, "/build/src\\include/s_base2.cpp", 80).Log(); // the compiler's own separators

    const std::string log = read_file(suite::text::widen(xlogged::log_path()));
    ASSERT_EQ(0u, log.find(header)) << log;
    const std::string lines = log.substr(header.size());
    const std::regex expected("\\d{4}-\\d\\d-\\d\\d/\\d\\d:\\d\\d:\\d\\d 0x80070057 \"lsc\":13\r\n"
                              "\\d{4}-\\d\\d-\\d\\d/\\d\\d:\\d\\d:\\d\\d 0x80040154 \"s_base2.h\":250\r\n"
                              "\\d{4}-\\d\\d-\\d\\d/\\d\\d:\\d\\d:\\d\\d 0x8007000E \"s_base2.cpp\":80\r\n");
    EXPECT_TRUE(std::regex_match(lines, expected)) << lines;

    ASSERT_EQ(3u, g_debugLines.size());
    EXPECT_EQ(0u, g_debugLines[0].find("EXCEPTION LOGGED: "));
    EXPECT_NE(std::string::npos, g_debugLines[0].find(" 0x80070057 \"lsc\":13\n"));
}

TEST_F(ExceptionLog, HeaderIsWrittenOnlyIntoANewOrEmptyFile) {
    ASSERT_EQ(ERROR_SUCCESS, init(narrow(temp.path())));
    const std::wstring logFile = suite::text::widen(xlogged::log_path());
    ASSERT_TRUE(suite::test::write_file(logFile, "kept\n"));
    XLogged(E_FAIL, "x", 1).Log();
    const std::string log = read_file(logFile);
    EXPECT_EQ(0u, log.find("kept\n"));
    EXPECT_EQ(std::string::npos, log.find("MODULE: "));
    EXPECT_NE(std::string::npos, log.find(" 0x80004005 \"x\":1"));
}

TEST_F(ExceptionLog, UnwritableDirectorySkipsTheLineSilently) {
    // A file stands where a directory would have to be created.
    ASSERT_TRUE(suite::test::write_file(temp.file(L"blocker"), ""));
    ASSERT_EQ(ERROR_SUCCESS, init(narrow(temp.file(L"blocker")) + "\\sub"));
    XLogged(E_FAIL, "x", 1).Log();
    EXPECT_TRUE(g_debugLines.empty()) << "no debugger line when the file cannot be written";
}

TEST_F(ExceptionLog, InitialisationFailuresLeaveLoggingOff) {
    // No such registry value: the registry's error comes back.
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                                             suite::RegistryKey().put(), nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              XLoggedInit(GetModuleHandleW(nullptr), HKEY_CURRENT_USER, kTestKey, "Missing"));
    EXPECT_FALSE(xlogged::initialized());

    // A directory so long that the log path would pass 260 characters.
    EXPECT_NE(ERROR_SUCCESS, init("C:\\" + std::string(250, 'd')));
    EXPECT_FALSE(xlogged::initialized());
    EXPECT_STREQ("", xlogged::log_path());

    // Missing arguments: nothing happens.
    EXPECT_EQ(ERROR_SUCCESS, XLoggedInit(GetModuleHandleW(nullptr), nullptr, kTestKey, "LogDirectory"));
    EXPECT_EQ(ERROR_SUCCESS,
              XLoggedInit(GetModuleHandleW(nullptr), HKEY_CURRENT_USER, nullptr, "LogDirectory"));
    EXPECT_FALSE(xlogged::initialized());
}

TEST(XLoggedObject, CopiesCarryTheResultAndPlace) {
    const XLogged original(E_OUTOFMEMORY, "file.cpp", 42);
    const XLogged copy = original;
    EXPECT_EQ(E_OUTOFMEMORY, copy.GetHResult());
    EXPECT_STREQ("file.cpp", copy.GetFile());
    EXPECT_EQ(42, copy.GetLine());
    try {
        THROW_XLOGGED(E_ACCESSDENIED);
    } catch (const XLogged& raised) {
        EXPECT_EQ(E_ACCESSDENIED, raised.GetHResult());
        EXPECT_STREQ("xlogged_test.cpp", raised.GetFile());
    }
}

} // namespace

namespace {

using veska::host::HostProjectManager;

TEST(SuiteExceptionReport, WritesTheStringTableMessageWithNoTool) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    auto manager = suite::com::make<HostProjectManager>();
    SuiteException(manager.get(), 106).Report();
    ASSERT_EQ(1u, manager->build_messages().size());
    EXPECT_EQ(L"Build aborted.  The project contains no source files.\n", manager->build_messages()[0].text);
    EXPECT_FALSE(manager->build_messages()[0].tool.has_value());
    manager->shutdown();
}

TEST(SuiteExceptionReport, FallsBackWhenTheMessageCannotBeLoaded) {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll;
    auto manager = suite::com::make<HostProjectManager>();
    SuiteException(manager.get(), 116).Report();
    EXPECT_EQ(L"An error occurred, but its corresponding message could not be retrieved.\n",
              manager->build_output());
    manager->shutdown();
}

TEST(SuiteExceptionReport, WithoutAManagerNothingHappens) {
    suite::test::SuiteDll dll;
    SuiteException(nullptr, 106).Report(); // must not crash
    EXPECT_EQ(106u, SuiteException(nullptr, 106).GetMessageId());
}

} // namespace
