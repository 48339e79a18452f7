// Test stand-ins for the host's legacy wrapper classes and a scratch legacy
// suites tree in HKEY_LOCAL_MACHINE of the test prefix.
#pragma once

#include "com_object.h"
#include "lsc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace suite::test {

// A host wrapper: remembers which depth's class created it and the class it
// was told to stand for. As a host object it also answers IPersist with its
// own class.
class FakeWrapper : public com::Object<FakeWrapper, ILegacyAlias, IPersist> {
public:
    explicit FakeWrapper(int depth) noexcept : depth_(depth) {}

    HRESULT STDMETHODCALLTYPE SetAlias(const GUID* clsid) override {
        if (!clsid)
            return E_POINTER;
        if (refuse_alias)
            return E_UNEXPECTED;
        alias_ = *clsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAlias(GUID* clsid) override {
        if (!clsid)
            return E_POINTER;
        *clsid = alias_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        *clsid = wrapper_class(depth_);
        return S_OK;
    }

    int depth() const noexcept { return depth_; }
    const CLSID& alias() const noexcept { return alias_; }

    static const CLSID& wrapper_class(int depth) {
        static const CLSID* const classes[] = {&CLSID_LegacyWrapperDepth0, &CLSID_LegacyWrapperDepth1,
                                               &CLSID_LegacyWrapperDepth2, &CLSID_LegacyWrapperDepth3};
        return *classes[depth];
    }

    // Makes SetAlias fail, as a broken host wrapper would.
    static inline bool refuse_alias = false;

private:
    int depth_;
    CLSID alias_ = GUID_NULL;
};

// The FakeWrapper behind an interface pointer handed out by creation.
inline FakeWrapper* as_fake_wrapper(IUnknown* object) {
    ComPtr<ILegacyAlias> alias;
    if (!object || FAILED(object->QueryInterface(IID_ILegacyAlias, alias.put_void())))
        return nullptr;
    return static_cast<FakeWrapper*>(alias.get());
}

// A class object registered with the COM runtime of this process for as long
// as the owner lives.
class RegisteredClass {
public:
    RegisteredClass(REFCLSID clsid, com::Creator creator) : factory_(creator) {
        const HRESULT hr =
            CoRegisterClassObject(clsid, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
        EXPECT_EQ(S_OK, hr) << "registering a test class";
    }
    ~RegisteredClass() {
        if (cookie_)
            CoRevokeClassObject(cookie_);
    }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;

private:
    com::ClassFactory factory_;
    DWORD cookie_ = 0;
};

template <int Depth> HRESULT create_fake_wrapper(REFIID iid, void** out) {
    auto wrapper = com::make<FakeWrapper>(Depth);
    return wrapper->QueryInterface(iid, out);
}

// The four host wrapper classes, registered in-process.
class FakeWrapperClasses {
public:
    FakeWrapperClasses() { FakeWrapper::refuse_alias = false; }
    ~FakeWrapperClasses() { FakeWrapper::refuse_alias = false; }

private:
    RegisteredClass depth0_{CLSID_LegacyWrapperDepth0, &create_fake_wrapper<0>};
    RegisteredClass depth1_{CLSID_LegacyWrapperDepth1, &create_fake_wrapper<1>};
    RegisteredClass depth2_{CLSID_LegacyWrapperDepth2, &create_fake_wrapper<2>};
    RegisteredClass depth3_{CLSID_LegacyWrapperDepth3, &create_fake_wrapper<3>};
};

// The registry string form of a class ID ("{...}").
inline std::string registry_form(REFCLSID clsid) {
    wchar_t wide[64] = L"";
    StringFromGUID2(clsid, wide, 64);
    std::string narrow;
    for (const wchar_t* p = wide; *p; ++p)
        narrow.push_back(static_cast<char>(*p));
    return narrow;
}

// The legacy suites tree, empty (absent) while the owner lives and removed
// again afterwards, so that tests never see each other's keys.
class LegacyTree {
public:
    LegacyTree() { remove(); }
    ~LegacyTree() { remove(); }
    LegacyTree(const LegacyTree&) = delete;
    LegacyTree& operator=(const LegacyTree&) = delete;

    // Creates root\names[0]\names[1]\...; true on success.
    bool add(const std::vector<std::string>& names) const {
        std::string path = lsc::kLegacySuitesKey;
        for (const std::string& name : names)
            path += "\\" + name;
        RegistryKey key;
        return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                               nullptr) == ERROR_SUCCESS;
    }
    bool create_root() const { return add({}); }

    static void remove() { RegDeleteTreeA(HKEY_LOCAL_MACHINE, lsc::kLegacySuitesKey); }
};

} // namespace suite::test
