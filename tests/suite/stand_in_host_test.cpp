// The suite's menus and toolbar driven by the stand-in VESKA host, as the
// host keeps them.
#include "suite_fixture.h"
#include "veska_host.h"

#include <gtest/gtest.h>

#include <vector>

namespace suite_test {
namespace {

using veska::host::HostMenu;
using veska::host::HostProjectManager;
using veska::host::HostToolbar;
using veska::host::ProcessRequest;

class StandInHostTest : public SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        suite = new_suite();
        suite->SetManager(host.get());
        host->add_project(L"C:\\work\\first.prj");
        host->add_project(L"C:\\work\\second.prj");
        host->script().process = [this](const ProcessRequest& request) {
            requests.push_back(request);
            return S_OK;
        };
    }
    void TearDown() override {
        SuiteTest::TearDown();
        host->shutdown();
    }

    static std::vector<long> ids_of(const HostMenu& menu) {
        std::vector<long> ids;
        for (const auto& item : menu.items())
            ids.push_back(item.id);
        return ids;
    }

    ComPtr<HostProjectManager> host = suite::com::make<HostProjectManager>();
    std::vector<ProcessRequest> requests;
    CS_TARNIV* suite = nullptr;
};

TEST_F(StandInHostTest, MenuItemsShowInTableOrderInFrontOfTheInsertionPoint) {
    auto menu = suite::com::make<HostMenu>();
    menu->add_host_item(100, L"Open");
    menu->add_host_item(500, L"Tools");
    suite->SetMainMenuInsertionPoint(500);
    IExtendMenu* mainMenu = nullptr;
    ASSERT_EQ(S_OK, suite->GetMainCmds(&mainMenu));

    ASSERT_EQ(S_OK, mainMenu->AddMenuItems(menu.get()));
    EXPECT_EQ((std::vector<long>{100, 60003, 60000, 500}), ids_of(*menu.get()));
    EXPECT_EQ(L"Make\tF10", menu->find(60003)->name);
    EXPECT_EQ(0x0A, menu->find(60000)->hotKeyModifier);

    host->SetBuildIsUnderway(1);
    mainMenu->UpdateDisplay(menu.get(), 60000);
    EXPECT_EQ(1, menu->find(60000)->state);

    ASSERT_EQ(S_OK, mainMenu->RemoveMenuItems(menu.get()));
    EXPECT_EQ((std::vector<long>{100, 500}), ids_of(*menu.get()));
}

TEST_F(StandInHostTest, CommandsReachTheHostWithTheirProjectAndSelection) {
    IExtendMenu* mainMenu = nullptr;
    IExtendMenu* fileMenu = nullptr;
    suite->GetMainCmds(&mainMenu);
    suite->GetFileCmds(&fileMenu);

    host->set_active_project(1);
    ASSERT_EQ(S_OK, mainMenu->Command(nullptr, CMD_MAKE));
    host->display().select({0, FCAT_SRC, 2});
    ASSERT_EQ(S_OK, fileMenu->Command(nullptr, CMD_COMPILE));
    host->display().select({0, -1, -1});
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_ASSEMBLE));

    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(60003u, requests[0].command);
    ASSERT_EQ(1u, requests[0].inputs.size());
    EXPECT_EQ(1, requests[0].inputs[0].project);
    EXPECT_EQ(-1, requests[0].inputs[0].folder);
    EXPECT_EQ(static_cast<IProject*>(host->projects()[1].get()), requests[0].project);

    EXPECT_EQ(60002u, requests[1].command);
    ASSERT_EQ(1u, requests[1].inputs.size());
    EXPECT_EQ(FCAT_SRC, requests[1].inputs[0].folder);
    EXPECT_EQ(2, requests[1].inputs[0].file);
    EXPECT_EQ(static_cast<IProject*>(host->projects()[0].get()), requests[1].project);
    EXPECT_EQ(2u, host->recorder()->count("Process"));
}

TEST_F(StandInHostTest, ToolbarControlsComeAndGo) {
    auto toolbar = suite::com::make<HostToolbar>();
    ASSERT_EQ(S_OK, suite->AddControls(toolbar.get()));
    ASSERT_EQ(3u, toolbar->controls().size());
    EXPECT_EQ(0xF21B, toolbar->controls()[0].id);
    EXPECT_EQ(5, toolbar->controls()[0].style);
    EXPECT_EQ(L"Make", toolbar->find(60003)->tooltip);
    EXPECT_EQ(L"Build all source files, link, and load.", toolbar->find(60000)->statusText);

    host->SetBuildIsUnderway(1);
    suite->UpdateDisplay(toolbar.get(), 60003);
    EXPECT_EQ(1, toolbar->find(60003)->state);
    host->SetBuildIsUnderway(0);
    suite->UpdateDisplay(toolbar.get(), 60003);
    EXPECT_EQ(0, toolbar->find(60003)->state);

    ASSERT_EQ(S_OK, suite->RemoveControls(toolbar.get()));
    EXPECT_TRUE(toolbar->controls().empty());
}

} // namespace
} // namespace suite_test
