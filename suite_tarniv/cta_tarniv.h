// The tool-arguments classes of the three tools: the option text of the
// assembler, the C compiler or the linker for a project or one of its files.
#pragma once

#include "ta_base2.h"
#include "tap_tarnivas.h"
#include "tap_tarnivcc.h"
#include "tap_tarnivld.h"

// Each tool's default text: what a new object holds and what "Restore
// Defaults" puts back.
inline constexpr char kAssemblerDefaultText[] = "";
inline constexpr char kCompilerDefaultText[] = "-G";
inline constexpr char kLinkerDefaultText[] = "-O\"$(TARGETBASE).cof\"";

class CTA_TARNIVas final : public suite::CTA_Base2<CTA_TARNIVas, &CLSID_TA_TARNIV18as, &CLSID_T_TARNIV18as,
                                                   kAssemblerDefaultText, CTAP_TARNIVas> {};

class CTA_TARNIVcc final : public suite::CTA_Base2<CTA_TARNIVcc, &CLSID_TA_TARNIV18cc, &CLSID_T_TARNIV18cc,
                                                   kCompilerDefaultText, CTAP_TARNIVcc> {};

class CTA_TARNIVld final : public suite::CTA_Base2<CTA_TARNIVld, &CLSID_TA_TARNIV18ld, &CLSID_T_TARNIV18ld,
                                                   kLinkerDefaultText, CTAP_TARNIVld> {};
