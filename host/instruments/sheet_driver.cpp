#include "sheet_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <cwchar>

namespace veska::host {

namespace {

constexpr int kCategoryCombo = 202;
constexpr int kMacroAdd = 238;
constexpr int kMacroEdit = 284;
constexpr int kApplyButton = 0x3021; // the sheet's own Apply button
const wchar_t kMacroTitle[] = L"Enter Macro";

enum class Kind { Other, PushButton, CheckBox, RadioButton, GroupBox, Static, Edit, ComboBox, ListBox };

Kind kind_of(HWND control) {
    wchar_t name[32] = {};
    if (!control || !GetClassNameW(control, name, 32))
        return Kind::Other;
    if (!_wcsicmp(name, L"Button")) {
        const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE)
            return Kind::CheckBox;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
            return Kind::RadioButton;
        return type == BS_GROUPBOX ? Kind::GroupBox : Kind::PushButton;
    }
    for (const auto& [className, kind] :
         {std::pair{L"Edit", Kind::Edit}, std::pair{L"ComboBox", Kind::ComboBox},
          std::pair{L"ListBox", Kind::ListBox}, std::pair{L"Static", Kind::Static}})
        if (!_wcsicmp(name, className))
            return kind;
    return Kind::Other;
}

std::wstring window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Item texts of a combo box or list box; an item's length is asked first, so
// no buffer is ever too small.
std::wstring item_text(HWND control, bool combo, int index) {
    const LRESULT length = SendMessageW(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// Every item of a drop-down list or list box; none for another control.
std::vector<std::wstring> list_items(HWND control) {
    const Kind kind = kind_of(control);
    std::vector<std::wstring> items;
    if (kind != Kind::ComboBox && kind != Kind::ListBox)
        return items;
    const bool combo = kind == Kind::ComboBox;
    const LRESULT count = SendMessageW(control, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i)
        items.push_back(item_text(control, combo, i));
    return items;
}

// A drop-down list's selected item, "" when none.
std::wstring selected_text(HWND combo) {
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return selected < 0 ? std::wstring() : item_text(combo, true, static_cast<int>(selected));
}

std::wstring check_state(HWND control) {
    const LRESULT state = SendMessageW(control, BM_GETCHECK, 0, 0);
    std::wstring value = state == BST_CHECKED         ? L"checked"
                         : state == BST_INDETERMINATE ? L"indeterminate"
                                                      : L"unchecked";
    if (!IsWindowEnabled(control))
        value += L" disabled";
    return value;
}

void notify_parent(HWND control, WORD code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

// The "Enter Macro" dialog runs its own modal loop inside the click on
// "Add...": a thread timer, which only that loop can deliver, answers it.
struct MacroAnswer {
    std::wstring text;
    bool found = false;
    bool accepted = false;
    int attempts = 0;
};
thread_local MacroAnswer* pendingMacro = nullptr;
constexpr UINT kMacroPollMs = 20;
constexpr int kMacroAttempts = 250; // five seconds

BOOL CALLBACK find_macro_dialog(HWND window, LPARAM found) {
    if ((IsWindowVisible(window) || (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE)) &&
        GetDlgItem(window, kMacroEdit) && window_text(window) == kMacroTitle) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK answer_macro_dialog(HWND, UINT, UINT_PTR timer, DWORD) {
    MacroAnswer* answer = pendingMacro;
    if (!answer || answer->found) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), find_macro_dialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) {
        if (++answer->attempts >= kMacroAttempts)
            KillTimer(nullptr, timer);
        return;
    }
    answer->found = true;
    KillTimer(nullptr, timer);
    // A single-line edit tells its parent EN_CHANGE itself on WM_SETTEXT.
    SendMessageW(GetDlgItem(dialog, kMacroEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(answer->text.c_str()));
    HWND okButton = GetDlgItem(dialog, IDOK);
    if (okButton && IsWindowEnabled(okButton)) {
        answer->accepted = true;
        SendMessageW(okButton, BM_CLICK, 0, 0);
        return;
    }
    // Cancel counts as OK while the focus is in the edit: leave it first.
    HWND cancelButton = GetDlgItem(dialog, IDCANCEL);
    if (cancelButton) {
        SetFocus(cancelButton);
        SendMessageW(cancelButton, BM_CLICK, 0, 0);
    } else {
        EndDialog(dialog, IDCANCEL);
    }
}

} // namespace

SheetDriver::SheetDriver(HWND sheet) : sheet_(sheet) {}

HWND SheetDriver::page() const {
    if (!sheet_ || !IsWindow(sheet_))
        return nullptr;
    return reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND SheetDriver::category_dialog() const {
    HWND shown = page();
    if (!shown)
        return nullptr;
    for (HWND child = GetWindow(shown, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (!wcscmp(name, L"#32770") && (GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE))
            return child;
    }
    return nullptr;
}

HWND SheetDriver::control(int id) const {
    HWND shown = page();
    if (!shown)
        return nullptr;
    if (HWND frame = GetDlgItem(shown, id))
        return frame;
    HWND dialog = category_dialog();
    return dialog ? GetDlgItem(dialog, id) : nullptr;
}

bool SheetDriver::fail(std::wstring message) {
    error_ = std::move(message);
    pump();
    return false;
}

HWND SheetDriver::usable(int id, bool edit) {
    const bool open = !closed();
    HWND found = !open ? nullptr : edit ? edit_or_control(id) : control(id);
    const std::wstring name = L"control " + std::to_wstring(id);
    if (!open)
        fail(L"the sheet is closed");
    else if (!found)
        fail(L"no " + name + L" on the page");
    else if (edit && kind_of(found) != Kind::Edit)
        fail(name + L" is not an edit");
    else if (!IsWindowEnabled(found))
        fail(name + L" is disabled");
    else
        return found;
    return nullptr;
}

void SheetDriver::pump() const {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam)); // not ours to swallow
            return;
        }
        if (sheet_ && IsWindow(sheet_) &&
            SendMessageW(sheet_, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&message)))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool SheetDriver::category(int index) {
    if (closed())
        return fail(L"the sheet is closed");
    HWND combo = page() ? GetDlgItem(page(), kCategoryCombo) : nullptr;
    if (!combo || kind_of(combo) != Kind::ComboBox)
        return fail(L"the page has no categories (no control 202)");
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count)
        return fail(L"no category " + std::to_wstring(index) + L" (the page has " + std::to_wstring(count) +
                    L")");
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    notify_parent(combo, CBN_SELCHANGE);
    pump();
    return true;
}

bool SheetDriver::click(int id) {
    HWND button = usable(id);
    if (!button)
        return false;
    const Kind kind = kind_of(button);
    if (kind != Kind::PushButton && kind != Kind::CheckBox && kind != Kind::RadioButton)
        return fail(L"control " + std::to_wstring(id) + L" is not a button");
    // Press and release: auto check boxes toggle, auto radio buttons take
    // the group's check, and the parent hears BN_CLICKED.
    SendMessageW(button, BM_CLICK, 0, 0);
    pump();
    return true;
}

bool SheetDriver::select(int id, int index) {
    HWND list = usable(id);
    if (!list)
        return false;
    const Kind kind = kind_of(list);
    if (kind != Kind::ComboBox && kind != Kind::ListBox)
        return fail(L"control " + std::to_wstring(id) + L" is not a drop-down list or list box");
    const bool combo = kind == Kind::ComboBox;
    const LRESULT count = SendMessageW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count)
        return fail(L"control " + std::to_wstring(id) + L" has no item " + std::to_wstring(index) +
                    L" (it has " + std::to_wstring(count) + L")");
    if (combo) {
        SendMessageW(list, CB_SETCURSEL, index, 0);
        notify_parent(list, CBN_SELCHANGE);
    } else {
        if (GetWindowLongW(list, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
            SendMessageW(list, LB_SETSEL, FALSE, -1);
            SendMessageW(list, LB_SETSEL, TRUE, index);
        } else {
            SendMessageW(list, LB_SETCURSEL, index, 0);
        }
        notify_parent(list, LBN_SELCHANGE);
    }
    pump();
    return true;
}

HWND SheetDriver::edit_or_control(int id) const {
    HWND found = control(id);
    if (found && kind_of(found) != Kind::Edit) {
        HWND dialog = category_dialog();
        HWND inCategory = dialog ? GetDlgItem(dialog, id) : nullptr;
        if (inCategory && kind_of(inCategory) == Kind::Edit)
            return inCategory;
    }
    return found;
}

bool SheetDriver::type(int id, const std::wstring& text) {
    HWND edit = usable(id, true);
    if (!edit)
        return false;
    const LONG style = GetWindowLongW(edit, GWL_STYLE);
    if (style & ES_READONLY)
        return fail(L"control " + std::to_wstring(id) + L" is read-only");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    // A single-line edit sends EN_CHANGE for WM_SETTEXT itself; a multi-line one does not.
    if (style & ES_MULTILINE)
        notify_parent(edit, EN_CHANGE);
    pump();
    return true;
}

bool SheetDriver::macro(const std::wstring& text) {
    HWND add = usable(kMacroAdd);
    if (!add)
        return false;
    if (kind_of(add) != Kind::PushButton)
        return fail(L"control 238 is not a button");
    MacroAnswer answer{text};
    pendingMacro = &answer;
    const UINT_PTR timer = SetTimer(nullptr, 0, kMacroPollMs, answer_macro_dialog);
    if (!timer) {
        pendingMacro = nullptr;
        return fail(L"cannot start a timer to answer the \"Enter Macro\" dialog");
    }
    SendMessageW(add, BM_CLICK, 0, 0);
    KillTimer(nullptr, timer);
    pendingMacro = nullptr;
    if (!answer.found)
        return fail(L"pressing 238 opened no \"Enter Macro\" dialog");
    if (!answer.accepted)
        return fail(L"the \"Enter Macro\" dialog kept OK disabled for \"" + text + L"\"");
    pump();
    return true;
}

std::vector<std::pair<std::wstring, std::wstring>> SheetDriver::show() const {
    std::vector<std::pair<std::wstring, std::wstring>> lines;
    HWND shown = page();
    if (!shown)
        return lines;
    for (const auto& [id, box] :
         {std::pair{205, false}, std::pair{283, false}, std::pair{204, true}, std::pair{282, true}})
        if (HWND frame = GetDlgItem(shown, id))
            lines.emplace_back(std::to_wstring(id), box ? check_state(frame) : window_text(frame));
    HWND dialog = category_dialog();
    if (!dialog)
        return lines;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring name = std::to_wstring(GetDlgCtrlID(child));
        switch (kind_of(child)) {
        case Kind::CheckBox:
        case Kind::RadioButton:
            lines.emplace_back(name, check_state(child));
            break;
        case Kind::ComboBox:
            lines.emplace_back(name, selected_text(child));
            break;
        case Kind::ListBox: {
            std::wstring joined;
            const LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
            for (int i = 0; i < count; ++i)
                joined += (i ? L" | " : L"") + item_text(child, false, i);
            lines.emplace_back(name, joined);
            break;
        }
        case Kind::Edit:
            lines.emplace_back(name, window_text(child));
            break;
        default:
            break; // statics, group boxes, push buttons
        }
    }
    return lines;
}

