// Drives a real, modeless property sheet the way a person would, with the
// messages clicking, choosing and typing send, so tests and `veska-host
// options --do` can work an option page headless.
//
// Controls are found on the page's frame first, then on the category dialog
// shown now (the visible child dialog of the page). One exception: `type` and
// `text` look past a frame control that is not an edit to an edit of the
// category with the same id (the linker's output-root edit shares its id with
// the frame's "Inherit global settings" box).
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace veska::host {

class SheetDriver {
public:
    explicit SheetDriver(HWND sheet); // a modeless sheet (PropertySheetWindow::get())

    HWND sheet() const noexcept { return sheet_; }
    HWND page() const;            // the page shown now; null once the sheet closed
    HWND category_dialog() const; // the page's visible child dialog, if any
    HWND control(int id) const;   // frame first, then the category dialog; null when neither

    // Each returns false with a message in error() for an unknown control,
    // item or state (a disabled control cannot be worked either), and pumps
    // the queued messages afterwards.
    bool category(int index);       // item of combo 202 + CBN_SELCHANGE
    bool click(int id);             // button, check box or radio button (BM_CLICK)
    bool select(int id, int index); // drop-down list or list box item + its selection-change notification
    bool type(int id, const std::wstring& text); // the edit's new text + EN_CHANGE
    // Presses "Add..." (238) and, in the modal "Enter Macro" dialog it opens,
    // types text into 284 and presses OK.
    bool macro(const std::wstring& text);

    // NAME/value lines: "205", "283" (texts), "204", "282" ("checked" or
    // "unchecked", plus " disabled"), then each option control of the shown
    // category by id in z-order: check boxes and radio buttons as above, a
    // drop-down list its selected item's text, a list box its items joined
    // by " | ", an edit its text. Statics, group boxes and push buttons are
    // left out.
    std::vector<std::pair<std::wstring, std::wstring>> show() const;
    std::wstring text(int id) const; // a combo box's selected item, else the window text
    bool enabled(int id) const;
    int selection(int id) const; // combo box or list box; -1 none
    std::vector<std::wstring> items(int id) const;

    bool apply();  // the sheet's Apply; true when every page accepted it
    bool ok();     // applies, then the sheet closes; false when a page kept it open
    bool cancel(); // true when the sheet closed
    bool closed() const { return page() == nullptr; }
    // Apply or OK was accepted at least once.
    bool applied() const noexcept { return applied_; }

    const std::wstring& error() const noexcept { return error_; }
    // Runs the queued messages through the sheet's dialog handling.
    void pump() const;

private:
    bool fail(std::wstring message);
    HWND edit_or_control(int id) const;
    // The control to work: present (an edit, when edit: see edit_or_control)
    // and enabled, else null with the reason.
    HWND usable(int id, bool edit = false);
    // Presses OK or Cancel; true when the sheet closed.
    bool close_with(int button, const wchar_t* name);

    HWND sheet_;
    bool applied_ = false;
    std::wstring error_;
};

} // namespace veska::host
