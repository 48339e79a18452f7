#include "page_fixture.h"

namespace pages_test {

void Sheet::run(std::initializer_list<Step> steps) const {
    for (const Step& step : steps) {
        bool done = false;
        switch (step.kind) {
        case Step::Category:
            done = driver->category(step.item);
            break;
        case Step::Click:
            done = driver->click(step.id);
            break;
        case Step::Select:
            done = driver->select(step.id, step.item);
            break;
        case Step::Type:
            done = driver->type(step.id, step.text);
            break;
        case Step::Macro:
            done = driver->macro(step.text);
            break;
        }
        ASSERT_TRUE(done) << driver->error();
    }
}

std::wstring Sheet::state(int id) const {
    // The category's control: the frame's share some ids and come first.
    const auto lines = driver->show();
    const std::wstring name = std::to_wstring(id);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (line->first == name)
            return line->second;
    return L"(no control " + name + L")";
}

PageTest::PageTest()
    : project(suite::com::make<veska::host::HostProject>(recorder)),
      node(suite::com::make<veska::host::HostProjectNode>(recorder)),
      display(suite::com::make<veska::host::HostDisplay>(recorder)) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

void PageTest::wire(IToolArgs* args, const wchar_t* text) const {
    args->SetProject(project.get());
    args->SetDisplay(display.get());
    if (text) {
        EXPECT_EQ(S_OK, args->SetCmdLine(text));
    }
}

Sheet PageTest::open(IUnknown* args) const {
    Sheet sheet;
    sheet.site = suite::com::make<veska::host::HostSheetSite>(recorder);
    ComPtr<IExtendSettingsSheet> pages;
    EXPECT_EQ(S_OK, args->QueryInterface(__uuidof(IExtendSettingsSheet), pages.put_void()));
    if (!pages)
        return sheet;
    EXPECT_EQ(S_OK, pages->CreatePages(sheet.site.get()));
    EXPECT_EQ(1u, sheet.site->pages().size());
    sheet.window = sheet.site->create_sheet(L"Options");
    EXPECT_TRUE(sheet.window);
    sheet.driver = std::make_unique<SheetDriver>(sheet.window.get());
    sheet.driver->pump();
    return sheet;
}

std::wstring PageTest::text_of(IToolArgs* args) {
    CoTaskString text;
    EXPECT_EQ(S_OK, args->GetCmdLine(text.put()));
    return text ? text.c_str() : L"(null)";
}

} // namespace pages_test
