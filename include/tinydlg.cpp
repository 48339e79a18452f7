#include "tinydlg.h"

#include "module_instance.h"
#include "property_page.h"

namespace suite {

namespace {

// Moves window to the centre of the reference rectangle, then back inside the
// work area of the monitor it lands on.
void CentreWithinWorkArea(HWND window, HWND reference) {
    RECT own;
    GetWindowRect(window, &own);
    RECT around;
    if (!reference || !GetWindowRect(reference, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    const LONG width = own.right - own.left;
    const LONG height = own.bottom - own.top;
    LONG x = around.left + (around.right - around.left - width) / 2;
    LONG y = around.top + (around.bottom - around.top - height) / 2;

    RECT wanted{x, y, x + width, y + height};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work;
    if (GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor))
        work = monitor.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    if (x + width > work.right)
        x = work.right - width;
    if (y + height > work.bottom)
        y = work.bottom - height;
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

CTinyDlg::CTinyDlg(WORD dialogTemplate, const wchar_t* title, int editId) noexcept
    : template_(dialogTemplate), title_(title ? title : L""), editId_(editId) {}

INT_PTR CTinyDlg::DoModal(HWND fallbackOwner) {
    text_[0] = '\0';
    HWND owner = GetActiveWindow();
    return DialogBoxParamW(module_instance(), MAKEINTRESOURCEW(template_), owner ? owner : fallbackOwner,
                           &CTinyDlg::Procedure, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CTinyDlg::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<CTinyDlg*>(lParam)->OnInit(window);
        return TRUE;
    }
    auto* dialog = reinterpret_cast<CTinyDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(window, IDOK);
            return TRUE;
        case IDCANCEL:
            dialog->OnCancel(window);
            return TRUE;
        default:
            if (static_cast<int>(LOWORD(wParam)) == dialog->editId_ && HIWORD(wParam) == EN_CHANGE)
                dialog->OnTextChanged(window);
            return FALSE;
        }
    case WM_CLOSE:
        EndDialog(window, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

void CTinyDlg::OnInit(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    CentreWithinWorkArea(window, owner ? owner : GetParent(window));
    SetWindowTextW(window, title_.c_str());
    SendDlgItemMessageW(window, editId_, EM_LIMITTEXT, kTextSize - 1, 0);
    EnableWindow(GetDlgItem(window, IDOK), FALSE);
}

void CTinyDlg::OnTextChanged(HWND window) {
    GetControlText(GetDlgItem(window, editId_), text_, kTextSize);
    EnableWindow(GetDlgItem(window, IDOK), text_[0] != '\0');
}

void CTinyDlg::OnCancel(HWND window) {
    // Escape while typing keeps what was typed.
    EndDialog(window, GetFocus() == GetDlgItem(window, editId_) ? IDOK : IDCANCEL);
}

} // namespace suite
