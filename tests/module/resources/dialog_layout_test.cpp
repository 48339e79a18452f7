// The DLL's dialog templates as a user meets them: the controls the option
// pages address, laid out so that nothing overlaps or is cut off.
#include "resource.h"
#include "test_support.h"

#include "com_ptr.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <uxtheme.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int kNoId = -1; // labels and group boxes: found by their place

struct Control {
    int id;
    const char* kind;          // as kind_of() names it
    const wchar_t* label;      // nullptr: no text
    RECT units = {0, 0, 0, 0}; // x, y, width, height in dialog units, where fixed
};

struct Template {
    int id;
    const char* name;
    SIZE size;                     // of the client area, in dialog units
    DWORD style;                   // window style bits it must have
    DWORD notStyle;                // and must not have
    std::vector<Control> controls; // in tab order, which is reading order
};

void PrintTo(const Template& dialog, std::ostream* out) {
    *out << dialog.name;
}

// Every category dialog: one size, a control of the page, shown by the page.
constexpr SIZE kCategorySize{255, 134};
constexpr DWORD kCategory = WS_CHILD | DS_CONTROL;
constexpr DWORD kNotCategory = WS_CAPTION | WS_POPUP | WS_VISIBLE;

// clang-format off
const Template kTemplates[] = {
    {IDD_OPTIONS_FRAME, "frame", {275, 265}, WS_CHILD | WS_CAPTION, WS_POPUP | WS_VISIBLE,
     {{kNoId, "label", L"Categories:"},
      {IDC_CATEGORIES, "drop-down list", nullptr},
      {kNoId, "group box", L"Generate Command Line"},
      {IDC_INHERIT, "check box", L"Inherit global settings"},
      {IDC_RESTORE_DEFAULTS, "push button", L"Restore Defaults"},
      {IDC_GENERATED_LINE, "read-only edit", nullptr},
      {IDC_USE_ALTERNATE, "check box", L"Use Alternate Settings"},
      {IDC_ALTERNATE_LINE, "multi-line edit", nullptr}}},
    {IDD_ASSEMBLER_OPTIONS, "assembler", kCategorySize, kCategory, kNotCategory,
     {{IDC_AS_CROSS_REFERENCE, "check box", L"Produce cross-refererence file"},
      {IDC_AS_OPTIMIZE, "check box", L"Enable optimization"},
      {IDC_AS_STRIP_LOCALS, "check box", L"Strip local symbols from object file"}}},
    {IDD_COMPILER_GENERAL, "compiler_general", kCategorySize, kCategory, kNotCategory,
     {{IDC_CC_SIGNED_CHAR, "check box", L"Treat 'char' as signed"},
      {IDC_CC_STRICT, "check box", L"Enforce strict-ANSI keywords"},
      {kNoId, "group box", L"'double' Width"},
      {IDC_CC_DOUBLE_24, "first radio", L"24 bits"},
      {IDC_CC_DOUBLE_32, "radio", L"32 bits"},
      {kNoId, "group box", L"Macro Definitions"},
      {IDC_CC_MACROS, "list box", nullptr},
      {IDC_CC_MACRO_ADD, "push button", L"Add..."},
      {IDC_CC_MACRO_REMOVE, "push button", L"Remove"},
      {IDC_CC_MACRO_REMOVE_ALL, "push button", L"Remove All"}}},
    {IDD_COMPILER_OUTPUT, "compiler_output", kCategorySize, kCategory, kNotCategory,
     {{kNoId, "label", L"Global-optimization level:"},
      {IDC_CC_OPTIMIZATION_LEVEL, "level list", nullptr},
      {kNoId, "group box", L"Output"},
      {IDC_CC_POST_PASS, "check box", L"Enable post-pass optimization"},
      {IDC_CC_STRIP_LOCALS, "check box", L"Strip local symbols from symbol table"},
      {kNoId, "group box", L"Debug"},
      {IDC_CC_DEBUG_INFO, "check box", L"Generate debugging information"},
      {IDC_CC_ICD, "check box", L"Compile for VESKA ICD"}}},
    {IDD_COMPILER_DIAGNOSTICS, "compiler_diagnostics", kCategorySize, kCategory, kNotCategory,
     {{IDC_CC_ASM_LIST, "check box", L"Generate assembly list file"},
      {IDC_CC_PREPROCESSED, "check box", L"Generate preprocessed source"},
      {IDC_CC_PROTOTYPES, "check box", L"Generate function prototypes"},
      {IDC_CC_ASM_ONLY, "check box", L"Compile to assembly only"},
      {kNoId, "label", L"Warning level:"},
      {IDC_CC_WARNING_LEVEL, "level list", nullptr}}},
    {IDD_LINKER_OPTIONS, "linker", kCategorySize, kCategory, kNotCategory,
     {{kNoId, "group box", L"Binary Output Format"},
      {IDC_LD_INTEL_HEX, "first radio", L"Intel HEX*"},
      {IDC_LD_BINARY, "radio", L"Binary image"},
      {IDC_LD_MOTOROLA, "radio", L"Motorola S1/S9 HEX"},
      {kNoId, "group box", L"'double' Width"},
      {IDC_LD_DOUBLE_24, "first radio", L"24 bits"},
      {IDC_LD_DOUBLE_32, "radio", L"32 bits"},
      {kNoId, "label", L"Warning level:"},
      {IDC_LD_WARNING_LEVEL, "level list", nullptr},
      {kNoId, "label", L"*Intel HEX option required for debugging"},
      {IDC_LD_MAP_FILE, "check box", L"Generate map file"},
      {IDC_LD_SEGMENT_MAP, "check box", L"Display memory-segment usage"},
      {IDC_LD_FAKE_LOCALS, "check box", L"Produce VESKA debugging info"},
      {IDC_LD_ICD, "check box", L"Link for ICD"},
      {kNoId, "group box", L"Output Filename Root (no leading directories, no extension)"},
      {IDC_LD_OUTPUT_ROOT, "edit", nullptr}}},
    {IDD_SUITE_PAGE, "suite_page", {256, 256}, WS_CHILD, WS_CAPTION | WS_POPUP | WS_VISIBLE,
     {{kNoId, "sunken centred label", L"This page was left blank intentionally.", {53, 105, 150, 44}}}},
    {IDD_ENTER_MACRO, "enter_macro", {200, 61}, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_CHILD,
     {{kNoId, "label", L"Macro definition (NAME or NAME=value):"},
      {IDC_MACRO_TEXT, "edit", nullptr},
      {IDOK, "default push button", L"OK"},
      {IDCANCEL, "push button", L"Cancel"}}},
};
// clang-format on

