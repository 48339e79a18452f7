// The build commands in the host's menus and toolbar, as the stand-in host
// records the suite's calls.
#include "suite_fixture.h"

#include <gtest/gtest.h>

namespace suite_test {
namespace {

class MenuTest : public SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        suite = new_suite();
        suite->SetManager(manager.get());
        ASSERT_EQ(S_OK, suite->GetMainCmds(&mainMenu));
        ASSERT_EQ(S_OK, suite->GetProjectCmds(&projectMenu));
        ASSERT_EQ(S_OK, suite->GetFileCmds(&fileMenu));
    }

    const FakeManager::ProcessCall& only_process_call() {
        EXPECT_EQ(1u, manager->processCalls.size());
        return manager->processCalls.at(0);
    }

    CS_TARNIV* suite = nullptr;
    // Members of the suite: not counted, so plain pointers.
    IExtendMenu* mainMenu = nullptr;
    IExtendMenu* projectMenu = nullptr;
    IExtendMenu* fileMenu = nullptr;
    ComPtr<FakeMenu> menu = suite::com::make<FakeMenu>();
    ComPtr<FakeToolbar> toolbar = suite::com::make<FakeToolbar>();
};

void expect_tag(const _NodeTag& tag, int project, int folder, int file) {
    EXPECT_EQ(project, tag.project);
    EXPECT_EQ(folder, tag.folder);
    EXPECT_EQ(file, tag.file);
}

TEST_F(MenuTest, MembersAreUncountedAndAnswerOnlyExtendMenu) {
    EXPECT_NE(mainMenu, projectMenu);
    EXPECT_NE(projectMenu, fileMenu);
    IExtendMenu* again = nullptr;
    suite->GetMainCmds(&again);
    EXPECT_EQ(mainMenu, again);

    for (IExtendMenu* member : {mainMenu, projectMenu, fileMenu}) {
        EXPECT_EQ(1u, member->AddRef());
        EXPECT_EQ(1u, member->Release());
        void* out = nullptr;
        EXPECT_EQ(S_OK, member->QueryInterface(IID_IExtendMenu, &out));
        EXPECT_EQ(static_cast<void*>(member), out);
        for (REFIID iid : {IID_IUnknown, IID_ISuite, IID_IExtendToolbar}) {
            out = reinterpret_cast<void*>(1);
            EXPECT_EQ(E_NOINTERFACE, member->QueryInterface(iid, &out));
            EXPECT_EQ(nullptr, out);
        }
    }
}

std::vector<long> inserted_ids(const FakeMenu& menu) {
    std::vector<long> ids;
    for (const FakeMenu::Item& item : menu.inserted)
        ids.push_back(item.commandId);
    return ids;
}

TEST_F(MenuTest, MainMenuItemsGoLastFirstBeforeTheInsertionPoint) {
    suite->SetMainMenuInsertionPoint(500);
    ASSERT_EQ(S_OK, mainMenu->AddMenuItems(menu.get()));

    EXPECT_EQ((std::vector<long>{60000, 60003}), inserted_ids(*menu.get()));
    EXPECT_EQ((std::vector<long>{500, 500}), menu->insertedBefore);

    const FakeMenu::Item& buildAll = menu->inserted[0];
    EXPECT_EQ(60000, buildAll.commandId);
    EXPECT_EQ(L"Build All\tCtrl+F10", buildAll.name);
    EXPECT_EQ(10, buildAll.hotKey);
    EXPECT_EQ(0x0A, buildAll.hotKeyModifier);
    const FakeMenu::Item& make = menu->inserted[1];
    EXPECT_EQ(60003, make.commandId);
    EXPECT_EQ(L"Make\tF10", make.name);
    EXPECT_EQ(10, make.hotKey);
    EXPECT_EQ(0x08, make.hotKeyModifier);
    for (const FakeMenu::Item& item : menu->inserted) {
        EXPECT_EQ(static_cast<long>(0x80004001), item.insertionPointField);
        EXPECT_EQ(0, item.flags);
        EXPECT_EQ(1, item.specialFlags);
        EXPECT_EQ(0, item.state);
        EXPECT_EQ(L"<null>", item.statusBarText);
    }
}

