#include "host_ui.h"

#include <iterator>

namespace veska::host {

namespace {

MenuEntry entry_of(const _MENUITEM& item) {
    // Copies of the texts: they stay the plug-in's.
    return MenuEntry{item.lCommandID,  in_text(item.pszName), in_text(item.pszStatusBarText),
                     item.fFlags,      item.fSpecialFlags,    item.fState,
                     item.HotKey.wKey, item.HotKey.bModifier, std::nullopt};
}

// The entry with this command id, or null.
template <class Entries> auto* find_by_id(Entries& entries, long id) noexcept {
    for (auto& entry : entries)
        if (entry.id == id)
            return &entry;
    return static_cast<decltype(&entries.front())>(nullptr);
}

template <class Entries> HRESULT remove_by_id(Entries& entries, long id) {
    auto* entry = find_by_id(entries, id);
    if (!entry)
        return E_INVALIDARG;
    entries.erase(entries.begin() + (entry - entries.data()));
    return S_OK;
}

// An item's state, for a menu item or a toolbar control.
template <class Entry> HRESULT state_out(const Entry* entry, long* state) {
    return entry ? value_out(entry->state, state) : state ? E_INVALIDARG : E_POINTER;
}

template <class Entry> HRESULT set_state(Entry* entry, long state) {
    if (!entry)
        return E_INVALIDARG;
    entry->state = state;
    return S_OK;
}

bool bitmap_size(HBITMAP bitmap, SIZE& size) {
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info)
        return false;
    size = SIZE{info.bmWidth, info.bmHeight};
    return true;
}

} // namespace

HostMenu::HostMenu(std::shared_ptr<Recorder> recorder) : recording_(std::move(recorder), "IMenu") {}

const MenuEntry* HostMenu::find(long id) const noexcept {
    return find_by_id(items_, id);
}

void HostMenu::add_host_item(long id, std::wstring name) {
    MenuEntry& entry = items_.emplace_back();
    entry.id = id;
    entry.name = std::move(name);
}

HRESULT HostMenu::AddItem(_MENUITEM* pItem) {
    const auto item = [&] {
        return pItem ? Argument::joined(
                           {{"id", pItem->lCommandID}, {"name", pItem->pszName}, {"state", pItem->fState}})
                     : std::string("null");
    };
    return recording_.call(__func__, {Argument::deferred(item)}, [&] {
        if (!pItem)
            return E_POINTER;
        if (find(pItem->lCommandID))
            return E_INVALIDARG; // one item per command
        items_.push_back(entry_of(*pItem));
        return S_OK;
    });
}

HRESULT HostMenu::InsertItemBeforeID(_MENUITEM* pItem, long lRefCommandID) {
    const auto item = [&] {
        return pItem ? Argument::joined(
                           {{"id", pItem->lCommandID}, {"before", lRefCommandID}, {"name", pItem->pszName}})
                     : Argument::joined({Argument::verbatim("null"), {"before", lRefCommandID}});
    };
    return recording_.call(__func__, {Argument::deferred(item)}, [&] {
        if (!pItem)
            return E_POINTER;
        if (find(pItem->lCommandID))
            return E_INVALIDARG;
        // Items inserted before the same reference stack up in front of it,
        // the last one first: a plug-in inserting its items in reverse gets
        // them in its own order. An unknown reference means the end.
        const MenuEntry* reference = find(lRefCommandID);
        auto position = reference ? items_.begin() + (reference - items_.data()) : items_.end();
        while (position != items_.begin() && std::prev(position)->insertedBefore == lRefCommandID)
            --position;
        MenuEntry entry = entry_of(*pItem);
        entry.insertedBefore = lRefCommandID;
        items_.insert(position, std::move(entry));
        return S_OK;
    });
}

HRESULT HostMenu::RemoveItem(long lID) {
    return recording_.call(__func__, {{"id", lID}}, [&] { return remove_by_id(items_, lID); });
}

HRESULT HostMenu::GetItemState(long lID, long* fState) {
    return recording_.call(__func__, {{"id", lID}}, [&] { return state_out(find(lID), fState); });
}

HRESULT HostMenu::SetItemState(long lID, long fState) {
    return recording_.call(__func__, {{"id", lID}, {"state", fState}},
                           [&] { return set_state(find_by_id(items_, lID), fState); });
}

HRESULT HostMenu::SetItemText(long lID, LPCWSTR lpszText) {
    return recording_.call(__func__, {{"id", lID}, lpszText}, [&] {
        MenuEntry* item = find_by_id(items_, lID);
        if (!item)
            return E_INVALIDARG;
        item->name = in_text(lpszText);
        return S_OK;
    });
}

