// The host's menus, toolbar and settings-sheet site, headless: each keeps
// what the plug-in put into it so tests and the command line can read it.
#pragma once

#include "com_object.h"
#include "host_common.h"

#include <commctrl.h>
#include <prsht.h>

#include <optional>
#include <vector>

namespace veska::host {

struct MenuEntry {
    long id = 0;
    std::wstring name;
    std::wstring statusText;
    long flags = 0;
    long specialFlags = 0;
    long state = 0;
    unsigned short hotKey = 0;
    unsigned char hotKeyModifier = 0;
    std::optional<long> insertedBefore; // the reference it was inserted with
};

class HostMenu : public suite::com::Object<HostMenu, IMenu> {
public:
    explicit HostMenu(std::shared_ptr<Recorder> recorder = nullptr);

    // The items in menu order.
    const std::vector<MenuEntry>& items() const noexcept { return items_; }
    const MenuEntry* find(long id) const noexcept;
    // An item of the host's own (a reference point for the plug-in's items).
    void add_host_item(long id, std::wstring name);

    HRESULT STDMETHODCALLTYPE AddItem(_MENUITEM* pItem) override;
    HRESULT STDMETHODCALLTYPE InsertItemBeforeID(_MENUITEM* pItem, long lRefCommandID) override;
    HRESULT STDMETHODCALLTYPE RemoveItem(long lID) override;
    HRESULT STDMETHODCALLTYPE GetItemState(long lID, long* fState) override;
    HRESULT STDMETHODCALLTYPE SetItemState(long lID, long fState) override;
    HRESULT STDMETHODCALLTYPE SetItemText(long lID, LPCWSTR lpszText) override;

private:
    Recording recording_;
    std::vector<MenuEntry> items_;
};

struct ToolbarBitmap {
    unsigned int buttonCount = 0;
    unsigned long maskColor = 0;
    // The small images' size as handed over (the plug-in frees the bitmaps).
    SIZE smallSize{};
};

struct ToolbarEntry {
    long id = 0;
    long insertionPoint = 0;
    long flags = 0; // the image index for a button
    long style = 0;
    long state = 0;
    std::wstring statusText;
    std::wstring tooltip;
    short width = 0;
};

class HostToolbar : public suite::com::Object<HostToolbar, IToolbar> {
public:
    explicit HostToolbar(std::shared_ptr<Recorder> recorder = nullptr);

    const std::vector<ToolbarBitmap>& bitmaps() const noexcept { return bitmaps_; }
    // Images added so far: the index the next bitmap's first image gets.
    unsigned int image_count() const noexcept;
    const std::vector<ToolbarEntry>& controls() const noexcept { return controls_; }
    const ToolbarEntry* find(long id) const noexcept;

    HRESULT STDMETHODCALLTYPE AddBitmap(unsigned int uButtonCount, HBITMAP hSmallButtons,
                                        HBITMAP hLargeButtons, unsigned long cMaskColor) override;
    HRESULT STDMETHODCALLTYPE AddControl(_TOOLBARCONTROL* pControl) override;
    HRESULT STDMETHODCALLTYPE RemoveControl(unsigned int uID) override;
    HRESULT STDMETHODCALLTYPE GetControl(unsigned int uID, HWND* phWnd) override;
    VESKA_HOST_ANSWER(controls_.clear(), RemoveControls, ())
    HRESULT STDMETHODCALLTYPE GetItemState(unsigned int uID, long* fState) override;
    HRESULT STDMETHODCALLTYPE SetItemState(unsigned int uID, long fState) override;
    VESKA_HOST_ANSWER(S_OK, AutoResize, ())

private:
    Recording recording_;
    std::vector<ToolbarBitmap> bitmaps_;
    std::vector<ToolbarEntry> controls_;
};

// A property sheet made from the collected pages; destroyed with this owner.
// SheetDriver works it (its page, Apply, OK).
using PropertySheetWindow = suite::UniqueWindow;

class HostSheetSite : public suite::com::Object<HostSheetSite, ISheetSite> {
public:
    explicit HostSheetSite(std::shared_ptr<Recorder> recorder = nullptr);
    ~HostSheetSite() override;

    // Page handles handed over and not yet given to a sheet (owned here).
    const std::vector<HPROPSHEETPAGE>& pages() const noexcept { return pages_; }
    // Makes a modeless sheet of the collected pages, which then belong to it.
    // An empty window when the platform refuses.
    PropertySheetWindow create_sheet(const std::wstring& caption, HWND parent = nullptr) {
        const INT_PTR window = show(caption, parent, PSH_MODELESS);
        return PropertySheetWindow(window == -1 ? nullptr : reinterpret_cast<HWND>(window));
    }
    // Shows the collected pages in a modal sheet for a person; they belong to
    // it then. The platform's answer: positive when changes were saved, 0 when
    // not, -1 when the sheet could not open.
    INT_PTR show_modal(const std::wstring& caption, HWND parent = nullptr) {
        return show(caption, parent, PSH_DEFAULT);
    }

    HRESULT STDMETHODCALLTYPE AddPages(unsigned long count, HPROPSHEETPAGE* pages) override;

private:
    // The sheet's answer: its window or the modal result; -1 without pages.
    INT_PTR show(const std::wstring& caption, HWND parent, DWORD flags);

    Recording recording_;
    std::vector<HPROPSHEETPAGE> pages_;
};

} // namespace veska::host
