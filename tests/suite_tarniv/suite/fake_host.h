// Stand-ins for the tool and suite-arguments classes the suite creates, and a
// menu that keeps every field of the items it is given (the stand-in host
// keeps what it shows). Unused methods answer E_NOTIMPL.
#pragma once

#include "com_object.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace suite_test {

using suite::ComPtr;

inline std::wstring text_of(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring(L"<null>");
}

// Reference count of an object, read by a balanced AddRef/Release.
inline ULONG ref_count(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

// A menu that keeps every field of the items inserted into it.
class FakeMenu : public suite::com::Object<FakeMenu, IMenu> {
public:
    struct Item {
        long commandId;
        long insertionPointField;
        long flags;
        long specialFlags;
        long state;
        std::wstring name;
        std::wstring statusBarText;
        unsigned short hotKey;
        unsigned char hotKeyModifier;
    };
    std::vector<Item> inserted;       // InsertItemBeforeID calls, in order
    std::vector<long> insertedBefore; // their reference ids

    HRESULT STDMETHODCALLTYPE InsertItemBeforeID(_MENUITEM* item, long referenceId) override {
        inserted.push_back({item->lCommandID, item->lInsertionPoint, item->fFlags, item->fSpecialFlags,
                            item->fState, text_of(item->pszName), text_of(item->pszStatusBarText),
                            item->HotKey.wKey, item->HotKey.bModifier});
        insertedBefore.push_back(referenceId);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveItem(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItemState(long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AddItem(_MENUITEM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemState(long, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItemText(long, LPCWSTR) override { return E_NOTIMPL; }
};

// Calls the suite made on tools, shared by every fake tool: "as.LoadLocation".
inline std::vector<std::string>& tool_calls() {
    static std::vector<std::string> calls;
    return calls;
}

// A tool class the suite creates by CLSID; it records LoadLocation and
// SaveLocation and counts its live objects.
class FakeTool : public suite::com::Object<FakeTool, ITool, IPersist> {
public:
    FakeTool(const CLSID& clsid, std::string name, int& liveCount)
        : clsid_(clsid), name_(std::move(name)), liveCount_(liveCount) {
        ++liveCount_;
    }
    ~FakeTool() override { --liveCount_; }

    HRESULT STDMETHODCALLTYPE LoadLocation() override {
        tool_calls().push_back(name_ + ".LoadLocation");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SaveLocation() override {
        tool_calls().push_back(name_ + ".SaveLocation");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
        *out = clsid_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*, IProject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLocation(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR*, unsigned long*, unsigned long*,
                                                   LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateArgs(IToolArgs**, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int) override { return E_NOTIMPL; }

private:
    CLSID clsid_;
    std::string name_;
    int& liveCount_;
};

class FakeSuiteArgs : public suite::com::Object<FakeSuiteArgs, ISuiteArgs> {
public:
    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOwnerGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCmdLine(LPCWSTR) override { return E_NOTIMPL; }
};

// A class object registered with COM for the test's apartment, so that
// creation by CLSID finds it before anything in the registry.
class RegisteredClass : public IClassFactory {
public:
    using Factory = std::function<HRESULT(REFIID iid, void** out)>;

    RegisteredClass(const CLSID& clsid, Factory factory) : factory_(std::move(factory)) {
        registration_result_ =
            CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~RegisteredClass() {
        if (SUCCEEDED(registration_result_))
            CoRevokeClassObject(cookie_);
    }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    HRESULT registration_result() const noexcept { return registration_result_; }
    int creations() const noexcept { return creations_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = suite::com::find_interface<IClassFactory>(this, iid);
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ++creations_;
        return factory_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Factory factory_;
    DWORD cookie_ = 0;
    HRESULT registration_result_ = E_FAIL;
    int creations_ = 0;
};

// Stand-ins for the three tool classes; a class whose factory fails leaves
// the suite's entry empty.
struct FakeToolClasses {
    int liveTools = 0;
    HRESULT compilerCreation = S_OK;
    RegisteredClass assembler{CLSID_T_TARNIV18as, [this](REFIID iid, void** out) {
                                  return make("as", CLSID_T_TARNIV18as, iid, out);
                              }};
    RegisteredClass compiler{CLSID_T_TARNIV18cc, [this](REFIID iid, void** out) {
                                 return FAILED(compilerCreation) ? compilerCreation
                                                                 : make("cc", CLSID_T_TARNIV18cc, iid, out);
                             }};
    RegisteredClass linker{CLSID_T_TARNIV18ld, [this](REFIID iid, void** out) {
                               return make("ld", CLSID_T_TARNIV18ld, iid, out);
                           }};

    HRESULT make(const char* name, const CLSID& clsid, REFIID iid, void** out) {
        return suite::com::make<FakeTool>(clsid, name, liveTools)->QueryInterface(iid, out);
    }
};

} // namespace suite_test
