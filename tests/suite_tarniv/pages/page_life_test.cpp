// Pages and their objects over time: who keeps whom alive, pages of one tool
// open side by side, CreatePages refusing, the suite's blank page and the
// "Enter Macro" dialog.
#include "page_fixture.h"

#include "resource.h"
#include "tinydlg.h"

namespace pages_test {
namespace {

using suite::com::ModuleLock;

class PageLife : public PageTest {};

// The page holds its object: a host that lets go of it while the sheet is
// open still gets the page's Apply written into a live object, which goes
// with the sheet.
TEST_F(PageLife, PageKeepsItsObjectAlive) {
    const long before = ModuleLock::count();
    ComPtr<IToolArgs> args = project_args<CTA_TARNIVas>(L"-c");
    IToolArgs* raw = args.get();
    Sheet sheet = open(raw);
    const long open = ModuleLock::count();
    args = nullptr;
    EXPECT_EQ(open, ModuleLock::count()) << "the object went while its page was open";
    sheet.run({click(IDC_AS_OPTIMIZE)});
    ASSERT_TRUE(sheet->apply());
    EXPECT_EQ(L"-C -O", text_of(raw));
    sheet.window = veska::host::PropertySheetWindow();
    sheet.site = nullptr;
    EXPECT_EQ(before, ModuleLock::count()) << "the page kept its object after the sheet";
}

// Two pages of one tool open at once (a project's and a file's): each page's
// controls drive its own line and write its own object.
TEST_F(PageLife, PagesOfOneToolStayApart) {
    ComPtr<IToolArgs> project = project_args<CTA_TARNIVcc>(L"-W3");
    ComPtr<IToolArgs> file = file_args<CTA_TARNIVcc>(project.get(), L"", false);
    Sheet projectSheet = open(project.get());
    Sheet fileSheet = open(file.get());
    projectSheet.run({category(1), click(IDC_CC_ICD)});
    fileSheet.run({click(IDC_CC_SIGNED_CHAR)});
    EXPECT_EQ(L"-ICD -W3", projectSheet->text(IDC_GENERATED_LINE));
    EXPECT_EQ(L"-SIGNED_CHAR", fileSheet->text(IDC_GENERATED_LINE));
    ASSERT_TRUE(fileSheet->ok());
    ASSERT_TRUE(projectSheet->ok());
    EXPECT_EQ(L"-ICD -W3", text_of(project.get()));
    EXPECT_EQ(L"-SIGNED_CHAR", text_of(file.get()));
}

// No page without a project, a display or a site; a site that refuses gets
// its error back and the page is gone.
TEST_F(PageLife, CreatePagesRefuses) {
    const long before = ModuleLock::count();
    ComPtr<IToolArgs> unwired(suite::com::make<CTA_TARNIVld>().get());
    ComPtr<IToolArgs> noDisplay(suite::com::make<CTA_TARNIVld>().get());
    noDisplay->SetProject(project.get());
    ComPtr<ISuiteArgs> suiteArgs(suite::com::make<CSA_TARNIV>().get());
    auto site = suite::com::make<veska::host::HostSheetSite>(recorder);
    for (IUnknown* object :
         {static_cast<IUnknown*>(unwired.get()), static_cast<IUnknown*>(noDisplay.get())}) {
        ComPtr<IExtendSettingsSheet> pages;
        ASSERT_EQ(S_OK, object->QueryInterface(__uuidof(IExtendSettingsSheet), pages.put_void()));
        EXPECT_EQ(E_INVALIDARG, pages->CreatePages(site.get()));
    }
    ComPtr<IToolArgs> wired = project_args<CTA_TARNIVld>();
    for (IUnknown* object : {static_cast<IUnknown*>(wired.get()), static_cast<IUnknown*>(suiteArgs.get())}) {
        ComPtr<IExtendSettingsSheet> pages;
        ASSERT_EQ(S_OK, object->QueryInterface(__uuidof(IExtendSettingsSheet), pages.put_void()));
        EXPECT_EQ(E_INVALIDARG, pages->CreatePages(nullptr));
        recorder->inject("ISheetSite.AddPages", E_OUTOFMEMORY, 1);
        EXPECT_EQ(E_OUTOFMEMORY, pages->CreatePages(site.get()));
    }
    EXPECT_TRUE(site->pages().empty());
    unwired = noDisplay = wired = nullptr;
    suiteArgs = nullptr;
    EXPECT_EQ(before + 1, ModuleLock::count()) << "only the site is left";
}

// The suite's page: blank, one fresh page per call, each sheet on its own.
TEST_F(PageLife, SuitePageIsBlankAndFreshPerCall) {
    ComPtr<ISuiteArgs> suiteArgs(suite::com::make<CSA_TARNIV>().get());
    suiteArgs->SetCmdLine(L"-kept");
    Sheet first = open(suiteArgs.get());
    Sheet second = open(suiteArgs.get());
    ASSERT_NE(first->page(), second->page());
    HWND blank = FindWindowExW(first->page(), nullptr, L"Static", nullptr);
    ASSERT_TRUE(blank);
    wchar_t text[64] = {};
    GetWindowTextW(blank, text, 64);
    EXPECT_STREQ(L"This page was left blank intentionally.", text);
    EXPECT_TRUE(first->ok());
    EXPECT_TRUE(IsWindow(second->page()));
    EXPECT_TRUE(second->cancel());
    CoTaskString kept;
    suiteArgs->GetCmdLine(kept.put());
    EXPECT_STREQ(L"-kept", kept.c_str());
}

// "Enter Macro": centred over its owner, OK only for text, Escape while
// typing accepts, closing the window cancels.
class EnterMacro : public PageTest {
protected:
    // Runs the dialog over owner; act works it from inside its modal loop.
    INT_PTR run(HWND owner, void (*act)(HWND dialog)) {
        act_ = act;
        SetTimer(nullptr, 0, 10, &EnterMacro::OnTimer);
        return dialog_.DoModal(owner);
    }
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
        HWND dialog = FindWindowW(nullptr, L"Enter Macro");
        if (!dialog)
            return;
        KillTimer(nullptr, timer);
        act_(dialog);
    }
    static void type(HWND dialog, const wchar_t* text) {
        HWND edit = GetDlgItem(dialog, IDC_MACRO_TEXT);
        SetWindowTextW(edit, text); // the edit sends EN_CHANGE itself
        SetFocus(edit);
    }

