#include "csa_tarniv.h"

#include "property_page.h"
#include "resource.h"
#include "xlogged.h"

#include <memory>

namespace {

// The suite's page: this toolchain has no suite-wide options, so it is blank
// and answers the sheet's notifications with the neutral answers.
class CSuitePage final : public suite::PropertyPage {
public:
    CSuitePage() : PropertyPage(IDD_SUITE_PAGE, L"Suite") {}
};

} // namespace

HRESULT STDMETHODCALLTYPE CSA_TARNIV::GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*) {
    // The line passes through as it came: the suite adds no options.
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CSA_TARNIV::GetOwnerGUID(GUID* pclsidSuite) {
    try {
        if (!pclsidSuite)
            THROW_XLOGGED(E_POINTER);
        *pclsidSuite = CLSID_SA_TARNIV18;
        return S_OK;
    } catch (const XLogged& failure) {
        failure.Log();
        return failure.GetHResult();
    }
}

HRESULT STDMETHODCALLTYPE CSA_TARNIV::GetCmdLine(LPWSTR* ppwszCmdLine) {
    return text_.Get(ppwszCmdLine);
}

HRESULT STDMETHODCALLTYPE CSA_TARNIV::SetCmdLine(LPCWSTR pwszCmdLine) {
    return text_.Set(pwszCmdLine);
}

HRESULT STDMETHODCALLTYPE CSA_TARNIV::CreatePages(ISheetSite* site) {
    try {
        return suite::AddPageToSite(std::make_unique<CSuitePage>(), site);
    } catch (const XLogged& failure) {
        failure.Log();
        return failure.GetHResult();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