// The category dialogs, the title of the tool page each belongs to and its
// name in the page's category list.
struct Category {
    int id;
    const wchar_t* title;
    const wchar_t* name;
};
const Category kCategories[] = {{IDD_ASSEMBLER_OPTIONS, L"TARNIV18 Assembler", L"(All Options)"},
                                {IDD_COMPILER_GENERAL, L"TARNIV18 C Compiler", L"General"},
                                {IDD_COMPILER_OUTPUT, L"TARNIV18 C Compiler", L"Output & Debug"},
                                {IDD_COMPILER_DIAGNOSTICS, L"TARNIV18 C Compiler", L"Diagnostics"},
                                {IDD_LINKER_OPTIONS, L"TARNIV18 Linker", L"(All Options)"}};

struct WindowDestroyer {
    void operator()(HWND window) const noexcept { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

INT_PTR CALLBACK quiet_dialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

std::wstring text_of(HWND window) {
    wchar_t text[256] = L"";
    GetWindowTextW(window, text, 256);
    return text;
}

bool is_class(HWND window, const wchar_t* name) {
    wchar_t actual[64] = L"";
    GetClassNameW(window, actual, 64);
    return _wcsicmp(actual, name) == 0;
}

std::vector<HWND> children_of(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// A window's rectangle in the client coordinates of reference (the screen's
// for nullptr).
RECT rect_in(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool overlap(const RECT& a, const RECT& b) {
    RECT common{};
    return IntersectRect(&common, &a, &b) != FALSE;
}

// Whether a list, or a drop-down list's list, shows a scroll bar once it
// holds more than it can show.
bool scrolls_when_full(HWND control) {
    COMBOBOXINFO combo{};
    combo.cbSize = sizeof combo;
    const bool isCombo = GetComboBoxInfo(control, &combo) != FALSE;
    for (int i = 0; i < 40; ++i)
        SendMessageW(control, isCombo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"item"));
    return (GetWindowLongW(isCombo ? combo.hwndList : control, GWL_STYLE) & WS_VSCROLL) != 0;
}

// What a control is, from its class and the style bits that matter.
std::string kind_of(HWND control) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    const auto has = [style](DWORD bits) { return (style & bits) == bits; };
    if (is_class(control, L"Button")) {
        switch (style & BS_TYPEMASK) {
        case BS_AUTOCHECKBOX:
            return "check box";
        case BS_AUTORADIOBUTTON: // only the first of a group starts it and is its tab stop
            return has(WS_GROUP | WS_TABSTOP)          ? "first radio"
                   : (style & (WS_GROUP | WS_TABSTOP)) ? "?"
                                                       : "radio";
        case BS_PUSHBUTTON:
            return "push button";
        case BS_DEFPUSHBUTTON:
            return "default push button";
        case BS_GROUPBOX:
            return "group box";
        }
    } else if (is_class(control, L"Static")) {
        if ((style & SS_TYPEMASK) == SS_LEFT)
            return "label";
        if ((style & SS_TYPEMASK) == SS_CENTER && has(SS_CENTERIMAGE | SS_SUNKEN | WS_VISIBLE))
            return "sunken centred label";
    } else if (is_class(control, L"ComboBox")) {
        if ((style & 3) != CBS_DROPDOWNLIST || (style & CBS_SORT))
            return "?";
        // The level lists drop all 21 levels without scrolling.
        RECT dropped{};
        SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        const LRESULT item = SendMessageW(control, CB_GETITEMHEIGHT, 0, 0);
        return dropped.bottom - dropped.top >= 21 * item + 2 ? "level list" : "drop-down list";
    } else if (is_class(control, L"ListBox")) {
        if (has(LBS_NOTIFY) && !(style & LBS_SORT))
            return "list box";
    } else if (is_class(control, L"Edit")) {
        if (has(ES_MULTILINE | ES_READONLY | WS_VSCROLL))
            return "read-only edit";
        if (has(ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL) && !(style & ES_READONLY))
            return "multi-line edit";
        if (has(ES_AUTOHSCROLL) && !(style & (ES_MULTILINE | ES_READONLY)))
            return "edit";
    }
    return "?";
}

// The DLL's dialogs, created for real under a hidden popup parent.
class DllDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        parent_.reset(CreateWindowExW(0, L"Static", L"parent", WS_POPUP, 0, 0, 800, 700, nullptr, nullptr,
                                      nullptr, nullptr));
        ASSERT_NE(nullptr, parent_);
    }

