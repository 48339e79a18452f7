// A small modal dialog that asks for one line of text: centred over its owner
// within the work area, OK enabled only while the text is not empty, and
// Escape while typing taking the text (as OK does) rather than dropping it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace suite {

class CTinyDlg {
public:
    // The captured text holds at most kTextSize - 1 characters.
    static constexpr std::size_t kTextSize = 1024;

    // The dialog template holds the edit editId and the buttons IDOK and IDCANCEL.
    CTinyDlg(WORD dialogTemplate, const wchar_t* title, int editId) noexcept;
    CTinyDlg(const CTinyDlg&) = delete;
    CTinyDlg& operator=(const CTinyDlg&) = delete;

    // Runs the dialog owned by the active window (fallbackOwner when no
    // window of this thread is active): IDOK or IDCANCEL, -1 when it cannot
    // be shown.
    INT_PTR DoModal(HWND fallbackOwner = nullptr);
    // The edit's text when the dialog ended, one byte per character.
    const char* Text() const noexcept { return text_; }

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnInit(HWND window);
    void OnTextChanged(HWND window);
    void OnCancel(HWND window);

    WORD template_;
    std::wstring title_;
    int editId_;
    char text_[kTextSize] = {};
};

} // namespace suite
