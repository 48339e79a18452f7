// The tool-arguments framework: the option text of one tool for the whole
// project or for one file, its default and alternate flags, and counted links
// to the project, node, display and parent (the project-level object of the
// same tool). The concrete classes only name their constants:
//
//   class CTA_TARNIVcc final : public CTA_Base2<CTA_TARNIVcc, &CLSID_TA_TARNIV18cc, &CLSID_T_TARNIV18cc,
//                                               kCompilerDefaultText, CTAP_TARNIVcc> {};
//
// Page is the tool's option page class (a CTAP_Base2 page).
#pragma once

#include "com_object.h"
#include "option_text.h"
#include "tap_base2.h"
#include "text.h"
#include "xlogged.h"

#include <memory>

namespace suite {

template <class Derived, const CLSID* OwnClsid, const CLSID* ToolClsid, const char* DefaultText, class Page>
class CTA_Base2 : public com::Object<Derived, IToolArgs, IExtendSettingsSheet> {
public:
    static constexpr const char* kDefaultText = DefaultText;

    // IToolArgs
    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* ppwszCmdLine, unsigned long, _PlatInfo*) override {
        // The flags are the build driver's business: it chooses between the
        // file's object and the project's before calling.
        return text_.AppendTo(ppwszCmdLine);
    }
    HRESULT STDMETHODCALLTYPE GetOwnerGUID(GUID* pclsidTool) override {
        return write_clsid(pclsidTool, *ToolClsid);
    }
    HRESULT STDMETHODCALLTYPE IsDefault() override { return default_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetDefault(long bNewState) override {
        default_ = bNewState != 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR* ppwszCmdLine) override { return text_.Get(ppwszCmdLine); }
    HRESULT STDMETHODCALLTYPE SetCmdLine(LPCWSTR pwszCmdLine) override { return text_.Set(pwszCmdLine); }
    HRESULT STDMETHODCALLTYPE GetAltFlag() override { return alternate_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE SetAltFlag(long bAlt) override {
        alternate_ = bAlt != 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCLSID(GUID* pclsid) override { return write_clsid(pclsid, *OwnClsid); }
    HRESULT STDMETHODCALLTYPE SetParent(IToolArgs* pParent) override {
        try {
            // An object that were its own parent would keep itself alive forever.
            if (is_self(pParent))
                THROW_XLOGGED(E_INVALIDARG);
            parent_ = ComPtr<IToolArgs>(pParent);
            return S_OK;
        } catch (const XLogged& failure) {
            return log_and_return(failure);
        }
    }
    HRESULT STDMETHODCALLTYPE SetProject(IProject* pProject) override {
        project_ = ComPtr<IProject>(pProject);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProjectNode(IProjectNode* pNode) override {
        node_ = ComPtr<IProjectNode>(pNode);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDisplay(IProjectDisplay* pDisplay) override {
        display_ = ComPtr<IProjectDisplay>(pDisplay);
        return S_OK;
    }

    // IExtendSettingsSheet: the tool's option page, editing this object's
    // text and flags, handed to the site.
    HRESULT STDMETHODCALLTYPE CreatePages(ISheetSite* site) override {
        try {
            PageArguments arguments;
            arguments.inheritedText = nullptr;
            if (parent_) {
                // A file's page inherits the project's options. When the
                // project's object cannot say, the tool's default stands in.
                CoTaskString parentText;
                if (SUCCEEDED(parent_->GetCmdLine(parentText.put())) && parentText) {
                    text::narrow_bounded(parentText_, sizeof parentText_, parentText.c_str());
                    arguments.inheritedText = parentText_;
                    arguments.parentAlternate = parent_->GetAltFlag() == S_OK;
                    // A default file always opens on the project's current options.
                    if (default_)
                        text::copy_bounded(text_.buffer(), OptionText::kCapacity, parentText_);
                }
                arguments.projectLevel = false;
            }
            if (!arguments.inheritedText)
                arguments.inheritedText = DefaultText;
            arguments.storedText = text_.buffer();
            arguments.defaultText = DefaultText;
            arguments.defaultFlag = &default_;
            arguments.alternateFlag = &alternate_;
            arguments.project = project_.get();
            arguments.node = node_.get();
            arguments.display = display_.get();
            arguments.owner = static_cast<IToolArgs*>(this);
            return AddPageToSite(std::make_unique<Page>(arguments), site);
        } catch (const XLogged& failure) {
            return log_and_return(failure);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

protected:
    CTA_Base2() noexcept : text_(DefaultText) {}

    // The option page edits these in place and writes them on Apply.
    bool default_ = true;
    ComPtr<IProject> project_;
    ComPtr<IProjectNode> node_;
    bool alternate_ = false;
    ComPtr<IProjectDisplay> display_;
    ComPtr<IToolArgs> parent_;
    OptionText text_;
    char parentText_[OptionText::kCapacity] = {}; // the parent's text, lent to the page

private:
    static HRESULT log_and_return(const XLogged& failure) noexcept {
        failure.Log();
        return failure.GetHResult();
    }
    static HRESULT write_clsid(GUID* out, const CLSID& clsid) noexcept {
        try {
            if (!out)
                THROW_XLOGGED(E_POINTER);
            *out = clsid;
            return S_OK;
        } catch (const XLogged& failure) {
            return log_and_return(failure);
        }
    }
    bool is_self(IToolArgs* other) noexcept {
        if (!other)
            return false;
        ComPtr<IUnknown> identity;
        if (FAILED(other->QueryInterface(IID_IUnknown, identity.put_void())))
            return false;
        ComPtr<IUnknown> own;
        this->QueryInterface(IID_IUnknown, own.put_void());
        return identity == own;
    }
};

} // namespace suite