std::wstring SheetDriver::text(int id) const {
    HWND found = edit_or_control(id);
    return kind_of(found) == Kind::ComboBox ? selected_text(found) : window_text(found);
}

bool SheetDriver::enabled(int id) const {
    HWND found = control(id);
    return found && IsWindowEnabled(found);
}

int SheetDriver::selection(int id) const {
    HWND found = control(id);
    const Kind kind = kind_of(found);
    if (kind != Kind::ComboBox && kind != Kind::ListBox)
        return -1;
    return static_cast<int>(SendMessageW(found, kind == Kind::ComboBox ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> SheetDriver::items(int id) const {
    return list_items(control(id));
}

bool SheetDriver::apply() {
    if (closed())
        return fail(L"the sheet is closed");
    const bool accepted = SendMessageW(sheet_, PSM_APPLY, 0, 0) != 0;
    pump();
    if (!accepted)
        return fail(L"the page refused Apply");
    // As after a press of the button: nothing is left to apply.
    if (HWND button = GetDlgItem(sheet_, kApplyButton))
        EnableWindow(button, FALSE);
    applied_ = true;
    return true;
}

bool SheetDriver::ok() {
    return close_with(PSBTN_OK, L"OK") && (applied_ = true);
}

bool SheetDriver::cancel() {
    return close_with(PSBTN_CANCEL, L"Cancel");
}

bool SheetDriver::close_with(int button, const wchar_t* name) {
    if (closed())
        return fail(L"the sheet is closed");
    SendMessageW(sheet_, PSM_PRESSBUTTON, button, 0);
    pump();
    if (!closed())
        return fail(L"the page refused " + std::wstring(name) + L": the sheet is still open");
    return true;
}

} // namespace veska::host
