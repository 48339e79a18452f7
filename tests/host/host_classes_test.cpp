// The host's creatable classes as the plug-in creates them, and the menus,
// toolbar and sheet site keeping what the plug-in adds.
#include "host_test_support.h"
#include "sheet_driver.h"

namespace veska::host {
namespace {

using suite::ComPtr;
using suite::CoTaskString;

constexpr DWORD kPluginContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

class HostClassesTest : public ::testing::Test {
protected:
    testing::ComApartment apartment_;
    std::shared_ptr<Recorder> recorder_ = std::make_shared<Recorder>();
};

TEST_F(HostClassesTest, EachLegacyWrapperKeepsTheClassItStandsFor) {
    const HostClassRegistration registration = register_host_classes(recorder_);
    ASSERT_EQ(S_OK, registration.status());
    const GUID legacyTool = testing::kToolA;
    const CLSID* wrappers[] = {&CLSID_LegacyWrapperDepth0, &CLSID_LegacyWrapperDepth1,
                               &CLSID_LegacyWrapperDepth2, &CLSID_LegacyWrapperDepth3};
    for (const CLSID* wrapper : wrappers) {
        ComPtr<ILegacyAlias> alias;
        ASSERT_EQ(S_OK,
                  CoCreateInstance(*wrapper, nullptr, kPluginContext, IID_ILegacyAlias, alias.put_void()));
        GUID answered = testing::kToolB;
        EXPECT_EQ(S_FALSE, alias->GetAlias(&answered)); // stands for nothing yet
        EXPECT_TRUE(IsEqualGUID(GUID_NULL, answered));
        ASSERT_EQ(S_OK, alias->SetAlias(&legacyTool));
        ASSERT_EQ(S_OK, alias->GetAlias(&answered));
        EXPECT_TRUE(IsEqualGUID(legacyTool, answered));

        // IPersist names the wrapper class; IUnknown is the same object.
        ComPtr<IPersist> persist = alias.as<IPersist>();
        ASSERT_TRUE(persist);
        CLSID own{};
        ASSERT_EQ(S_OK, persist->GetClassID(&own));
        EXPECT_TRUE(IsEqualCLSID(*wrapper, own));
        ComPtr<IUnknown> first = alias.as<IUnknown>(), second = persist.as<IUnknown>();
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(E_POINTER, alias->SetAlias(nullptr));
    }
    EXPECT_EQ(8u, recorder_->count("ILegacyAlias.SetAlias")); // four with a class, four without
}

TEST_F(HostClassesTest, NodeClassIsCreatableAsThePluginAsksForIt) {
    ComPtr<IProjectNode> node;
    {
        const HostClassRegistration registration = register_host_classes(recorder_);
        ASSERT_EQ(S_OK, registration.status());
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_HostProjectNode, nullptr, kPluginContext, IID_IProjectNode,
                                         node.put_void()));
        ASSERT_EQ(S_OK, node->SetLocation(L"C:\\w\\main.obj"));
        EXPECT_EQ(S_FALSE, node->IsStable()); // a new file has never been built
        ASSERT_EQ(S_OK, node->SetStable(1));
        EXPECT_EQ(S_OK, node->IsStable());
        EXPECT_EQ("IProjectNode.SetLocation(\"C:\\\\w\\\\main.obj\")", recorder_->calls()[0].line);
    }
    // Revoked with the registration; the object made before lives on.
    ComPtr<IProjectNode> late;
    EXPECT_TRUE(FAILED(
        CoCreateInstance(CLSID_HostProjectNode, nullptr, kPluginContext, IID_IProjectNode, late.put_void())));
    CoTaskString location;
    ASSERT_EQ(S_OK, node->GetLocation(location.put()));
    EXPECT_STREQ(L"C:\\w\\main.obj", location.get());
}

