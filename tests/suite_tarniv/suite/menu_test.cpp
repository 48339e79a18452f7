// The build commands in the host's menus and toolbar, driven through the
// stand-in host, which keeps what the suite put into them.
#include "suite_fixture.h"

#include <gtest/gtest.h>

namespace suite_test {
namespace {

using veska::host::HostMenu;
using veska::host::HostToolbar;
using veska::host::ProcessRequest;

class MenuTest : public SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        suite = new_suite();
        suite->SetManager(host.get());
        ASSERT_EQ(S_OK, suite->GetMainCmds(&mainMenu));
        ASSERT_EQ(S_OK, suite->GetProjectCmds(&projectMenu));
        ASSERT_EQ(S_OK, suite->GetFileCmds(&fileMenu));
        // The host's Process as it reaches the suite, without building.
        host->script().process = [this](const ProcessRequest& request) {
            requests.push_back(request);
            return S_OK;
        };
        menu->add_host_item(100, L"Open");
        menu->add_host_item(500, L"Tools");
    }

    static std::vector<long> ids_of(const HostMenu& menu) {
        std::vector<long> ids;
        for (const auto& item : menu.items())
            ids.push_back(item.id);
        return ids;
    }

    // The one request Process received, with its single input.
    const ProcessRequest& only_request() {
        EXPECT_EQ(1u, requests.size());
        EXPECT_EQ(1u, requests.at(0).inputs.size());
        return requests.at(0);
    }

    CS_TARNIV* suite = nullptr;
    // Members of the suite: not counted, so plain pointers.
    IExtendMenu* mainMenu = nullptr;
    IExtendMenu* projectMenu = nullptr;
    IExtendMenu* fileMenu = nullptr;
    std::vector<ProcessRequest> requests;
    ComPtr<HostMenu> menu = suite::com::make<HostMenu>(host->recorder());
    ComPtr<HostToolbar> toolbar = suite::com::make<HostToolbar>(host->recorder());
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

TEST_F(MenuTest, ItemsAreInsertedLastFirstWithEveryField) {
    auto recording = suite::com::make<FakeMenu>();
    suite->SetMainMenuInsertionPoint(500);
    ASSERT_EQ(S_OK, mainMenu->AddMenuItems(recording.get()));

    ASSERT_EQ(2u, recording->inserted.size());
    EXPECT_EQ((std::vector<long>{500, 500}), recording->insertedBefore);
    const FakeMenu::Item& buildAll = recording->inserted[0];
    EXPECT_EQ(60000, buildAll.commandId);
    EXPECT_EQ(L"Build All\tCtrl+F10", buildAll.name);
    EXPECT_EQ(10, buildAll.hotKey);
    EXPECT_EQ(0x0A, buildAll.hotKeyModifier);
    const FakeMenu::Item& make = recording->inserted[1];
    EXPECT_EQ(60003, make.commandId);
    EXPECT_EQ(L"Make\tF10", make.name);
    EXPECT_EQ(10, make.hotKey);
    EXPECT_EQ(0x08, make.hotKeyModifier);
    for (const FakeMenu::Item& item : recording->inserted) {
        EXPECT_EQ(static_cast<long>(0x80004001), item.insertionPointField);
        EXPECT_EQ(0, item.flags);
        EXPECT_EQ(1, item.specialFlags);
        EXPECT_EQ(0, item.state);
        EXPECT_EQ(L"<null>", item.statusBarText);
    }

    auto fileRecording = suite::com::make<FakeMenu>();
    fileMenu->AddMenuItems(fileRecording.get());
    // No insertion point set for the file menu: before command id 0.
    EXPECT_EQ((std::vector<long>{0, 0}), fileRecording->insertedBefore);
    ASSERT_EQ(2u, fileRecording->inserted.size());
    EXPECT_EQ(L"Compile", fileRecording->inserted[0].name);
    EXPECT_EQ(L"Assemble", fileRecording->inserted[1].name);
    for (const FakeMenu::Item& item : fileRecording->inserted) {
        EXPECT_EQ(0, item.specialFlags);
        EXPECT_EQ(0, item.hotKey);
        EXPECT_EQ(0, item.hotKeyModifier);
    }
}

TEST_F(MenuTest, EachMenuShowsItsItemsInFrontOfItsOwnInsertionPoint) {
    suite->SetMainMenuInsertionPoint(500);
    suite->SetProjectMenuInsertionPoint(100);
    ASSERT_EQ(S_OK, mainMenu->AddMenuItems(menu.get()));
    EXPECT_EQ((std::vector<long>{100, 60003, 60000, 500}), ids_of(*menu.get()));

    auto projectHostMenu = suite::com::make<HostMenu>();
    projectHostMenu->add_host_item(100, L"Close");
    projectMenu->AddMenuItems(projectHostMenu.get());
    EXPECT_EQ((std::vector<long>{60003, 60000, 100}), ids_of(*projectHostMenu.get()));

    recorder().clear();
    ASSERT_EQ(S_OK, mainMenu->RemoveMenuItems(menu.get()));
    EXPECT_EQ((std::vector<long>{100, 500}), ids_of(*menu.get()));
    EXPECT_EQ((std::vector<std::string>{"IMenu.RemoveItem(id=60000)", "IMenu.RemoveItem(id=60003)"}),
              recorder().lines());
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
    host->set_active_project(2);
    const ULONG projectHeld = ref_count(project(2));
    ASSERT_EQ(S_OK, mainMenu->Command(menu.get(), CMD_MAKE));
    const ProcessRequest& request = only_request();
    EXPECT_EQ(60003u, request.command);
    expect_tag(request.inputs.at(0), 2, -1, -1);
    EXPECT_EQ(project(2), request.project);
    // The project reference is given back.
    EXPECT_EQ(projectHeld, ref_count(project(2)));
}

TEST_F(MenuTest, MainMenuWithoutAnActiveProjectDoesNothing) {
    host->set_active_project(-1);
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_BUILD_ALL));
    host->set_active_project(1);
    recorder().inject("IProjectManager.GetActiveProjectIndex", E_UNEXPECTED);
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_BUILD_ALL));
    EXPECT_TRUE(requests.empty());
}

