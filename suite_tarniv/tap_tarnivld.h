// The linker's option page: output format, map file, segment usage,
// debugging information, in-circuit debugger, double width, warning level
// and the output file's root.
#pragma once

#include "resource.h"
#include "tap_base2.h"
#include "tool_options.h"

class CTAP_TARNIVld final : public suite::CTAP_Base2<CTAP_TARNIVld, suite::options::LinkerOptions> {
public:
    static constexpr wchar_t kTitle[] = L"TARNIV18 Linker";
    static constexpr suite::CategoryEntry kCategories[] = {{"(All Options)", IDD_LINKER_OPTIONS}};
    // The root edit holds at most this many characters.
    static constexpr size_t kRootSize = 1024;

    explicit CTAP_TARNIVld(const suite::PageArguments& arguments) : CTAP_Base2(arguments) {}

private:
    void FillLists() override;
    void ExchangeData(suite::Exchange direction) override;
    bool OnCommand(int id, int code, HWND control) override;

    static const CheckBox kCheckBoxes[]; // sized where defined
    static const LevelList kLevelLists[];
    bool rootEditGuard_ = false; // set while the page itself sets or reads the root edit
};
