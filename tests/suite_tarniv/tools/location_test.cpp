// Tool locations in memory and in HKEY_CURRENT_USER of the test prefix.
#include "ct_tarniv.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using suite::ComPtr;
using suite::CoTaskString;
using suite::RegistryKey;
using suite::tools::kToolLocationsKey;

std::wstring location_of(ITool* tool) {
    CoTaskString location;
    EXPECT_EQ(S_OK, tool->GetLocation(location.put()));
    return location.c_str();
}

// Characters 1..n of a repeating pattern, ending in ".exe".
std::wstring long_location(size_t length) {
    std::wstring text = L"C:\\";
    while (text.size() < length - 4)
        text.push_back(static_cast<wchar_t>(L'a' + text.size() % 26));
    return text + L".exe";
}

class ToolLocations : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(apartment_.result());
        remove_values();
        assembler_ = make<CT_TARNIVas>();
        compiler_ = make<CT_TARNIVcc>();
        linker_ = make<CT_TARNIVld>();
    }
    void TearDown() override { remove_values(); }

    template <class Tool> static ComPtr<ITool> make() {
        ComPtr<ITool> tool;
        EXPECT_EQ(S_OK, suite::com::create_instance<Tool>(IID_ITool, tool.put_void()));
        return tool;
    }

    // The tools' values go; the key stays, as it holds other settings too.
    static void remove_values() {
        RegistryKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS)
            return;
        for (const char* name : {"T_TARNIV18as", "T_TARNIV18cc", "T_TARNIV18ld"})
            RegDeleteValueA(key.get(), name);
    }

    static bool write_value(const char* name, DWORD type, const std::string& bytes) {
        RegistryKey key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                            key.put(), nullptr) != ERROR_SUCCESS)
            return false;
        return RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                              static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }

    // The stored bytes and type of a value; false when it cannot be read.
    static bool read_value(const char* name, DWORD& type, std::string& bytes) {
        RegistryKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, KEY_QUERY_VALUE, key.put()) !=
            ERROR_SUCCESS)
            return false;
        char buffer[1024];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            return false;
        bytes.assign(buffer, size);
        return true;
    }

    // A value the tools saved as an empty string: REG_SZ holding its terminator.
    static void expect_empty_string(const char* name) {
        DWORD type = 0;
        std::string bytes;
        ASSERT_TRUE(read_value(name, type, bytes)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
        EXPECT_EQ(std::string(1, '\0'), bytes) << name;
    }

    suite::test::ComApartment apartment_;
    ComPtr<ITool> assembler_, compiler_, linker_;
};

TEST_F(ToolLocations, EachToolHasItsOwnOneBytePerCharacterValue) {
    ASSERT_EQ(S_OK, assembler_->SetLocation(L"C:\\Tools\\velc18.exe"));
    ASSERT_EQ(S_OK, linker_->SetLocation(L"D:\\ld"));
    ASSERT_EQ(S_OK, assembler_->SaveLocation());
    ASSERT_EQ(S_OK, linker_->SaveLocation());

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(read_value("T_TARNIV18as", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("C:\\Tools\\velc18.exe", 20), bytes);
    ASSERT_TRUE(read_value("T_TARNIV18ld", type, bytes));
    EXPECT_EQ(std::string("D:\\ld", 6), bytes);
    EXPECT_FALSE(read_value("T_TARNIV18cc", type, bytes));

    ASSERT_EQ(S_OK, compiler_->LoadLocation());
    EXPECT_EQ(L"", location_of(compiler_.get()));
    auto fresh = make<CT_TARNIVas>();
    ASSERT_EQ(S_OK, fresh->LoadLocation());
    EXPECT_EQ(L"C:\\Tools\\velc18.exe", location_of(fresh.get()));
    // Loading again changes nothing.
    ASSERT_EQ(S_OK, fresh->LoadLocation());
    EXPECT_EQ(L"C:\\Tools\\velc18.exe", location_of(fresh.get()));
}

TEST_F(ToolLocations, MissingKeyIsCreatedAndTheLocationBecomesEmpty) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kToolLocationsKey);
    ASSERT_EQ(S_OK, assembler_->SetLocation(L"C:\\old.exe"));
    EXPECT_EQ(S_OK, assembler_->LoadLocation());
    EXPECT_EQ(L"", location_of(assembler_.get()));

    RegistryKey key;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, KEY_READ, key.put()));
    DWORD values = 99;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values);
}

