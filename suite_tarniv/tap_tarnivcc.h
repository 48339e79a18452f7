// The C compiler's option page: General (char, strict ANSI, double width,
// macro definitions), Output & Debug (optimisation level and switches,
// debugging) and Diagnostics (listings and the warning level).
#pragma once

#include "resource.h"
#include "tap_base2.h"
#include "tool_options.h"

class CTAP_TARNIVcc final : public suite::CTAP_Base2<CTAP_TARNIVcc, suite::options::CompilerOptions> {
public:
    static constexpr wchar_t kTitle[] = L"TARNIV18 C Compiler";
    static constexpr suite::CategoryEntry kCategories[] = {
        {"General", IDD_COMPILER_GENERAL},
        {"Output & Debug", IDD_COMPILER_OUTPUT},
        {"Diagnostics", IDD_COMPILER_DIAGNOSTICS},
    };

    explicit CTAP_TARNIVcc(const suite::PageArguments& arguments) : CTAP_Base2(arguments) {}

private:
    void FillLists() override;
    void ExchangeData(suite::Exchange direction) override;
    bool OnCommand(int id, int code, HWND control) override;

    void AddMacro();
    void SaveMacros();
    void LoadMacros();

    static const CheckBox kCheckBoxes[]; // sized where defined
    static const LevelList kLevelLists[];
};