    UniqueWindow create(int id, HWND parent = nullptr) {
        return UniqueWindow(CreateDialogParamW(dll_.handle(), MAKEINTRESOURCEW(id),
                                               parent ? parent : parent_.get(), quiet_dialog, 0));
    }

    // A category dialog where the option page puts it: 10 right and 35 down,
    // in the category's own dialog units, on the page's tab texture.
    UniqueWindow place_category(int id, HWND page) {
        UniqueWindow category = create(id, page);
        if (category) {
            RECT offset{10, 35, 0, 0};
            MapDialogRect(category.get(), &offset);
            SetWindowPos(category.get(), nullptr, offset.left, offset.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            EnableThemeDialogTexture(category.get(), ETDT_ENABLETAB);
            ShowWindow(category.get(), SW_SHOWNA);
        }
        return category;
    }

    suite::test::SuiteDll dll_;
    UniqueWindow parent_;
};

class DialogTemplates : public DllDialogs, public ::testing::WithParamInterface<Template> {};

TEST_P(DialogTemplates, HaveTheirStyleSizeAndFont) {
    const Template& expected = GetParam();
    UniqueWindow dialog = create(expected.id);
    ASSERT_NE(nullptr, dialog);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog.get(), GWL_STYLE));
    EXPECT_EQ(expected.style, style & expected.style);
    EXPECT_EQ(0u, style & expected.notStyle);
    RECT size{0, 0, expected.size.cx, expected.size.cy};
    MapDialogRect(dialog.get(), &size);
    RECT client{};
    GetClientRect(dialog.get(), &client);
    EXPECT_TRUE(EqualRect(&size, &client));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog.get(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(L"MS Sans Serif", font.lfFaceName);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), font.lfHeight);
    ReleaseDC(nullptr, screen);
}

