// The assembler's option page: cross-reference, optimisation and strip
// locals, one check box each.
#pragma once

#include "resource.h"
#include "tap_base2.h"
#include "tool_options.h"

class CTAP_TARNIVas final : public suite::CTAP_Base2<CTAP_TARNIVas, suite::options::AssemblerOptions> {
public:
    static constexpr wchar_t kTitle[] = L"TARNIV18 Assembler";
    static constexpr suite::CategoryEntry kCategories[] = {{"(All Options)", IDD_ASSEMBLER_OPTIONS}};

    explicit CTAP_TARNIVas(const suite::PageArguments& arguments) : CTAP_Base2(arguments) {}

private:
    void ExchangeData(suite::Exchange direction) override;
    bool OnCommand(int id, int code, HWND control) override;

    static const CheckBox kCheckBoxes[]; // sized where defined
};
