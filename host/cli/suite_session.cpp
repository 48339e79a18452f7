#include "suite_session.h"

namespace veska::host::cli {

const ModuleClass kModuleClasses[8] = {
    {&CLSID_S_TARNIV18, "S_TARNIV18"},       {&CLSID_SA_TARNIV18, "SA_TARNIV18"},
    {&CLSID_T_TARNIV18as, "T_TARNIV18as"},   {&CLSID_T_TARNIV18cc, "T_TARNIV18cc"},
    {&CLSID_T_TARNIV18ld, "T_TARNIV18ld"},   {&CLSID_TA_TARNIV18as, "TA_TARNIV18as"},
    {&CLSID_TA_TARNIV18cc, "TA_TARNIV18cc"}, {&CLSID_TA_TARNIV18ld, "TA_TARNIV18ld"},
};

std::string class_name(const GUID& clsid) {
    for (const ModuleClass& entry : kModuleClasses)
        if (IsEqualCLSID(*entry.clsid, clsid))
            return entry.name;
    return guid_text(&clsid);
}

SuiteSession::SuiteSession()
    : registration_(nullptr), manager_(suite::com::make<HostProjectManager>(std::make_shared<Recorder>())) {}

SuiteSession::~SuiteSession() {
    if (manager_)
        manager_->shutdown();
}

HRESULT SuiteSession::status() const noexcept {
    if (FAILED(com_.result()))
        return com_.result();
    return registration_.status();
}

HRESULT SuiteSession::create_suite() {
    suite::ComPtr<ISuite> suite;
    const HRESULT created =
        CoCreateInstance(CLSID_S_TARNIV18, nullptr, CLSCTX_INPROC_SERVER, IID_ISuite, suite.put_void());
    if (FAILED(created))
        return created;
    return attach_suite(std::move(suite));
}

HRESULT SuiteSession::attach_suite(suite::ComPtr<ISuite> suite) {
    if (!suite)
        return E_POINTER;
    const HRESULT connected = suite->SetManager(manager_.get());
    if (FAILED(connected))
        return connected;
    suite_ = suite;
    manager_->add_suite(std::move(suite));
    // Results ignored, as the IDE does: a tool without a stored location
    // simply has none yet.
    suite_->LoadToolLocations();
    return S_OK;
}

} // namespace veska::host::cli
