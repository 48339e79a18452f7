// The suite-arguments class: the suite-wide counterpart of the tool-arguments
// objects. This toolchain has no suite-wide options, so its text is kept for
// the host but never enters a command line.
#pragma once

#include "com_object.h"
#include "option_text.h"

class CSA_TARNIV final : public suite::com::Object<CSA_TARNIV, ISuiteArgs, IExtendSettingsSheet> {
public:
    // ISuiteArgs
    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* ppwszCmdLine, unsigned long Op,
                                         _PlatInfo* pPlatInfo) override;
    HRESULT STDMETHODCALLTYPE GetOwnerGUID(GUID* pclsidSuite) override;
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR* ppwszCmdLine) override;
    HRESULT STDMETHODCALLTYPE SetCmdLine(LPCWSTR pwszCmdLine) override;

    // IExtendSettingsSheet
    HRESULT STDMETHODCALLTYPE CreatePages(ISheetSite* site) override;

private:
    suite::OptionText text_;
};
