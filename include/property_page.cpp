#include "property_page.h"

#include "com_object.h"
#include "module_instance.h"
#include "text.h"
#include "xlogged.h"

#include <exception>

#include <cstddef>
#include <vector>

namespace suite {

static_assert(sizeof(PROPSHEETPAGEW_V2) == offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR),
              "the record with header titles");
#ifndef _WIN64
static_assert(sizeof(PROPSHEETPAGEW_V2) == 48, "the 32-bit page record");
#endif

PropertyPage::PropertyPage(WORD dialogTemplate, const wchar_t* title) : title_(title ? title : L"") {
    // The page callback and dialog procedure live in this module: it stays
    // loaded while a page exists.
    com::ModuleLock::lock();
    record_.dwSize = sizeof record_;
    record_.dwFlags = PSP_USETITLE | PSP_USECALLBACK;
    record_.hInstance = module_instance();
    record_.pszTemplate = MAKEINTRESOURCEW(dialogTemplate);
    record_.pszTitle = title_.c_str();
    record_.pfnDlgProc = &PropertyPage::DialogProcedure;
    record_.lParam = reinterpret_cast<LPARAM>(this);
    record_.pfnCallback = &PropertyPage::PageCallback;
}

PropertyPage::~PropertyPage() {
    if (window_)
        SetWindowLongPtrW(window_, DWLP_USER, 0);
    com::ModuleLock::unlock();
}

HPROPSHEETPAGE PropertyPage::CreatePageHandle() {
    return CreatePropertySheetPageW(reinterpret_cast<const PROPSHEETPAGEW*>(&record_));
}

UINT CALLBACK PropertyPage::PageCallback(HWND, UINT message, PROPSHEETPAGEW* record) {
    if (message == PSPCB_RELEASE && record && record->lParam) {
        // The sheet is done with the page: the handle's copy of the record
        // no longer names it.
        auto* page = reinterpret_cast<PropertyPage*>(record->lParam);
        record->lParam = 0;
        delete page;
    }
    return 1; // creation allowed
}

INT_PTR CALLBACK PropertyPage::DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        // The platform hands the page window its copy of the record, whose
        // parameter is the page object.
        const auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        page = record ? reinterpret_cast<PropertyPage*>(record->lParam) : nullptr;
        if (!page)
            return FALSE;
        page->window_ = window;
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    }
    if (!page)
        return FALSE;
    INT_PTR result = FALSE;
    const bool handled = page->Dispatch(message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        page->window_ = nullptr;
    }
    return handled ? result : FALSE;
}

bool PropertyPage::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) noexcept {
    try {
        return OnMessage(message, wParam, lParam, result);
    } catch (const XLogged& failure) {
        failure.Log();
    } catch (const std::exception&) {
        XLogged(E_OUTOFMEMORY, XLOGGED_SOURCE, __LINE__).Log();
    }
    result = FALSE;
    return true;
}

bool PropertyPage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (message != WM_NOTIFY)
        return false;
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || (header->hwndFrom != window_ && header->hwndFrom != GetParent(window_)))
        return false;
    switch (header->code) {
    case PSN_SETACTIVE:   // activation accepted
    case PSN_KILLACTIVE:  // leaving allowed
    case PSN_QUERYCANCEL: // cancel allowed
    case PSN_WIZBACK:     // default course
    case PSN_WIZNEXT:     // default course
    case PSN_WIZFINISH:   // finish allowed
        SetNotifyResult(0);
        result = TRUE;
        return true;
    case PSN_APPLY:
        SetNotifyResult(PSNRET_NOERROR);
        result = TRUE;
        return true;
    case PSN_RESET:
    case PSN_HELP:
        result = TRUE;
        return true;
    default:
        return false;
    }
}

HRESULT AddPageToSite(std::unique_ptr<PropertyPage> page, ISheetSite* site) {
    if (!site)
        THROW_XLOGGED(E_INVALIDARG);
    HPROPSHEETPAGE handle = page->CreatePageHandle();
    if (!handle)
        THROW_XLOGGED(E_FAIL);
    page.release(); // the handle's now: deleted when the handle goes
    const HRESULT added = site->AddPages(1, &handle);
    if (FAILED(added))
        DestroyPropertySheetPage(handle); // the site did not take it
    return added;
}

void PropertyPage::NotifyPageChanged() const {
    if (window_)
        SendMessageW(GetParent(window_), PSM_CHANGED, reinterpret_cast<WPARAM>(window_), 0);
}

void PropertyPage::SetNotifyResult(LONG_PTR value) const {
    if (window_)
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, value);
}

void GetControlText(HWND control, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0)
        return;
    buffer[0] = '\0';
    if (!control)
        return;
    std::vector<wchar_t> wide(capacity, L'\0');
    GetWindowTextW(control, wide.data(), static_cast<int>(capacity));
    text::narrow_bounded(buffer, capacity, wide.data());
}

void SetControlText(HWND control, const char* text) {
    if (!control)
        return;
    SetWindowTextW(control, text::widen(text ? text : "").c_str());
}

} // namespace suite
