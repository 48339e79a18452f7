#include "class_table.h"

#include "csa_tarniv.h"
#include "cta_tarniv.h"
#include "cs_tarniv.h"
#include "ct_tarniv.h"
#include "resource.h"

namespace suite::module {

namespace {

// Order: S_TARNIV18, SA_TARNIV18, T_TARNIV18as, T_TARNIV18cc, T_TARNIV18ld,
// TA_TARNIV18as, TA_TARNIV18cc, TA_TARNIV18ld. Each class joins when built:
//   {L"S_TARNIV18", &CLSID_S_TARNIV18, &com::create_instance<CS_TARNIV>, IDR_S_TARNIV18},
// The placeholder keeps the array non-empty; its null CLSID matches nothing.
const ClassEntry kClasses[] = {
    {L"S_TARNIV18", &CLSID_S_TARNIV18, &com::create_instance<CS_TARNIV>, IDR_S_TARNIV18},
    {L"SA_TARNIV18", &CLSID_SA_TARNIV18, &com::create_instance<CSA_TARNIV>, IDR_SA_TARNIV18},
    {L"T_TARNIV18as", &CLSID_T_TARNIV18as, &com::create_instance<CT_TARNIVas>, IDR_T_TARNIV18AS},
    {L"T_TARNIV18cc", &CLSID_T_TARNIV18cc, &com::create_instance<CT_TARNIVcc>, IDR_T_TARNIV18CC},
    {L"T_TARNIV18ld", &CLSID_T_TARNIV18ld, &com::create_instance<CT_TARNIVld>, IDR_T_TARNIV18LD},
    {L"TA_TARNIV18as", &CLSID_TA_TARNIV18as, &com::create_instance<CTA_TARNIVas>, IDR_TA_TARNIV18AS},
    {L"TA_TARNIV18cc", &CLSID_TA_TARNIV18cc, &com::create_instance<CTA_TARNIVcc>, IDR_TA_TARNIV18CC},
    {L"TA_TARNIV18ld", &CLSID_TA_TARNIV18ld, &com::create_instance<CTA_TARNIVld>, IDR_TA_TARNIV18LD},
};

constexpr bool is_placeholder(const ClassEntry& entry) {
    return entry.clsid == nullptr;
}

} // namespace

const ClassEntry* class_table_begin() noexcept {
    return is_placeholder(kClasses[0]) ? kClasses + 1 : kClasses;
}
const ClassEntry* class_table_end() noexcept {
    return kClasses + sizeof kClasses / sizeof kClasses[0];
}

} // namespace suite::module
