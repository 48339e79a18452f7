#include "host_classes.h"

#include "host_node.h"

#include <utility>

namespace veska::host {

namespace {

// Where objects made by the class objects record; set while registered.
std::shared_ptr<Recorder>& creation_recorder() {
    static std::shared_ptr<Recorder> recorder;
    return recorder;
}

HRESULT create_node(REFIID iid, void** out) noexcept {
    return guarded([&] {
        auto node = suite::com::make<HostProjectNode>(creation_recorder());
        return node->QueryInterface(iid, out);
    });
}

template <int Depth> HRESULT create_wrapper(REFIID iid, void** out) noexcept {
    return guarded([&] {
        auto wrapper = suite::com::make<LegacyWrapper>(Depth, creation_recorder());
        return wrapper->QueryInterface(iid, out);
    });
}

suite::com::ClassFactory g_nodeFactory(&create_node);
suite::com::ClassFactory g_wrapperFactories[] = {
    suite::com::ClassFactory(&create_wrapper<0>), suite::com::ClassFactory(&create_wrapper<1>),
    suite::com::ClassFactory(&create_wrapper<2>), suite::com::ClassFactory(&create_wrapper<3>)};

} // namespace

LegacyWrapper::LegacyWrapper(int depth, std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "ILegacyAlias"), depth_(depth) {}

const CLSID& LegacyWrapper::class_of_depth(int depth) noexcept {
    static const CLSID* const classes[] = {&CLSID_LegacyWrapperDepth0, &CLSID_LegacyWrapperDepth1,
                                           &CLSID_LegacyWrapperDepth2, &CLSID_LegacyWrapperDepth3};
    return *classes[depth >= 0 && depth < 3 ? depth : 3];
}

HRESULT LegacyWrapper::SetAlias(const GUID* pclsid) {
    return recording_.call(__func__, {pclsid}, [&] {
        if (!pclsid)
            return E_POINTER;
        alias_ = *pclsid;
        aliased_ = true;
        return S_OK;
    });
}

HRESULT LegacyWrapper::GetAlias(GUID* pclsid) {
    return recording_.call(__func__, [&] {
        if (!pclsid)
            return E_POINTER;
        // Before SetAlias the wrapper stands for nothing: an empty answer.
        *pclsid = alias_;
        return aliased_ ? S_OK : S_FALSE;
    });
}

HRESULT LegacyWrapper::GetClassID(CLSID* pClassID) {
    return recording_.call(__func__, [&] {
        if (!pClassID)
            return E_POINTER;
        *pClassID = class_of_depth(depth_);
        return S_OK;
    });
}

HostClassRegistration::HostClassRegistration(std::shared_ptr<Recorder> recorder)
    : previousRecorder_(std::exchange(creation_recorder(), std::move(recorder))) {
    const CLSID* classes[kClasses] = {&CLSID_HostProjectNode, &CLSID_LegacyWrapperDepth0,
                                      &CLSID_LegacyWrapperDepth1, &CLSID_LegacyWrapperDepth2,
                                      &CLSID_LegacyWrapperDepth3};
    IClassFactory* factories[kClasses] = {&g_nodeFactory, &g_wrapperFactories[0], &g_wrapperFactories[1],
                                          &g_wrapperFactories[2], &g_wrapperFactories[3]};
    for (int i = 0; i < kClasses; ++i) {
        const HRESULT registered = CoRegisterClassObject(*classes[i], factories[i], CLSCTX_INPROC_SERVER,
                                                         REGCLS_MULTIPLEUSE, &cookies_[i]);
        if (FAILED(registered)) {
            cookies_[i] = 0;
            if (status_ == S_OK)
                status_ = registered;
        }
    }
}

HostClassRegistration::~HostClassRegistration() {
    for (DWORD cookie : cookies_)
        if (cookie)
            CoRevokeClassObject(cookie);
    creation_recorder() = std::move(previousRecorder_);
}

} // namespace veska::host