TEST_P(DialogTemplates, HoldTheNamedControlsInReadingOrder) {
    const Template& expected = GetParam();
    UniqueWindow dialog = create(expected.id);
    ASSERT_NE(nullptr, dialog);
    const std::vector<HWND> children = children_of(dialog.get());
    ASSERT_EQ(expected.controls.size(), children.size());
    for (size_t i = 0; i < children.size(); ++i) {
        const Control& control = expected.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " (id " << control.id << ")");
        if (control.id != kNoId) {
            EXPECT_EQ(control.id, GetDlgCtrlID(children[i]));
        }
        EXPECT_EQ(control.kind, kind_of(children[i]));
        if (control.label) {
            EXPECT_EQ(control.label, text_of(children[i]));
        } else if (!is_class(children[i], L"Edit")) {
            EXPECT_TRUE(scrolls_when_full(children[i]));
        }
        if (!IsRectEmpty(&control.units)) {
            // Position and size converted each on its own, as the dialog does.
            RECT pixels = control.units;
            MapDialogRect(dialog.get(), &pixels);
            const RECT expectedRect{pixels.left, pixels.top, pixels.left + pixels.right,
                                    pixels.top + pixels.bottom};
            const RECT actual = rect_in(children[i], dialog.get());
            EXPECT_TRUE(EqualRect(&expectedRect, &actual));
        }
    }
}

TEST_P(DialogTemplates, KeepControlsApartAndInside) {
    UniqueWindow dialog = create(GetParam().id);
    ASSERT_NE(nullptr, dialog);
    RECT client{};
    GetClientRect(dialog.get(), &client);
    const std::vector<HWND> children = children_of(dialog.get());
    for (size_t i = 0; i < children.size(); ++i) {
        const RECT a = rect_in(children[i], dialog.get());
        const std::wstring name = text_of(children[i]) + L" #" + std::to_wstring(i);
        EXPECT_TRUE(contains(client, a)) << testing::PrintToString(name) << " leaves the dialog";
        for (size_t j = i + 1; j < children.size(); ++j) {
            const RECT b = rect_in(children[j], dialog.get());
            // Only a group box may hold others, and then it holds them whole.
            const bool apart = !overlap(a, b) || (kind_of(children[i]) == "group box" && contains(a, b)) ||
                               (kind_of(children[j]) == "group box" && contains(b, a));
            EXPECT_TRUE(apart) << testing::PrintToString(name) << " overlaps "
                               << testing::PrintToString(text_of(children[j]) + L" #" + std::to_wstring(j));
        }
    }
}

TEST_P(DialogTemplates, ShowEveryLabelWhole) {
    UniqueWindow dialog = create(GetParam().id);
    ASSERT_NE(nullptr, dialog);
    for (HWND control : children_of(dialog.get())) {
        const std::string kind = kind_of(control);
        const std::wstring text = text_of(control);
        // Room a button needs beside its text: the glyph, the inset, the edges.
        int extra = 0;
        if (kind == "check box" || kind == "radio" || kind == "first radio")
            extra = GetSystemMetrics(SM_CXMENUCHECK) + 6;
        else if (kind == "group box")
            extra = 16;
        else if (kind == "push button" || kind == "default push button")
            extra = 8;
        HDC dc = GetDC(control);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        SelectObject(dc, previous);
        ReleaseDC(control, dc);
        RECT client{};
        GetClientRect(control, &client);
        EXPECT_LE(extent.cx + extra, client.right) << testing::PrintToString(text) << " is cut off";
        EXPECT_LE(extent.cy, client.bottom) << testing::PrintToString(text) << " is cut off";
    }
}

INSTANTIATE_TEST_SUITE_P(Dll, DialogTemplates, testing::ValuesIn(kTemplates),
                         [](const testing::TestParamInfo<Template>& info) { return info.param.name; });

TEST_F(DllDialogs, CategoriesSitInTheFramesGroupClearOfItsControls) {
    UniqueWindow frame = create(IDD_OPTIONS_FRAME);
    ASSERT_NE(nullptr, frame);
    const std::vector<HWND> frameControls = children_of(frame.get());
    HWND group = nullptr;
    for (HWND control : frameControls)
        if (kind_of(control) == "group box")
            group = control;
    ASSERT_NE(nullptr, group);
    for (const Category& category : kCategories) {
        SCOPED_TRACE(testing::Message() << "category dialog " << category.id);
        UniqueWindow placed = place_category(category.id, frame.get());
        ASSERT_NE(nullptr, placed);
        const RECT area = rect_in(placed.get(), frame.get());
        EXPECT_TRUE(contains(rect_in(group, frame.get()), area));
        for (HWND control : frameControls) {
            EXPECT_TRUE(control == group || !overlap(rect_in(control, frame.get()), area))
                << testing::PrintToString(text_of(control)) << " is covered";
        }
    }
}

} // namespace
