#include "tap_tarnivcc.h"

#include "text.h"
#include "tinydlg.h"

#include <windowsx.h>

#include <vector>

using suite::options::CompilerOptions;

const CTAP_TARNIVcc::CheckBox CTAP_TARNIVcc::kCheckBoxes[] = {
    {IDC_CC_SIGNED_CHAR, &CompilerOptions::signedChar}, {IDC_CC_STRICT, &CompilerOptions::strict},
    {IDC_CC_POST_PASS, &CompilerOptions::postPass},     {IDC_CC_STRIP_LOCALS, &CompilerOptions::stripLocals},
    {IDC_CC_DEBUG_INFO, &CompilerOptions::debugInfo},   {IDC_CC_ICD, &CompilerOptions::icd},
    {IDC_CC_ASM_LIST, &CompilerOptions::asmList},       {IDC_CC_PREPROCESSED, &CompilerOptions::preprocessed},
    {IDC_CC_PROTOTYPES, &CompilerOptions::prototypes},  {IDC_CC_ASM_ONLY, &CompilerOptions::asmOnly},
};

const CTAP_TARNIVcc::LevelList CTAP_TARNIVcc::kLevelLists[] = {
    {IDC_CC_OPTIMIZATION_LEVEL, &CompilerOptions::optimization},
    {IDC_CC_WARNING_LEVEL, &CompilerOptions::warning},
};

void CTAP_TARNIVcc::FillLists() {
    FillLevelLists(kLevelLists);
}

void CTAP_TARNIVcc::ExchangeData(suite::Exchange direction) {
    ExchangeCheckBoxes(direction, kCheckBoxes);
    if (direction == suite::Exchange::Save) {
        options_.double32 = IsChecked(IDC_CC_DOUBLE_32);
        SaveMacros();
        ExchangeLevelLists(direction, kLevelLists);
        return;
    }
    SetChecked(IDC_CC_DOUBLE_24, !options_.double32);
    SetChecked(IDC_CC_DOUBLE_32, options_.double32);
    LoadMacros();
    ExchangeLevelLists(direction, kLevelLists);
    ShowText();
}

void CTAP_TARNIVcc::SaveMacros() {
    options_.macros.clear();
    HWND list = Control(IDC_CC_MACROS);
    const int count = list ? ListBox_GetCount(list) : 0;
    options_.hasMacros = count > 0;
    std::vector<wchar_t> item;
    char macro[kTextSize];
    for (int i = 0; i < count; ++i) {
        const int length = ListBox_GetTextLen(list, i);
        if (length < 0)
            continue;
        item.assign(static_cast<size_t>(length) + 1, L'\0');
        ListBox_GetText(list, i, item.data());
        suite::text::narrow_bounded(macro, sizeof macro, item.data()); // at most 2047 characters
        options_.macros.emplace_back(macro);
    }
}

void CTAP_TARNIVcc::LoadMacros() {
    HWND list = Control(IDC_CC_MACROS);
    if (!list)
        return;
    ListBox_ResetContent(list);
    for (const std::string& macro : options_.macros)
        ListBox_AddString(list, suite::text::widen(macro).c_str());
}

void CTAP_TARNIVcc::AddMacro() {
    suite::CTinyDlg dialog(IDD_ENTER_MACRO, L"Enter Macro", IDC_MACRO_TEXT);
    // Owned by the active window; a sheet that is not active (a host driving
    // it) lends its own window.
    if (dialog.DoModal(GetAncestor(Window(), GA_ROOT)) == IDOK && dialog.Text()[0] != '\0')
        ListBox_AddString(Control(IDC_CC_MACROS), suite::text::widen(dialog.Text()).c_str());
    OnControlChanged();
}

bool CTAP_TARNIVcc::OnCommand(int id, int code, HWND) {
    switch (id) {
    case IDC_CC_DOUBLE_24:
    case IDC_CC_DOUBLE_32:
        break;
    case IDC_CC_OPTIMIZATION_LEVEL:
    case IDC_CC_WARNING_LEVEL:
        if (code == CBN_SELCHANGE)
            OnControlChanged();
        return true;
    case IDC_CC_MACRO_ADD:
        if (code == BN_CLICKED)
            AddMacro();
        return true;
    case IDC_CC_MACRO_REMOVE:
        if (code == BN_CLICKED) {
            HWND list = Control(IDC_CC_MACROS);
            const int selected = ListBox_GetCurSel(list);
            if (selected != LB_ERR) {
                ListBox_DeleteString(list, selected);
                OnControlChanged();
            }
        }
        return true;
    case IDC_CC_MACRO_REMOVE_ALL:
        if (code == BN_CLICKED) {
            ListBox_ResetContent(Control(IDC_CC_MACROS));
            OnControlChanged();
        }
        return true;
    default:
        if (!IsOneOf(id, kCheckBoxes))
            return false;
        break;
    }
    if (code == BN_CLICKED)
        OnControlChanged();
    return true;
}
