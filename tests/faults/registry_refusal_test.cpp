// The settings the suite and its tools keep in the registry, with each
// registry call they make refused in turn: the call answers E_ACCESSDENIED,
// and what the refused call would have replaced (the stored value on a save,
// the value in use on a load) stays as it was. Every point, every run.
#include "com_ptr.h"
#include "contract.h"
#include "fault_points.h"
#include "test_support.h"
#include "text.h"
#include "unique_handles.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using suite::ComPtr;

constexpr char kKey[] = "Software\\Corvane\\VESKA IDE\\Tool Locations";

struct Module {
    suite::test::ComApartment apartment;
    suite::test::SuiteDll dll{suite::test::windows_path(SUITE_FAULTS_DLL_PATH)};
    faults::FaultPoints points;
    bool installed = points.Install(dll.handle());
};

Module& module() {
    static Module* const shared = new Module; // the module stays loaded until the process ends
    return *shared;
}

std::string stored(const char* name) {
    suite::RegistryKey key;
    char text[300] = {};
    DWORD size = sizeof text - 1;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS)
        return "(none)";
    return text;
}

void store(const char* name, const std::string& text) {
    suite::RegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                             key.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)));
}

template <class Interface> ComPtr<Interface> create(REFCLSID clsid) {
    ComPtr<IClassFactory> factory;
    ComPtr<Interface> object;
    if (SUCCEEDED(module().dll.get_class_object(clsid, __uuidof(IClassFactory), factory.put_void())))
        factory->CreateInstance(nullptr, __uuidof(Interface), object.put_void());
    return object;
}

// One kind of setting: where it is stored, how the object is given a value
// and asked for it back.
struct Setting {
    const char* name;
    std::vector<const char*> valueNames;
    std::function<void(const std::string&)> set;    // the value in use, for each
    std::function<std::vector<std::string>()> held; // the values in use
    std::function<HRESULT()> save, load;
};

std::string narrow(const wchar_t* text) {
    std::string out;
    for (; text && *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

std::vector<Setting> settings() {
    auto suiteEx = create<ISuiteEx>(CLSID_S_TARNIV18);
    auto tool = create<ITool>(CLSID_T_TARNIV18cc);
    if (!suiteEx || !tool)
        return {};
    Setting paths{"SaveDefaultPaths / LoadDefaultPaths",
                  {"S_TARNIV18_dir_bin", "S_TARNIV18_dir_tmp", "S_TARNIV18_dir_ain", "S_TARNIV18_dir_inc",
                   "S_TARNIV18_dir_lib"},
                  [suiteEx](const std::string& text) {
                      for (int index = PT_BIN; index <= PT_LIB; ++index)
                          suiteEx->SetDefaultPath(suite::text::widen(text + std::to_string(index)).c_str(),
                                                  index);
                  },
                  [suiteEx] {
                      std::vector<std::string> values;
                      for (int index = PT_BIN; index <= PT_LIB; ++index) {
                          suite::CoTaskString path;
                          suiteEx->GetDefaultPath(path.put(), index);
                          values.push_back(narrow(path.c_str()));
                      }
                      return values;
                  },
                  [suiteEx] { return suiteEx->SaveDefaultPaths(); },
                  [suiteEx] { return suiteEx->LoadDefaultPaths(); }};
    Setting location{
        "SaveLocation / LoadLocation",
        {"T_TARNIV18cc"},
        [tool](const std::string& text) { tool->SetLocation(suite::text::widen(text + "1").c_str()); },
        [tool] {
            suite::CoTaskString path;
            tool->GetLocation(path.put());
            return std::vector<std::string>{narrow(path.c_str())};
        },
        [tool] { return tool->SaveLocation(); },
        [tool] { return tool->LoadLocation(); }};
    return {paths, location};
}

// The values stored under names: text followed by each one's number.
void store_all(const Setting& setting, const std::string& text) {
    for (size_t i = 0; i < setting.valueNames.size(); ++i)
        store(setting.valueNames[i], text + std::to_string(setting.valueNames.size() == 1 ? 1 : i + 1));
}
std::vector<std::string> stored_all(const Setting& setting) {
    std::vector<std::string> values;
    for (const char* name : setting.valueNames)
        values.push_back(stored(name));
    return values;
}
std::vector<std::string> expected(const Setting& setting, const std::string& text) {
    std::vector<std::string> values;
    for (size_t i = 0; i < setting.valueNames.size(); ++i)
        values.push_back(text + std::to_string(setting.valueNames.size() == 1 ? 1 : i + 1));
    return values;
}

// Each value is the one before or the new one, and at least one the one before.
void expect_kept(const std::vector<std::string>& values, const std::vector<std::string>& before,
                 const std::vector<std::string>& after, const std::string& what) {
    bool oneKept = false;
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_TRUE(values[i] == before[i] || values[i] == after[i]) << what << ": " << values[i];
        oneKept = oneKept || values[i] == before[i];
    }
    EXPECT_TRUE(oneKept) << what << ": nothing kept what it held";
}

// Runs call with registry call `point` refused (-1: none); the calls counted.
long long refusing(long long point, const std::function<HRESULT()>& call, HRESULT& result) {
    module().points.Arm(faults::Kind::Registry, point);
    result = call();
    return module().points.Disarm();
}

TEST(RegistryRefusals, EachRefusedCallFailsAndKeepsWhatItWouldReplace) {
    ASSERT_TRUE(module().installed) << "the fault-injection module could not be instrumented";
    const std::vector<Setting> all = settings();
    ASSERT_FALSE(all.empty()) << "the suite or a tool could not be created";
    for (const Setting& setting : all) {
        HRESULT result = E_FAIL;
        // Saving: the values stored before stay where a write was refused.
        setting.set("C:\\new");
        store_all(setting, "C:\\old");
        const long long savePoints = refusing(-1, setting.save, result);
        ASSERT_EQ(S_OK, result) << setting.name;
        ASSERT_EQ(expected(setting, "C:\\new"), stored_all(setting)) << setting.name;
        ASSERT_GT(savePoints, 0) << setting.name;
        for (long long point = 0; point < savePoints; ++point) {
            store_all(setting, "C:\\old");
            const std::string what =
                std::string(setting.name) + ", save, registry call " + std::to_string(point);
            refusing(point, setting.save, result);
            EXPECT_EQ(E_ACCESSDENIED, result) << what;
            expect_kept(stored_all(setting), expected(setting, "C:\\old"), expected(setting, "C:\\new"),
                        what);
        }

        // Loading: the values in use stay where a read was refused.
        store_all(setting, "C:\\stored");
        setting.set("C:\\current");
        const long long loadPoints = refusing(-1, setting.load, result);
        ASSERT_EQ(S_OK, result) << setting.name;
        ASSERT_EQ(expected(setting, "C:\\stored"), setting.held()) << setting.name;
        for (long long point = 0; point < loadPoints; ++point) {
            setting.set("C:\\current");
            const std::string what =
                std::string(setting.name) + ", load, registry call " + std::to_string(point);
            refusing(point, setting.load, result);
            EXPECT_EQ(E_ACCESSDENIED, result) << what;
            expect_kept(setting.held(), expected(setting, "C:\\current"), expected(setting, "C:\\stored"),
                        what);
        }
    }
}

} // namespace
