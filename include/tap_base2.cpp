#include "tap_base2.h"

#include "module_instance.h"
#include "option_frame_ids.h"
#include "text.h"
#include "xlogged.h"

#include <uxtheme.h>
#include <windowsx.h>

#include <cstring>

namespace suite {

OptionPageFrame::OptionPageFrame(const PageArguments& arguments, const wchar_t* title,
                                 const CategoryEntry* categories, size_t categoryCount)
    : PropertyPage(IDD_OPTIONS_FRAME, title), storedText_(arguments.storedText),
      defaultText_(arguments.defaultText), defaultFlag_(arguments.defaultFlag),
      alternateFlag_(arguments.alternateFlag), parentAlternate_(arguments.parentAlternate),
      projectLevel_(arguments.projectLevel), project_(arguments.project), node_(arguments.node),
      display_(arguments.display), owner_(arguments.owner), categories_(categories),
      categoryCount_(categoryCount) {
    if (!arguments.storedText || !arguments.inheritedText || !arguments.defaultText ||
        !arguments.defaultFlag || !arguments.alternateFlag || !arguments.project || !arguments.display)
        THROW_XLOGGED(E_INVALIDARG);
    text::copy_bounded(working_, kTextSize, storedText_);
    text::copy_bounded(inheritedText_, kTextSize, arguments.inheritedText);
}

OptionPageFrame::~OptionPageFrame() = default;

// --- Steps offered to the tool pages ---

void OptionPageFrame::ReadCurrentText() {
    GetControlText(IsDlgButtonChecked(Window(), IDC_USE_ALTERNATE) == BST_CHECKED ? alternateLine_
                                                                                  : generatedLine_,
                   working_, kTextSize);
}

void OptionPageFrame::ShowText() {
    SetControlText(generatedLine_, working_);
    NotifyPageChanged();
}

void OptionPageFrame::SyncFromText() {
    ResetOptions();
    if (parser_)
        parser_->ParseLine();
}

void OptionPageFrame::SyncToText() {
    if (parser_)
        parser_->GenerateLine();
    ShowText();
}

void OptionPageFrame::UpdateInheritCheck() {
    if (projectLevel_)
        return;
    ReadCurrentText();
    if (std::strcmp(working_, inheritedText_) != 0)
        Button_SetCheck(inherit_, BST_UNCHECKED);
}

void OptionPageFrame::OnControlChanged() {
    ExchangeData(Exchange::Save);
    SyncToText();
    UpdateInheritCheck();
}

// --- Controls of the category dialogs ---

HWND OptionPageFrame::Control(int id) const {
    for (HWND dialog : categoryDialogs_)
        if (HWND control = dialog ? GetDlgItem(dialog, id) : nullptr)
            return control;
    return nullptr;
}

bool OptionPageFrame::IsChecked(int id) const {
    HWND control = Control(id);
    return control && Button_GetCheck(control) == BST_CHECKED;
}

void OptionPageFrame::SetChecked(int id, bool checked) const {
    if (HWND control = Control(id))
        Button_SetCheck(control, checked ? BST_CHECKED : BST_UNCHECKED);
}

void OptionPageFrame::FillLevelList(int id) const {
    HWND list = Control(id);
    if (!list)
        return;
    ComboBox_ResetContent(list);
    for (int item = 0; item < LevelFlags::kItemCount; ++item)
        ComboBox_AddString(list, text::widen(LevelFlags::ItemText(item)).c_str());
    ComboBox_SetCurSel(list, LevelFlags::kNoLevelItem);
}

int OptionPageFrame::Selection(int id) const {
    HWND list = Control(id);
    return list ? ComboBox_GetCurSel(list) : CB_ERR;
}

void OptionPageFrame::Select(int id, int item) const {
    if (HWND list = Control(id))
        ComboBox_SetCurSel(list, item);
}

// --- Messages ---

bool OptionPageFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_INITDIALOG:
        InitDialog();
        result = TRUE;
        return true;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        HWND control = reinterpret_cast<HWND>(lParam);
        // The frame's ids and the tools' ids overlap (the linker's root edit
        // is 204, as is "Inherit global settings"): the sender's dialog tells.
        const bool fromCategory = control && GetParent(control) != Window();
        const bool handled = fromCategory ? OnCommand(id, code, control) : OnFrameCommand(id, code);
        result = FALSE;
        return handled;
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->code == PSN_APPLY) {
            Apply();
            SetNotifyResult(PSNRET_NOERROR);
            result = TRUE;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return PropertyPage::OnMessage(message, wParam, lParam, result);
}

INT_PTR CALLBACK OptionPageFrame::CategoryProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The page that created this dialog, not the latest page of its class:
        // two pages of one tool may be open at once.
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return FALSE;
    }
    auto* page = reinterpret_cast<OptionPageFrame*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!page || !page->Window())
        return FALSE;
    INT_PTR result = FALSE;
    return page->Dispatch(message, wParam, lParam, result) ? result : FALSE;
}