TEST_F(HostClassesTest, NodeArgumentsByClassAndIndexWithPurging) {
    auto node = suite::com::make<HostProjectNode>();
    auto kept = suite::com::make<testing::LinkedArgs>(L"-G", false);
    auto defaulted = suite::com::make<testing::LinkedArgs>(L"", true);
    GUID toolA = testing::kToolA, toolB = testing::kToolB;
    ASSERT_EQ(S_OK, node->InsertArgs(kept.get(), &toolA, nullptr));
    ASSERT_EQ(S_OK, node->InsertArgs(defaulted.get(), &toolB, nullptr));
    ComPtr<IToolArgs> args;
    ASSERT_EQ(S_OK, node->GetArgsByIndex(args.put(), 1));
    EXPECT_EQ(static_cast<IToolArgs*>(defaulted.get()), args.get());
    EXPECT_EQ(S_FALSE, node->GetArgsByIndex(args.put(), 2));
    ASSERT_EQ(S_OK, node->PurgeArgsIfDefault());
    EXPECT_EQ(S_FALSE, node->GetArgsByCLSID(args.put(), &toolB));
    ASSERT_EQ(S_OK, node->GetArgsByCLSID(args.put(), &toolA));
    EXPECT_EQ(static_cast<IToolArgs*>(kept.get()), args.get());
    ASSERT_EQ(S_OK, node->PurgeArgs());
    EXPECT_EQ(S_FALSE, node->GetArgsByCLSID(args.put(), &toolA));
}

_MENUITEM menu_item(long id, const wchar_t* name) {
    _MENUITEM item{};
    item.lCommandID = id;
    item.pszName = const_cast<wchar_t*>(name);
    return item;
}

TEST_F(HostClassesTest, MenuInsertsBeforeTheReferenceItemAndAppendsWithoutOne) {
    auto menu = suite::com::make<HostMenu>(recorder_);
    menu->add_host_item(100, L"Run");
    // A plug-in adds its items last first, each before the reference.
    _MENUITEM make = menu_item(60003, L"Make\tF10"), build = menu_item(60000, L"Build All\tCtrl+F10");
    build.HotKey.wKey = 10;
    build.HotKey.bModifier = 0x0A;
    ASSERT_EQ(S_OK, menu->InsertItemBeforeID(&build, 100));
    ASSERT_EQ(S_OK, menu->InsertItemBeforeID(&make, 100));
    // No item 0: the end of the menu, the same stacking.
    _MENUITEM assemble = menu_item(60001, L"Assemble"), compile = menu_item(60002, L"Compile");
    ASSERT_EQ(S_OK, menu->InsertItemBeforeID(&compile, 0));
    ASSERT_EQ(S_OK, menu->InsertItemBeforeID(&assemble, 0));
    EXPECT_EQ(E_INVALIDARG, menu->InsertItemBeforeID(&make, 100));

    std::vector<long> order;
    for (const MenuEntry& item : menu->items())
        order.push_back(item.id);
    EXPECT_EQ((std::vector<long>{60003, 60000, 100, 60001, 60002}), order);
    EXPECT_EQ(L"Build All\tCtrl+F10", menu->items()[1].name);
    EXPECT_EQ(0x0A, menu->items()[1].hotKeyModifier);
    EXPECT_EQ("IMenu.InsertItemBeforeID(id=60000, before=100, name=\"Build All\\tCtrl+F10\")",
              recorder_->calls()[0].line);

    ASSERT_EQ(S_OK, menu->SetItemState(60000, 1));
    long state = 0;
    ASSERT_EQ(S_OK, menu->GetItemState(60000, &state));
    EXPECT_EQ(1, state);
    ASSERT_EQ(S_OK, menu->RemoveItem(60000));
    EXPECT_EQ(nullptr, menu->find(60000));
    EXPECT_EQ(E_INVALIDARG, menu->RemoveItem(60000));
    EXPECT_EQ(E_INVALIDARG, menu->SetItemState(60000, 0));
}