TEST_F(MenuTest, ProjectMenuNeedsASelectedProject) {
    host->display().select({1, FCAT_SRC, -1});
    ASSERT_EQ(S_OK, projectMenu->Command(nullptr, CMD_BUILD_ALL));
    const ProcessRequest& request = only_request();
    EXPECT_EQ(60000u, request.command);
    expect_tag(request.inputs.at(0), 1, FCAT_SRC, -1);
    EXPECT_EQ(project(1), request.project);

    host->display().select_nothing();
    EXPECT_EQ(E_FAIL, projectMenu->Command(nullptr, CMD_BUILD_ALL));
    EXPECT_EQ(1u, requests.size());
}

TEST_F(MenuTest, FileCommandsNeedASelectedFile) {
    host->display().select({0, FCAT_SRC, 3});
    ASSERT_EQ(S_OK, fileMenu->Command(nullptr, CMD_ASSEMBLE));
    const ProcessRequest& request = only_request();
    EXPECT_EQ(60001u, request.command);
    expect_tag(request.inputs.at(0), 0, FCAT_SRC, 3);
    EXPECT_EQ(project(0), request.project);

    // A project node is selected but no file.
    host->display().select({0, -1, -1});
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    // The main menu treats file commands the same way: no active project used.
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_EQ(1u, requests.size());
}

TEST_F(MenuTest, CommandFailsWithoutDisplayManagerOrProject) {
    host->display().select({0, FCAT_SRC, 0});
    recorder().inject("IProjectManager.GetDisplay", E_UNEXPECTED);
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_EQ(E_FAIL, projectMenu->Command(nullptr, CMD_MAKE));
    recorder().clear_injections();

    // A selection that names a project the manager does not have.
    host->display().select({7, FCAT_SRC, 0});
    EXPECT_EQ(E_FAIL, fileMenu->Command(nullptr, CMD_COMPILE));
    EXPECT_EQ(0u, recorder().count("Process"));

    suite->SetManager(nullptr);
    EXPECT_EQ(E_FAIL, mainMenu->Command(nullptr, CMD_MAKE));
}

TEST_F(MenuTest, TheHostsProcessResultIsNotPassedOn) {
    host->script().process = [](const ProcessRequest&) { return E_FAIL; };
    EXPECT_EQ(S_OK, mainMenu->Command(nullptr, CMD_MAKE));
    EXPECT_EQ(1u, recorder().count("Process"));
}

