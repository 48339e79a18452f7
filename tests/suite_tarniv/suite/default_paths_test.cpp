// The suite's default directories in the current user's registry.
#include "suite_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace suite_test {
namespace {

constexpr char kKey[] = "Software\\Corvane\\VESKA IDE\\Tool Locations";
constexpr const char* kValueNames[] = {"S_TARNIV18_dir_bin", "S_TARNIV18_dir_tmp", "S_TARNIV18_dir_ain",
                                       "S_TARNIV18_dir_inc", "S_TARNIV18_dir_lib"};

suite::RegistryKey open_key() {
    suite::RegistryKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
    return key;
}

// The stored bytes and type of a value; type 0 when there is none.
struct StoredValue {
    DWORD type = 0;
    std::string bytes;
};
StoredValue stored(const char* name) {
    StoredValue value;
    auto key = open_key();
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return {};
    value.bytes.resize(size);
    RegQueryValueExA(key.get(), name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.bytes.data()),
                     &size);
    return value;
}

void store(const char* name, DWORD type, const std::string& bytes) {
    auto key = open_key();
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())));
}

class DefaultPathsTest : public SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        remove_values();
    }
    void TearDown() override {
        remove_values();
        SuiteTest::TearDown();
    }
    static void remove_values() {
        auto key = open_key();
        for (const char* name : kValueNames)
            RegDeleteValueA(key.get(), name);
    }
    static std::wstring path_of(CS_TARNIV* suite, int index) {
        LPWSTR path = nullptr;
        EXPECT_EQ(S_OK, suite->GetDefaultPath(&path, index));
        return take(path);
    }
};

TEST_F(DefaultPathsTest, SaveWritesBinToLibAndLoadReadsThemBack) {
    CS_TARNIV* saver = new_suite();
    for (int index = 0; index < PT_NUM_PATH_TYPES; ++index)
        saver->SetDefaultPath((L"C:\\velc18\\d" + std::to_wstring(index)).c_str(), index);
    ASSERT_EQ(S_OK, saver->SaveDefaultPaths());

    for (int index = PT_BIN; index <= PT_LIB; ++index) {
        const StoredValue value = stored(kValueNames[index - 1]);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << index;
        // The text and its terminator, one byte per character.
        EXPECT_EQ("C:\\velc18\\d" + std::to_string(index) + std::string(1, '\0'), value.bytes) << index;
    }

    CS_TARNIV* loader = new_suite();
    ASSERT_EQ(S_OK, loader->LoadDefaultPaths());
    for (int index = PT_BIN; index <= PT_LIB; ++index)
        EXPECT_EQ(L"C:\\velc18\\d" + std::to_wstring(index), path_of(loader, index)) << index;
    // The source and linker-script directories are not stored.
    EXPECT_EQ(L"", path_of(loader, PT_SRC));
    EXPECT_EQ(L"", path_of(loader, PT_LKR));
}

TEST_F(DefaultPathsTest, LongestPathAndHighCharactersRoundTrip) {
    CS_TARNIV* suite = new_suite();
    const std::wstring longest = L"C:\\" + std::wstring(257, L'x');
    const std::wstring accented = L"C:\\Donn\u00e9es\\\u00c5r\u00f8";
    suite->SetDefaultPath(longest.c_str(), PT_TMP);
    suite->SetDefaultPath(accented.c_str(), PT_INC);
    suite->SaveDefaultPaths();
    EXPECT_EQ(261u, stored("S_TARNIV18_dir_tmp").bytes.size());

    CS_TARNIV* loader = new_suite();
    loader->LoadDefaultPaths();
    EXPECT_EQ(longest, path_of(loader, PT_TMP));
    EXPECT_EQ(accented, path_of(loader, PT_INC));
}

TEST_F(DefaultPathsTest, PathWithoutOneByteFormKeepsTheStoredValue) {
    store("S_TARNIV18_dir_lib", REG_SZ, std::string("C:\\old", 7));
    CS_TARNIV* suite = new_suite();
    suite->SetDefaultPath(L"C:\\lib\u20ac", PT_LIB);
    suite->SetDefaultPath(L"C:\\bin", PT_BIN);
    EXPECT_EQ(S_OK, suite->SaveDefaultPaths());
    EXPECT_EQ(std::string("C:\\old", 7), stored("S_TARNIV18_dir_lib").bytes);
    EXPECT_EQ(std::string("C:\\bin", 7), stored("S_TARNIV18_dir_bin").bytes);
}

TEST_F(DefaultPathsTest, ValuesThatCannotBeUsedLeaveTheCurrentPath) {
    CS_TARNIV* suite = new_suite();
    for (int index = PT_BIN; index <= PT_LIB; ++index)
        suite->SetDefaultPath((L"C:\\current" + std::to_wstring(index)).c_str(), index);

    // bin: stored; tmp: missing; ain: not a string; inc: too long for the
    // buffer; lib: stored after the too-long one (no text left over from it).
    store("S_TARNIV18_dir_bin", REG_SZ, std::string("C:\\stored", 10));
    store("S_TARNIV18_dir_ain", REG_DWORD, std::string("\x01\x02\x03\x04", 4));
    store("S_TARNIV18_dir_inc", REG_SZ, std::string(300, 'L') + '\0');
    store("S_TARNIV18_dir_lib", REG_SZ, std::string("D:\\lib", 7));
    ASSERT_EQ(S_OK, suite->LoadDefaultPaths());

    EXPECT_EQ(L"C:\\stored", path_of(suite, PT_BIN));
    EXPECT_EQ(L"C:\\current2", path_of(suite, PT_TMP));
    EXPECT_EQ(L"C:\\current3", path_of(suite, PT_AIN));
    EXPECT_EQ(L"C:\\current4", path_of(suite, PT_INC));
    EXPECT_EQ(L"D:\\lib", path_of(suite, PT_LIB));
}

TEST_F(DefaultPathsTest, StoredTextOfExactly260CharactersWithoutTerminatorIsTaken) {
    // Registry strings need not carry their terminator; 260 bytes still fit.
    store("S_TARNIV18_dir_bin", REG_SZ, std::string(260, 'b'));
    store("S_TARNIV18_dir_tmp", REG_SZ, std::string(261, 't'));
    CS_TARNIV* suite = new_suite();
    suite->SetDefaultPath(L"C:\\kept", PT_TMP);
    suite->LoadDefaultPaths();
    EXPECT_EQ(std::wstring(260, L'b'), path_of(suite, PT_BIN));
    EXPECT_EQ(L"C:\\kept", path_of(suite, PT_TMP));
}

} // namespace
} // namespace suite_test