TEST_F(MenuTest, EachMenuHasItsOwnInsertionPointAndItems) {
    suite->SetMainMenuInsertionPoint(11);
    suite->SetProjectMenuInsertionPoint(22);
    suite->SetFileMenuInsertionPoint(33);

    auto projectHost = suite::com::make<FakeMenu>();
    projectMenu->AddMenuItems(projectHost.get());
    EXPECT_EQ((std::vector<long>{22, 22}), projectHost->insertedBefore);
    EXPECT_EQ((std::vector<long>{60000, 60003}), inserted_ids(*projectHost.get()));
    EXPECT_EQ(1, projectHost->inserted[0].specialFlags);

    auto fileHost = suite::com::make<FakeMenu>();
    fileMenu->AddMenuItems(fileHost.get());
    EXPECT_EQ((std::vector<long>{33, 33}), fileHost->insertedBefore);
    EXPECT_EQ((std::vector<long>{60002, 60001}), inserted_ids(*fileHost.get()));
    EXPECT_EQ(L"Compile", fileHost->inserted[0].name);
    EXPECT_EQ(L"Assemble", fileHost->inserted[1].name);
    for (const FakeMenu::Item& item : fileHost->inserted) {
        EXPECT_EQ(0, item.specialFlags);
        EXPECT_EQ(0, item.hotKey);
        EXPECT_EQ(0, item.hotKeyModifier);
    }
}

TEST_F(MenuTest, ItemsGoBeforeIdZeroUntilAnInsertionPointIsSet) {
    fileMenu->AddMenuItems(menu.get());
    EXPECT_EQ((std::vector<long>{0, 0}), menu->insertedBefore);
}

TEST_F(MenuTest, RemoveMenuItemsInReverseOrder) {
    ASSERT_EQ(S_OK, mainMenu->RemoveMenuItems(menu.get()));
    ASSERT_EQ(S_OK, fileMenu->RemoveMenuItems(menu.get()));
    EXPECT_EQ((std::vector<long>{60000, 60003, 60002, 60001}), menu->removed);
}

TEST_F(MenuTest, MissingMenuOrToolbarIsRefused) {
    for (IExtendMenu* member : {mainMenu, projectMenu, fileMenu}) {
        EXPECT_EQ(E_POINTER, member->AddMenuItems(nullptr));
        EXPECT_EQ(E_POINTER, member->RemoveMenuItems(nullptr));
        EXPECT_EQ(E_POINTER, member->UpdateDisplay(nullptr, CMD_MAKE));
    }
    EXPECT_EQ(E_POINTER, suite->AddControls(nullptr));
    EXPECT_EQ(E_POINTER, suite->RemoveControls(nullptr));
    EXPECT_EQ(E_POINTER, suite->UpdateDisplay(nullptr, CMD_MAKE));
}

TEST_F(MenuTest, MainMenuBuildsTheActiveProject) {
    manager->activeProject = 2;
    ASSERT_EQ(S_OK, mainMenu->Command(menu.get(), CMD_MAKE));
    const auto& call = only_process_call();
    EXPECT_EQ(60003u, call.command);
    expect_tag(call.tag, 2, -1, -1);
    EXPECT_EQ(1u, call.inputCount);
    EXPECT_EQ(static_cast<IProject*>(manager->projects[2].get()), call.project);
    EXPECT_EQ(nullptr, call.manager);
    // Project and display references are given back.
    EXPECT_EQ(1u, ref_count(manager->projects[2].get()));
    EXPECT_EQ(1u, ref_count(manager->display.get()));
}

TEST_F(MenuTest, MainMenuWithoutAnActiveProjectDoesNothing) {
    manager->activeProject = -1;
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_BUILD_ALL));
    manager->activeProject = 1;
    manager->activeProjectResult = E_UNEXPECTED;
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_BUILD_ALL));
    EXPECT_TRUE(manager->processCalls.empty());
}

TEST_F(MenuTest, ProjectMenuNeedsASelectedProject) {
    manager->display->currentTag = {1, FCAT_SRC, -1};
    ASSERT_EQ(S_OK, projectMenu->Command(nullptr, CMD_BUILD_ALL));
    const auto& call = only_process_call();
    EXPECT_EQ(60000u, call.command);
    expect_tag(call.tag, 1, FCAT_SRC, -1);
    EXPECT_EQ(static_cast<IProject*>(manager->projects[1].get()), call.project);
    EXPECT_EQ(1u, ref_count(manager->display.get()));

    manager->display->currentTag = {-1, -1, -1};
    EXPECT_EQ(E_FAIL, projectMenu->Command(nullptr, CMD_BUILD_ALL));
    EXPECT_EQ(1u, manager->processCalls.size());
}

TEST_F(MenuTest, FileCommandsNeedASelectedFile) {
    manager->display->currentTag = {0, FCAT_SRC, 3};
    ASSERT_EQ(S_OK, fileMenu->Command(nullptr, CMD_ASSEMBLE));
    const auto& call = only_process_call();
    EXPECT_EQ(60001u, call.command);
    expect_tag(call.tag, 0, FCAT_SRC, 3);
    EXPECT_EQ(static_cast<IProject*>(manager->projects[0].get()), call.project);

    // A project node is selected but no file.
    manager->display->currentTag = {0, -1, -1};
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    // The main menu treats file commands the same way: no active project used.
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_EQ(1u, manager->processCalls.size());
}

