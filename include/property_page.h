// A property-sheet page object bound to its page window: the page record the
// platform makes the page handle from, the page callback that deletes the
// object when the sheet releases the page, and the dialog procedure that
// hands the page window's messages to the object.
//
// Ownership: the caller owns a new page until CreatePageHandle succeeds; from
// then on the page belongs to its handle (and to the sheet the handle is
// given to) and is deleted when the handle is destroyed.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "contract.h"

#include <memory>
#include <string>

namespace suite {

class PropertyPage {
public:
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;
    virtual ~PropertyPage();

    // The page handle made from the record; null (the page still the
    // caller's) when the platform refuses.
    HPROPSHEETPAGE CreatePageHandle();

    // The page record as handed to the platform (with header titles).
    const PROPSHEETPAGEW_V2& Record() const noexcept { return record_; }
    HWND Window() const noexcept { return window_; }

    // OnMessage with every exception stopped here: nothing may unwind
    // through the platform's window procedures.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept;

protected:
    PropertyPage(WORD dialogTemplate, const wchar_t* title);

    // The page window's messages. Returns true when handled, with the dialog
    // procedure's answer in result. The base answers the property-sheet
    // notifications with the neutral answers.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    // Tells the sheet that this page has changes (enables Apply).
    void NotifyPageChanged() const;
    // Sets the answer of a notification (DWLP_MSGRESULT).
    void SetNotifyResult(LONG_PTR value) const;

private:
    static UINT CALLBACK PageCallback(HWND, UINT message, PROPSHEETPAGEW* record);
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    PROPSHEETPAGEW_V2 record_{};
    std::wstring title_;
    HWND window_ = nullptr;
};

// Makes page's handle and hands it to site (AddPages with one page); the
// result of AddPages. A site that refuses gets nothing: the handle, and with
// it the page, is destroyed. Raises XLogged(E_INVALIDARG) for a null site and
// XLogged(E_FAIL) when the platform cannot make the handle.
HRESULT AddPageToSite(std::unique_ptr<PropertyPage> page, ISheetSite* site);

// The window text of a control as narrow text, one byte per character
// (characters above 255 become '?'), at most capacity - 1 characters.
void GetControlText(HWND control, char* buffer, size_t capacity);
// Shows narrow text in a control, each byte as the character of its value.
void SetControlText(HWND control, const char* text);

} // namespace suite