HostToolbar::HostToolbar(std::shared_ptr<Recorder> recorder) : recording_(std::move(recorder), "IToolbar") {}

unsigned int HostToolbar::image_count() const noexcept {
    unsigned int count = 0;
    for (const ToolbarBitmap& bitmap : bitmaps_)
        count += bitmap.buttonCount;
    return count;
}

const ToolbarEntry* HostToolbar::find(long id) const noexcept {
    return find_by_id(controls_, id);
}

HRESULT HostToolbar::AddBitmap(unsigned int uButtonCount, HBITMAP hSmallButtons, HBITMAP hLargeButtons,
                               unsigned long cMaskColor) {
    char mask[16];
    snprintf(mask, sizeof mask, "0x%06lX", cMaskColor);
    return recording_.call(__func__, {{"count", uButtonCount}, {"mask", Argument::verbatim(mask)}}, [&] {
        ToolbarBitmap bitmap{uButtonCount, cMaskColor, {}};
        SIZE largeSize{};
        if (uButtonCount == 0 || !bitmap_size(hSmallButtons, bitmap.smallSize) ||
            !bitmap_size(hLargeButtons, largeSize))
            return E_INVALIDARG;
        bitmaps_.push_back(bitmap);
        return S_OK;
    });
}

HRESULT HostToolbar::AddControl(_TOOLBARCONTROL* pControl) {
    const auto control = [&] {
        return pControl ? Argument::joined({{"id", pControl->lCommandID},
                                            {"image", pControl->fFlags},
                                            {"style", pControl->fStyle},
                                            {"tooltip", pControl->pszTooltipText}})
                        : std::string("null");
    };
    return recording_.call(__func__, {Argument::deferred(control)}, [&] {
        if (!pControl)
            return E_POINTER;
        if (find(pControl->lCommandID))
            return E_INVALIDARG;
        controls_.push_back(ToolbarEntry{pControl->lCommandID, pControl->lInsertionPoint, pControl->fFlags,
                                         pControl->fStyle, pControl->fState,
                                         in_text(pControl->pszStatusBarText),
                                         in_text(pControl->pszTooltipText), pControl->sWidth});
        return S_OK;
    });
}

HRESULT HostToolbar::RemoveControl(unsigned int uID) {
    return recording_.call(__func__, {{"id", uID}},
                           [&] { return remove_by_id(controls_, static_cast<long>(uID)); });
}

HRESULT HostToolbar::GetControl(unsigned int uID, HWND* phWnd) {
    return recording_.call(__func__, {{"id", uID}}, [&] {
        if (!phWnd)
            return E_POINTER;
        *phWnd = nullptr;
        // A headless toolbar has no windows for its controls.
        return find(static_cast<long>(uID)) ? S_FALSE : E_INVALIDARG;
    });
}

HRESULT HostToolbar::GetItemState(unsigned int uID, long* fState) {
    return recording_.call(__func__, {{"id", uID}},
                           [&] { return state_out(find(static_cast<long>(uID)), fState); });
}

HRESULT HostToolbar::SetItemState(unsigned int uID, long fState) {
    return recording_.call(__func__, {{"id", uID}, {"state", fState}},
                           [&] { return set_state(find_by_id(controls_, static_cast<long>(uID)), fState); });
}

HostSheetSite::HostSheetSite(std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "ISheetSite") {}

HostSheetSite::~HostSheetSite() {
    // Pages never shown are still ours to destroy.
    for (HPROPSHEETPAGE page : pages_)
        DestroyPropertySheetPage(page);
}

HRESULT HostSheetSite::AddPages(unsigned long count, HPROPSHEETPAGE* pages) {
    return recording_.call(__func__, {count}, [&] {
        if (count && !pages)
            return E_POINTER;
        for (unsigned long i = 0; i < count; ++i)
            if (!pages[i])
                return E_INVALIDARG;
        pages_.insert(pages_.end(), pages, pages + count);
        return S_OK;
    });
}

INT_PTR HostSheetSite::show(const std::wstring& caption, HWND parent, DWORD flags) {
    if (pages_.empty())
        return -1;
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = flags;
    header.hwndParent = parent;
    header.pszCaption = caption.c_str();
    header.nPages = static_cast<UINT>(pages_.size());
    header.phpage = pages_.data();
    const INT_PTR answer = PropertySheetW(&header);
    pages_.clear(); // the sheet owns the pages now, whether it opened or not
    return answer;
}

} // namespace veska::host
