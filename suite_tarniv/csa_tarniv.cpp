#include "csa_tarniv.h"

#include "xlogged.h"

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

HRESULT STDMETHODCALLTYPE CSA_TARNIV::CreatePages(ISheetSite*) {
    // The suite's page is not built yet, so no page is handed to the site.
    return E_NOTIMPL;
}