    suite::CTinyDlg dialog_{IDD_ENTER_MACRO, L"Enter Macro", IDC_MACRO_TEXT};
    static inline void (*act_)(HWND) = nullptr;
    static inline bool okEnabledEmpty_ = true;
    static inline bool okEnabledTyped_ = false;
    static inline POINT centre_{};
};

TEST_F(EnterMacro, OkOnlyForTextAndEscapeWhileTypingAccepts) {
    HWND owner = CreateWindowExW(0, L"Static", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
    const INT_PTR escaped = run(owner, [](HWND dialog) {
        okEnabledEmpty_ = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        type(dialog, L"LEVEL=2");
        okEnabledTyped_ = IsWindowEnabled(GetDlgItem(dialog, IDOK));
        RECT bounds;
        GetWindowRect(dialog, &bounds);
        centre_ = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); // what Escape sends
    });
    EXPECT_EQ(IDOK, escaped);
    EXPECT_STREQ("LEVEL=2", dialog_.Text());
    EXPECT_FALSE(okEnabledEmpty_);
    EXPECT_TRUE(okEnabledTyped_);
    EXPECT_NEAR(300, centre_.x, 1);
    EXPECT_NEAR(250, centre_.y, 1);

    EXPECT_EQ(IDCANCEL, run(owner, [](HWND dialog) {
                  type(dialog, L"X");
                  SendMessageW(dialog, WM_CLOSE, 0, 0);
              }));
    EXPECT_EQ(IDCANCEL, run(owner, [](HWND dialog) {
                  SetFocus(GetDlgItem(dialog, IDCANCEL));
                  SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
              }));
    DestroyWindow(owner);
}

} // namespace
} // namespace pages_test