TEST_F(ToolLocations, CharactersFrom128To255RoundTripByteForByte) {
    std::wstring location = L"C:\\";
    std::string expected = "C:\\";
    for (unsigned c = 128; c <= 255; ++c) {
        location.push_back(static_cast<wchar_t>(c));
        expected.push_back(static_cast<char>(c));
    }
    ASSERT_EQ(S_OK, assembler_->SetLocation(location.c_str()));
    ASSERT_EQ(S_OK, assembler_->SaveLocation());

    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(read_value("T_TARNIV18as", type, bytes));
    EXPECT_EQ(expected + '\0', bytes);

    auto fresh = make<CT_TARNIVas>();
    ASSERT_EQ(S_OK, fresh->LoadLocation());
    EXPECT_EQ(location, location_of(fresh.get()));
}

TEST_F(ToolLocations, CharacterAbove255EndsTheStoredText) {
    ASSERT_EQ(S_OK, compiler_->SetLocation(L"C:\\Tools\u0100\\velc18.exe"));
    EXPECT_EQ(L"C:\\Tools\u0100\\velc18.exe", location_of(compiler_.get()));
    ASSERT_EQ(S_OK, compiler_->SaveLocation());
    auto fresh = make<CT_TARNIVcc>();
    ASSERT_EQ(S_OK, fresh->LoadLocation());
    EXPECT_EQ(L"C:\\Tools", location_of(fresh.get()));

    // At the very start: an empty string value, not a deleted one.
    ASSERT_EQ(S_OK, compiler_->SetLocation(L"\u20ac"));
    ASSERT_EQ(S_OK, compiler_->SaveLocation());
    expect_empty_string("T_TARNIV18cc");
}

TEST_F(ToolLocations, LongestLocationRoundTrips) {
    const std::wstring location = long_location(259);
    ASSERT_EQ(259u, location.size());
    ASSERT_EQ(S_OK, linker_->SetLocation(location.c_str()));
    ASSERT_EQ(S_OK, linker_->SaveLocation());
    auto fresh = make<CT_TARNIVld>();
    ASSERT_EQ(S_OK, fresh->LoadLocation());
    EXPECT_EQ(location, location_of(fresh.get()));
}

TEST_F(ToolLocations, TextLongerThanTheLocationIsRefusedNotCut) {
    ASSERT_EQ(S_OK, linker_->SetLocation(L"C:\\kept.exe"));
    EXPECT_EQ(suite::tools::kLocationTooLong, linker_->SetLocation(long_location(260).c_str()));
    EXPECT_EQ(suite::tools::kLocationTooLong, linker_->SetLocation(long_location(5000).c_str()));
    EXPECT_EQ(E_INVALIDARG, linker_->SetLocation(nullptr));
    EXPECT_EQ(L"C:\\kept.exe", location_of(linker_.get()));
}

TEST_F(ToolLocations, StoredTextLongerThanTheLocationLoadsAsEmpty) {
    // 260 bytes fit the read buffer but not the location; 300 fit neither.
    for (size_t length : {260u, 300u}) {
        const std::wstring wide = long_location(length);
        const std::string stored(wide.begin(), wide.end());
        ASSERT_TRUE(write_value("T_TARNIV18as", REG_SZ, stored + '\0'));
        ASSERT_EQ(S_OK, assembler_->SetLocation(L"C:\\old.exe"));
        EXPECT_EQ(S_OK, assembler_->LoadLocation());
        EXPECT_EQ(L"", location_of(assembler_.get())) << length;
    }
}

TEST_F(ToolLocations, ValueOfAnotherTypeIsReadAsTextUpToItsFirstZeroByte) {
    ASSERT_TRUE(write_value("T_TARNIV18as", REG_BINARY, "C:\\bin\\velc18.exe"));
    ASSERT_EQ(S_OK, assembler_->LoadLocation());
    EXPECT_EQ(L"C:\\bin\\velc18.exe", location_of(assembler_.get()));

    ASSERT_TRUE(write_value("T_TARNIV18cc", REG_DWORD, std::string("ABC\0", 4)));
    ASSERT_EQ(S_OK, compiler_->LoadLocation());
    EXPECT_EQ(L"ABC", location_of(compiler_.get()));

    ASSERT_TRUE(write_value("T_TARNIV18ld", REG_MULTI_SZ, std::string("first\0second\0\0", 14)));
    ASSERT_EQ(S_OK, linker_->LoadLocation());
    EXPECT_EQ(L"first", location_of(linker_.get()));
}

TEST_F(ToolLocations, EmptyLocationIsSavedAsAnEmptyString) {
    ASSERT_TRUE(write_value("T_TARNIV18ld", REG_SZ, std::string("C:\\x\0", 5)));
    ASSERT_EQ(S_OK, linker_->SaveLocation());
    expect_empty_string("T_TARNIV18ld");
}

} // namespace