TEST_F(MenuTest, CommandFailsWithoutDisplayManagerOrProject) {
    manager->display->currentTag = {0, FCAT_SRC, 0};
    manager->displayResult = E_UNEXPECTED;
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_EQ(E_FAIL, projectMenu->Command(nullptr, CMD_MAKE));
    manager->displayResult = S_OK;

    // A selection that names a project the manager does not have.
    manager->display->currentTag = {7, FCAT_SRC, 0};
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_TRUE(manager->processCalls.empty());

    suite->SetManager(nullptr);
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_MAKE));
}

TEST_F(MenuTest, TheHostsProcessResultIsNotPassedOn) {
    manager->processResult = E_FAIL;
    EXPECT_EQ(S_OK, mainMenu->Command(nullptr, CMD_MAKE));
    EXPECT_EQ(1u, manager->processCalls.size());
}

TEST_F(MenuTest, ItemsAndButtonsShowWhetherABuildIsUnderway) {
    manager->buildIsUnderway = S_OK;
    EXPECT_EQ(S_OK, mainMenu->UpdateDisplay(menu.get(), CMD_MAKE));
    EXPECT_EQ(S_OK, suite->UpdateDisplay(toolbar.get(), CMD_BUILD_ALL));
    manager->buildIsUnderway = S_FALSE;
    fileMenu->UpdateDisplay(menu.get(), CMD_COMPILE);
    suite->UpdateDisplay(toolbar.get(), CMD_MAKE);
    // A failing answer is not "underway" either.
    manager->buildIsUnderway = E_FAIL;
    projectMenu->UpdateDisplay(menu.get(), CMD_BUILD_ALL);

    EXPECT_EQ((std::vector<std::pair<long, long>>{{60003, 1}, {60002, 0}, {60000, 0}}), menu->states);
    EXPECT_EQ((std::vector<std::pair<unsigned, long>>{{60000, 1}, {60003, 0}}), toolbar->states);
}

TEST_F(MenuTest, ToolbarControlsAreASeparatorAndTwoButtons) {
    ASSERT_EQ(S_OK, suite->AddControls(toolbar.get()));
    ASSERT_EQ(3u, toolbar->added.size());
    const FakeToolbar::Control& separator = toolbar->added[0];
    EXPECT_EQ(0xF21B, separator.commandId);
    EXPECT_EQ(5, separator.style);
    EXPECT_EQ(0, separator.flags);
    EXPECT_EQ(0, separator.insertionPoint);
    EXPECT_EQ(0, separator.state);
    EXPECT_EQ(0, separator.width);
    EXPECT_EQ(L"<null>", separator.tooltip);
    EXPECT_EQ(L"<null>", separator.statusBarText);

    const FakeToolbar::Control& make = toolbar->added[1];
    EXPECT_EQ(60003, make.commandId);
    EXPECT_EQ(0, make.flags); // image base 0 before any bitmap was added
    EXPECT_EQ(L"Make", make.tooltip);
    EXPECT_EQ(L"Build only those files that are out of date, link, and load.", make.statusBarText);
    const FakeToolbar::Control& buildAll = toolbar->added[2];
    EXPECT_EQ(60000, buildAll.commandId);
    EXPECT_EQ(1, buildAll.flags);
    EXPECT_EQ(L"Build All", buildAll.tooltip);
    EXPECT_EQ(L"Build all source files, link, and load.", buildAll.statusBarText);
    for (const auto* button : {&make, &buildAll}) {
        EXPECT_EQ(0, button->style);
        EXPECT_EQ(0, button->state);
        EXPECT_EQ(0, button->insertionPoint);
        EXPECT_EQ(0, button->width);
    }

    ASSERT_EQ(S_OK, suite->RemoveControls(toolbar.get()));
    EXPECT_EQ((std::vector<unsigned>{60003, 60000, 0xF21B}), toolbar->removed);
}

TEST_F(MenuTest, ToolbarCommandIsTheMainMenuCommand) {
    manager->activeProject = 1;
    ASSERT_EQ(S_OK, suite->Command(0, CMD_MAKE, 0));
    ASSERT_EQ(S_OK, mainMenu->Command(nullptr, CMD_MAKE));
    ASSERT_EQ(2u, manager->processCalls.size());
    for (const auto& call : manager->processCalls) {
        EXPECT_EQ(60003u, call.command);
        expect_tag(call.tag, 1, -1, -1);
        EXPECT_EQ(static_cast<IProject*>(manager->projects[1].get()), call.project);
    }
    manager->activeProject = -1;
    EXPECT_EQ(E_FAIL, suite->Command(0, CMD_BUILD_ALL, 0));
}

} // namespace
} // namespace suite_test