TEST_F(MenuTest, ItemsAndButtonsShowWhetherABuildIsUnderway) {
    suite->AddControls(toolbar.get());
    mainMenu->AddMenuItems(menu.get());
    fileMenu->AddMenuItems(menu.get());

    host->SetBuildIsUnderway(1);
    EXPECT_EQ(S_OK, mainMenu->UpdateDisplay(menu.get(), CMD_MAKE));
    fileMenu->UpdateDisplay(menu.get(), CMD_COMPILE);
    EXPECT_EQ(S_OK, suite->UpdateDisplay(toolbar.get(), CMD_BUILD_ALL));
    EXPECT_EQ(1, menu->find(CMD_MAKE)->state);
    EXPECT_EQ(1, menu->find(CMD_COMPILE)->state);
    EXPECT_EQ(1, toolbar->find(CMD_BUILD_ALL)->state);

    host->SetBuildIsUnderway(0);
    mainMenu->UpdateDisplay(menu.get(), CMD_MAKE);
    suite->UpdateDisplay(toolbar.get(), CMD_BUILD_ALL);
    EXPECT_EQ(0, menu->find(CMD_MAKE)->state);
    EXPECT_EQ(0, toolbar->find(CMD_BUILD_ALL)->state);

    // Without a manager nothing can be underway.
    host->SetBuildIsUnderway(1);
    suite->SetManager(nullptr);
    projectMenu->UpdateDisplay(menu.get(), CMD_COMPILE);
    EXPECT_EQ(0, menu->find(CMD_COMPILE)->state);
}

TEST_F(MenuTest, ToolbarControlsAreASeparatorAndTwoButtons) {
    ASSERT_EQ(S_OK, suite->AddControls(toolbar.get()));
    const auto& controls = toolbar->controls();
    ASSERT_EQ(3u, controls.size());
    const auto& separator = controls[0];
    EXPECT_EQ(0xF21B, separator.id);
    EXPECT_EQ(5, separator.style);
    EXPECT_EQ(0, separator.flags);
    EXPECT_EQ(L"", separator.tooltip);
    EXPECT_EQ(L"", separator.statusText);

    const auto& make = controls[1];
    EXPECT_EQ(60003, make.id);
    EXPECT_EQ(0, make.flags); // image base 0 before any bitmap was added
    EXPECT_EQ(L"Make", make.tooltip);
    EXPECT_EQ(L"Build only those files that are out of date, link, and load.", make.statusText);
    const auto& buildAll = controls[2];
    EXPECT_EQ(60000, buildAll.id);
    EXPECT_EQ(1, buildAll.flags);
    EXPECT_EQ(L"Build All", buildAll.tooltip);
    EXPECT_EQ(L"Build all source files, link, and load.", buildAll.statusText);
    for (const auto& control : controls) {
        EXPECT_EQ(0, control.insertionPoint);
        EXPECT_EQ(0, control.state);
        EXPECT_EQ(0, control.width);
    }
    EXPECT_EQ(0, make.style);
    EXPECT_EQ(0, buildAll.style);
}

TEST_F(MenuTest, ToolbarControlsGoMakeBuildAllThenTheSeparator) {
    ASSERT_EQ(S_OK, suite->AddControls(toolbar.get()));
    host->recorder()->clear();
    ASSERT_EQ(S_OK, suite->RemoveControls(toolbar.get()));
    std::vector<std::string> removed;
    for (const auto& call : host->recorder()->calls_of("IToolbar.RemoveControl"))
        removed.push_back(call.arguments);
    EXPECT_EQ((std::vector<std::string>{"id=60003", "id=60000", "id=61979"}), removed);
    EXPECT_TRUE(toolbar->controls().empty());
}

TEST_F(MenuTest, ToolbarCommandIsTheMainMenuCommand) {
    host->set_active_project(1);
    ASSERT_EQ(S_OK, suite->Command(0, CMD_MAKE, 0));
    ASSERT_EQ(S_OK, mainMenu->Command(nullptr, CMD_MAKE));
    ASSERT_EQ(2u, requests.size());
    for (const auto& request : requests) {
        EXPECT_EQ(60003u, request.command);
        expect_tag(request.inputs.at(0), 1, -1, -1);
        EXPECT_EQ(project(1), request.project);
    }
    host->set_active_project(-1);
    EXPECT_EQ(E_FAIL, suite->Command(0, CMD_BUILD_ALL, 0));
}

} // namespace
} // namespace suite_test