TEST_F(HostClassesTest, ToolbarKeepsBitmapSizesControlsAndStates) {
    auto toolbar = suite::com::make<HostToolbar>(recorder_);
    HBITMAP small = CreateBitmap(32, 15, 1, 4, nullptr);
    HBITMAP large = CreateBitmap(32, 15, 1, 4, nullptr);
    ASSERT_EQ(S_OK, toolbar->AddBitmap(2, small, large, 0xC0C0C0));
    // The plug-in frees its bitmaps right after: the toolbar keeps no handle.
    DeleteObject(small);
    DeleteObject(large);
    ASSERT_EQ(1u, toolbar->bitmaps().size());
    EXPECT_EQ(32, toolbar->bitmaps()[0].smallSize.cx);
    EXPECT_EQ(15, toolbar->bitmaps()[0].smallSize.cy);
    EXPECT_EQ(2u, toolbar->image_count());
    EXPECT_EQ(E_INVALIDARG, toolbar->AddBitmap(2, nullptr, nullptr, 0));
    EXPECT_EQ("IToolbar.AddBitmap(count=2, mask=0xC0C0C0)", recorder_->calls()[0].line);

    _TOOLBARCONTROL separator{};
    separator.lCommandID = 0xF21B;
    separator.fStyle = 5;
    _TOOLBARCONTROL make{};
    make.lCommandID = 60003;
    make.pszTooltipText = const_cast<wchar_t*>(L"Make");
    ASSERT_EQ(S_OK, toolbar->AddControl(&separator));
    ASSERT_EQ(S_OK, toolbar->AddControl(&make));
    ASSERT_EQ(2u, toolbar->controls().size());
    EXPECT_EQ(L"Make", toolbar->controls()[1].tooltip);
    ASSERT_EQ(S_OK, toolbar->SetItemState(60003, 1));
    EXPECT_EQ(1, toolbar->find(60003)->state);
    ASSERT_EQ(S_OK, toolbar->RemoveControl(0xF21B));
    EXPECT_EQ(E_INVALIDARG, toolbar->RemoveControl(0xF21B));
    EXPECT_EQ(1u, toolbar->controls().size());
}

// A page from an in-memory template that notes when the sheet applies.
struct PageProbe {
    static inline int applied = 0;
    static INT_PTR CALLBACK procedure(HWND, UINT message, WPARAM, LPARAM lParam) {
        if (message == WM_INITDIALOG)
            return TRUE;
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(PSN_APPLY)) {
            ++applied;
            return TRUE;
        }
        return FALSE;
    }
    static HPROPSHEETPAGE create() {
        alignas(4) static WORD templateWords[32] = {};
        auto* dialog = reinterpret_cast<DLGTEMPLATE*>(templateWords);
        dialog->style = WS_CHILD | DS_CONTROL;
        dialog->cx = 100;
        dialog->cy = 50; // no menu, default class, empty title: the zero words that follow
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_DLGINDIRECT;
        page.pResource = dialog;
        page.pfnDlgProc = &procedure;
        return CreatePropertySheetPageW(&page);
    }
};

TEST_F(HostClassesTest, SheetSiteKeepsPagesAndShowsThemAsAWorkingSheet) {
    auto site = suite::com::make<HostSheetSite>(recorder_);
    HPROPSHEETPAGE page = PageProbe::create();
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(E_POINTER, site->AddPages(1, nullptr));
    HPROPSHEETPAGE none = nullptr;
    EXPECT_EQ(E_INVALIDARG, site->AddPages(1, &none));
    ASSERT_EQ(S_OK, site->AddPages(1, &page));
    ASSERT_EQ(1u, site->pages().size());

    PropertySheetWindow sheet = site->create_sheet(L"Options");
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(site->pages().empty()); // the sheet owns the page now
    SheetDriver driver(sheet.get());
    EXPECT_NE(nullptr, driver.page());
    const int before = PageProbe::applied;
    ASSERT_TRUE(driver.apply());
    EXPECT_EQ(before + 1, PageProbe::applied);
}

} // namespace
} // namespace veska::host
