#include "tap_tarnivld.h"

#include <windowsx.h>

using suite::options::LinkerOptions;

const CTAP_TARNIVld::CheckBox CTAP_TARNIVld::kCheckBoxes[] = {
    {IDC_LD_MAP_FILE, &LinkerOptions::mapFile},
    {IDC_LD_SEGMENT_MAP, &LinkerOptions::segmentMap},
    {IDC_LD_FAKE_LOCALS, &LinkerOptions::fakeLocals},
    {IDC_LD_ICD, &LinkerOptions::icd},
};

const CTAP_TARNIVld::LevelList CTAP_TARNIVld::kLevelLists[] = {
    {IDC_LD_WARNING_LEVEL, &LinkerOptions::warning}};

namespace {

constexpr int kButtons[] = {IDC_LD_INTEL_HEX, IDC_LD_BINARY,      IDC_LD_MOTOROLA,
                            IDC_LD_MAP_FILE,  IDC_LD_SEGMENT_MAP, IDC_LD_FAKE_LOCALS,
                            IDC_LD_DOUBLE_24, IDC_LD_DOUBLE_32,   IDC_LD_ICD};

// Sets the flag for the span of the call.
class GuardScope {
public:
    explicit GuardScope(bool& guard) : guard_(guard) { guard_ = true; }
    GuardScope(const GuardScope&) = delete;
    GuardScope& operator=(const GuardScope&) = delete;
    ~GuardScope() { guard_ = false; }

private:
    bool& guard_;
};

} // namespace

void CTAP_TARNIVld::FillLists() {
    FillLevelLists(kLevelLists);
    Edit_LimitText(Control(IDC_LD_OUTPUT_ROOT), kRootSize - 1);
}

void CTAP_TARNIVld::ExchangeData(suite::Exchange direction) {
    ExchangeCheckBoxes(direction, kCheckBoxes);
    if (direction == suite::Exchange::Save) {
        options_.double32 = IsChecked(IDC_LD_DOUBLE_32);
        // "Intel HEX*" stands for neither switch: it never clears -INTEL.
        options_.binary = false;
        options_.motorola = false;
        if (IsChecked(IDC_LD_MOTOROLA))
            options_.motorola = true;
        else if (IsChecked(IDC_LD_BINARY))
            options_.binary = true;
        ExchangeLevelLists(direction, kLevelLists);

        GuardScope guard(rootEditGuard_);
        char root[kRootSize];
        suite::GetControlText(Control(IDC_LD_OUTPUT_ROOT), root, sizeof root);
        options_.outputValues.clear();
        options_.outputValues.emplace_back(root[0] ? root : LinkerOptions::kDefaultRoot);
        return;
    }
    SetChecked(IDC_LD_DOUBLE_24, !options_.double32);
    SetChecked(IDC_LD_DOUBLE_32, options_.double32);
    SetChecked(IDC_LD_MOTOROLA, options_.motorola);
    SetChecked(IDC_LD_BINARY, !options_.motorola && options_.binary);
    SetChecked(IDC_LD_INTEL_HEX, !options_.motorola && !options_.binary);
    ExchangeLevelLists(direction, kLevelLists);
    {
        GuardScope guard(rootEditGuard_);
        const bool defaultRoot = !options_.output || options_.outputValues.empty() ||
                                 options_.outputValues.front() == LinkerOptions::kDefaultRoot;
        suite::SetControlText(Control(IDC_LD_OUTPUT_ROOT),
                              defaultRoot ? ""
                                          : options_.outputValues.front().substr(0, kRootSize - 1).c_str());
    }
    ShowText();
}

bool CTAP_TARNIVld::OnCommand(int id, int code, HWND) {
    if (id == IDC_LD_WARNING_LEVEL) {
        if (code == CBN_SELCHANGE)
            OnControlChanged();
        return true;
    }
    if (id == IDC_LD_OUTPUT_ROOT) {
        // Every keystroke in the root regenerates the line.
        if (code == EN_CHANGE && !rootEditGuard_)
            OnControlChanged();
        return true;
    }
    for (int button : kButtons)
        if (button == id) {
            if (code == BN_CLICKED)
                OnControlChanged();
            return true;
        }
    return false;
}
