#include "tap_tarnivas.h"

using suite::options::AssemblerOptions;

const CTAP_TARNIVas::CheckBox CTAP_TARNIVas::kCheckBoxes[] = {
    {IDC_AS_CROSS_REFERENCE, &AssemblerOptions::crossReference},
    {IDC_AS_OPTIMIZE, &AssemblerOptions::optimize},
    {IDC_AS_STRIP_LOCALS, &AssemblerOptions::stripLocals},
};

void CTAP_TARNIVas::ExchangeData(suite::Exchange direction) {
    ExchangeCheckBoxes(direction, kCheckBoxes);
    if (direction == suite::Exchange::Load)
        ShowText();
}

bool CTAP_TARNIVas::OnCommand(int id, int code, HWND) {
    if (!IsOneOf(id, kCheckBoxes))
        return false;
    if (code == BN_CLICKED)
        OnControlChanged();
    return true;
}