void OptionPageFrame::InitDialog() {
    parser_ = std::make_unique<OptionParser>();
    parser_->SetLineBuffer(working_, kTextSize);
    AddPatterns(*parser_);

    HWND page = Window();
    generatedLine_ = GetDlgItem(page, IDC_GENERATED_LINE);
    alternateLine_ = GetDlgItem(page, IDC_ALTERNATE_LINE);
    useAlternate_ = GetDlgItem(page, IDC_USE_ALTERNATE);
    categoryList_ = GetDlgItem(page, IDC_CATEGORIES);
    inherit_ = GetDlgItem(page, IDC_INHERIT);
    Edit_LimitText(alternateLine_, kTextSize - 1);

    if (projectLevel_)
        EnableWindow(inherit_, FALSE);
    else
        Button_SetCheck(inherit_, *defaultFlag_ ? BST_CHECKED : BST_UNCHECKED);

    SetAlternateText(storedText_);
    const bool alternate = (!projectLevel_ && *defaultFlag_ && parentAlternate_) || *alternateFlag_;
    Button_SetCheck(useAlternate_, alternate ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(alternateLine_, alternate);

    for (size_t i = 0; i < categoryCount_; ++i)
        ComboBox_AddString(categoryList_, text::widen(categories_[i].name).c_str());
    ComboBox_SetCurSel(categoryList_, 0);
    CreateCategoryDialogs();

    FillLists();

    ResetOptions();
    text::copy_bounded(working_, kTextSize, storedText_);
    SyncFromText();
    ExchangeData(Exchange::Load);
    SyncToText();
}

void OptionPageFrame::CreateCategoryDialogs() {
    categoryDialogs_.assign(categoryCount_, nullptr);
    // Last to first, each placed right after the categories list: the tab
    // order then runs list, first category, ..., the frame's switches.
    for (size_t i = categoryCount_; i-- > 0;) {
        HWND dialog = CreateDialogParamW(module_instance(), MAKEINTRESOURCEW(categories_[i].dialog), Window(),
                                         &OptionPageFrame::CategoryProcedure, reinterpret_cast<LPARAM>(this));
        if (!dialog)
            continue;
        RECT offset{10, 35, 0, 0}; // dialog units of the child's own font
        MapDialogRect(dialog, &offset);
        RECT bounds;
        GetWindowRect(dialog, &bounds);
        MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&bounds), 2);
        // Drawn on the page's own (themed) background, not as a grey panel.
        EnableThemeDialogTexture(dialog, ETDT_ENABLETAB);
        SetWindowPos(dialog, categoryList_ ? categoryList_ : HWND_TOP, bounds.left + offset.left,
                     bounds.top + offset.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        categoryDialogs_[i] = dialog;
    }
    ShowCategory(0);
}

void OptionPageFrame::ShowCategory(int index) {
    for (size_t i = 0; i < categoryDialogs_.size(); ++i)
        if (categoryDialogs_[i] && static_cast<int>(i) != index)
            ShowWindow(categoryDialogs_[i], SW_HIDE);
    if (index >= 0 && static_cast<size_t>(index) < categoryDialogs_.size() && categoryDialogs_[index])
        ShowWindow(categoryDialogs_[index], SW_SHOW);
}

bool OptionPageFrame::OnFrameCommand(int id, int code) {
    switch (id) {
    case IDC_CATEGORIES:
        if (code == CBN_SELCHANGE)
            ShowCategory(ComboBox_GetCurSel(categoryList_));
        return true;
    case IDC_INHERIT:
        if (code == BN_CLICKED)
            OnInheritClicked();
        return true;
    case IDC_RESTORE_DEFAULTS:
        if (code == BN_CLICKED)
            OnRestoreDefaults();
        return true;
    case IDC_USE_ALTERNATE:
        if (code == BN_CLICKED)
            OnUseAlternateClicked();
        return true;
    case IDC_ALTERNATE_LINE:
        if (code == EN_CHANGE && !alternateTextGuard_)
            UpdateInheritCheck();
        return true;
    default:
        return false;
    }
}

void OptionPageFrame::SetAlternateText(const char* text) {
    alternateTextGuard_ = true;
    SetControlText(alternateLine_, text);
    alternateTextGuard_ = false;
}

void OptionPageFrame::OnInheritClicked() {
    if (Button_GetCheck(inherit_) != BST_CHECKED)
        return;
    SetAlternateText(inheritedText_);
    Button_SetCheck(useAlternate_, parentAlternate_ ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(alternateLine_, parentAlternate_);
    text::copy_bounded(working_, kTextSize, inheritedText_);
    SyncFromText();
    ExchangeData(Exchange::Load);
    SyncToText();
}

void OptionPageFrame::OnRestoreDefaults() {
    ReadCurrentText();
    if (std::strcmp(working_, defaultText_) == 0)
        return;
    text::copy_bounded(working_, kTextSize, defaultText_);
    SyncFromText();
    ExchangeData(Exchange::Load); // shows the default text itself
    UpdateInheritCheck();
    NotifyPageChanged();
}

void OptionPageFrame::OnUseAlternateClicked() {
    UpdateInheritCheck();
    EnableWindow(alternateLine_, Button_GetCheck(useAlternate_) == BST_CHECKED);
    NotifyPageChanged();
}

void OptionPageFrame::Apply() {
    ReadCurrentText();
    *defaultFlag_ =
        projectLevel_ ? std::strcmp(working_, inheritedText_) == 0 : Button_GetCheck(inherit_) == BST_CHECKED;
    *alternateFlag_ = Button_GetCheck(useAlternate_) == BST_CHECKED;
    if (std::strcmp(storedText_, working_) == 0)
        return;
    // What was built with the old text is stale now.
    if (node_)
        node_->SetStable(0);
    else if (project_)
        project_->SetDefaultNodesStable(0);
    display_->SetReqSave(0, 1);
    text::copy_bounded(storedText_, kTextSize, working_);
}

} // namespace suite
