// The option pages on a real property sheet: argument objects wired to the
// stand-in host's project, node and display (which record every call), their
// pages created through CreatePages and shown modeless, worked with real
// messages through the host's sheet driver.
#pragma once

#include "cta_tarniv.h"
#include "csa_tarniv.h"
#include "host_manager.h"
#include "host_node.h"
#include "host_project.h"
#include "host_ui.h"
#include "sheet_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <string>

namespace pages_test {

using suite::ComPtr;
using suite::CoTaskString;
using veska::host::SheetDriver;

// One step of a person working the page.
struct Step {
    enum Kind { Category, Click, Select, Type, Macro } kind;
    int id = 0;
    int item = 0;
    const wchar_t* text = L"";
};
inline Step category(int index) {
    return {Step::Category, 0, index};
}
inline Step click(int id) {
    return {Step::Click, id};
}
inline Step select(int id, int item) {
    return {Step::Select, id, item};
}
inline Step type(int id, const wchar_t* text) {
    return {Step::Type, id, 0, text};
}
inline Step macro(const wchar_t* text) {
    return {Step::Macro, 0, 0, text};
}

// An open sheet of the pages an object handed its site.
struct Sheet {
    ComPtr<veska::host::HostSheetSite> site;
    veska::host::PropertySheetWindow window;
    std::unique_ptr<SheetDriver> driver;

    SheetDriver& operator*() const { return *driver; }
    SheetDriver* operator->() const { return driver.get(); }
    // Every step works; the first that does not fails the test.
    void run(std::initializer_list<Step> steps) const;
    // Each option control's state as shown: "checked", a list's item, a text.
    std::wstring state(int id) const;
};

class PageTest : public ::testing::Test {
protected:
    PageTest();

    template <class Args> ComPtr<IToolArgs> project_args(const wchar_t* text = nullptr) {
        ComPtr<IToolArgs> args(suite::com::make<Args>().get());
        wire(args.get(), text);
        return args;
    }
    template <class Args>
    ComPtr<IToolArgs> file_args(IToolArgs* parent, const wchar_t* text = nullptr, bool isDefault = true) {
        ComPtr<IToolArgs> args = project_args<Args>(text);
        args->SetParent(parent);
        args->SetProjectNode(node.get());
        args->SetDefault(isDefault);
        return args;
    }
    // The object's page, shown. Fails the test when no page comes.
    Sheet open(IUnknown* args) const;

    static std::wstring text_of(IToolArgs* args);
    size_t count(const char* call) const { return recorder->count(call); }

    suite::test::ComApartment com;
    suite::test::SuiteDll dll;
    std::shared_ptr<veska::host::Recorder> recorder = std::make_shared<veska::host::Recorder>();
    ComPtr<veska::host::HostProject> project;
    ComPtr<veska::host::HostProjectNode> node;
    ComPtr<veska::host::HostDisplay> display;

private:
    void wire(IToolArgs* args, const wchar_t* text) const;
};

} // namespace pages_test
