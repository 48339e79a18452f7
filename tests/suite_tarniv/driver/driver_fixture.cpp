#include "driver_fixture.h"

#include "stand_in_driver.h"

namespace driver_test {

using suite::ComPtr;

void DriverTest::SetUp() {
    ASSERT_EQ(dll.register_server(), S_OK);
    ASSERT_EQ(hostClasses.status(), S_OK);
    manager = suite::com::make<veska::host::HostProjectManager>();

    ComPtr<IClassFactory> factory;
    ASSERT_EQ(dll.get_class_object(CLSID_S_TARNIV18, __uuidof(IClassFactory), factory.put_void()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, __uuidof(ISuite), suite.put_void()), S_OK);
    manager->add_suite(suite);
    ASSERT_EQ(suite->SetManager(manager.get()), S_OK);

    project = manager->add_project(dir.file(L"proj.ext"));
    project->set_suite(suite);
    project->set_stable(true);
    ASSERT_TRUE(suite::test::write_file(dir.file(L"velc18.exe"), "stand-in"));
    for (size_t i = 0; i < tools.size(); ++i) {
        ASSERT_EQ(suite->GetTool(static_cast<unsigned long>(i), tools[i].put()), S_OK);
        ASSERT_EQ(tools[i]->SetLocation(dir.file(L"velc18.exe").c_str()), S_OK);
        ASSERT_EQ(tools[i]->CreateArgs(projectArgs[i].put(), 1), S_OK);
        project->set_project_tool_args(*kToolClasses[i], projectArgs[i]);
    }
    ComPtr<ISuiteArgs> suiteArgs;
    ASSERT_EQ(suite->CreateArgs(suiteArgs.put()), S_OK);
    project->set_suite_args(suiteArgs);

    manager->script().execute = stand_in_driver([this](const std::wstring& input, bool link) {
        return link ? linkFails : failingSources.count(input) != 0;
    });
}

void DriverTest::TearDown() {
    if (manager)
        manager->shutdown();
    // Every reference the build took to the module's objects was given back.
    projectArgs = {};
    tools = {};
    suite = nullptr;
    project = nullptr;
    manager = nullptr;
    EXPECT_EQ(dll.can_unload_now(), S_OK);
}

ComPtr<veska::host::HostProjectNode> DriverTest::add_source(const std::wstring& name,
                                                            const std::string& text) {
    EXPECT_TRUE(suite::test::write_file(dir.file(name), text));
    auto node = project->add_file(FCAT_SRC, dir.file(name));
    node->set_stable(true);
    return node;
}

HRESULT DriverTest::process(unsigned long command, std::vector<_NodeTag> inputs) {
    return suite->Process(command, inputs.data(), static_cast<unsigned long>(inputs.size()), project.get(),
                          manager.get());
}

std::vector<std::wstring> DriverTest::suite_messages() const {
    std::vector<std::wstring> texts;
    for (const auto& message : manager->build_messages())
        if (!message.tool && message.text.rfind(L"BUILD ", 0) != 0)
            texts.push_back(message.text);
    return texts;
}

std::vector<std::wstring> DriverTest::tool_messages() const {
    std::vector<std::wstring> texts;
    for (const auto& message : manager->build_messages())
        if (message.tool)
            texts.push_back(message.text);
    return texts;
}

std::wstring DriverTest::build_line() const {
    std::wstring line;
    for (const auto& message : manager->build_messages())
        if (!message.tool && message.text.rfind(L"BUILD ", 0) == 0)
            line = message.text;
    return line;
}

std::vector<GUID> DriverTest::runs() const {
    std::vector<GUID> classes;
    for (const auto& run : manager->executed())
        classes.push_back(run.request.tool.value_or(GUID_NULL));
    return classes;
}

} // namespace driver_test
